#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messages/message_codec.h"
#include "messages/message_editor.h"
#include "tests/support/partial_message_cases.h"
#include "tests/support/temporary_folder.h"
#include "tests/window/window_fixture.h"

namespace {

class WindowFilesTest : public WindowTest {
 protected:
  TemporaryFolder folder;
};

TEST_F(WindowFilesTest, SavedWindowLoadsBack) {
  fill_valid_panel();
  window.set_text(IDC_WEIGHT, "65");
  window.set_text(IDC_MSG1, "cq de me");
  window.set_text(IDC_MSG8, "73");
  window.set_text(IDC_CALLSIGN_USER1, "k1abc");
  const std::string path = folder.path("keyer.eep");
  chooser.answer(path);

  click(IDC_WRITE_CONFIG_FILE);

  ASSERT_TRUE(window.error_boxes.empty());
  EXPECT_EQ(window.text(IDC_FILE_NAME), "keyer.eep");
  const std::vector<uint8_t> saved = read_file_bytes(path);
  EXPECT_EQ(saved, std::vector<uint8_t>(settings_image.begin(), settings_image.end()));

  // Lose everything, then load it back.
  settings_image = SettingsImage{};
  for (int id : {IDC_WEIGHT, IDC_MSG1, IDC_MSG8, IDC_CALLSIGN_USER1}) window.set_text(id, "x");
  chooser.answer(path);

  click(IDC_READ_CONFIG_FILE);

  EXPECT_EQ(window.text(IDC_FILE_NAME), "File Name: keyer.eep");
  EXPECT_EQ(std::vector<uint8_t>(settings_image.begin(), settings_image.end()), saved);
  EXPECT_EQ(window.text(IDC_WEIGHT), "65");
  EXPECT_EQ(window.text(IDC_MSG1), "CQ DE ME");
  EXPECT_EQ(window.text(IDC_MSG8), "73");
  EXPECT_EQ(window.text(IDC_CALLSIGN_USER1), "K1ABC");
}

// Whatever the load did, the window then shows the image: unsaved edits give way.
TEST_F(WindowFilesTest, LoadRefreshesTheWindowEvenWhenNothingWasLoaded) {
  const struct {
    const char* name;
    bool cancel;
    std::vector<std::string> boxes;
  } cases[] = {{"cancelled", true, {}}, {"missing file", false, {"File Not Found"}}};
  for (const auto& c : cases) {
    fill_valid_panel();
    MessageTexts texts{};
    texts[0] = "IN IMAGE";
    encode_messages(texts);
    window.set_text(IDC_MSG1, "UNSAVED EDIT");
    window.set_text(IDC_WEIGHT, "12");
    window.error_boxes.clear();
    if (c.cancel) {
      chooser.cancel();
    } else {
      chooser.answer(folder.path("absent.eep"));
    }

    click(IDC_READ_CONFIG_FILE);

    EXPECT_EQ(window.error_boxes, c.boxes) << c.name;
    EXPECT_EQ(window.text(IDC_MSG1), "IN IMAGE") << c.name;
    EXPECT_EQ(window.text(IDC_WEIGHT), "50") << c.name;
  }
}

// A save that cannot be made right never opens the Save dialog and writes nothing.
TEST_F(WindowFilesTest, SaveIsRefusedBeforeTheDialog) {
  const struct {
    const char* name;
    int id;
    std::string text;
  } cases[] = {
      {"invalid panel", IDC_WEIGHT, "5"},
      {"refused character", IDC_MSG4, "50%"},
      {"over capacity", IDC_MSG11, std::string(241, 'E')},
  };
  for (const auto& c : cases) {
    fill_valid_panel();
    window.error_boxes.clear();
    chooser.requests.clear();
    for (int id : MESSAGE_BOX_IDS) window.set_text(id, "");
    window.set_text(c.id, c.text);
    chooser.answer(folder.path("never.eep"));

    click(IDC_WRITE_CONFIG_FILE);

    EXPECT_EQ(window.error_boxes.size(), 1u) << c.name;
    EXPECT_TRUE(chooser.requests.empty()) << c.name;
    EXPECT_TRUE(folder.entries().empty()) << c.name;
    chooser.answers.clear();
  }
}

// A '$' has a code, but the keyer ends the message at it: neither a write nor a save takes it.
TEST_F(WindowFilesTest, DollarIsRefusedBeforeWriteAndSave) {
  const struct {
    int id;
    const char* text;
    const char* box;
  } cases[] = {
      {IDC_MSG1, "TEST $ OK",
       "Msg 1 holds the character '$', which the keyer cannot send: the keyer reads it as the end "
       "of the message. Remove it and try again."},
      {IDC_MSG8, "$",
       "Msg 8 holds the character '$', which the keyer cannot send: the keyer reads it as the end "
       "of the message. Remove it and try again."},
      {IDC_CALLSIGN_USER2, "K1$",
       "The User 2 callsign holds the character '$', which the keyer cannot send: the keyer reads "
       "it as the end of the message. Remove it and try again."},
  };
  for (const auto& c : cases) {
    for (int command : {IDC_WRITE, IDC_WRITE_CONFIG_FILE}) {
      fill_valid_panel();
      window.error_boxes.clear();
      chooser.requests.clear();
      const SettingsImage before = settings_image;
      window.set_text(c.id, c.text);
      chooser.answer(folder.path("never.eep"));

      click(command);

      EXPECT_EQ(window.error_boxes, std::vector<std::string>{c.box}) << c.text;
      EXPECT_EQ(sim.keyer.image_writes, 0) << c.text;
      EXPECT_TRUE(chooser.requests.empty()) << c.text;
      EXPECT_TRUE(folder.entries().empty()) << c.text;
      EXPECT_EQ(settings_image, before) << c.text;
      window.set_text(c.id, "");
      chooser.answers.clear();
    }
  }
}

// An image whose messages do not read back whole, from the keyer or from a file, is taken as it
// is, and a box names each slot that shows only part of what it holds.
TEST_F(WindowFilesTest, PartialMessagesAreNamedAfterReadAndLoad) {
  for (const PartialMessageCase& c : PARTIAL_MESSAGE_CASES) {
    const SettingsImage image = partial_message_image(c);
    const std::string path = folder.path("foreign.eep");
    write_file_bytes(path, std::vector<uint8_t>(image.begin(), image.end()));
    const std::vector<std::string> boxes =
        c.explanation.empty() ? std::vector<std::string>{} : std::vector{c.explanation};

    for (int command : {IDC_READ, IDC_READ_CONFIG_FILE}) {
      KeyerSimConfig config;
      config.image = image;
      sim.keyer = KeyerSim(config);
      settings_image = SettingsImage{};
      window.error_boxes.clear();
      chooser.answer(path);

      click(command);

      EXPECT_EQ(window.error_boxes, boxes) << c.name;
      EXPECT_EQ(window.text(IDC_MSG1), c.msg1) << c.name;
      EXPECT_EQ(settings_image, image) << c.name;
      if (command == IDC_READ) {
        EXPECT_EQ(window.text(IDC_STATUS_LINE), ">Done") << c.name;
      }
      chooser.answers.clear();
    }
  }
}

// The messages are in the image once the panel passed, even if the user then cancels.
TEST_F(WindowFilesTest, CancelledSaveStillEncodedTheMessages) {
  fill_valid_panel();
  window.set_text(IDC_MSG1, "E");
  chooser.cancel();

  click(IDC_WRITE_CONFIG_FILE);

  EXPECT_EQ(decode_messages()[0], "E");
  EXPECT_EQ(window.text(IDC_FILE_NAME), "");
  EXPECT_TRUE(folder.entries().empty());
}

}  // namespace
