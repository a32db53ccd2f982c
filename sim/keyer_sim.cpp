#include "sim/keyer_sim.h"

#include <algorithm>

#include "link/admin.h"

namespace {

constexpr uint32_t FIRMWARE_BAUD = 1200;

// Erased flash: every program word reads 0x3FFF, low byte first.
std::array<uint8_t, SIM_FLASH_BYTES> erased_flash() {
  std::array<uint8_t, SIM_FLASH_BYTES> flash;
  for (size_t i = 0; i < flash.size(); i += 2) {
    flash[i] = 0xFF;
    flash[i + 1] = 0x3F;
  }
  return flash;
}

}  // namespace

KeyerSim::KeyerSim(const KeyerSimConfig& config_in)
    : config(config_in),
      image(config_in.image),
      flash(erased_flash()),
      mode_(config_in.no_firmware ? Mode::bootloader : Mode::firmware) {}

std::vector<uint8_t> KeyerSim::receive(const uint8_t* data, size_t count, uint32_t host_baud) {
  std::vector<uint8_t> reply;
  if (data == nullptr) return reply;
  received.insert(received.end(), data, data + count);
  for (size_t i = 0; i < count; ++i) {
    // A byte sent at another rate arrives as noise the keyer cannot frame: it never reaches
    // the command parser. The rate is checked per byte because 0x35 switches it mid-chunk.
    if (host_baud != baud_) continue;
    if (mode_ == Mode::firmware) {
      take_firmware_byte(data[i], reply);
    } else {
      take_bootloader_byte(data[i], reply);
    }
  }
  return reply;
}

bool KeyerSim::answers_sub_command(uint8_t sub_command) const {
  const auto& unanswered = faults.unanswered_sub_commands;
  return std::find(unanswered.begin(), unanswered.end(), sub_command) == unanswered.end();
}

void KeyerSim::answer(const uint8_t* bytes, size_t count, std::vector<uint8_t>& reply) {
  if (faults.silent) return;
  if (faults.short_reply >= 0) count = std::min(count, static_cast<size_t>(faults.short_reply));
  if (faults.silent_after_bytes >= 0) {
    long left = std::max(0L, faults.silent_after_bytes - bytes_sent_);
    count = std::min(count, static_cast<size_t>(left));
  }
  reply.insert(reply.end(), bytes, bytes + count);
  bytes_sent_ += static_cast<long>(count);
}

void KeyerSim::enter_bootloader() {
  mode_ = Mode::bootloader;
  baud_ = FIRMWARE_BAUD;
  upload_frame_index_ = 0;
  pending_.clear();
}

// Firmware: admin frames 0x00 <sub>[argument or image]. Anything else is ignored, and a 0x00
// where an argument was expected starts a new frame, so the parser resynchronises at once.
void KeyerSim::take_firmware_byte(uint8_t byte, std::vector<uint8_t>& reply) {
  if (pending_.empty()) {
    if (byte == 0x00) pending_.push_back(byte);
    return;
  }
  if (pending_.size() == 1) {
    pending_.push_back(byte);
  } else if (pending_[1] == ADMIN_WRITE_IMAGE) {
    pending_.push_back(byte);  // image bytes are data, 0x00 included
    if (pending_.size() < 2 + SETTINGS_IMAGE_SIZE) return;
    std::copy(pending_.begin() + 2, pending_.end(), image.begin());
    ++image_writes;
    pending_.clear();
    return;
  } else {
    // The argument of 0x04 or 0x10.
    const uint8_t sub = pending_[1];
    pending_.clear();
    if (sub == ADMIN_ECHO_TEST && byte == ADMIN_ECHO_ARGUMENT) {
      if (answers_sub_command(sub)) {
        answer_byte(
            faults.echo_reply >= 0 ? static_cast<uint8_t>(faults.echo_reply) : ECHO_REPLY_FIRMWARE,
            reply);
      }
    } else if (sub == ADMIN_BOOTLOADER_ENTRY && byte == ADMIN_BOOTLOADER_ARGUMENT) {
      enter_bootloader();
    } else if (byte == 0x00) {
      pending_.push_back(byte);
    }
    return;
  }

  const uint8_t sub = pending_[1];
  int value = -1;
  switch (sub) {
    case ADMIN_FW_MAJOR:
      value = config.fw_major;
      break;
    case ADMIN_FW_MINOR:
      value = config.fw_minor;
      break;
    case ADMIN_IC_TYPE:
      value = config.ic_type;
      break;
    case ADMIN_POT_VALUE:
      value = config.pot_value;
      break;
    case ADMIN_SUPPLY_VOLTAGE:
      value = config.supply_reading;
      break;
    case ADMIN_AUX_VALUE:
      value = config.aux_value;
      break;
    case ADMIN_READ_IMAGE:
      pending_.clear();
      if (answers_sub_command(sub)) answer(image.data(), image.size(), reply);
      return;
    case ADMIN_ECHO_TEST:
    case ADMIN_BOOTLOADER_ENTRY:
    case ADMIN_WRITE_IMAGE:
      return;  // more bytes to come
    case 0x00:
      pending_.pop_back();  // 0x00 0x00: the second one starts the frame
      return;
    default:
      pending_.clear();  // a sub-command this keyer does not know
      return;
  }
  pending_.clear();
  if (answers_sub_command(sub)) answer_byte(static_cast<uint8_t>(value), reply);
}
