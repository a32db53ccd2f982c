#include "app/help_dialog.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/recording_controls.h"
#include "resources/control_ids.h"

namespace {

TEST(HelpDialogTest, VersionLineCarriesTheBuildStamp) {
  // The compiler's forms: "13:38:05" and "Mar 29 2017" (a day below 10 is padded with a blank).
  const std::string prefix = std::string("Ver ") + OSTREL_VERSION + ", Built ";
  const std::regex form(R"(\d\d:\d\d:\d\d, [A-Z][a-z]{2} [ 1-3]\d \d{4})");
  const std::string text = help_version_text();
  ASSERT_EQ(text.rfind(prefix, 0), 0u) << text;
  EXPECT_TRUE(std::regex_match(text.substr(prefix.size()), form)) << text;
}

TEST(HelpDialogTest, HelpFileLiesBesideTheExecutable) {
  struct Case {
    const char* exe_path;
    const char* text;
  };
  const Case cases[] = {
      {"C:\\Ostrel3tools\\Ostrel3tools.exe", "Help File: C:\\Ostrel3tools\\README.txt"},
      {"C:\\Program Files\\exec\\Ostrel3tools.EXE",
       "Help File: C:\\Program Files\\exec\\README.txt"},
      {"\\\\server\\share\\tools\\o.exe", "Help File: \\\\server\\share\\tools\\README.txt"},
      {"C:\\o.exe", "Help File: C:\\README.txt"},
      {"/opt/ostrel/o.exe", "Help File: /opt/ostrel/README.txt"},
      {"Ostrel3tools.exe", "Help File: README.txt"},
      {"", "Help File: README.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exe_path);
    EXPECT_EQ(help_file_text(c.exe_path), c.text);
  }
}

TEST(HelpDialogTest, OpeningFillsTheThreeLines) {
  RecordingControls dialog;
  help_dialog_init(dialog, "Win7", "C:\\x\\Ostrel3tools.exe");
  EXPECT_EQ(dialog.text(IDC_HELP_VERSION), help_version_text());
  EXPECT_EQ(dialog.text(IDC_HELP_OS), "Operating System is Win7");
  EXPECT_EQ(dialog.text(IDC_HELP_FILE), "Help File: C:\\x\\README.txt");
}

}  // namespace
