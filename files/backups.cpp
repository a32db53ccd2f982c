#include "files/backups.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "files/atomic_file.h"

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#endif

BackupState backup_state;

namespace {

#ifdef _WIN32
constexpr char SEPARATOR = '\\';
#else
constexpr char SEPARATOR = '/';
#endif

constexpr const char* KIND_NAMES[] = {"read", "write"};
constexpr size_t STAMP_LENGTH = 15;  // 20261207-154501
// More programs than this saving copies in one second is taken for something gone wrong.
constexpr int MAX_NAME_TRIES = 1000;

bool is_separator(char c) {
  return c == '/' || c == SEPARATOR;
}

// "20261207-154501" in UTC, so that names sort by time across changes of the clocks.
std::string stamp_of(std::time_t time) {
  std::tm parts{};
#ifdef _WIN32
  if (gmtime_s(&parts, &time) != 0) return {};
#else
  if (gmtime_r(&time, &parts) == nullptr) return {};
#endif
  char text[32];
  if (std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &parts) != STAMP_LENGTH) return {};
  return text;
}

bool all_digits(const std::string& text, size_t from, size_t count) {
  if (count == 0 || from + count > text.size()) return false;
  return std::all_of(text.begin() + from, text.begin() + from + count,
                     [](char c) { return c >= '0' && c <= '9'; });
}

// A name of ours: its stamp and its number within that second (1 when it has none).
std::optional<std::pair<std::string, long>> parse_backup_name(const std::string& name) {
  if (!all_digits(name, 0, 8) || name.size() < STAMP_LENGTH || name[8] != '-' ||
      !all_digits(name, 9, 6)) {
    return std::nullopt;
  }
  for (const char* kind : KIND_NAMES) {
    const std::string head = name.substr(0, STAMP_LENGTH) + "-" + kind;
    if (name.compare(0, head.size(), head) != 0) continue;
    const std::string rest = name.substr(head.size());
    if (rest == ".eep") return std::make_pair(name.substr(0, STAMP_LENGTH), 1L);
    const size_t digits = rest.size() - 5;  // "-" digits ".eep"
    if (rest.size() > 5 && rest.size() <= 14 && rest[0] == '-' && rest[1] != '0' &&
        all_digits(rest, 1, digits) && rest.compare(1 + digits, 4, ".eep") == 0) {
      return std::make_pair(name.substr(0, STAMP_LENGTH), std::atol(rest.c_str() + 1));
    }
  }
  return std::nullopt;
}

std::vector<std::string> names_in(const std::string& folder) {
  std::vector<std::string> names;
#ifdef _WIN32
  _finddata_t found;
  const intptr_t search = _findfirst((folder + "\\*").c_str(), &found);
  if (search == -1) return names;
  do names.push_back(found.name);
  while (_findnext(search, &found) == 0);
  _findclose(search);
#else
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) names.push_back(entry->d_name);
  closedir(dir);
#endif
  return names;
}

// The folder and every folder above it that is missing. A failure shows when the copy is saved.
void make_folders(const std::string& folder) {
  for (size_t i = 1; i <= folder.size(); ++i) {
    if (i < folder.size() && !is_separator(folder[i])) continue;
    const std::string prefix = folder.substr(0, i);
#ifdef _WIN32
    _mkdir(prefix.c_str());
#else
    mkdir(prefix.c_str(), 0777);
#endif
  }
}

void remove_oldest(const std::string& folder) {
  std::vector<std::pair<std::pair<std::string, long>, std::string>> ours;
  for (const std::string& name : names_in(folder)) {
    if (auto parsed = parse_backup_name(name)) ours.emplace_back(std::move(*parsed), name);
  }
  if (ours.size() <= static_cast<size_t>(BACKUPS_KEPT)) return;
  std::sort(ours.begin(), ours.end());
  for (size_t i = 0; i + BACKUPS_KEPT < ours.size(); ++i) {
    std::remove((folder + SEPARATOR + ours[i].second).c_str());
  }
}

}  // namespace

bool keep_backup(BackupKind kind, const SettingsImage& image) {
  if (backup_state.folder.empty()) return true;
  std::string folder = backup_state.folder;
  while (folder.size() > 1 && is_separator(folder.back())) folder.pop_back();
  const std::string stamp =
      stamp_of(backup_state.clock != nullptr ? backup_state.clock() : std::time(nullptr));
  if (stamp.empty()) return false;
  make_folders(folder);

  // Numbered after every copy of that second, whatever its kind, so that the numbers keep the
  // order in which they were made.
  long number = 0;
  for (const std::string& name : names_in(folder)) {
    const auto parsed = parse_backup_name(name);
    if (parsed && parsed->first == stamp) number = std::max(number, parsed->second);
  }
  // Other programs may save copies in the same second: a name one of them took is never
  // overwritten, the next number is tried instead.
  const std::string head = folder + SEPARATOR + stamp + '-' + KIND_NAMES[static_cast<int>(kind)];
  for (int tries = 0;; ++tries, ++number) {
    const std::string path = number > 0 ? head + '-' + std::to_string(number + 1) + ".eep"
                                        : head + ".eep";
    const NewFileResult saved = write_new_file(path, image.data(), image.size());
    if (saved == NewFileResult::created) break;
    if (saved == NewFileResult::failed || tries == MAX_NAME_TRIES) return false;
  }
  remove_oldest(folder);
  return true;
}

std::string backups_folder_beside(const std::string& file_path) {
  if (file_path.empty()) return {};
  const size_t separator = file_path.find_last_of("\\/");
  return (separator == std::string::npos ? std::string() : file_path.substr(0, separator + 1)) +
         "backups";
}

std::string user_backups_folder() {
#ifdef _WIN32
  const char* local = std::getenv("LOCALAPPDATA");
  return local != nullptr && *local != '\0' ? std::string(local) + "\\ostrel\\backups" : "";
#else
  // A relative XDG_DATA_HOME is to be ignored, as the base directory rules say.
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/ostrel/backups";
  const char* home = std::getenv("HOME");
  return home != nullptr && *home != '\0' ? std::string(home) + "/.local/share/ostrel/backups" : "";
#endif
}
