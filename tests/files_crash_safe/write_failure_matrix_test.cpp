// Every way of making a save fail for real, for each kind of file the program saves. A cell
// survives when the save says it failed, the user is told in the file's own words, the earlier
// file is byte for byte what it was, nothing new is left beside it (no temporary file), and the
// program's memory is as before. Taking the cause away, the same save then succeeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

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

}  // namespace
