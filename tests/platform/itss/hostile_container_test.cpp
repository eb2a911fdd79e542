// Containers made to cost a careless reader gigabytes or hours (written by
// make_hostile_containers.py) go through wrenlow-cli in a child process: it
// must end on its own within the time limit, without a signal, with a peak
// resident size below 256 MB, and with the right result where one exists.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "read_test_util.h"

namespace {

constexpr long kPeakLimitKb = 256 * 1024;
constexpr int kTimeLimitSeconds = 120;  // sanitizer builds are ten times slower

struct ChildRun {
  bool exited = false;  // ended by itself, not by a signal or the time limit
  int code = -1;
  long peakKb = 0;
  std::string out;
};

// One folder per process: CTest runs each case as a process of its own, in
// parallel, and the cases would overwrite each other's files.
std::string dir() { return testing::TempDir() + "/hostile-" + std::to_string(getpid()); }

// Runs wrenlow-cli with args, its output to a file.
ChildRun runCli(const std::vector<std::string>& args) {
  std::string outPath = dir() + "/stdout.txt";
  std::vector<std::string> argv{WRENLOW_BINARY_DIR "/src/cli/wrenlow-cli"};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_t pid = fork();
  if (pid == 0) {
    if (!freopen(outPath.c_str(), "w", stdout)) _exit(127);
    std::vector<char*> a;
    for (auto& s : argv) a.push_back(s.data());
    a.push_back(nullptr);
    execv(a[0], a.data());
    _exit(127);
  }
  ChildRun r;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTimeLimitSeconds);
  int status = 0;
  rusage use{};
  for (;;) {
    pid_t done = wait4(pid, &status, WNOHANG, &use);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      wait4(pid, &status, 0, &use);
      ADD_FAILURE() << "still running after " << kTimeLimitSeconds << " s";
      return r;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  r.exited = WIFEXITED(status);
  r.code = r.exited ? WEXITSTATUS(status) : -WTERMSIG(status);
  r.peakKb = use.ru_maxrss;
  r.out = readtest::slurp(outPath);
  return r;
}

void expectBounded(const ChildRun& r, const char* what) {
  EXPECT_TRUE(r.exited) << what << ": ended by signal " << -r.code;
  EXPECT_NE(r.code, 127) << what << ": could not start wrenlow-cli";
  EXPECT_LT(r.peakKb, kPeakLimitKb) << what << ": peak resident size in KiB";
}

class HostileContainer : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string command = "python3 '" WRENLOW_SOURCE_DIR
                          "/tests/platform/itss/make_hostile_containers.py' '" +
                          dir() + "' '" + readtest::corpus("halibut_putty.chm") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(dir()); }
  static std::string file(const char* name) { return dir() + "/" + name; }
};

TEST_F(HostileContainer, HugeResetIntervalFailsCleanly) {
  // Each interval would be 32 GiB: the frames cannot be decoded in batches,
  // and the real data, reset every two frames, does not decode as one run.
  std::string f = file("reset-interval-2p20.chm");
  ChildRun ex = runCli({"extract", f, dir() + "/reset-out"});
  expectBounded(ex, "extract");
  EXPECT_NE(ex.code, 0);
  ChildRun de = runCli({"decompile", f, dir() + "/reset-project"});
  expectBounded(de, "decompile");
}

TEST_F(HostileContainer, LongSlashNamesCostTheirOwnSize) {
  std::string f = file("slash-names.chm");
  ChildRun ls = runCli({"list", f});
  expectBounded(ls, "list");
  EXPECT_EQ(ls.code, 0);
  EXPECT_EQ(ls.out, "index.htm\t36\n");
  ChildRun cat = runCli({"cat", f, "/index.htm"});
  expectBounded(cat, "cat");
  EXPECT_EQ(cat.out, "<html><body>still here</body></html>");
  expectBounded(runCli({"extract", f, dir() + "/slash-out"}), "extract");
  EXPECT_EQ(readtest::slurp(dir() + "/slash-out/index.htm"), cat.out);
}

TEST_F(HostileContainer, TwoHundredThousandFoldersWalkInSeconds) {
  ChildRun ls = runCli({"list", file("folders-200000.chm")});
  expectBounded(ls, "list");
  EXPECT_EQ(ls.code, 0);
  std::size_t lines = 0;
  for (char c : ls.out) lines += c == '\n';
  EXPECT_EQ(lines, 200000u);
  EXPECT_EQ(ls.out.substr(0, 16), "d000000/f.htm\t10");
  EXPECT_NE(ls.out.find("d199999/f.htm\t10\n"), std::string::npos);
}

}  // namespace
