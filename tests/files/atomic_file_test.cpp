#include "files/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temporary_folder.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

const std::vector<uint8_t> NEW_BYTES = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

struct ReplaceCase {
  const char* name;
  std::vector<uint8_t> old_contents;  // empty: no file before
  std::vector<std::string> other_files;
};

class ReplaceFile : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceFile, LeavesExactlyTheNewBytesAndNoTemporaryFile) {
  const ReplaceCase& c = GetParam();
  TemporaryFolder folder;
  const std::string target = folder.path("keyer.eep");
  if (!c.old_contents.empty()) write_file_bytes(target, c.old_contents);
  for (const std::string& other : c.other_files) write_file_bytes(folder.path(other), {0xEE});

  ASSERT_EQ(replace_file_contents(target, NEW_BYTES.data(), NEW_BYTES.size()), FileWriteResult::ok);

  EXPECT_EQ(read_file_bytes(target), NEW_BYTES);
  std::vector<std::string> expected = c.other_files;
  expected.push_back("keyer.eep");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(folder.entries(), expected);
  for (const std::string& other : c.other_files) {
    EXPECT_EQ(read_file_bytes(folder.path(other)), std::vector<uint8_t>{0xEE}) << other;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceFile,
    ::testing::Values(ReplaceCase{"NewFile", {}, {}},
                      ReplaceCase{"LongerOldFile", std::vector<uint8_t>(500, 0x77), {}},
                      ReplaceCase{"ShorterOldFile", {9}, {}},
                      // Files that happen to carry the temporary names are not touched.
                      ReplaceCase{
                          "TemporaryNamesTaken", {9}, {"keyer.eep.tmp0", "keyer.eep.tmp1"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct UnwritableCase {
  const char* name;
  const char* target;  // inside the folder
  bool make_folder_at_target;
  const char* link_to = nullptr;  // the target is a link leading there
  const char* reason = "";        // what the refusal says, when the system's words are sure
  void (*make)(const std::string& path) = nullptr;  // puts something else at the target
};

class UnwritableTarget : public ::testing::TestWithParam<UnwritableCase> {};

TEST_P(UnwritableTarget, IsRefusedBeforeAnythingIsCreated) {
  const UnwritableCase& c = GetParam();
  TemporaryFolder folder;
  const std::string target = folder.path(c.target);
  if (c.make_folder_at_target) std::filesystem::create_directory(target);
  if (c.make != nullptr) c.make(target);
  if (c.link_to != nullptr) std::filesystem::create_symlink(c.link_to, target);
  const std::vector<std::string> before = folder.entries();
  const auto kind_before = std::filesystem::symlink_status(target).type();

  std::string reason;
  EXPECT_EQ(replace_file_contents(target, NEW_BYTES.data(), NEW_BYTES.size(), &reason),
            FileWriteResult::cannot_create);
  EXPECT_EQ(reason.rfind(c.reason, 0), 0u) << reason;
  EXPECT_FALSE(write_file_atomically(target, NEW_BYTES.data(), NEW_BYTES.size()));
  EXPECT_EQ(folder.entries(), before);
  EXPECT_EQ(std::filesystem::symlink_status(target).type(), kind_before);
}

#ifndef _WIN32
void make_fifo(const std::string& path) {
  mkfifo(path.c_str(), 0666);
}
void make_socket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  close(fd);
}
#endif

const UnwritableCase UNWRITABLE_CASES[] = {
    {"AFolder", "keyer.eep", true, nullptr, "is a directory"},
    {"NoSuchFolder", "missing/keyer.eep", false},
    {"EmptyName", "", false},
#ifndef _WIN32
    // A link that leads back to itself is never followed for ever.
    {"LinkLoop", "keyer.eep", false, "keyer.eep", "too many levels of symbolic links"},
    // A FIFO that nothing reads would hold the save for ever; a rename would replace it.
    {"FifoNobodyReads", "keyer.eep", false, nullptr, "no program reads the FIFO", make_fifo},
    {"Socket", "keyer.eep", false, nullptr, "is a socket", make_socket},
#endif
};

INSTANTIATE_TEST_SUITE_P(Cases, UnwritableTarget, ::testing::ValuesIn(UNWRITABLE_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

// A new file never takes a name that another program took meanwhile.
TEST(WriteNewFile, LeavesATakenNameAsItWas) {
  TemporaryFolder folder;
  const std::string name = folder.path("copy.eep");
  EXPECT_EQ(write_new_file(name, NEW_BYTES.data(), NEW_BYTES.size()), NewFileResult::created);
  EXPECT_EQ(write_new_file(name, NEW_BYTES.data(), 3), NewFileResult::name_taken);
  EXPECT_EQ(read_file_bytes(name), NEW_BYTES);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"copy.eep"});
}

#ifdef _WIN32
bool nothing_named(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file != nullptr) std::fclose(file);
  return file == nullptr;
}

// A name in the ANSI code page that the wide-character conversion cannot carry (the euro sign)
// still replaces the old file, and leaves no helper file behind.
TEST(ReplaceFileWindows, NameOutsideLatin1) {
  TemporaryFolder folder;
  const std::string target = folder.root + "\\euro\x80.eep";
  write_file_bytes(target, {9, 9});

  ASSERT_EQ(replace_file_contents(target, NEW_BYTES.data(), NEW_BYTES.size()), FileWriteResult::ok);

  EXPECT_EQ(read_file_bytes(target), NEW_BYTES);
  EXPECT_TRUE(nothing_named(target + ".tmp0"));
  EXPECT_TRUE(nothing_named(target + ".old0"));
}
#else
// A disk that fills up part-way, made with a file size limit: the bytes cannot all be written, so
// the old file must survive whole and the partial temporary file must go.
TEST(ReplaceFileFailure, ShortWriteKeepsTheOldFile) {
  TemporaryFolder folder;
  const std::string target = folder.path("keyer.eep");
  const std::vector<uint8_t> old_contents(50, 0x42);
  write_file_bytes(target, old_contents);
  const std::vector<uint8_t> big(4096, 0x11);

  FileWriteResult result;
  {
    FileSizeLimit limit(100);
    result = replace_file_contents(target, big.data(), big.size());
  }

  EXPECT_EQ(result, FileWriteResult::write_failed);
  EXPECT_EQ(read_file_bytes(target), old_contents);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"keyer.eep"});
}
#endif

}  // namespace
