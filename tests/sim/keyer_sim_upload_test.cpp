// The keyer's bootloader: entry, sync probe, rate switch, upload frames and restart.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "sim/keyer_sim.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes send(KeyerSim& keyer, const Bytes& bytes, uint32_t baud) {
  return keyer.receive(bytes.data(), bytes.size(), baud);
}

// A frame with a correct checksum unless told otherwise; data bytes count up from `first`.
Bytes make_frame(uint8_t sof, uint16_t word_address, uint8_t first = 0x10) {
  Bytes frame{sof, static_cast<uint8_t>(word_address >> 8), static_cast<uint8_t>(word_address)};
  for (uint8_t i = 0; i < 16; ++i) frame.push_back(static_cast<uint8_t>(first + i));
  const uint8_t sum = static_cast<uint8_t>(std::accumulate(frame.begin(), frame.end(), 0u));
  frame.push_back(static_cast<uint8_t>(0x100 - sum));
  return frame;
}

// A keyer with firmware, brought to the point where it takes frames at 9600 baud.
void start_upload(KeyerSim& keyer) {
  EXPECT_TRUE(send(keyer, {0x00, 0x10, 0x9B}, 1200).empty());
  EXPECT_EQ(keyer.mode(), KeyerSim::Mode::bootloader);
  EXPECT_EQ(send(keyer, {0x00, 0x04, 0x55}, 1200), Bytes{0xAA});
  EXPECT_TRUE(send(keyer, {0x35}, 1200).empty());
  EXPECT_EQ(keyer.baud_rate(), 9600u);
}

Bytes flash_at(const KeyerSim& keyer, size_t offset, size_t count) {
  return Bytes(keyer.flash.begin() + static_cast<std::ptrdiff_t>(offset),
               keyer.flash.begin() + static_cast<std::ptrdiff_t>(offset + count));
}

TEST(KeyerSimBootloader, WholeUploadRestartsIntoTheFirmware) {
  KeyerSim keyer;
  start_upload(keyer);
  const Bytes first = make_frame(0x1B, 0x0FA0, 0x20);
  const Bytes last = make_frame(0x2E, 0x0018, 0x40);
  EXPECT_EQ(send(keyer, first, 9600), Bytes{0x3C});
  EXPECT_EQ(send(keyer, last, 9600), Bytes{0x3C});
  EXPECT_TRUE(send(keyer, {0x5A}, 9600).empty());

  EXPECT_EQ(keyer.mode(), KeyerSim::Mode::firmware);
  EXPECT_EQ(keyer.baud_rate(), 1200u);
  EXPECT_EQ(keyer.restarts, 1);
  EXPECT_EQ(keyer.frames_accepted, 2);
  EXPECT_EQ(keyer.frames, (std::vector<Bytes>{first, last}));
  // Word w lives at byte 2w; the rest of the flash stays erased (0x3FFF, low byte first).
  EXPECT_EQ(flash_at(keyer, 2 * 0x0FA0, 16), Bytes(first.begin() + 3, first.begin() + 19));
  EXPECT_EQ(flash_at(keyer, 2 * 0x0018, 16), Bytes(last.begin() + 3, last.begin() + 19));
  EXPECT_EQ(flash_at(keyer, 2 * 0x0FA0 + 16, 4), (Bytes{0xFF, 0x3F, 0xFF, 0x3F}));
  EXPECT_EQ(flash_at(keyer, 0, 2), (Bytes{0xFF, 0x3F}));
  EXPECT_EQ(send(keyer, {0x00, 0x04, 0x55}, 1200), Bytes{0x55});
}

TEST(KeyerSimBootloader, KeyerWithoutFirmwareStartsInTheBootloader) {
  KeyerSimConfig config;
  config.no_firmware = true;
  KeyerSim keyer(config);
  EXPECT_EQ(keyer.mode(), KeyerSim::Mode::bootloader);
  EXPECT_EQ(send(keyer, {0x00, 0x04, 0x55}, 1200), Bytes{0xAA});
  EXPECT_TRUE(send(keyer, {0x00, 0x09}, 1200).empty());  // no firmware to ask
  EXPECT_TRUE(send(keyer, {0x35}, 1200).empty());
  EXPECT_EQ(send(keyer, make_frame(0x2E, 0), 9600), Bytes{0x3C});
  EXPECT_TRUE(send(keyer, {0x5A}, 9600).empty());
  EXPECT_EQ(keyer.mode(), KeyerSim::Mode::firmware);
}

TEST(KeyerSimBootloader, BeforeTheRateSwitch) {
  struct Case {
    const char* name;
    Bytes sent;
    Bytes reply;
    uint32_t keyer_baud_after;
  };
  const Case cases[] = {
      {"sync probe", {0x00, 0x04, 0x55}, {0xAA}, 1200},
      {"probes back to back", {0x00, 0x04, 0x55, 0x00, 0x04, 0x55}, {0xAA, 0xAA}, 1200},
      {"noise, then a probe", {0x13, 0x00, 0x07, 0x00, 0x04, 0x55}, {0xAA}, 1200},
      {"restart before any switch is ignored", {0x5A, 0x00, 0x04, 0x55}, {0xAA}, 1200},
      {"firmware query unanswered", {0x00, 0x09}, {}, 1200},
      {"bootloader entry again", {0x00, 0x10, 0x9B}, {}, 1200},
      {"0x35 inside a probe is not the switch", {0x00, 0x35, 0x00, 0x04, 0x55}, {0xAA}, 1200},
      {"rate switch", {0x35}, {}, 9600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyerSimConfig config;
    config.no_firmware = true;
    KeyerSim keyer(config);
    EXPECT_EQ(send(keyer, c.sent, 1200), c.reply);
    EXPECT_EQ(keyer.baud_rate(), c.keyer_baud_after);
    EXPECT_EQ(keyer.mode(), KeyerSim::Mode::bootloader);
    EXPECT_TRUE(keyer.frames.empty());
  }
}

TEST(KeyerSimBootloader, ChecksFrames) {
  auto with_checksum_off = [](Bytes frame) {
    frame[19] = static_cast<uint8_t>(frame[19] + 1);
    return frame;
  };
  auto with_restart_bytes = [] {
    Bytes frame{0x1B, 0x00, 0x40};
    frame.insert(frame.end(), 16, 0x5A);
    const uint8_t sum = static_cast<uint8_t>(std::accumulate(frame.begin(), frame.end(), 0u));
    frame.push_back(static_cast<uint8_t>(0x100 - sum));
    return frame;
  };
  struct Case {
    const char* name;
    Bytes frame;
    uint8_t reply;
    bool stored;
  };
  const Case cases[] = {
      {"block frame", make_frame(0x1B, 0x0100), 0x3C, true},
      {"last frame", make_frame(0x2E, 0x0018), 0x3C, true},
      {"last words of the flash", make_frame(0x1B, 0x1FF8), 0x3C, true},
      {"start byte wrong", make_frame(0x1C, 0x0100), 0x80, false},
      {"restart byte as start byte of a checked frame", make_frame(0x5B, 0x0100), 0x80, false},
      {"checksum off by one", with_checksum_off(make_frame(0x1B, 0x0100)), 0x81, false},
      {"start byte and checksum both wrong", with_checksum_off(make_frame(0x00, 0x0100)), 0x80,
       false},
      {"address past the flash", make_frame(0x1B, 0x2000), 0x82, false},
      {"address that would run off the end", make_frame(0x1B, 0x1FF9), 0x82, false},
      {"highest address", make_frame(0x1B, 0xFFFF), 0x82, false},
      {"restart bytes inside a frame are data", with_restart_bytes(), 0x3C, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyerSim keyer;
    start_upload(keyer);
    const auto erased = keyer.flash;
    EXPECT_EQ(send(keyer, c.frame, 9600), Bytes{c.reply});
    EXPECT_EQ(keyer.frames, std::vector<Bytes>{c.frame});
    EXPECT_EQ(keyer.frames_accepted, c.stored ? 1 : 0);
    if (c.stored) {
      const size_t offset = 2 * ((size_t{c.frame[1]} << 8) | c.frame[2]);
      EXPECT_EQ(flash_at(keyer, offset, 16), Bytes(c.frame.begin() + 3, c.frame.begin() + 19));
    } else {
      EXPECT_EQ(keyer.flash, erased);
    }
    // Still taking frames: the next good one is accepted.
    EXPECT_EQ(send(keyer, make_frame(0x1B, 0x0200), 9600), Bytes{0x3C});
    EXPECT_EQ(keyer.restarts, 0);
  }
}

TEST(KeyerSimBootloader, FramesArriveInPieces) {
  KeyerSim keyer;
  start_upload(keyer);
  Bytes two = make_frame(0x1B, 0x0100);
  const Bytes second = make_frame(0x2E, 0x0018);
  two.insert(two.end(), second.begin(), second.end());
  two.push_back(0x5A);
  Bytes replies;
  for (size_t at = 0; at < two.size(); at += 7) {
    const Bytes reply = keyer.receive(two.data() + at, std::min<size_t>(7, two.size() - at), 9600);
    replies.insert(replies.end(), reply.begin(), reply.end());
  }
  EXPECT_EQ(replies, (Bytes{0x3C, 0x3C}));
  EXPECT_EQ(keyer.restarts, 1);
}

TEST(KeyerSimBootloader, RefusesTheChosenFrame) {
  struct Case {
    const char* name;
    int refuse_frame;
    uint8_t refuse_code;
    Bytes replies;  // to three good frames
  };
  const Case cases[] = {
      {"first frame, checksum code", 0, 0x81, {0x81, 0x3C, 0x3C}},
      {"second frame, zero", 1, 0x00, {0x3C, 0x00, 0x3C}},
      {"third frame, sync code", 2, 0x89, {0x3C, 0x3C, 0x89}},
      {"past the upload", 5, 0x81, {0x3C, 0x3C, 0x3C}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyerSim keyer;
    keyer.faults.refuse_frame = c.refuse_frame;
    keyer.faults.refuse_code = c.refuse_code;
    start_upload(keyer);
    Bytes replies;
    for (uint16_t i = 0; i < 3; ++i) {
      const Bytes reply = send(keyer, make_frame(0x1B, static_cast<uint16_t>(0x100 + 8 * i)), 9600);
      replies.insert(replies.end(), reply.begin(), reply.end());
    }
    EXPECT_EQ(replies, c.replies);
    EXPECT_EQ(keyer.frames.size(), 3u);
    const bool refused = c.refuse_frame < 3;
    EXPECT_EQ(keyer.frames_accepted, refused ? 2 : 3);
    if (refused) {
      // A refused frame is not programmed.
      const size_t offset = 2 * (0x100 + 8 * static_cast<size_t>(c.refuse_frame));
      EXPECT_EQ(flash_at(keyer, offset, 2), (Bytes{0xFF, 0x3F}));
    }
  }
}

TEST(KeyerSimBootloader, RefusalCountsFramesOfEachUpload) {
  KeyerSim keyer;
  keyer.faults.refuse_frame = 0;
  for (int upload = 0; upload < 2; ++upload) {
    SCOPED_TRACE(upload);
    start_upload(keyer);
    EXPECT_EQ(send(keyer, make_frame(0x1B, 0x100), 9600), Bytes{0x81});
    EXPECT_EQ(send(keyer, make_frame(0x2E, 0x18), 9600), Bytes{0x3C});
    EXPECT_TRUE(send(keyer, {0x5A}, 9600).empty());
  }
  EXPECT_EQ(keyer.restarts, 2);
}

TEST(KeyerSimBootloader, RateMismatchAndFaults) {
  struct Case {
    const char* name;
    KeyerFaults faults;
    bool no_firmware;
    std::vector<std::pair<Bytes, uint32_t>> sends;
    Bytes replies;
    int restarts;
  };
  auto faults_with = [](auto change) {
    KeyerFaults faults;
    change(faults);
    return faults;
  };
  const KeyerFaults none;
  const Bytes frame = make_frame(0x2E, 0x18);
  const Case cases[] = {
      {"probe at 9600 before the switch", none, true, {{{0x00, 0x04, 0x55}, 9600}}, {}, 0},
      {"frame while the host is still at 1200", none, true, {{{0x35}, 1200}, {frame, 1200}}, {}, 0},
      {"host late to follow, then on time",
       none,
       true,
       {{{0x35}, 1200}, {frame, 1200}, {frame, 9600}},
       {0x3C},
       0},
      {"restart sent at 1200 is not heard",
       none,
       true,
       {{{0x35}, 1200}, {{0x5A}, 1200}, {{0x5A}, 9600}},
       {},
       1},
      {"probe answered 0x55",
       faults_with([](KeyerFaults& f) { f.sync_reply = 0x55; }),
       true,
       {{{0x00, 0x04, 0x55}, 1200}},
       {0x55},
       0},
      {"probe unanswered",
       faults_with([](KeyerFaults& f) { f.unanswered_sub_commands = {0x04}; }),
       true,
       {{{0x00, 0x04, 0x55}, 1200}},
       {},
       0},
      {"silent bootloader still programs",
       faults_with([](KeyerFaults& f) { f.silent = true; }),
       true,
       {{{0x00, 0x04, 0x55, 0x35}, 1200}, {frame, 9600}, {{0x5A}, 9600}},
       {},
       1},
      {"goes silent during the upload",
       faults_with([](KeyerFaults& f) { f.silent_after_bytes = 2; }),
       true,
       {{{0x00, 0x04, 0x55, 0x35}, 1200}, {frame, 9600}, {frame, 9600}},
       {0xAA, 0x3C},
       0},
      {"firmware answers, bootloader silent",
       faults_with([](KeyerFaults& f) { f.silent_after_bytes = 1; }),
       false,
       {{{0x00, 0x04, 0x55, 0x00, 0x10, 0x9B}, 1200}, {{0x00, 0x04, 0x55}, 1200}},
       {0x55},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyerSimConfig config;
    config.no_firmware = c.no_firmware;
    KeyerSim keyer(config);
    keyer.faults = c.faults;
    Bytes replies;
    for (const auto& [bytes, baud] : c.sends) {
      const Bytes reply = send(keyer, bytes, baud);
      replies.insert(replies.end(), reply.begin(), reply.end());
    }
    EXPECT_EQ(replies, c.replies);
    EXPECT_EQ(keyer.restarts, c.restarts);
  }
}

}  // namespace
