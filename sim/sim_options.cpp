#include "sim/sim_options.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <vector>

bool parse_sim_number(const std::string& text, long min, long max, long& value) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty()) return false;
  const int base = hex ? 16 : 10;
  int64_t result = 0;
  for (char c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    }
    if (digit < 0) return false;
    result = result * base + digit;
    if (result > max) return false;  // also keeps the sum far from overflowing
  }
  if (result < min) return false;
  value = static_cast<long>(result);
  return true;
}

bool parse_firmware_revision(const std::string& text, uint8_t& major, uint8_t& minor) {
  const size_t dot = text.find('.');
  if (dot == std::string::npos) return false;
  long major_value = 0;
  long minor_value = 0;
  if (!parse_sim_number(text.substr(0, dot), 0, 255, major_value) ||
      !parse_sim_number(text.substr(dot + 1), 0, 255, minor_value)) {
    return false;
  }
  major = static_cast<uint8_t>(major_value);
  minor = static_cast<uint8_t>(minor_value);
  return true;
}

namespace {

// A settings file is the whole image; a shorter one fills the start and leaves zeros after it.
bool load_image(const std::string& path, SettingsImage& image) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "--image: cannot read %s\n", path.c_str());
    return false;
  }
  std::vector<char> bytes(SETTINGS_IMAGE_SIZE + 1);
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const size_t size = static_cast<size_t>(file.gcount());
  if (file.bad()) {
    std::fprintf(stderr, "--image: cannot read %s\n", path.c_str());
    return false;
  }
  if (size > SETTINGS_IMAGE_SIZE) {
    std::fprintf(stderr, "--image: %s holds more than %d bytes\n", path.c_str(),
                 SETTINGS_IMAGE_SIZE);
    return false;
  }
  image.fill(0);
  std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size), image.begin());
  return true;
}

// Options given as text, checked once CLI11 has collected them.
struct NumberOption {
  const char* name;
  const std::string* text;
  long min;
  long max;
  long* value;
};

}  // namespace

int parse_sim_options(int argc, const char* const* argv, SimOptions& options) {
  CLI::App app{"Simulated keyer on a pseudo-terminal"};
  std::string fw = "31.04", ic, pot, supply, aux, image_in, echo, sync, short_reply, delay;
  std::string refuse_frame, refuse_code, silent_after, delay_after, hangup_rx, hangup_tx, replug;
  std::string late;
  std::vector<std::string> no_reply;
  bool no_firmware = false;

  app.add_option("--link", options.link_path, "symlink made to the keyer's serial device")
      ->required();
  app.add_option("--fw", fw, "firmware revision MAJOR.MINOR (31.04)");
  app.add_option("--ic", ic, "IC type reply: 1 SMT, 2 DIP, 3 MINI (2)");
  app.add_option("--pot", pot, "pot value (128)");
  app.add_option("--supply", supply, "supply voltage reading (52)");
  app.add_option("--aux", aux, "aux value (0)");
  app.add_flag("--no-firmware", no_firmware, "start in the bootloader");
  app.add_option("--image", image_in, "settings file to start from (up to 288 bytes)");
  app.add_option("--image-out", options.image_out, "file rewritten after every settings write");
  app.add_option("--flash-out", options.flash_out,
                 "file rewritten with the flash after every "
                 "restart and at exit");
  app.add_option("--rx-log", options.rx_log, "file every received byte is appended to");
  app.add_flag("--realtime", options.realtime, "pace the line at 10 bits a byte");
  app.add_flag("--silent", options.faults.silent, "never answer");
  app.add_option("--echo", echo, "answer the echo test with this byte");
  app.add_option("--sync", sync, "answer the bootloader's sync probe with this byte");
  app.add_option("--no-reply", no_reply, "leave this admin sub-command unanswered (repeatable)")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--short", short_reply, "cut every reply to this many bytes");
  app.add_option("--delay", delay, "milliseconds before every reply");
  app.add_option("--late", late,
                 "SUB:MS: answer admin sub-command SUB (0x04 also the sync probe) MS "
                 "milliseconds late, the rest on time");
  auto* frame_option = app.add_option("--refuse-frame", refuse_frame,
                                      "refuse the upload frame of this index (0 = first)");
  app.add_option("--refuse-code", refuse_code, "the refusal's reply byte (0x81)")
      ->needs(frame_option);
  app.add_option("--silent-after", silent_after, "stop answering after this many bytes");
  app.add_flag("--garble", options.faults.garble, "every reply byte arrives as noise");
  app.add_option("--delay-after", delay_after,
                 "--delay only for replies begun after this many bytes were sent (0)");
  app.add_option("--hangup-after-rx", hangup_rx,
                 "hang up, as an unplugged adapter, once this many bytes were heard");
  app.add_option("--hangup-after-tx", hangup_tx,
                 "hang up, as an unplugged adapter, once this many bytes were sent");
  app.add_option("--replug-after", replug,
                 "milliseconds after a hang-up until the keyer is back on the same path "
                 "(default: the program ends)");
  app.add_option("--heal-file", options.heal_file,
                 "when this file appears: restart the keyer with no faults, remove the file");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error);
  }

  KeyerSimConfig& config = options.config;
  KeyerFaults& faults = options.faults;
  if (!parse_firmware_revision(fw, config.fw_major, config.fw_minor)) {
    std::fprintf(stderr, "--fw: expected MAJOR.MINOR with numbers from 0 to 255, got '%s'\n",
                 fw.c_str());
    return 2;
  }
  long ic_value = config.ic_type, pot_value = config.pot_value;
  long supply_value = config.supply_reading, aux_value = config.aux_value;
  long echo_value = faults.echo_reply, sync_value = faults.sync_reply;
  long short_value = faults.short_reply, delay_value = faults.reply_delay_ms;
  long frame_value = faults.refuse_frame, code_value = faults.refuse_code;
  long silent_after_value = faults.silent_after_bytes;
  long delay_after_value = faults.delay_after_bytes, replug_value = options.replug_after_ms;
  long hangup_rx_value = faults.hangup_after_received;
  long hangup_tx_value = faults.hangup_after_sent;
  const NumberOption numbers[] = {
      {"--ic", &ic, 0, 255, &ic_value},
      {"--pot", &pot, 0, 255, &pot_value},
      {"--supply", &supply, 0, 255, &supply_value},
      {"--aux", &aux, 0, 255, &aux_value},
      {"--echo", &echo, 0, 255, &echo_value},
      {"--sync", &sync, 0, 255, &sync_value},
      {"--short", &short_reply, 0, 1000000, &short_value},
      {"--delay", &delay, 0, 600000, &delay_value},
      {"--refuse-frame", &refuse_frame, 0, 1000000, &frame_value},
      {"--refuse-code", &refuse_code, 0, 255, &code_value},
      {"--silent-after", &silent_after, 0, 0x7FFFFFFF, &silent_after_value},
      {"--delay-after", &delay_after, 0, 0x7FFFFFFF, &delay_after_value},
      {"--hangup-after-rx", &hangup_rx, 0, 0x7FFFFFFF, &hangup_rx_value},
      {"--hangup-after-tx", &hangup_tx, 0, 0x7FFFFFFF, &hangup_tx_value},
      {"--replug-after", &replug, 0, 600000, &replug_value},
  };
  for (const NumberOption& number : numbers) {
    if (number.text->empty()) continue;
    if (!parse_sim_number(*number.text, number.min, number.max, *number.value)) {
      std::fprintf(stderr, "%s: expected a number from %ld to %ld (0x for hex), got '%s'\n",
                   number.name, number.min, number.max, number.text->c_str());
      return 2;
    }
  }
  for (const std::string& text : no_reply) {
    long sub = 0;
    if (!parse_sim_number(text, 0, 255, sub)) {
      std::fprintf(stderr, "--no-reply: expected a sub-command from 0 to 255, got '%s'\n",
                   text.c_str());
      return 2;
    }
    faults.unanswered_sub_commands.push_back(static_cast<uint8_t>(sub));
  }
  if (!late.empty()) {
    const size_t colon = late.find(':');
    long sub = 0;
    long ms = 0;
    if (colon == std::string::npos || !parse_sim_number(late.substr(0, colon), 0, 255, sub) ||
        !parse_sim_number(late.substr(colon + 1), 0, 600000, ms)) {
      std::fprintf(stderr,
                   "--late: expected SUB:MS, a sub-command from 0 to 255 and milliseconds from 0 "
                   "to 600000, got '%s'\n",
                   late.c_str());
      return 2;
    }
    faults.late_sub_command = static_cast<int>(sub);
    faults.late_reply_ms = static_cast<int>(ms);
  }
  config.ic_type = static_cast<uint8_t>(ic_value);
  config.pot_value = static_cast<uint8_t>(pot_value);
  config.supply_reading = static_cast<uint8_t>(supply_value);
  config.aux_value = static_cast<uint8_t>(aux_value);
  config.no_firmware = no_firmware;
  faults.echo_reply = static_cast<int>(echo_value);
  faults.sync_reply = static_cast<int>(sync_value);
  faults.short_reply = static_cast<int>(short_value);
  faults.reply_delay_ms = static_cast<int>(delay_value);
  faults.refuse_frame = static_cast<int>(frame_value);
  faults.refuse_code = static_cast<uint8_t>(code_value);
  faults.silent_after_bytes = silent_after_value;
  faults.delay_after_bytes = delay_after_value;
  faults.hangup_after_received = hangup_rx_value;
  faults.hangup_after_sent = hangup_tx_value;
  options.replug_after_ms = static_cast<int>(replug_value);
  if (!image_in.empty() && !load_image(image_in, config.image)) return 2;
  return -1;
}
