// What a compile may write and read: the compiled file and the error log
// never replace a file the run reads, and the project's own options write
// only inside its folder; files read from elsewhere are named; a file read
// only in part stops the compile instead of going in shorter.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "compile/compiler.h"
#include "its/its_storage.h"
#include "tests/decompile/crafted_file.h"

namespace {

namespace fs = std::filesystem;
using crafted::TempDir;
using Tree = std::map<std::string, std::string>;

using crafted::put;

// Every regular file below root (links not followed), by relative path.
Tree snapshot(const std::string& root) {
  Tree t;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file() && !e.is_symlink())
      t[fs::relative(e.path(), root).string()] = crafted::readFile(e.path().string());
  }
  return t;
}

int countLines(const std::vector<std::string>& lines, const std::string& part) {
  int n = 0;
  for (const std::string& l : lines) n += l.find(part) != std::string::npos;
  return n;
}

std::string storedBytes(const std::string& chm, const char* name) {
  ItsStorage s;
  if (itss::FAILED(s.open(chm.c_str()))) return "<no file>";
  return crafted::streamBytes(s, name);
}

const char kPage[] = "<html><head><title>A</title></head><body><img src=pic.gif></body></html>";

// root/proj/p.hhp lists a.htm and pic.gif and includes ids.h; root/outside
// holds a file the project must not touch, reached also through the link
// root/proj/out.
void writeProject(const std::string& root, const std::string& options) {
  put(root + "/proj/p.hhp", "[OPTIONS]\nTitle=T\n" + options +
                                "\n[FILES]\na.htm\npic.gif\n[MAP]\n#include ids.h\n"
                                "[ALIAS]\nIDH_A=a.htm\n");
  put(root + "/proj/a.htm", kPage);
  put(root + "/proj/pic.gif", "GIF89a-picture");
  put(root + "/proj/ids.h", "#define IDH_A 10\n");
  put(root + "/outside/victim.txt", "keep me");
  fs::create_directory_symlink(root + "/outside", root + "/proj/out");
  fs::create_hard_link(root + "/proj/a.htm", root + "/outside/hard.htm");
}

TEST(CompilerOutputs, NeverAnInputAndTheProjectsOwnOnlyInsideItsFolder) {
  struct Case {
    const char* what;
    std::string options;      // [OPTIONS] lines
    std::string commandLine;  // -o, relative to the root
    std::string written;      // the compiled file, relative to the root; "" for none
    std::string message;      // a line that must be reported
    std::string log;          // the log file written, relative to the root
  };
  const std::vector<Case> cases = {
      {"log outside the folder", "Error log file=../outside/victim.txt", "", "proj/p.chm",
       "警告 C4442", ""},
      {"log through a link out", "Error log file=out/new.log", "", "proj/p.chm", "警告 C4442", ""},
      {"log is the project", "Error log file=p.hhp", "", "proj/p.chm", "警告 C4443", ""},
      {"log is a listed file", "Error log file=a.htm", "", "proj/p.chm", "警告 C4443", ""},
      {"log is an included file", "Error log file=ids.h", "", "proj/p.chm", "警告 C4443", ""},
      {"log is the compiled file", "Compiled file=x.chm\nError log file=x.chm", "", "proj/x.chm",
       "警告 C4443", ""},
      {"log inside the folder", "Error log file=build.log\nFrobnicate=1", "", "proj/p.chm",
       "警告 C4406", "proj/build.log"},
      {"compiled file is a listed image", "Compiled file=pic.gif", "", "", "错误 C4440", ""},
      {"compiled file is the project", "Compiled file=p.hhp", "", "", "错误 C4440", ""},
      {"compiled file is the include", "Compiled file=ids.h", "", "", "错误 C4440", ""},
      {"compiled file outside", "Compiled file=../outside/new.chm", "", "", "错误 C4441", ""},
      {"compiled file absolute", "Compiled file=@/outside/abs.chm", "", "", "错误 C4441", ""},
      {"compiled file through a link", "Compiled file=out/l.chm", "", "", "错误 C4441", ""},
      {"-o the project", "", "proj/p.hhp", "", "错误 C4440", ""},
      {"-o a listed page", "", "proj/a.htm", "", "错误 C4440", ""},
      {"-o a hard link of a listed page", "", "outside/hard.htm", "", "错误 C4440", ""},
      {"-o anywhere else", "Compiled file=../outside/new.chm", "outside/ok.chm", "outside/ok.chm",
       "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string root = dir.path();
    std::string options = c.options;
    if (const auto at = options.find('@'); at != std::string::npos) options.replace(at, 1, root);
    writeProject(root, options);
    const Tree before = snapshot(root);
    CompileOptions o;
    o.projectPath = root + "/proj/p.hhp";
    if (!c.commandLine.empty()) o.outputPath = root + "/" + c.commandLine;
    crafted::RecordingSink sink;
    const CompileResult r = compileProject(o, sink);
    EXPECT_EQ(r.written, !c.written.empty());
    if (!c.message.empty()) {
      EXPECT_EQ(countLines(sink.lines, c.message), 1);
    }
    // Nothing but the compiled file and the log came or changed.
    Tree after = snapshot(root);
    if (!c.written.empty()) {
      EXPECT_EQ(storedBytes(root + "/" + c.written, "a.htm"), kPage);
      EXPECT_EQ(storedBytes(root + "/" + c.written, "pic.gif"), "GIF89a-picture");
      after.erase(c.written);
    }
    if (!c.log.empty()) {
      EXPECT_EQ(countLines({after[c.log]}, "C4406"), 1) << after[c.log];
      after.erase(c.log);
    }
    EXPECT_EQ(after, before);
  }
}

TEST(CompilerInputs, FilesFromOutsideTheFolderAreReadAndNamedOnce) {
  TempDir dir;
  const std::string root = dir.path();
  put(root + "/shared/s.htm", "<html><title>S</title></html>");
  put(root + "/shared/abs.htm", "<html><title>Abs</title></html>");
  put(root + "/shared/t.htm", "<html><title>T</title></html>");
  put(root + "/shared/ids.h", "#define IDH_S 1\n");
  put(root + "/proj/inside.htm", "<a href='s.htm'>again</a>");
  fs::create_symlink(root + "/shared/t.htm", root + "/proj/link.htm");
  put(root + "/proj/p.hhp", "[FILES]\n../shared/s.htm\n" + root +
                                "/shared/abs.htm\nlink.htm\ninside.htm\n..\\shared\\s.htm\n"
                                "[MAP]\n#include ../shared/ids.h\n");
  CompileOptions o;
  o.projectPath = root + "/proj/p.hhp";
  crafted::RecordingSink sink;
  const CompileResult r = compileProject(o, sink);
  ASSERT_TRUE(r.written);
  EXPECT_EQ(r.errors, 0u);
  EXPECT_EQ(countLines(sink.lines, "警告 C4444"), 4);
  for (const char* name : {"s.htm", "abs.htm", "t.htm", "ids.h"})
    EXPECT_EQ(countLines(sink.lines, "“" + fs::canonical(root + "/shared/" + name).string() + "”"),
              1)
        << name;
  EXPECT_EQ(countLines(sink.lines, "inside.htm"), 0);
  EXPECT_EQ(storedBytes(root + "/proj/p.chm", "s.htm"), "<html><title>S</title></html>");
  EXPECT_EQ(storedBytes(root + "/proj/p.chm", "link.htm"), "<html><title>T</title></html>");
}

TEST(CompilerInputs, AFileReadOnlyInPartIsNeverTakenForTheWhole) {
  TempDir dir;
  const std::string path = dir / "f.bin";
  put(path, "0123456789");
  const int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  std::string out = "old";
  // The file had 20 bytes when its size was taken and ends after 10.
  EXPECT_EQ(readOpenFile(fd, 20, out), ReadStatus::Incomplete);
  EXPECT_EQ(out, "");
  // One that grew since is read to its end.
  ::lseek(fd, 0, SEEK_SET);
  EXPECT_EQ(readOpenFile(fd, 4, out), ReadStatus::Ok);
  EXPECT_EQ(out, "0123456789");
  ::close(fd);
  // Only regular files are read, and none is waited on.
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_EQ(readWholeFile(dir / "fifo", out), ReadStatus::CannotOpen);
  EXPECT_EQ(readWholeFile(dir.path(), out), ReadStatus::CannotOpen);
}

}  // namespace
