// Uploads a full firmware image through the POSIX port into ostrel-keyer-sim running at line
// speed on a pseudo-terminal, and sets the wall time beside the time the bytes need on the line.
//
//   upload_bench [--sim PATH] [PROGRAMMING_FILE]
//
// Without a programming file every block is filled with a pattern, so that every frame carries
// data. Exit status 0 when the upload succeeded and the simulator's flash matches the image.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/firmware_pattern.h"
#include "cli/path_port.h"
#include "firmware/firmware_image.h"
#include "firmware/programming_file.h"
#include "firmware/upload_status.h"
#include "firmware/upload_worker.h"
#include "link/link.h"
#include "link/platform_serial_port.h"
#include "platform/recording_controls.h"

namespace {

// What goes over the line in one upload: at 1200 baud the bootloader entry, the sync probe and
// the rate switch (7 bytes) and the probe's answer; at 9600 baud 964 frames of 20 bytes, one
// answer each, and the restart. The worker's fixed pauses come on top.
constexpr int FRAMES = 964;
constexpr double BITS_PER_BYTE = 10;
constexpr double SLOW_BYTES = 7 + 1;
constexpr double FAST_BYTES = FRAMES * (BOOTLOADER_FRAME_SIZE + 1) + 1;
constexpr double PAUSES_S = (200 + 500 + 100) / 1000.0;

struct Simulator {
  pid_t pid = -1;
  std::string device;
  std::string link;  // the simulator's symlink to its pty
  std::string flash_out;
};

// Starts the simulator and reads the pty path it prints on its first line.
bool start_simulator(const std::string& program, Simulator& sim) {
  int out[2];
  if (pipe(out) != 0) return false;
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execl(program.c_str(), program.c_str(), "--realtime", "--link", sim.link.c_str(), "--flash-out",
          sim.flash_out.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  sim.pid = pid;
  char c;
  while (read(out[0], &c, 1) == 1 && c != '\n') sim.device.push_back(c);
  close(out[0]);
  return !sim.device.empty();
}

void stop_simulator(Simulator& sim) {
  if (sim.pid <= 0) return;
  kill(sim.pid, SIGTERM);
  waitpid(sim.pid, nullptr, 0);
  sim.pid = -1;
}

// The blocks an upload sends must be in the simulator's flash, byte for byte.
bool flash_matches(const std::string& path) {
  std::vector<uint8_t> flash(FIRMWARE_IMAGE_BYTES);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  const size_t got = std::fread(flash.data(), 1, flash.size(), file);
  std::fclose(file);
  if (got != flash.size()) return false;
  for (int b = 0; b < FIRMWARE_BLOCKS; ++b) {
    const bool sent = b <= 955 || (b >= 1000 && b <= 1003) || (b >= 1012 && b <= 1015);
    if (!sent) continue;
    const FirmwareBlock& block = firmware_image.blocks[b];
    if (std::memcmp(&flash[b * FIRMWARE_BLOCK_DATA], &block[2], FIRMWARE_BLOCK_DATA) != 0)
      return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string sim_program = OSTREL_KEYER_SIM;
  std::string programming_file;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--sim") == 0 && i + 1 < argc) {
      sim_program = argv[++i];
    } else if (argv[i][0] == '-') {
      std::fprintf(stderr, "usage: upload_bench [--sim PATH] [PROGRAMMING_FILE]\n");
      return 2;
    } else {
      programming_file = argv[i];
    }
  }

  if (programming_file.empty()) {
    fill_firmware_with_pattern();
  } else {
    RecordingControls dialog;
    const int records = load_programming_file(dialog, programming_file);
    if (records <= 0) {
      std::fprintf(stderr, "upload_bench: cannot load %s (%d)\n", programming_file.c_str(),
                   records);
      return 1;
    }
  }

  Simulator sim;
  const std::string scratch = "/tmp/upload_bench_" + std::to_string(getpid());
  sim.flash_out = scratch + "_flash.bin";
  sim.link = scratch + "_tty";
  if (!start_simulator(sim_program, sim)) {
    std::fprintf(stderr, "upload_bench: cannot start %s\n", sim_program.c_str());
    stop_simulator(sim);
    return 1;
  }
  const std::string device = sim.device;
  set_serial_port_factory(
      [device] { return std::make_unique<PathPort>(make_platform_serial_port(), device); });

  int status = 0;
  double wall_s = 0;
  if (link_open(1) != LINK_OK) {
    std::fprintf(stderr, "upload_bench: cannot open %s\n", device.c_str());
  } else {
    const auto start = std::chrono::steady_clock::now();
    upload_worker();
    wall_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    status = upload_status.load();
  }
  link_close();
  // The simulator writes its flash file when the keyer restarts, before the worker's last pauses.
  const bool flash_ok = status == UPLOAD_SUCCESS && flash_matches(sim.flash_out);
  stop_simulator(sim);
  std::remove(sim.flash_out.c_str());

  const double floor_s =
      SLOW_BYTES * BITS_PER_BYTE / 1200 + FAST_BYTES * BITS_PER_BYTE / 9600 + PAUSES_S;
  std::printf("status      %d (%s)\n", status, upload_status_text(status));
  std::printf("flash       %s\n", flash_ok ? "matches the image" : "DIFFERS or missing");
  std::printf("wall time   %.3f s\n", wall_s);
  std::printf("line floor  %.3f s (%.0f bytes at 1200 baud, %.0f at 9600, %.1f s of pauses)\n",
              floor_s, SLOW_BYTES, FAST_BYTES, PAUSES_S);
  std::printf("ratio       %.4f (%+.2f%%)\n", wall_s / floor_s, (wall_s / floor_s - 1) * 100);
  return flash_ok ? 0 : 1;
}
