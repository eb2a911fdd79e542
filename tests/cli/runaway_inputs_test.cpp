// Hives, sitemap files and folder trees made to run a careless reader's
// work or memory away (written by make_runaway_inputs.py) go through
// wrenlow-cli in a child process: it must end by itself without a signal,
// with a peak resident size below 256 MB, with the right result or a clear
// error, and without writing anything when its input could not be read.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr long kPeakLimitKb = 256 * 1024;
constexpr int kTimeLimitSeconds = 120;  // sanitizer builds are ten times slower
const std::string kCli = WRENLOW_BINARY_DIR "/src/cli/wrenlow-cli";
const std::string kMaker = WRENLOW_SOURCE_DIR "/tests/cli/make_runaway_inputs.py";

struct ChildRun {
  bool exited = false;  // ended by itself, not by a signal or the time limit
  int code = -1;
  long peakKb = 0;
  std::string out, err;
};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::size_t countLines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class RunawayInputs : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/wrenlow-runaway-XXXXXX";
    top_ = ::mkdtemp(pattern);
    ::chmod(top_.c_str(), 0777);  // the other user of asNobody works here too
    fs::create_directories(top_ + "/config");
  }
  void TearDown() override {
    // Trees deeper than PATH_MAX: rm takes them apart level by level. The
    // tests give back the modes they took away.
    [[maybe_unused]] int rc = std::system(("rm -rf '" + top_ + "'").c_str());
  }

  void make(const std::string& kind, const std::string& out, long n) {
    const std::string command =
        "python3 '" + kMaker + "' " + kind + " '" + out + "' " + std::to_string(n);
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  // Runs wrenlow-cli with args; as another user than root when asked, so
  // that a folder or file of mode 000 cannot be read.
  ChildRun cli(const std::vector<std::string>& args, bool nobody = false) {
    if (nobody) [[maybe_unused]]
      int rc = std::system(("chmod -R a+rwX '" + top_ + "/config'").c_str());
    const std::string outPath = top_ + "/stdout.txt", errPath = top_ + "/stderr.txt";
    ::unlink(outPath.c_str());  // made again by the child, as the user it runs as
    ::unlink(errPath.c_str());
    std::vector<std::string> argv{kCli};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = fork();
    if (pid == 0) {
      if (nobody && ::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(126);
      if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr))
        _exit(127);
      ::setenv("WRENLOW_CONFIG_DIR", (top_ + "/config").c_str(), 1);
      std::vector<char*> a;
      for (auto& s : argv) a.push_back(s.data());
      a.push_back(nullptr);
      execv(a[0], a.data());
      _exit(127);
    }
    ChildRun r;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(kTimeLimitSeconds);
    int status = 0;
    rusage use{};
    for (;;) {
      if (wait4(pid, &status, WNOHANG, &use) == pid) break;
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid, SIGKILL);
        wait4(pid, &status, 0, &use);
        ADD_FAILURE() << "still running after " << kTimeLimitSeconds << " s";
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    r.exited = WIFEXITED(status);
    r.code = r.exited ? WEXITSTATUS(status) : -1;
    r.peakKb = use.ru_maxrss;
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    EXPECT_TRUE(r.exited) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_LT(r.peakKb, kPeakLimitKb) << "peak resident size";
    return r;
  }

  // Files beside the hive that a run left behind (temporaries).
  std::vector<std::string> leftovers(const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(prefix)) {
      const std::string name = e.path().filename().string();
      if (name.find("system.reg") != std::string::npos && name != "system.reg" &&
          name != "system.reg.lock")
        out.push_back(name);
    }
    return out;
  }

  std::string top_;
};

// Each hive still lists its one help file, and a new one set into it is
// written with everything else kept.
TEST_F(RunawayInputs, HostileHivesListAndChange) {
  struct Case {
    const char* kind;
    long n;
    const char* kept;  // a text of the hive that must survive the change
  } cases[] = {
      {"deep-key", 200000, "[k\\\\k\\\\k\\\\k"},
      {"hex-lines", 20000, "\"blob\"=hex:00,\\\n  5a,5a"},
      {"long-key-name", 4 << 20,
       "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn] 1700000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const std::string prefix = top_ + "/" + c.kind;
    make(c.kind, prefix, c.n);
    const std::string before = readFile(prefix + "/system.reg");
    ChildRun list = cli({"registry", "html", "list", "--prefix", prefix});
    EXPECT_EQ(list.code, 0) << list.err;
    EXPECT_EQ(list.out, "kept.chm\tC:\\Help\n");
    ChildRun set = cli({"registry", "html", "set", "new.chm", "C:\\Help", "--prefix", prefix});
    EXPECT_EQ(set.code, 0) << set.err;
    const std::string after = readFile(prefix + "/system.reg");
    EXPECT_NE(after.find(c.kept), std::string::npos);
    EXPECT_NE(after.find("\"new.chm\"=\"C:\\\\Help\"\n"), std::string::npos);
    EXPECT_EQ(after.size(), before.size() + std::string("\"new.chm\"=\"C:\\\\Help\"\n").size());
    EXPECT_TRUE(leftovers(prefix).empty());
  }
}

// A hundred thousand values list in full, and clean-missing removes the
// missing ones in one change, naming each.
TEST_F(RunawayInputs, HundredThousandValues) {
  const std::string prefix = top_ + "/many";
  constexpr long kValues = 100000;
  make("many-values", prefix, kValues);
  ChildRun list = cli({"registry", "html", "list", "--prefix", prefix});
  EXPECT_EQ(list.code, 0) << list.err;
  EXPECT_EQ(countLines(list.out), kValues + 1);
  ChildRun missing = cli({"registry", "html", "list", "--missing", "--prefix", prefix});
  EXPECT_EQ(countLines(missing.out), kValues);
  ChildRun clean = cli({"registry", "html", "clean-missing", "--prefix", prefix});
  EXPECT_EQ(clean.code, 0) << clean.err;
  EXPECT_EQ(countLines(clean.out), kValues);
  EXPECT_NE(clean.out.find("C:\\Gone\\gone0099999.chm\n"), std::string::npos);
  ChildRun after = cli({"registry", "html", "list", "--prefix", prefix});
  EXPECT_EQ(after.out, "kept.chm\tC:\\Help\n");
  EXPECT_TRUE(leftovers(prefix).empty());
}

// A hive that cannot be parsed, or not read at all, is an error for every
// action, and is never written.
TEST_F(RunawayInputs, UnreadableHiveIsAnErrorAndStaysAsItWas) {
  const std::string prefix = top_ + "/broken";
  make("broken-hive", prefix, 1000);
  const std::string before = readFile(prefix + "/system.reg");
  const std::vector<std::vector<std::string>> actions = {{"list"},
                                                         {"list", "--missing"},
                                                         {"set", "x.chm", "C:\\X"},
                                                         {"delete", "v0000001.chm"},
                                                         {"clean-missing"}};
  for (const bool closed : {false, true}) {
    if (closed) {
      // Readable bytes, but a file the other user may not open.
      std::ofstream(prefix + "/system.reg", std::ios::trunc)
          << "WINE REGISTRY Version 2\n\n[Software\\\\Microsoft\\\\Windows\\\\HTML Help]\n"
             "\"v0000001.chm\"=\"C:\\\\Help\"\n";
      ::chmod(prefix.c_str(), 0777);
      ::chmod((prefix + "/system.reg").c_str(), 0);
    }
    const std::string bytes = readFile(prefix + "/system.reg");
    for (const auto& action : actions) {
      SCOPED_TRACE((closed ? "closed: " : "broken: ") + action[0]);
      std::vector<std::string> args{"registry", "html"};
      args.insert(args.end(), action.begin(), action.end());
      args.insert(args.end(), {"--prefix", prefix});
      ChildRun r = cli(args, closed);
      EXPECT_EQ(r.code, 1) << r.out;
      EXPECT_NE(r.err.find("system.reg"), std::string::npos) << r.err;
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(readFile(prefix + "/system.reg"), bytes);
      EXPECT_TRUE(leftovers(prefix).empty());
    }
  }
  ::chmod((prefix + "/system.reg").c_str(), 0644);
  EXPECT_FALSE(before.empty());
}

std::uint32_t le32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s.at(at + i));
  return v;
}

// Sitemaps nested entry inside entry compile with a warning, every entry
// kept (the deeper ones at the deepest level read).
TEST_F(RunawayInputs, NestedSitemapsCompileWithAWarning) {
  constexpr long kEntries = 20000;
  for (const char* kind : {"nested-index", "nested-contents"}) {
    SCOPED_TRACE(kind);
    const std::string project = top_ + "/" + kind;
    make(kind, project, kEntries);
    ChildRun r = cli({"compile", project + "/a.hhp"});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("嵌套层数超过上限"), std::string::npos) << r.out;
    const bool index = std::string(kind) == "nested-index";
    ChildRun table = cli({"cat", project + "/a.chm", index ? "$WWKeywordLinks/BTree" : "#TOCIDX"});
    ASSERT_EQ(table.code, 0) << table.err;
    if (index) {
      ASSERT_GE(table.out.size(), 0x4Cu);
      EXPECT_EQ(le32(table.out, 44), static_cast<std::uint32_t>(kEntries));  // keywords
    } else {
      // A book of 28 bytes for every entry but the last, a leaf of 20.
      EXPECT_GE(table.out.size(), 0x1000u + 28 * (kEntries - 1) + 20);
    }
  }
}

// A tree far deeper than the open-file limit and PATH_MAX is walked to its
// bottom; a folder that cannot be opened is counted and told.
TEST_F(RunawayInputs, DeepFolderTreeIsWalkedToTheBottom) {
  const std::string root = top_ + "/tree";
  make("deep-tree", root, 5000);  // beyond the open-file limit and PATH_MAX
  ChildRun r = cli({"find", "html-files", "--root", root});
  EXPECT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(countLines(r.out), 2u) << r.out.substr(0, 400);
  EXPECT_EQ(r.out.substr(0, 11), "bottom.chm\t");
  EXPECT_NE(r.out.find("\ntop.chm\t"), std::string::npos);
  EXPECT_EQ(r.err, "");

  fs::create_directories(root + "/closed/inner");
  std::ofstream(root + "/closed/inner/hidden.chm") << "x";
  ::chmod((root + "/closed").c_str(), 0);
  ::chmod(root.c_str(), 0755);
  ChildRun skipped = cli({"find", "html-files", "--root", root}, true);
  EXPECT_EQ(skipped.code, 0) << skipped.err;
  EXPECT_EQ(countLines(skipped.out), 2u);
  EXPECT_NE(skipped.err.find("有 1 个文件夹无法打开"), std::string::npos) << skipped.err;
  ::chmod((root + "/closed").c_str(), 0755);
}

// create-its --folder leaves out a folder it cannot open, with a line
// naming it, and stores the rest.
TEST_F(RunawayInputs, CreateItsSkipsAFolderItCannotOpen) {
  const std::string folder = top_ + "/site";
  make("closed-folder", folder, 50);
  ::chmod(folder.c_str(), 0777);
  ::chmod((folder + "/f2").c_str(), 0777);
  const std::string its = top_ + "/site.its";
  ChildRun r = cli({"create-its", "--folder", folder, "-o", its}, true);
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_NE((r.out + r.err).find("“f1”"), std::string::npos) << r.out << r.err;
  ChildRun list = cli({"list", its});
  EXPECT_EQ(list.code, 0) << list.err;
  EXPECT_NE(list.out.find("a.htm\t"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("\nf2/b.htm\t"), std::string::npos);
  EXPECT_NE(list.out.find("\nf2/p49.htm\t"), std::string::npos);
  EXPECT_EQ(list.out.find("f1.htm"), std::string::npos);
  ::chmod((folder + "/f1").c_str(), 0755);
}

}  // namespace
