// `wrenlow-cli registry` on a real Wine prefix, checked with Wine's own
// `reg query`: what we write Wine reads, clean-missing removes exactly the
// file missing on the prefix's C: drive, and while the prefix's wine server
// runs every change is refused and the hive keeps its bytes. Skipped when
// Wine is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr const char* kWine = "/usr/lib/wine/wine64";
constexpr const char* kWineServer = "/usr/lib/wine/wineserver";
const std::string kCli = WRENLOW_BINARY_DIR "/src/cli/wrenlow-cli";
constexpr const char* kHtmlHelpKey = "HKLM\\Software\\Microsoft\\Windows\\HTML Help";

struct Output {
  int status = -1;
  std::string out;
};

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

Output run(const std::string& command) {
  Output r;
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p)) r.out.append(buf.data(), n);
  const int status = ::pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class WinePrefix : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(kWine, X_OK) != 0 || ::access(kWineServer, X_OK) != 0)
      GTEST_SKIP() << "Wine (Debian's wine64 package) is not installed";
    char pattern[] = "/tmp/wrenlow-wineprefix-XXXXXX";
    top_ = ::mkdtemp(pattern);
    prefix_ = top_ / "prefix";
    const Output boot = wine(std::string(kWine) + " wineboot -i");
    ASSERT_EQ(boot.status, 0) << boot.out;
    waitForServer();
    ASSERT_TRUE(fs::exists(prefix_ / "system.reg"));
  }
  void TearDown() override {
    if (prefix_.empty()) return;
    wine(std::string(kWineServer) + " -k");
    waitForServer();
    fs::remove_all(top_);
  }

  // A Wine command for this prefix, without a display and without messages.
  Output wine(const std::string& command) {
    return run("env -u DISPLAY WINEDEBUG=-all WINEPREFIX=" + quote(prefix_.string()) + " " +
               command);
  }
  void waitForServer() { wine(std::string(kWineServer) + " -w"); }
  Output cli(const std::string& args) {
    return run(quote(kCli) + " registry html " + args + " --prefix " + quote(prefix_.string()));
  }
  Output query() { return wine(std::string(kWine) + " reg query " + quote(kHtmlHelpKey)); }

  fs::path top_, prefix_;
};

TEST_F(WinePrefix, WineReadsOurEntriesCleanMissingRemovesTheMissingOneAndARunningServerRefuses) {
  fs::create_directories(prefix_ / "drive_c" / "Help Files");
  std::ofstream(prefix_ / "drive_c" / "Help Files" / "present.chm") << "x";
  ASSERT_EQ(cli("set present.chm 'C:\\Help Files'").status, 0);
  ASSERT_EQ(cli("set gone.chm 'C:\\Help Files\\'").status, 0);  // trailing "\" dropped

  Output q = query();
  ASSERT_EQ(q.status, 0) << q.out;
  EXPECT_NE(q.out.find("present.chm    REG_SZ    C:\\Help Files\r\n"), std::string::npos) << q.out;
  EXPECT_NE(q.out.find("gone.chm    REG_SZ    C:\\Help Files\r\n"), std::string::npos) << q.out;
  Output missing = cli("list --missing");
  EXPECT_EQ(missing.out, "gone.chm\tC:\\Help Files\n");

  // A server of the prefix is running: nothing may change.
  // (Its output goes elsewhere: the server keeps what it inherits open.)
  waitForServer();
  ASSERT_EQ(wine(std::string(kWineServer) + " -p </dev/null >/dev/null 2>&1").status, 0);
  const std::string before = readFile(prefix_ / "system.reg");
  Output refused = cli("clean-missing");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("wineserver -k"), std::string::npos) << refused.out;
  EXPECT_EQ(cli("set other.chm 'C:\\x'").status, 1);
  EXPECT_EQ(cli("delete present.chm").status, 1);
  EXPECT_EQ(readFile(prefix_ / "system.reg"), before);
  wine(std::string(kWineServer) + " -k");
  waitForServer();

  Output cleaned = cli("clean-missing");
  EXPECT_EQ(cleaned.status, 0) << cleaned.out;
  EXPECT_EQ(cleaned.out, "C:\\Help Files\\gone.chm\n");
  q = query();
  EXPECT_NE(q.out.find("present.chm    REG_SZ    C:\\Help Files"), std::string::npos) << q.out;
  EXPECT_EQ(q.out.find("gone.chm"), std::string::npos) << q.out;
}

}  // namespace
