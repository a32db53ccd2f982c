#include "web/running_ui.h"

#include <fcntl.h>
#include <httplib.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "web/port_choice.h"

namespace {

constexpr const char* RECORD_NAME = "ui-running.json";
constexpr off_t LARGEST_RECORD = 4096;

// The folder of the record, made for the user alone when it is new.
bool make_record_folder(const std::string& record_path) {
  const std::filesystem::path folder = std::filesystem::path(record_path).parent_path();
  std::error_code error;
  if (std::filesystem::is_directory(folder, error)) return true;
  std::filesystem::create_directories(folder.parent_path(), error);
  return mkdir(folder.c_str(), 0700) == 0 || std::filesystem::is_directory(folder, error);
}

// The file's text, only when it is a plain file of this user's that no one else may read or
// write: a record planted by another user never sends this user's browser anywhere.
std::optional<std::string> read_private_file(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat facts {};
  std::string text;
  if (fstat(fd, &facts) == 0 && S_ISREG(facts.st_mode) && facts.st_uid == getuid() &&
      (facts.st_mode & 077) == 0 && facts.st_size <= LARGEST_RECORD) {
    text.resize(static_cast<size_t>(facts.st_size));
    if (read(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) text.clear();
  }
  close(fd);
  if (text.empty()) return std::nullopt;
  return text;
}

struct Record {
  std::string url;
  long pid = 0;
};

std::optional<Record> read_record(const std::string& path) {
  const std::optional<std::string> text = read_private_file(path);
  if (!text) return std::nullopt;
  const nlohmann::json json = nlohmann::json::parse(*text, nullptr, false);
  if (!json.is_object() || !json.contains("url") || !json["url"].is_string() ||
      !json.contains("pid") || !json["pid"].is_number_integer()) {
    return std::nullopt;
  }
  return Record{json["url"].get<std::string>(), json["pid"].get<long>()};
}

// Whether the server at http://HOST:PORT/?token=TOKEN takes the token as its own: it answers the
// first page's address by handing the token back as its cookie.
bool answers_to_token(const std::string& url) {
  const std::string scheme = "http://";
  const size_t path = url.find("/?token=", scheme.size());
  const size_t colon = url.rfind(':', path);
  if (url.rfind(scheme, 0) != 0 || path == std::string::npos || colon == std::string::npos ||
      colon < scheme.size()) {
    return false;
  }
  const std::string host = url.substr(scheme.size(), colon - scheme.size());
  const std::string port = url.substr(colon + 1, path - colon - 1);
  const std::string token = url.substr(path + 8);
  if (port.empty() || port.size() > 5 ||
      port.find_first_not_of("0123456789") != std::string::npos || token.empty()) {
    return false;
  }
  httplib::Client client(host, std::stoi(port));
  client.set_connection_timeout(1, 0);
  client.set_read_timeout(2, 0);
  const httplib::Result answer = client.Get("/?token=" + token);
  return answer && answer->status == 303 &&
         answer->get_header_value("Set-Cookie").find("=" + token + ";") != std::string::npos;
}

}  // namespace

std::string running_ui_path() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    return (std::filesystem::path(runtime) / "ostrel" / RECORD_NAME).string();
  }
  const std::string config = ui_config_path();
  if (config.empty()) return "";
  return (std::filesystem::path(config).parent_path() / RECORD_NAME).string();
}

RunningUiLock::RunningUiLock(const std::string& record_path) {
  if (record_path.empty() || !make_record_folder(record_path)) return;
  fd_ = open((record_path + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd_ >= 0) flock(fd_, LOCK_EX);
}

RunningUiLock::~RunningUiLock() {
  if (fd_ >= 0) close(fd_);
}

std::optional<std::string> running_ui_address(const std::string& record_path) {
  if (record_path.empty()) return std::nullopt;
  const std::optional<Record> record = read_record(record_path);
  // A process of this user's by that number, and a server there that knows the token.
  if (!record || record->pid <= 0 || kill(static_cast<pid_t>(record->pid), 0) != 0 ||
      !answers_to_token(record->url)) {
    return std::nullopt;
  }
  return record->url;
}

bool record_running_ui(const std::string& record_path, const std::string& url) {
  if (record_path.empty() || !make_record_folder(record_path)) return false;
  const std::string text = nlohmann::json{{"url", url}, {"pid", getpid()}}.dump() + "\n";
  const std::string temporary = record_path + "." + std::to_string(getpid()) + ".tmp";
  unlink(temporary.c_str());
  const int fd =
      open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  if (written && rename(temporary.c_str(), record_path.c_str()) == 0) return true;
  unlink(temporary.c_str());
  return false;
}

void forget_running_ui(const std::string& record_path) {
  if (record_path.empty()) return;
  const std::optional<Record> record = read_record(record_path);
  if (record && record->pid == getpid()) unlink(record_path.c_str());
}
