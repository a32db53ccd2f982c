#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct VersionCase {
  unsigned major;
  unsigned minor;
  const char* name;  // nullptr: refused
};

TEST(OsName, NamesEveryAcceptedVersionAndRefusesTheRest) {
  const VersionCase cases[] = {
      {5, 0, "Windows 2000"}, {5, 1, "Windows XP"},    {5, 2, "WinServer 2003"},
      {5, 3, "Win5 Variant"}, {5, 99, "Win5 Variant"}, {6, 0, "Windows Vista"},
      {6, 1, "Win7"},         {6, 2, "Win8.0"},        {6, 3, "Win8.1"},
      {6, 4, "Win8"},         {6, 10, "Win8"},         {4, 0, nullptr},
      {4, 10, nullptr},       {3, 51, nullptr},        {0, 0, nullptr},
      {7, 0, nullptr},        {10, 0, nullptr},        {11, 0, nullptr},
  };
  for (const VersionCase& c : cases) {
    const char* name = os_name_for_version(c.major, c.minor);
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
    if (c.name == nullptr) {
      EXPECT_EQ(name, nullptr);
    } else {
      ASSERT_NE(name, nullptr);
      EXPECT_STREQ(name, c.name);
    }
  }
}

struct ReportedCase {
  unsigned major, minor;            // what the system says
  unsigned seen_major, seen_minor;  // what start-up goes by
  const char* name;
};

// Windows 10 and 11 must start: they are taken for what they tell an unlisted program.
TEST(OsName, NewerSystemsAreSeenAsAnUnlistedProgramSeesThem) {
  const ReportedCase cases[] = {
      {10, 0, 6, 2, "Win8.0"},    {6, 3, 6, 2, "Win8.0"},       {6, 4, 6, 2, "Win8.0"},
      {6, 2, 6, 2, "Win8.0"},     {6, 1, 6, 1, "Win7"},         {6, 0, 6, 0, "Windows Vista"},
      {5, 1, 5, 1, "Windows XP"}, {5, 7, 5, 7, "Win5 Variant"}, {4, 0, 4, 0, nullptr},
      {0, 0, 0, 0, nullptr},
  };
  for (const ReportedCase& c : cases) {
    unsigned major = c.major;
    unsigned minor = c.minor;
    version_as_unlisted_program(major, minor);
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
    EXPECT_EQ(major, c.seen_major);
    EXPECT_EQ(minor, c.seen_minor);
    const char* name = os_name_for_version(major, minor);
    EXPECT_STREQ(name == nullptr ? "(refused)" : name, c.name == nullptr ? "(refused)" : c.name);
  }
}

struct PathCase {
  std::string exe;
  std::string cfg;
};

TEST(CfgPath, ReplacesTheExecutablesOwnExtension) {
  const std::string long_folder = "C:\\" + std::string(300, 'x') + "\\";
  const PathCase cases[] = {
      {"C:\\Tools\\Ostrel3tools.exe", "C:\\Tools\\Ostrel3tools.cfg"},
      // A folder whose name holds "exe" is left whole.
      {"C:\\exec\\Ostrel3tools.exe", "C:\\exec\\Ostrel3tools.cfg"},
      {"C:\\exe\\exe.exe", "C:\\exe\\exe.cfg"},
      {"C:\\TOOLS\\OSTREL3TOOLS.EXE", "C:\\TOOLS\\OSTREL3TOOLS.cfg"},
      {"C:\\Tools\\Ostrel3tools.Exe", "C:\\Tools\\Ostrel3tools.cfg"},
      // Dots in folders are not the file's extension; a name without one gets ".cfg" added.
      {"C:\\my.tools\\Ostrel3tools", "C:\\my.tools\\Ostrel3tools.cfg"},
      {"/opt/ostrel.d/ostrel", "/opt/ostrel.d/ostrel.cfg"},
      {"C:\\a.b\\keyer.v2.exe", "C:\\a.b\\keyer.v2.cfg"},
      {"Ostrel3tools.exe", "Ostrel3tools.cfg"},
      {"\\\\?\\C:\\Tools\\Ostrel3tools.exe", "\\\\?\\C:\\Tools\\Ostrel3tools.cfg"},
      // Paths past 128 characters are kept whole.
      {long_folder + "Ostrel3tools.exe", long_folder + "Ostrel3tools.cfg"},
      // No path (the system could not tell it): no file rather than one in the current folder.
      {"", ""},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(cfg_path_for(c.exe), c.cfg) << c.exe;
  }
}

}  // namespace
