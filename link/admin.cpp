#include "link/admin.h"

#include <algorithm>
#include <chrono>

#include "link/link.h"
#include "platform/pause.h"
#include "settings/settings_image.h"

bool admin_request(uint8_t sub_command, uint8_t& reply) {
  const uint8_t frame[] = {0x00, sub_command};
  // A send that fails shows up as a missing reply.
  link_write(frame, sizeof frame);
  return link_read(&reply, 1);
}

uint8_t admin_query(uint8_t sub_command) {
  uint8_t reply = 0;
  return admin_request(sub_command, reply) ? reply : 0;
}

uint8_t query_pot_value() {
  return admin_query(ADMIN_POT_VALUE);
}
uint8_t query_supply_voltage() {
  return admin_query(ADMIN_SUPPLY_VOLTAGE);
}
uint8_t query_ic_type() {
  return admin_query(ADMIN_IC_TYPE);
}
uint8_t query_aux_value() {
  return admin_query(ADMIN_AUX_VALUE);
}

bool read_settings_image(uint8_t* image) {
  if (image == nullptr) return false;
  const uint8_t frame[] = {0x00, ADMIN_READ_IMAGE};
  link_write(frame, sizeof frame);
  return link_read(image, SETTINGS_IMAGE_SIZE);
}

bool read_settings_image() {
  // A reply that breaks off would leave the image half old, half new: read aside and take it
  // only whole.
  SettingsImage received{};
  if (!read_settings_image(received.data())) return false;
  settings_image = received;
  return true;
}

bool write_settings_image() {
  const uint8_t frame[] = {0x00, ADMIN_WRITE_IMAGE};
  link_write(frame, sizeof frame);
  return link_write(settings_image.data(), SETTINGS_IMAGE_SIZE);
}

bool write_settings_image_and_wait() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const auto since_start = [start]() -> long long {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  };
  constexpr uint32_t frame_bytes = 2 + SETTINGS_IMAGE_SIZE;
  const bool sent = write_settings_image();
  // A send completes once its bytes are queued (in the driver, in a USB adapter, in a
  // pseudo-terminal), not once they have reached the keyer. Until the last one has, an Exit or a
  // new command would cut the image short, and the keyer would take what follows as image bytes.
  const long long drain_wait =
      std::max<long long>(0, link_write_wait_ms(frame_bytes) - since_start());
  const bool drained = link_drain(static_cast<int>(drain_wait));
  // A port that cannot see its queue says it is empty at once; the line's own time is the floor.
  const long long line_left = link_line_ms(frame_bytes) - since_start();
  if (line_left > 0) pause_ms(static_cast<int>(line_left));
  pause_ms(IMAGE_STORE_PAUSE_MS);
  return sent && drained;
}
