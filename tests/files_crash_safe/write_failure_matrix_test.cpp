// Every way of making a save fail for real, for each kind of file the program saves. A cell
// survives when the save says it failed, the user is told in the file's own words, the earlier
// file is byte for byte what it was, nothing new is left beside it (no temporary file), and the
// program's memory is as before. Taking the cause away, the same save then succeeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "tests/files_crash_safe/cell_summary.h"
#include "tests/files_crash_safe/saved_files.h"
#include "tests/files_crash_safe/write_faults.h"

namespace {

using Cell = std::tuple<size_t, FileKind>;  // index into WRITE_FAULTS, file kind

class WriteFailure : public ::testing::TestWithParam<Cell> {
 protected:
  void SetUp() override {
    fault_ = &WRITE_FAULTS[std::get<0>(GetParam())];
    file_ = make_saved_file(std::get<1>(GetParam()));
    scene_.emplace(file_->file_name());
  }

  void TearDown() override {
    const char* outcome = IsSkipped() ? "skipped" : HasFailure() ? "NO" : "yes";
    record_cell(fault_->label, label_of(std::get<1>(GetParam())), outcome, scene_->skip_reason);
    scene_.reset();  // the mounts go before the settings the file kind changed are restored
    file_.reset();
  }

  SavedFile::Outcome save() {
#ifndef _WIN32
    if (fault_->size_limited) {
      FileSizeLimit limit(file_->new_contents().size() / 2);
      return file_->save(scene_->target);
    }
#endif
    return file_->save(scene_->target);
  }

  const WriteFault* fault_ = nullptr;
  std::unique_ptr<SavedFile> file_;
  std::optional<Scene> scene_;
};

TEST_P(WriteFailure, OldFileSurvivesAndTheUserIsTold) {
  const std::string arranged = fault_->arrange(*scene_, file_->old_contents());
  if (!scene_->skip_reason.empty()) GTEST_SKIP() << scene_->skip_reason;
  ASSERT_EQ(arranged, "") << "could not set the failure up";
  const std::vector<std::string> before = everything_below(scene_->watched);

  const SavedFile::Outcome failed = save();

  EXPECT_FALSE(failed.reported_success);
  EXPECT_EQ(failed.boxes, std::vector<std::string>{file_->expected_box(fault_->refused_at_once)});
  if (!scene_->old_file.empty()) {
    EXPECT_EQ(read_file_bytes(scene_->old_file), scene_->old_contents) << "earlier file damaged";
  }
  EXPECT_EQ(everything_below(scene_->watched), before) << "something left beside the file";
  EXPECT_TRUE(file_->memory_unchanged());

  // With the cause gone, the user's next try saves the file and leaves nothing else.
  ASSERT_EQ(fault_->lift(*scene_), "");
  std::vector<std::string> expected = everything_below(scene_->watched);
  const std::string name = std::filesystem::relative(scene_->target, scene_->watched).string();
  if (std::find(expected.begin(), expected.end(), name) == expected.end()) {
    expected.push_back(name);
    std::sort(expected.begin(), expected.end());
  }

  const SavedFile::Outcome retried = file_->save(scene_->target);

  EXPECT_TRUE(retried.reported_success);
  EXPECT_TRUE(retried.boxes.empty());
  EXPECT_EQ(read_file_bytes(scene_->target), file_->new_contents());
  EXPECT_EQ(everything_below(scene_->watched), expected);
}

std::vector<size_t> every_fault() {
  std::vector<size_t> indexes(WRITE_FAULTS.size());
  for (size_t i = 0; i < indexes.size(); ++i) indexes[i] = i;
  return indexes;
}

INSTANTIATE_TEST_SUITE_P(Cells, WriteFailure,
                         ::testing::Combine(::testing::ValuesIn(every_fault()),
                                            ::testing::Values(FileKind::settings,
                                                              FileKind::configuration)),
                         [](const ::testing::TestParamInfo<Cell>& info) {
                           return std::string(WRITE_FAULTS[std::get<0>(info.param)].id) + "_" +
                                  id_of(std::get<1>(info.param));
                         });

#ifndef _WIN32
namespace fs = std::filesystem;

// Saves that must succeed, and land where the user meant, where a careless save writes through a
// link that someone planted, drops the file's mode, or turns the user's link into a plain file.
struct SpecialSave {
  const char* id;
  // Sets up the scratch folder around `target`, the earlier file included.
  void (*arrange)(const std::string& folder, const std::string& target, const Bytes& old);
  // What the folder must hold after the save of `saved`; "" or what is wrong.
  std::string (*check)(const std::string& folder, const std::string& target, const Bytes& saved);
};

// "" when the file at `path` has `mode`, or what it has.
std::string has_mode(const std::string& path, mode_t mode) {
  struct stat info {};
  const mode_t found = stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
  char text[32];
  std::snprintf(text, sizeof text, "mode %03o, not %03o", found, mode);
  return found == mode ? "" : text;
}

std::string holds(const std::string& path, const Bytes& bytes) {
  if (fs::is_symlink(path)) return path + " is a link";
  return read_file_bytes(path) == bytes ? "" : path + " does not hold the saved bytes";
}

std::string entries_are(const std::string& folder, std::vector<std::string> expected) {
  std::sort(expected.begin(), expected.end());
  // Links by their own names: everything_below would give where they lead.
  std::vector<std::string> found;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    found.push_back(entry.path().lexically_relative(folder).string());
  }
  std::sort(found.begin(), found.end());
  if (found == expected) return "";
  std::string names;
  for (const std::string& name : found) names += " " + name;
  return "the folder holds" + names;
}

std::string link_kept(const std::string& link, const std::string& leads_to) {
  return fs::is_symlink(link) && fs::read_symlink(link) == leads_to ? "" : link + " is no link";
}

// The first of the findings that says something is wrong, or "".
std::string first_wrong(std::initializer_list<std::string> findings) {
  for (const std::string& wrong : findings) {
    if (!wrong.empty()) return wrong;
  }
  return "";
}

template <mode_t MODE>
void old_file_with_mode(const std::string&, const std::string& target, const Bytes& old) {
  write_file_bytes(target, old);
  chmod(target.c_str(), MODE);
}

template <mode_t MODE>
std::string saved_with_mode(const std::string&, const std::string& target, const Bytes& saved) {
  return first_wrong({has_mode(target, MODE), holds(target, saved)});
}

const SpecialSave SPECIAL_SAVES[] = {
    {"PlantedLinksAtTheTemporaryNames",
     [](const std::string& folder, const std::string& target, const Bytes& old) {
       write_file_bytes(target, old);
       write_file_bytes(folder + "/victim", {0xEE});
       fs::create_symlink(folder + "/planted", target + ".tmp0");  // leads nowhere
       fs::create_symlink(folder + "/victim", target + ".tmp1");
     },
     [](const std::string& folder, const std::string& target, const Bytes& saved) {
       const std::string name = fs::path(target).filename().string();
       return first_wrong({holds(target, saved), holds(folder + "/victim", {0xEE}),
                           link_kept(target + ".tmp0", folder + "/planted"),
                           entries_are(folder, {name, name + ".tmp0", name + ".tmp1", "victim"})});
     }},
    {"PrivateFileStaysPrivate", old_file_with_mode<0600>, saved_with_mode<0600>},
    {"GroupWritableFileStaysSo", old_file_with_mode<0660>, saved_with_mode<0660>},
    {"TargetIsALink",
     [](const std::string& folder, const std::string& target, const Bytes& old) {
       fs::create_directory(folder + "/real");
       write_file_bytes(folder + "/real/kept", old);
       fs::create_symlink("real/kept", target);
     },
     [](const std::string& folder, const std::string& target, const Bytes& saved) {
       const std::string name = fs::path(target).filename().string();
       return first_wrong({link_kept(target, "real/kept"), holds(folder + "/real/kept", saved),
                           entries_are(folder, {name, "real", "real/kept"})});
     }},
    {"TargetIsALinkToNothingYet",
     [](const std::string&, const std::string& target, const Bytes&) {
       fs::create_symlink("made", target);
     },
     [](const std::string& folder, const std::string& target, const Bytes& saved) {
       const std::string name = fs::path(target).filename().string();
       return first_wrong({link_kept(target, "made"), holds(folder + "/made", saved),
                           entries_are(folder, {name, "made"})});
     }},
};

using SpecialCell = std::tuple<size_t, FileKind>;  // index into SPECIAL_SAVES, file kind

class SavedSpecially : public ::testing::TestWithParam<SpecialCell> {};

TEST_P(SavedSpecially, LandsInTheRightFileWithItsMode) {
  const SpecialSave& c = SPECIAL_SAVES[std::get<0>(GetParam())];
  const std::unique_ptr<SavedFile> file = make_saved_file(std::get<1>(GetParam()));
  TemporaryFolder folder;
  const std::string target = folder.path(file->file_name());
  c.arrange(folder.root, target, file->old_contents());
  // The mode a file saved anew would get, so that a kept mode is told from a fresh one.
  const mode_t saved_umask = umask(022);

  const SavedFile::Outcome outcome = file->save(target);

  umask(saved_umask);
  EXPECT_TRUE(outcome.reported_success);
  EXPECT_TRUE(outcome.boxes.empty());
  EXPECT_EQ(c.check(folder.root, target, file->new_contents()), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, SavedSpecially,
                         ::testing::Combine(::testing::Range<size_t>(0, std::size(SPECIAL_SAVES)),
                                            ::testing::Values(FileKind::settings,
                                                              FileKind::configuration)),
                         [](const ::testing::TestParamInfo<SpecialCell>& info) {
                           return std::string(SPECIAL_SAVES[std::get<0>(info.param)].id) + "_" +
                                  id_of(std::get<1>(info.param));
                         });
#endif

}  // namespace
