// wrenlow-cli recompile as a script runs it, and the recompile of a file onto
// itself killed at many points: the file is always whole, the old one or the
// new one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "its/its_storage.h"
#include "platform/itss/com_ptr.h"
#include "tests/decompile/crafted_file.h"

namespace {

namespace fs = std::filesystem;
using crafted::TempDir;

const std::string kCli = std::string(WRENLOW_BINARY_DIR) + "/src/cli/wrenlow-cli";

struct CliResult {
  int code = -1;
  std::string out;
};

CliResult runCli(const std::vector<std::string>& args, const std::string& outFile) {
  std::string command = kCli + " recompile";
  for (const std::string& a : args) command += " '" + a + "'";
  command += " >'" + outFile + "' 2>/dev/null";
  CliResult r;
  const int status = std::system(command.c_str());
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = crafted::readFile(outFile);
  return r;
}

TEST(RecompileCli, PrintsTheLinesAndTellsFailureByExitCode) {
  TempDir dir;
  const std::string corpus = WRENLOW_CORPUS_DIR;
  fs::create_directory(dir / "in");
  fs::copy_file(corpus + "/avast_CheckListSimple.chm", dir / "in/a.chm");
  CliResult one = runCli({dir / "in/a.chm", dir / "a.chm"}, dir / "out.txt");
  EXPECT_EQ(one.code, 0);
  EXPECT_EQ(one.out.rfind("a.chm\t(13K >> ", 0), 0u) << one.out;
  EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 1);

  { std::ofstream(dir / "in/b.chm") << "broken"; }
  CliResult batch = runCli({dir / "in/*.chm", dir / "out", "--keep-index"}, dir / "out.txt");
  EXPECT_EQ(batch.code, 1);
  EXPECT_NE(batch.out.find("\n\n合计:\t(13K >> "), std::string::npos) << batch.out;
  EXPECT_EQ(runCli({dir / "in/a.chm"}, dir / "out.txt").code, 2);
  EXPECT_EQ(runCli({dir / "in/a.chm", dir / "f.chm", "--level", "best"}, dir / "out.txt").code, 2);
  // The default (strong) level writes no more than the fast one.
  ASSERT_EQ(runCli({dir / "in/a.chm", dir / "f.chm", "--level", "fast"}, dir / "out.txt").code, 0);
  EXPECT_LE(fs::file_size(dir / "a.chm"), fs::file_size(dir / "f.chm"));
  EXPECT_EQ(runCli({dir / "in/a.chm", dir / "x", "--bad"}, dir / "out.txt").code, 2);
}

// The sitemap files stay unless asked to go (a file whose binary index and
// contents stand in for them): one option each, the other file kept.
TEST(RecompileCli, SitemapFilesStayUnlessDropped) {
  TempDir dir;
  const std::string source = std::string(WRENLOW_CORPUS_DIR) + "/halibut_putty.chm";
  const auto holds = [](const std::string& chm, const char* name) {
    ItsStorage s;
    if (itss::FAILED(s.open(chm.c_str()))) return false;
    itss::ComPtr<itss::IStream> stream;
    return itss::SUCCEEDED(s.root()->OpenStream(name, nullptr, 0, 0, stream.put()));
  };
  struct Case {
    std::vector<std::string> options;
    bool index, contents;
  };
  // Its #SYSTEM names both, but only the binary contents is in the file.
  for (const Case& c : {Case{{}, true, true}, Case{{"--drop-contents"}, true, false},
                        Case{{"--drop-index", "--drop-contents"}, true, false},
                        Case{{"--drop-contents", "--keep-contents"}, true, true}}) {
    std::vector<std::string> args{source, dir / "out.chm"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    ASSERT_EQ(runCli(args, dir / "out.txt").code, 0);
    EXPECT_EQ(holds(dir / "out.chm", "index.hhk"), c.index) << args.back();
    EXPECT_EQ(holds(dir / "out.chm", "contents.hhc"), c.contents) << args.back();
  }
}

// Equal but for the time the container was written (the ITSF header's
// time stamp at 0x10).
bool sameFile(std::string a, std::string b) {
  if (a.size() != b.size()) return false;
  if (a.size() >= 0x14) {
    std::fill(a.begin() + 0x10, a.begin() + 0x14, '\0');
    std::fill(b.begin() + 0x10, b.begin() + 0x14, '\0');
  }
  return a == b;
}

TEST(RecompileCrash, KilledAnywhereTheSourceIsTheOldOrTheNewFile) {
  TempDir dir;
  const std::string original = std::string(WRENLOW_CORPUS_DIR) + "/fpc_fcl.chm";
  const std::string file = dir / "fcl.chm";
  const std::string oldBytes = crafted::readFile(original);

  // A writable copy: a read-only file is never replaced.
  const auto writableCopy = [&] {
    fs::copy_file(original, file, fs::copy_options::overwrite_existing);
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
  };
  writableCopy();
  const auto start = std::chrono::steady_clock::now();
  // The fast level: what is tested is the replacement, and the kill points
  // need a couple of dozen runs.
  ASSERT_EQ(runCli({file, file, "--level", "fast"}, dir / "out.txt").code, 0);
  const auto whole = std::chrono::steady_clock::now() - start;
  const std::string newBytes = crafted::readFile(file);
  ASSERT_LT(newBytes.size(), oldBytes.size());

  // Kill points a 24th of an uninterrupted run apart, until a run ends
  // by itself before its kill point: so the points cover the whole run,
  // however loaded the machine is.
  constexpr int kPointsPerRun = 24;
  constexpr int kMaxPoints = 80;
  int sawOld = 0, sawNew = 0, points = 0;
  bool ranToEnd = false;
  for (int i = 0; i < kMaxPoints && !ranToEnd; ++i, ++points) {
    writableCopy();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::execl(kCli.c_str(), kCli.c_str(), "recompile", file.c_str(), file.c_str(), "--level",
              "fast", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    std::this_thread::sleep_for(whole * i / kPointsPerRun);
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == child) {
      ranToEnd = true;
    } else {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
    }
    const std::string now = crafted::readFile(file);
    const bool isOld = now == oldBytes, isNew = sameFile(now, newBytes);
    EXPECT_TRUE(isOld || isNew) << "killed at point " << i << ": " << now.size() << " bytes";
    sawOld += isOld;
    sawNew += isNew;
    ItsStorage storage;
    EXPECT_TRUE(itss::SUCCEEDED(storage.open(file.c_str()))) << "point " << i;
  }
  EXPECT_TRUE(ranToEnd);
  std::printf("%d kill points: %d left the old file, %d the new one\n", points, sawOld, sawNew);
}

}  // namespace
