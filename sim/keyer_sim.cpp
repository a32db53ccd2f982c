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

// Noise for the byte sent as number `index`: a mask from 1 to 254, so that the byte changes
// but never into its own complement.
uint8_t garbled(uint8_t byte, long index) {
  const auto mask = static_cast<uint8_t>(1 + (index * 97 + 31) % 254);
  return static_cast<uint8_t>(byte ^ mask);
}

}  // namespace

KeyerSim::KeyerSim(const KeyerSimConfig& config_in)
    : config(config_in),
      image(config_in.image),
      flash(erased_flash()),
      mode_(config_in.no_firmware ? Mode::bootloader : Mode::firmware) {}

void KeyerSim::power_cycle() {
  mode_ = config.no_firmware ? Mode::bootloader : Mode::firmware;
  baud_ = FIRMWARE_BAUD;
  pending_.clear();
  bytes_sent_ = 0;
  bytes_received_ = 0;
  hung_up_ = false;
  last_reply_delay_ms_ = 0;
  upload_frame_index_ = 0;
}

std::vector<uint8_t> KeyerSim::receive(const uint8_t* data, size_t count, uint32_t host_baud) {
  std::vector<uint8_t> reply;
  if (data == nullptr || hung_up_) return reply;
  const long sent_before = bytes_sent_;
  late_reply_ = false;
  for (size_t i = 0; i < count && !hung_up_; ++i) {
    received.push_back(data[i]);
    ++bytes_received_;
    if (faults.hangup_after_received >= 0 && bytes_received_ >= faults.hangup_after_received) {
      hung_up_ = true;  // this byte is still heard, but its answer never goes out
    }
    // A byte sent at another rate arrives as noise the keyer cannot frame: it never reaches
    // the command parser. The rate is checked per byte because 0x35 switches it mid-chunk.
    if (host_baud != baud_) continue;
    if (mode_ == Mode::firmware) {
      take_firmware_byte(data[i], reply);
    } else {
      take_bootloader_byte(data[i], reply);
    }
  }
  if (late_reply_) {
    last_reply_delay_ms_ = faults.late_reply_ms;
  } else {
    last_reply_delay_ms_ = sent_before >= faults.delay_after_bytes ? faults.reply_delay_ms : 0;
  }
  return reply;
}

bool KeyerSim::answers_sub_command(uint8_t sub_command) const {
  const auto& unanswered = faults.unanswered_sub_commands;
  return std::find(unanswered.begin(), unanswered.end(), sub_command) == unanswered.end();
}

void KeyerSim::answer(const uint8_t* bytes, size_t count, std::vector<uint8_t>& reply) {
  if (faults.silent || hung_up_) return;
  if (faults.short_reply >= 0) count = std::min(count, static_cast<size_t>(faults.short_reply));
  for (long limit : {faults.silent_after_bytes, faults.hangup_after_sent}) {
    if (limit < 0) continue;
    const long left = std::max(0L, limit - bytes_sent_);
    count = std::min(count, static_cast<size_t>(left));
  }
  for (size_t i = 0; i < count; ++i) {
    reply.push_back(faults.garble ? garbled(bytes[i], bytes_sent_) : bytes[i]);
    ++bytes_sent_;
  }
  if (faults.hangup_after_sent >= 0 && bytes_sent_ >= faults.hangup_after_sent) hung_up_ = true;
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
        replying_to(sub);
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
      if (answers_sub_command(sub)) {
        replying_to(sub);
        answer(image.data(), image.size(), reply);
      }
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
  if (!answers_sub_command(sub)) return;
  replying_to(sub);
  answer_byte(static_cast<uint8_t>(value), reply);
}
