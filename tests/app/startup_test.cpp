#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct VersionCase {
  SystemVersion version;
  const char* name;  // "": refused
};

TEST(OsName, NamesEveryAcceptedVersionAndRefusesTheRest) {
  const VersionCase cases[] = {
      {{5, 0, 2195}, "Windows 2000"},
      {{5, 1, 2600}, "Windows XP"},
      {{5, 2, 3790}, "WinServer 2003"},
      {{5, 3}, "Win5 Variant"},
      {{5, 99}, "Win5 Variant"},
      {{6, 0, 6002}, "Windows Vista"},
      {{6, 1, 7601}, "Win7"},
      {{6, 2, 9200}, "Win8.0"},
      {{6, 3, 9600}, "Win8.1"},
      {{6, 4}, "Win8"},
      {{6, 10}, "Win8"},
      // Windows 11 still says 10.0; only its build tells it apart.
      {{10, 0, 19045}, "Windows 10"},
      {{10, 0, 21999}, "Windows 10"},
      {{10, 0, 22000}, "Windows 11"},
      {{10, 0, 22631}, "Windows 11"},
      // Newer than any name here: accepted, under its number.
      {{10, 1, 30000}, "Windows 10.1"},
      {{11, 0}, "Windows 11.0"},
      {{7, 0}, "Windows 7.0"},
      {{4, 0, 1381}, ""},
      {{4, 10}, ""},
      {{3, 51}, ""},
      {{0, 0}, ""},
  };
  for (const VersionCase& c : cases) {
    const SystemVersion& v = c.version;
    SCOPED_TRACE(std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
                 std::to_string(v.build));
    EXPECT_EQ(os_name_for_version(v), c.name);
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
