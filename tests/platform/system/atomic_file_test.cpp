// A new file takes its target's place only when complete: every refusal,
// failure and discard leaves the target and its folder exactly as they were.
#include "platform/system/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/atomic_file_testXXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    ::chmod(dir_.c_str(), 0755);
    fs::remove_all(dir_);
  }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  static void put(const std::string& p, const std::string& text, unsigned mode = 0644) {
    std::ofstream(p, std::ios::binary) << text;
    ::chmod(p.c_str(), mode);
  }
  static std::string get(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Name, type and contents of every entry: equal listings, nothing changed.
  std::map<std::string, std::string> listing() const {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) {
      const auto st = e.symlink_status();
      std::string what = std::to_string(static_cast<int>(st.type())) + " " +
                         std::to_string(static_cast<unsigned>(st.permissions()));
      if (fs::is_regular_file(st)) what += " " + get(e.path());
      if (fs::is_symlink(st)) what += " -> " + fs::read_symlink(e.path()).string();
      out[e.path().filename().string()] = what;
    }
    return out;
  }

  std::string dir_;
};

TEST_F(AtomicFileTest, CommitReplacesWholeKeepsModeAndLeavesNoTemporary) {
  put(path("t.chm"), "old contents", 0640);
  sysfile::AtomicOutput out;
  ASSERT_TRUE(out.begin(path("t.chm")));
  ASSERT_TRUE(out.write("new "));
  ASSERT_TRUE(out.write("contents"));
  // Until the rename the target is the old file; a crash here leaves it.
  bool sawOld = false;
  ASSERT_TRUE(out.commit([&] { sawOld = get(path("t.chm")) == "old contents"; }));
  EXPECT_TRUE(sawOld);
  EXPECT_EQ(get(path("t.chm")), "new contents");
  struct stat st {};
  ASSERT_EQ(::stat(path("t.chm").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(listing().size(), 1u);  // no temporary file beside it

  // A new file: created whole, the folder holds nothing else.
  ASSERT_TRUE(sysfile::writeFileAtomically(path("new.txt"), "text"));
  EXPECT_EQ(get(path("new.txt")), "text");
  EXPECT_EQ(listing().size(), 2u);
}

TEST_F(AtomicFileTest, DiscardAndDestructionLeaveTargetAsItWas) {
  put(path("t.chm"), "old");
  const auto before = listing();
  {
    sysfile::AtomicOutput out;
    ASSERT_TRUE(out.begin(path("t.chm")));
    ASSERT_TRUE(out.write("half a file"));
    out.discard();
    EXPECT_EQ(listing(), before);
    ASSERT_TRUE(out.begin(path("t.chm")));
    ASSERT_TRUE(out.write("half a file"));
  }  // destroyed without commit
  EXPECT_EQ(listing(), before);
  // A file that must not replace an existing one.
  EXPECT_FALSE(sysfile::writeFileAtomically(path("t.chm"), "x", {.replace = false}));
  EXPECT_EQ(listing(), before);
}

// Every target the user cannot or must not write is refused before anything
// is made, without blocking, and with the reason.
TEST_F(AtomicFileTest, RefusedTargetsStayUntouched) {
  put(path("ro.chm"), "kept", 0444);
  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0644), 0);
  fs::create_directory(path("folder"));
  fs::create_directory(path("rofolder"));
  ::chmod(path("rofolder").c_str(), 0555);
  ASSERT_EQ(::symlink("fifo", path("to-fifo").c_str()), 0);
  using P = sysfile::AtomicOutput::Problem;
  const struct {
    const char* name;
    P problem;
  } cases[] = {
      {"ro.chm", P::ReadOnly},   {"rofolder/new.chm", P::ReadOnly}, {"fifo", P::NotRegular},
      {"folder", P::NotRegular}, {"to-fifo", P::NotRegular},        {"missing/x.chm", P::Create},
  };
  const auto before = listing();
  for (const auto& c : cases) {
    sysfile::AtomicOutput out;
    EXPECT_FALSE(out.begin(path(c.name))) << c.name;
    EXPECT_EQ(out.problem(), c.problem) << c.name;
    EXPECT_FALSE(sysfile::writeFileAtomically(path(c.name), "x")) << c.name;
  }
  EXPECT_EQ(listing(), before);
  EXPECT_TRUE(fs::is_empty(path("rofolder")));
}

// A symbolic link at the target is replaced, never written through; files
// that look like our temporary files are neither reused nor removed.
TEST_F(AtomicFileTest, NeverWritesThroughLinksOrStaleFiles) {
  fs::create_directory(path("elsewhere"));
  put(path("elsewhere/victim"), "victim");
  ASSERT_EQ(::symlink((dir_ + "/elsewhere/victim").c_str(), path("t.chm").c_str()), 0);
  put(path(".t.chm.aaaaaaaaaaaa.tmp"), "stale");
  ASSERT_EQ(
      ::symlink((dir_ + "/elsewhere/victim").c_str(), path(".t.chm.bbbbbbbbbbbb.tmp").c_str()), 0);
  ASSERT_TRUE(sysfile::writeFileAtomically(path("t.chm"), "new"));
  EXPECT_FALSE(fs::is_symlink(path("t.chm")));
  EXPECT_EQ(get(path("t.chm")), "new");
  EXPECT_EQ(get(path("elsewhere/victim")), "victim");
  EXPECT_EQ(get(path(".t.chm.aaaaaaaaaaaa.tmp")), "stale");
  EXPECT_TRUE(fs::is_symlink(path(".t.chm.bbbbbbbbbbbb.tmp")));

  // Into an open folder by entry name, as an extraction writes.
  const int folder = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  sysfile::AtomicOutput out;
  EXPECT_FALSE(out.beginAt(folder, "elsewhere/victim"));
  ASSERT_TRUE(out.beginAt(folder, "entry.htm"));
  ASSERT_TRUE(out.write("page"));
  ASSERT_TRUE(out.commit({}, false));
  ::close(folder);
  EXPECT_EQ(get(path("entry.htm")), "page");
}

// Many files into a held folder: a free name is taken in one step; a taken
// one is replaced whole when it is a writable regular file and otherwise
// left exactly as it was, with the reason.
TEST_F(AtomicFileTest, HeldFolderMakesNewFilesAndReplacesOnlyWritableRegularOnes) {
  put(path("old.htm"), "old", 0640);
  put(path("ro.htm"), "kept", 0444);
  put(path("victim"), "victim");
  ASSERT_EQ(::symlink("victim", path("link.htm").c_str()), 0);
  ASSERT_EQ(::mkfifo(path("fifo.htm").c_str(), 0644), 0);
  fs::create_directory(path("sub.htm"));
  const int folder = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  EXPECT_TRUE(sysfile::folderWritable(folder));
  using P = sysfile::AtomicOutput::Problem;
  const struct {
    const char* name;
    P problem;  // None: written
  } cases[] = {
      {"new.htm", P::None},        {"old.htm", P::None},        {"ro.htm", P::ReadOnly},
      {"link.htm", P::NotRegular}, {"fifo.htm", P::NotRegular}, {"sub.htm", P::NotRegular},
  };
  for (const auto& c : cases) {
    const auto before = listing();
    sysfile::AtomicOutput out;
    ASSERT_TRUE(out.beginInFolder(folder, c.name)) << c.name;
    ASSERT_TRUE(out.write(std::string("new ") + c.name));
    // Until commit nothing in the folder changes.
    EXPECT_EQ(listing(), before) << c.name;
    EXPECT_EQ(out.commit({}, false), c.problem == P::None) << c.name;
    EXPECT_EQ(out.problem(), c.problem) << c.name;
    if (c.problem == P::None) {
      EXPECT_EQ(get(path(c.name)), std::string("new ") + c.name);
      EXPECT_EQ(listing().size(), before.size() + (before.count(c.name) ? 0 : 1)) << c.name;
    } else {
      EXPECT_EQ(listing(), before) << c.name;
    }
  }
  struct stat st {};
  ASSERT_EQ(::stat(path("old.htm").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(get(path("victim")), "victim");

  // A discarded file leaves no trace; the folder stays open for the caller.
  const auto before = listing();
  {
    sysfile::AtomicOutput out;
    ASSERT_TRUE(out.beginInFolder(folder, "gone.htm"));
    ASSERT_TRUE(out.write("half"));
  }
  EXPECT_EQ(listing(), before);
  sysfile::AtomicOutput bad;
  EXPECT_FALSE(bad.beginInFolder(folder, "../escape.htm"));
  struct stat held {};
  EXPECT_EQ(::fstat(folder, &held), 0);
  ::close(folder);

  ::chmod(dir_.c_str(), 0555);
  const int readOnly = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(readOnly, 0);
  EXPECT_FALSE(sysfile::folderWritable(readOnly));
  ::close(readOnly);
}

// Bytes written before it is known where they go: the unnamed file is named
// in another folder later, replaces a file there whole, and never crosses to
// another file system (the caller then writes the bytes again).
TEST_F(AtomicFileTest, UnnamedFileTakesItsNameInAnotherFolderLater) {
  fs::create_directory(path("sub"));
  put(path("sub/old.htm"), "old", 0600);
  const int top = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const int sub = ::open(path("sub").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(top, 0);
  ASSERT_GE(sub, 0);
  const auto before = listing();
  for (const char* name : {"new.htm", "old.htm"}) {
    sysfile::AtomicOutput out;
    ASSERT_TRUE(out.beginUnnamed(top));
    ASSERT_TRUE(out.write(std::string("bytes of ") + name));
    EXPECT_EQ(listing(), before);
    ASSERT_TRUE(out.commitAt(sub, name)) << name;
    EXPECT_EQ(get(path("sub/") + name), std::string("bytes of ") + name);
  }
  EXPECT_EQ(listing(), before);  // nothing beside the folder's own entry
  EXPECT_EQ(fs::directory_entry(path("sub/old.htm")).status().permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  ::close(sub);

  char other[] = "/dev/shm/atomic_file_testXXXXXX";
  struct stat here {
  }, there{};
  if (::mkdtemp(other) && ::stat(dir_.c_str(), &here) == 0 && ::stat(other, &there) == 0 &&
      here.st_dev != there.st_dev) {
    const int far = ::open(other, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    sysfile::AtomicOutput out;
    ASSERT_TRUE(out.beginUnnamed(top));
    ASSERT_TRUE(out.write("bytes"));
    EXPECT_FALSE(out.commitAt(far, "x.htm"));
    EXPECT_EQ(out.error(), EXDEV);
    EXPECT_TRUE(fs::is_empty(other));
    ::close(far);
    fs::remove_all(other);
  }
  ::close(top);
}

TEST_F(AtomicFileTest, ReadsOnlyRegularFilesWithoutBlocking) {
  put(path("a.hhp"), "[OPTIONS]\n");
  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0644), 0);
  ASSERT_EQ(::symlink("a.hhp", path("link").c_str()), 0);
  std::string text;
  EXPECT_TRUE(sysfile::readRegularFile(path("link"), text));
  EXPECT_EQ(text, "[OPTIONS]\n");
  // A FIFO with no writer would block an open or a read forever.
  EXPECT_FALSE(sysfile::readRegularFile(path("fifo"), text));
  EXPECT_EQ(sysfile::openRegularFile(path("fifo")), -1);
  EXPECT_EQ(sysfile::openRegularFile(dir_), -1);
  EXPECT_EQ(sysfile::openRegularFile("/dev/null"), -1);
  const int fd = sysfile::openRegularFile(path("a.hhp"));
  ASSERT_GE(fd, 0);
  EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);  // reads block as usual again
  ::close(fd);
}

}  // namespace
