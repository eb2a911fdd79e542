// wrenlow-cli decompile: the run's result lines on standard output, the
// questions answered by options, and the exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "crafted_file.h"
#include "decompile/decompile_run.h"
#include "res/ids.h"
#include "res/strings.h"
#include "tests/common/recording_prompter.h"

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
