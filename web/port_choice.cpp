#include "web/port_choice.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <system_error>

#include "files/atomic_file.h"
#include "resources/control_ids.h"

std::string port_label(const LinkOptions& link) {
  if (link.sim) return "sim";
  if (link.port.empty()) return "none";
  if (const std::optional<int32_t> number = parse_com_port_name(link.port)) {
    return "com:" + std::to_string(*number);
  }
  // The label is narrow: a device by its name below /dev (ttyUSB0, pts/3), any other path by its
  // last part.
  const std::string devices = "/dev/";
  if (link.port.rfind(devices, 0) == 0) return link.port.substr(devices.size());
  return std::filesystem::path(link.port).filename().string();
}

std::vector<std::string> port_choices(const std::vector<PortEntry>& present,
                                      const std::string& current) {
  std::vector<std::string> choices;
  for (const PortEntry& port : present) choices.push_back(port.path);
  const bool listed = std::find(choices.begin(), choices.end(), current) != choices.end();
  if (!current.empty() && !listed) choices.insert(choices.begin(), current);
  return choices;
}

void show_port_choices(DialogControls& dialog, const std::vector<std::string>& choices,
                       const std::string& current) {
  dialog.combo_reset(IDC_COM_PORT_LIST);
  int selected = -1;
  for (size_t i = 0; i < choices.size(); ++i) {
    dialog.combo_add(IDC_COM_PORT_LIST, choices[i]);
    if (choices[i] == current) selected = static_cast<int>(i);
  }
  dialog.combo_select(IDC_COM_PORT_LIST, selected);
}

std::string ui_config_path() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path folder;
  if (config != nullptr && config[0] == '/') {
    folder = config;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    folder = std::filesystem::path(home) / ".config";
  } else {
    return "";
  }
  return (folder / "ostrel" / "ui.json").string();
}

std::optional<std::string> load_remembered_port(const std::string& config_path) {
  if (config_path.empty()) return std::nullopt;
  std::ifstream in(config_path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  const nlohmann::json config = nlohmann::json::parse(text, nullptr, false);
  if (!config.is_object()) return std::nullopt;
  const auto port = config.find("port");
  if (port == config.end() || !port->is_string() || port->get<std::string>().empty()) {
    return std::nullopt;
  }
  return port->get<std::string>();
}

bool save_remembered_port(const std::string& config_path, const std::string& port) {
  if (config_path.empty()) return false;
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(config_path).parent_path(), error);
  const std::string text = nlohmann::json{{"port", port}}.dump(2) + "\n";
  return write_file_atomically(config_path, reinterpret_cast<const uint8_t*>(text.data()),
                               text.size());
}
