#include "web/running_ui.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "tests/support/temporary_folder.h"
#include "web/idle_watch.h"
#include "web/ui_server.h"

namespace {

using std::chrono::seconds;

TEST(UiIdle, EndsOnlyAfterTheLimitWithNothingBusy) {
  const IdleWatch::Clock::time_point start{};
  const struct {
    bool busy;
    int at;  // seconds after the start
    bool expired;
  } steps[] = {
      {false, 0, false},   {false, 119, false},  // no page yet: the while counts from the start
      {true, 100, false},  {false, 219, false},  // a page (or an upload) until 100 s
      {false, 220, true},  {true, 230, false},   // a page comes back: the while starts again
      {false, 349, false}, {false, 350, true},
  };
  IdleWatch idle(seconds(120), start);
  for (const auto& step : steps) {
    SCOPED_TRACE(step.at);
    EXPECT_EQ(idle.expired(step.busy, start + seconds(step.at)), step.expired);
  }
}

// A pid that no process has now.
long ended_pid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

TEST(UiRunning, ASecondStartFindsOnlyALiveServerOfItsOwnUserThatKnowsTheToken) {
  TemporaryFolder folder;
  UiModel model;
  UiEventQueue queue;
  DownloadShelf downloads;
  UiServer server(model, queue, downloads);
  std::string error;
  ASSERT_TRUE(server.bind("127.0.0.1", 0, error)) << error;
  ServedAddress served{"127.0.0.1:" + std::to_string(server.port()), std::string(64, 'a')};
  server.start(served);
  const std::string url = served.origin() + "/?token=" + served.token;
  const std::string record = folder.path("run/ostrel/ui-running.json");

  ASSERT_TRUE(record_running_ui(record, url));
  EXPECT_EQ(running_ui_address(record), url);
  struct stat facts {};
  ASSERT_EQ(stat(record.c_str(), &facts), 0);
  EXPECT_EQ(facts.st_mode & 0777, 0600u);

  const auto write_record = [&](const std::string& text, mode_t mode) {
    unlink(record.c_str());
    std::ofstream(record) << text;
    chmod(record.c_str(), mode);
  };
  const std::string pid = std::to_string(getpid());
  const struct {
    const char* what;
    std::string text;
    mode_t mode;
  } refused[] = {
      {"others may read it", R"({"url": ")" + url + R"(", "pid": )" + pid + "}", 0644},
      {"its process has ended",
       R"({"url": ")" + url + R"(", "pid": )" + std::to_string(ended_pid()) + "}", 0600},
      {"another token",
       R"({"url": ")" + served.origin() + "/?token=" + std::string(64, 'b') + R"(", "pid": )" +
           pid + "}",
       0600},
      {"no server there", R"({"url": "http://127.0.0.1:1/?token=aa", "pid": )" + pid + "}", 0600},
      {"not a record", "{\"url\": 5", 0600},
  };
  for (const auto& row : refused) {
    SCOPED_TRACE(row.what);
    write_record(row.text, row.mode);
    EXPECT_EQ(running_ui_address(record), std::nullopt);
  }
  // A link to a record, even a good one, is not taken.
  ASSERT_TRUE(record_running_ui(folder.path("elsewhere.json"), url));
  unlink(record.c_str());
  ASSERT_EQ(symlink(folder.path("elsewhere.json").c_str(), record.c_str()), 0);
  EXPECT_EQ(running_ui_address(record), std::nullopt);

  // Its own record goes at the end; another process's stays.
  ASSERT_TRUE(record_running_ui(record, url));
  forget_running_ui(record);
  EXPECT_NE(access(record.c_str(), F_OK), 0);
  write_record(R"({"url": ")" + url + R"(", "pid": 1})", 0600);
  forget_running_ui(record);
  EXPECT_EQ(access(record.c_str(), F_OK), 0);
  server.stop();
}

}  // namespace
