#pragma once

#include <cstdio>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "platform/file_chooser.h"

// A file chooser that answers from a script: each call takes the next answer (nothing means the
// user cancelled) and keeps the request it was given.
class ScriptedChooser : public FileChooser {
 public:
  std::optional<std::string> choose(const FileRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::deque<std::optional<std::string>> answers;
  std::vector<FileRequest> requests;
};

// A file under the system's temporary directory, written with exactly `content` and removed
// when the test ends.
class TempFile {
 public:
  explicit TempFile(const std::string& content, const std::string& name = "firmware.bin") {
    path_ = (std::filesystem::temp_directory_path() /
             ("ostrel_fw_" + std::to_string(counter()++) + "_" + name))
                .string();
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (file) {
      std::fwrite(content.data(), 1, content.size(), file);
      std::fclose(file);
    }
  }
  ~TempFile() { std::remove(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  static int& counter() {
    static int value = 0;
    return value;
  }
  std::string path_;
};

inline std::vector<uint8_t> read_whole_file(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  for (int c; (c = std::getc(file)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(file);
  return bytes;
}

// The program byte at a byte address, read back through the image's blocks.
inline uint8_t image_byte(uint32_t byte_address) {
  return firmware_image.blocks[byte_address / FIRMWARE_BLOCK_DATA][2 + byte_address % 16];
}

// The erased value of a program byte: 0xFF for a word's low byte, 0x3F for its high byte.
inline uint8_t erased_byte(uint32_t byte_address) {
  return byte_address % 2 ? 0x3F : 0xFF;
}

// A data record line for `bytes` at `address`, with its checksum.
inline std::string data_record(unsigned address, const std::vector<uint8_t>& bytes,
                               unsigned type = 0) {
  char field[16];
  unsigned sum = static_cast<unsigned>(bytes.size()) + (address >> 8) + (address & 0xFF) + type;
  std::snprintf(field, sizeof field, ":%02X%04X%02X", static_cast<unsigned>(bytes.size()), address,
                type);
  std::string line = field;
  for (uint8_t b : bytes) {
    std::snprintf(field, sizeof field, "%02X", b);
    line += field;
    sum += b;
  }
  std::snprintf(field, sizeof field, "%02X", (256 - sum % 256) % 256);
  return line + field;
}
