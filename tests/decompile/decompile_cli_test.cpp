// wrenlow-cli decompile: the run's result lines on standard output, the
// questions answered by options, and the exit codes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "crafted_file.h"
#include "decompile/decompile_run.h"
#include "res/ids.h"
#include "res/strings.h"
#include "tests/common/recording_prompter.h"

extern char** environ;

namespace {

using crafted::TempDir;

struct Result {
  int code = -1;
  std::string out;
};

Result cli(const std::string& args) {
  const std::string command =
      std::string(WRENLOW_BINARY_DIR) + "/src/cli/wrenlow-cli decompile " + args + " 2>/dev/null";
  Result r;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = ::pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// A program run in a child with its output to a file: its exit code (-1
// when it died of a signal or was stopped for taking too long) and its peak
// resident memory.
struct ChildRun {
  int code = -1;
  long peakKiB = 0;
  bool timedOut = false;
};

ChildRun runChild(std::vector<std::string> args, const std::string& output,
                  std::chrono::seconds limit) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  ChildRun r;
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return r;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, WNOHANG, &usage) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      r.timedOut = true;
      ::kill(pid, SIGKILL);
      ::wait4(pid, &status, 0, &usage);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  r.peakKiB = usage.ru_maxrss;
  if (!r.timedOut && WIFEXITED(status)) r.code = WEXITSTATUS(status);
  return r;
}

std::string plain(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) {
    for (std::size_t i = 0; i < l.size(); ++i)
      if (!(l[i] == '\r' && i + 1 < l.size() && l[i + 1] == '\n')) out += l[i];
    out += '\n';
  }
  return out;
}

TEST(DecompileCli, SameLinesAsTheOperation) {
  const std::string source = std::string(WRENLOW_CORPUS_DIR) + "/tcpudf_help.chm";
  TempDir a, b;
  const Result r = cli("'" + source + "' '" + a.path() + "'");
  EXPECT_EQ(r.code, 0);
  crafted::RecordingSink sink;
  RecordingPrompter prompter;
  DecompileRequest request;
  request.source = source;
  request.target = b.path();
  ASSERT_EQ(decompile(request, sink, prompter), DecompileOutcome::Completed);
  // The summary names each run's own target.
  std::string expected = plain(sink.lines);
  expected.replace(expected.find(fullFolderPath(b.path())), fullFolderPath(b.path()).size(),
                   fullFolderPath(a.path()));
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(crafted::listFiles(a.path()), crafted::listFiles(b.path()));
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryMeasured = false;  // the sanitizer's own memory hides ours
#else
constexpr bool kMemoryMeasured = true;
#endif

// #WINDOWS and #IVB entries that all name one 3900-byte text: the project is
// written with the entries that fit a bound, the rest is reported, and the
// run stays small and quick.
TEST(DecompileCli, TablesNamingOneLongTextOverAndOverStayBounded) {
  const std::string bin = std::string(WRENLOW_BINARY_DIR);
  // Many aliases (the window types come after the room is spent), then
  // window types alone.
  for (const auto& [aliases, windowTypes] : {std::pair{"100000", "2000"}, {"0", "5000"}}) {
    SCOPED_TRACE(std::string(aliases) + " aliases, " + windowTypes + " window types");
    TempDir dir;
    const std::string source = dir / "text-expansion.chm", target = dir / "out";
    ::mkdir(target.c_str(), 0777);
    ASSERT_EQ(
        runChild({bin + "/tests/decompile/make_text_expansion_chm", source, aliases, windowTypes},
                 "/dev/null", std::chrono::seconds(120))
            .code,
        0);
    const ChildRun r = runChild({bin + "/src/cli/wrenlow-cli", "decompile", source, target},
                                dir / "lines.txt", std::chrono::seconds(120));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.code, 1);  // done, with the project reported incomplete
    if (kMemoryMeasured) {
      EXPECT_LT(r.peakKiB, 256 * 1024);
    }
    const std::string lines = crafted::readFile(dir / "lines.txt");
    EXPECT_NE(lines.find(FormatMessageText(LoadStr(IDS_PROJECT_INCOMPLETE), "text-expansion.hhp")),
              std::string::npos)
        << lines;
    EXPECT_EQ(crafted::readFile(target + "/topic.htm"), "<html></html>");
    const std::string project = crafted::readFile(target + "/text-expansion.hhp");
    EXPECT_LT(project.size(), std::size_t{40} << 20);
    // What was written is whole: the first line of the section ends in the
    // full text.
    const bool windows = std::string(aliases) == "0";
    const std::string first = windows ? "[WINDOWS]\r\n" : "[ALIAS]\r\n1 = ";
    const std::size_t at = project.find(first);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(
        project.compare(at + first.size(), 3901, std::string(3900, 'A') + (windows ? "=" : "\r")),
        0);
  }
}

TEST(DecompileCli, AnswersAndExitCodes) {
  TempDir dir;
  const std::string source = dir / "s.chm", target = dir / "out";
  ::mkdir(target.c_str(), 0777);
  std::string system;
  crafted::le32(system, 3);
  ASSERT_TRUE(crafted::write(source, {{"#SYSTEM", system}, {"a.htm", "a"}, {"b.htm", "b"}}));
  { std::ofstream(target + "/a.htm") << "old"; }
  ::chmod((target + "/a.htm").c_str(), 0444);

  Result r = cli(source + " " + target + " --no-project --read-only=abort");
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "\n*** 已取消 ***\n");

  r = cli(source + " " + target + " --no-project");  // skip by default
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1),
            FormatMessageText(LoadStr(IDS_SKIPPED), "a.htm") + "\n");
  EXPECT_EQ(crafted::readFile(target + "/a.htm"), "old");
  EXPECT_EQ(crafted::readFile(target + "/b.htm"), "b");
  EXPECT_FALSE(crafted::fs::exists(target + "/s.hhp"));

  EXPECT_EQ(cli(dir / "none.chm " + target).code, 1);
  EXPECT_EQ(cli(source + " " + dir / "missing").code, 1);
  EXPECT_EQ(cli(source + " " + target + " --read-only=maybe").code, 2);
  EXPECT_EQ(cli(source).code, 2);
}

}  // namespace
