// The drive walk on trees made in the test: links, loops, dot folders,
// unreadable folders, other file systems and bind mounts inside the tree,
// 100,000 files, and how quickly a cancel is seen.
#include "platform/system/folder_walk.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

class Collect : public walk::WalkHooks {
 public:
  void file(const std::string& folder, std::string_view name) override {
    files.push_back(folder + std::string(name));
    if (cancelAfter && files.size() == cancelAfter) {
      cancel = true;
      cancelledAt = Clock::now();
    }
  }
  void shallowFolder() override {
    ++shallow;
    tick();
  }
  void pump() override { tick(); }
  bool cancelled() override { return cancel; }
  void tick() {
    auto now = Clock::now();
    if (last != Clock::time_point{}) longestGap = std::max(longestGap, now - last);
    last = now;
  }
  std::set<std::string> relative(const std::string& root) const {
    std::set<std::string> out;
    for (const auto& f : files) out.insert(f.substr(root.size() + 1));
    return out;
  }
  std::vector<std::string> files;
  int shallow = 0;
  bool cancel = false;
  std::size_t cancelAfter = 0;
  Clock::time_point cancelledAt{}, last{};
  Clock::duration longestGap{};
};

void touch(const fs::path& p) {
  fs::create_directories(p.parent_path());
  std::ofstream(p) << "x";
}

void create(const std::string& path) { ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0644)); }

class FolderWalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/wrenlow-walk-XXXXXX";
    root_ = ::mkdtemp(tmpl);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(root_, fs::perms::all, ec);
    fs::remove_all(root_, ec);
  }
  std::string root_;
};

TEST_F(FolderWalkTest, LinksLoopsAndDotFolders) {
  touch(root_ + "/a/one.chm");
  touch(root_ + "/a/b/two.chm");
  touch(root_ + "/.hidden/three.chm");
  touch(root_ + "/a/.dotfile.chm");  // a file whose name begins with "." is a file
  touch(root_ + "/elsewhere/four.chm");
  fs::create_directory_symlink(root_, root_ + "/a/b/loop");           // a loop
  fs::create_directory_symlink(root_ + "/elsewhere", root_ + "/ln");  // a linked folder
  fs::create_symlink(root_ + "/a/one.chm", root_ + "/a/link.chm");    // a linked file
  fs::create_symlink(root_ + "/nowhere", root_ + "/a/dangling.chm");  // leads nowhere
  ::mkfifo((root_ + "/a/pipe.chm").c_str(), 0600);                    // not a file
  Collect c;
  EXPECT_TRUE(walk::walkDrive(root_, c));
  EXPECT_EQ(c.relative(root_), (std::set<std::string>{"a/one.chm", "a/b/two.chm", "a/.dotfile.chm",
                                                      "elsewhere/four.chm", "a/link.chm"}));
  // The root and its folders a and elsewhere (the dot folder is never read).
  EXPECT_EQ(c.shallow, 3);
}

TEST_F(FolderWalkTest, AnotherDrivesRootIsLeftToThatDrive) {
  touch(root_ + "/z/c/inside.chm");
  touch(root_ + "/z/outside.chm");
  walk::FolderId c;
  ASSERT_TRUE(walk::folderId(root_ + "/z/c", c));
  Collect col;
  walk::walkDrive(root_ + "/z", col, std::span(&c, 1));
  EXPECT_EQ(col.relative(root_ + "/z"), std::set<std::string>{"outside.chm"});
}

// What a child process saw, as lines through a pipe.
std::vector<std::string> inChild(const std::function<std::vector<std::string>()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return {"pipe failed"};
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    std::string out;
    for (const auto& line : body()) out += line + "\n";
    (void)!::write(fds[1], out.data(), out.size());
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
    text.append(buf, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  std::vector<std::string> lines;
  for (std::size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
    lines.push_back(text.substr(at, nl - at));
  return lines;
}

TEST_F(FolderWalkTest, UnreadableFoldersAreSkipped) {
  touch(root_ + "/open/seen.chm");
  touch(root_ + "/closed/unseen.chm");
  touch(root_ + "/closed/deeper/unseen.chm");
  fs::permissions(root_ + "/closed", fs::perms::owner_all);  // 0700, owned by us
  ::chmod(root_.c_str(), 0755);
  // Root reads every folder; the walk runs as another user in a child.
  auto lines = inChild([&] {
    if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
      return std::vector<std::string>{"setuid"};
    struct Told : Collect {
      void unopened(const std::string& folder) override { files.push_back("unopened " + folder); }
    } c;
    bool done = walk::walkDrive(root_, c);
    auto files = c.files;
    files.push_back(done ? "done" : "stopped");
    return files;
  });
  // The closed folder is told, and the walk goes on past it.
  std::sort(lines.begin(), lines.end() - 1);
  EXPECT_EQ(lines, (std::vector<std::string>{root_ + "/open/seen.chm",
                                             "unopened " + root_ + "/closed/", "done"}));
}

TEST_F(FolderWalkTest, NeverEntersAnotherFileSystemOrABindMount) {
  touch(root_ + "/disk/real.chm");
  touch(root_ + "/disk/inner/also.chm");
  fs::create_directories(root_ + "/disk/tmpfs");
  fs::create_directories(root_ + "/disk/bound");
  auto lines = inChild([&]() -> std::vector<std::string> {
    if (::unshare(CLONE_NEWNS) != 0) return {"skip"};
    ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
    if (::mount("none", (root_ + "/disk/tmpfs").c_str(), "tmpfs", 0, nullptr) != 0) return {"skip"};
    touch(root_ + "/disk/tmpfs/other-fs.chm");
    // The same file system again, inside itself: a walk that only compares
    // device numbers would list inner/also.chm twice.
    if (::mount((root_ + "/disk/inner").c_str(), (root_ + "/disk/bound").c_str(), nullptr, MS_BIND,
                nullptr) != 0)
      return {"skip"};
    Collect c;
    walk::walkDrive(root_ + "/disk", c);
    std::vector<std::string> out(c.files.begin(), c.files.end());
    std::sort(out.begin(), out.end());
    return out;
  });
  if (lines == std::vector<std::string>{"skip"}) GTEST_SKIP() << "no mount namespace here";
  EXPECT_EQ(lines,
            (std::vector<std::string>{root_ + "/disk/inner/also.chm", root_ + "/disk/real.chm"}));
}

TEST_F(FolderWalkTest, HundredThousandFilesAndACancel) {
  // 50 folders of 1,000 files and one folder of 50,000.
  for (int d = 0; d < 50; ++d) {
    std::string folder = root_ + "/f" + std::to_string(d);
    fs::create_directories(folder);
    for (int i = 0; i < 1000; ++i) create(folder + "/n" + std::to_string(i) + ".txt");
  }
  fs::create_directories(root_ + "/big");
  for (int i = 0; i < 50000; ++i) create(root_ + "/big/n" + std::to_string(i) + ".txt");

  Collect all;
  EXPECT_TRUE(walk::walkDrive(root_, all));
  EXPECT_EQ(all.files.size(), 100000u);
  // Events are pumped at least every 102 entries: even on a loaded machine
  // the gap stays far below the 0.2 s a cancel may take.
  EXPECT_LT(std::chrono::duration<double>(all.longestGap).count(), 0.2);

  Collect cut;
  cut.cancelAfter = 60000;  // inside the big folder or past it, by order
  const bool finished = walk::walkDrive(root_, cut);
  const double afterCancel = std::chrono::duration<double>(Clock::now() - cut.cancelledAt).count();
  EXPECT_FALSE(finished);
  // The flag is read within the next 102 entries of the folder being read.
  EXPECT_LE(cut.files.size(), cut.cancelAfter + 102);
  EXPECT_LT(afterCancel, 0.2);
  std::printf("longest gap between event pumps %.1f ms; cancel seen after %.3f ms\n",
              1e3 * std::chrono::duration<double>(all.longestGap).count(), 1e3 * afterCancel);
}

// A chain of folders far deeper than the descriptors a process may hold:
// every level's file and its side folder's file are found, and the walk
// climbs back through ".." to the folders it closed on the way down.
TEST_F(FolderWalkTest, DeepChainWithFewDescriptors) {
  constexpr int kDepth = 300;
  int fd = ::open(root_.c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; i < kDepth; ++i) {
    ::close(::openat(fd, ("f" + std::to_string(i) + ".chm").c_str(), O_CREAT | O_WRONLY, 0644));
    ::mkdirat(fd, "s", 0755);
    const int side = ::openat(fd, "s", O_RDONLY | O_DIRECTORY);
    ::close(::openat(side, ("s" + std::to_string(i) + ".chm").c_str(), O_CREAT | O_WRONLY, 0644));
    ::close(side);
    ::mkdirat(fd, "d", 0755);
    const int child = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = child;
  }
  ::close(fd);
  auto lines = inChild([&] {
    rlimit few{40, 40};
    if (::setrlimit(RLIMIT_NOFILE, &few) != 0) return std::vector<std::string>{"setrlimit"};
    struct Told : Collect {
      void unopened(const std::string& folder) override { files.push_back("unopened " + folder); }
    } c;
    const bool done = walk::walkDrive(root_, c);
    std::set<std::string> names;
    for (const std::string& f : c.files) names.insert(f.substr(f.rfind('/') + 1));
    return std::vector<std::string>{std::to_string(c.files.size()), std::to_string(names.size()),
                                    done ? "done" : "stopped"};
  });
  EXPECT_EQ(lines, (std::vector<std::string>{"600", "600", "done"}));
}

TEST_F(FolderWalkTest, ShallowUnitsCountTheRootsFolders) {
  fs::create_directories(root_ + "/a/b");
  fs::create_directories(root_ + "/c");
  touch(root_ + "/file");
  // The root, ".", "..", a and c.
  EXPECT_EQ(walk::shallowUnits(root_), 5u);
  EXPECT_EQ(walk::shallowUnits(root_ + "/missing"), 1u);
}

}  // namespace
