// Times the programming-file loader on a full-size file (1024 data records of 16 bytes covering
// byte addresses 0..0x3FFF, then the end record), in-process, and on Linux the same file through
// `objcopy -I ihex -O binary` as a reference: a separate process each time, so its start is in
// its figure. Prints one RUN line per load, as line_bench does (no floor: 0). The file is
// written into the current folder and removed afterwards, unless --keep names it.
//
//   load_bench [--loads N] [--objcopy-runs N] [--objcopy PATH] [--keep FILE]
#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/support/firmware_pattern.h"
#include "bench/support/line_meter.h"
#include "firmware/firmware_image.h"
#include "firmware/programming_file.h"
#include "platform/recording_controls.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int FULL_FILE_RECORDS = 1024;

#ifdef _WIN32
constexpr int DEFAULT_OBJCOPY_RUNS = 0;  // the reference runs on Linux only
bool run_objcopy(const std::string&, const std::string&, const std::string&) {
  return false;
}
#else
constexpr int DEFAULT_OBJCOPY_RUNS = 20;

bool run_objcopy(const std::string& objcopy, const std::string& in, const std::string& out) {
  const char* args[] = {objcopy.c_str(), "-I",       "ihex",      "-O",
                        "binary",        in.c_str(), out.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, objcopy.c_str(), nullptr, nullptr, const_cast<char**>(args), environ) !=
      0) {
    return false;
  }
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif

long file_size(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return -1;
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  std::fclose(file);
  return size;
}

}  // namespace

int main(int argc, char** argv) {
  int loads = 200;
  int objcopy_runs = DEFAULT_OBJCOPY_RUNS;
  std::string objcopy = "objcopy";
  std::string keep;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--loads") == 0)
      loads = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "--objcopy-runs") == 0)
      objcopy_runs = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "--objcopy") == 0)
      objcopy = argv[i + 1];
    else if (std::strcmp(argv[i], "--keep") == 0)
      keep = argv[i + 1];
  }
  if (loads < 1 || objcopy_runs < 0 || argc % 2 == 0) {
    std::fprintf(stderr,
                 "usage: load_bench [--loads N] [--objcopy-runs N] [--objcopy PATH] "
                 "[--keep FILE]\n");
    return 2;
  }

  const std::string hex = keep.empty() ? "load_bench_full.hex" : keep;
  const std::string bin = "load_bench_full.bin";
  fill_firmware_with_pattern();
  if (!write_programming_file(hex)) {
    std::fprintf(stderr, "load_bench: cannot write %s\n", hex.c_str());
    return 1;
  }

  int failures = 0;
  RecordingControls dialog;
  for (int run = 1; run <= loads; ++run) {
    dialog = RecordingControls{};  // the progress bar's log would otherwise grow with every load
    const auto start = Clock::now();
    const int records = load_programming_file(dialog, hex);
    const std::chrono::duration<double> wall = Clock::now() - start;
    const bool ok = records == FULL_FILE_RECORDS;
    print_run("load", run, ok, wall.count(), LineMeter{});
    if (!ok) ++failures;
  }
  for (int run = 1; run <= objcopy_runs; ++run) {
    std::remove(bin.c_str());
    const auto start = Clock::now();
    const bool ran = run_objcopy(objcopy, hex, bin);
    const std::chrono::duration<double> wall = Clock::now() - start;
    const bool ok = ran && file_size(bin) == static_cast<long>(FIRMWARE_IMAGE_BYTES);
    print_run("objcopy", run, ok, wall.count(), LineMeter{});
    if (!ok) ++failures;
  }
  std::remove(bin.c_str());
  if (keep.empty()) std::remove(hex.c_str());
  return failures == 0 ? 0 : 1;
}
