// The decompile run on crafted files: the results lines, the questions and
// their answers, and what lands on disk.
#include "decompile/decompile_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/resource.h>

#include <csignal>

#include "crafted_file.h"
#include "decompile/local_folder.h"
#include "res/ids.h"
#include "res/strings.h"
#include "tests/common/recording_prompter.h"
#include "tests/its/fake_storage.h"

namespace {

using crafted::RecordingSink;
using crafted::TempDir;
using crafted::Tree;

std::string msg(unsigned id, const std::string& arg) { return FormatMessageText(LoadStr(id), arg); }

std::string summary(const std::string& source, const std::string& target, int files, int folders) {
  return fillFormat(LoadStr(IDS_DECOMPILE_SUMMARY),
                    {source, fullFolderPath(target), std::to_string(files), files == 1 ? "" : " ",
                     std::to_string(folders), folders == 1 ? "" : " "});
}

std::string systemFile() {
  std::string s;
  crafted::le32(s, 3);
  s += crafted::record(3, crafted::text("Crafted"));
  return s;
}

struct Fixture {
  TempDir dir;
  std::string source;
  std::string target;
  explicit Fixture(const Tree& tree, const std::string& name = "help.chm") {
    source = dir / name;
    target = dir / "out";
    ::mkdir(target.c_str(), 0777);
    EXPECT_TRUE(crafted::write(source, tree));
  }
  DecompileRequest request(bool project = true) const {
    DecompileRequest r;
    r.source = source;
    r.target = target;
    r.createProject = project;
    return r;
  }
};

TEST(DecompileRun, SystemEntriesOnlyGiveZeroCountsAndAProject) {
  Fixture f(
      {{"#SYSTEM", systemFile()}, {"$FIftiMain", "index"}, {"#STRINGS", std::string(1, '\0')}});
  RecordingSink sink;
  RecordingPrompter prompter;
  EXPECT_EQ(decompile(f.request(), sink, prompter), DecompileOutcome::Completed);
  ASSERT_EQ(sink.lines.size(), 2u);
  EXPECT_EQ(sink.lines[0], summary(f.source, f.target, 0, 0));
  EXPECT_NE(sink.lines[0].find("0 个文件 \r\n0 文件夹 "), std::string::npos);
  EXPECT_EQ(sink.lines[1], msg(IDS_CREATED, "help.hhp"));
  EXPECT_EQ(crafted::listFiles(f.target), std::vector<std::string>{"help.hhp"});
  const std::string project = crafted::readFile(f.target + "/help.hhp");
  EXPECT_EQ(project.find("[FILES]"), std::string::npos);
  EXPECT_NE(project.find("Title=Crafted\r\n"), std::string::npos);
  EXPECT_NE(project.find("Full-text search=Yes\r\n"), std::string::npos);
  EXPECT_EQ(prompter.count(), 0u);
  EXPECT_EQ(sink.rangeUpper, 0);
}

TEST(DecompileRun, OneFileAndOneFolderHaveNoPluralBlanks) {
  Fixture f({{"#SYSTEM", systemFile()}, {"html/a.htm", "<p>a</p>"}, {"empty.htm", ""}});
  RecordingSink sink;
  RecordingPrompter prompter;
  EXPECT_EQ(decompile(f.request(false), sink, prompter), DecompileOutcome::Completed);
  ASSERT_EQ(sink.lines.size(), 1u);
  EXPECT_EQ(sink.lines[0], summary(f.source, f.target, 1, 1));
  EXPECT_NE(sink.lines[0].find("1 个文件\r\n1 文件夹"), std::string::npos);
  EXPECT_EQ(sink.lines[0].back(), "1 文件夹"[std::string("1 文件夹").size() - 1]);
  // The zero-size stream makes no file; without the checkbox there is no project.
  EXPECT_EQ(crafted::listFiles(f.target), std::vector<std::string>{"html/a.htm"});
  EXPECT_EQ(crafted::readFile(f.target + "/html/a.htm"), "<p>a</p>");
  EXPECT_EQ(sink.rangeUpper, 1);
  EXPECT_EQ(sink.steps, 1);
}

TEST(DecompileRun, ManyFilesUseThousandsSeparatorsAndBlanks) {
  Tree tree{{"#SYSTEM", systemFile()}};
  for (int i = 0; i < 1002; ++i) tree["d" + std::to_string(i % 2) + "/f" + std::to_string(i)] = "x";
  Fixture f(tree);
  RecordingSink sink;
  RecordingPrompter prompter;
  EXPECT_EQ(decompile(f.request(false), sink, prompter), DecompileOutcome::Completed);
  ASSERT_EQ(sink.lines.size(), 1u);
  EXPECT_NE(sink.lines[0].find("1,002 个文件 \r\n2 文件夹 "), std::string::npos) << sink.lines[0];
  EXPECT_EQ(crafted::listFiles(f.target).size(), 1002u);
}

TEST(DecompileRun, ReadOnlyTargetFileRetryAsksAgainIgnoreSkipsIt) {
  Fixture f({{"#SYSTEM", systemFile()}, {"a.htm", "new"}, {"b.htm", "bee"}});
  crafted::fs::path a = f.target + "/a.htm";
  { std::ofstream(a) << "old"; }
  ::chmod(a.c_str(), 0444);
  RecordingSink sink;
  RecordingPrompter prompter{IDRETRY, IDRETRY, IDIGNORE};
  EXPECT_EQ(decompile(f.request(false), sink, prompter), DecompileOutcome::Completed);
  ASSERT_EQ(prompter.count(), 3u);
  for (const auto& q : prompter.questions()) {
    EXPECT_EQ(q.text, msg(IDS_FILE_READ_ONLY, "a.htm"));
    EXPECT_EQ(q.flags, 0x32u);
  }
  ASSERT_EQ(sink.lines.size(), 2u);
  EXPECT_EQ(sink.lines[0], msg(IDS_SKIPPED, "a.htm"));
  EXPECT_EQ(sink.lines[1], summary(f.source, f.target, 1, 0));
  EXPECT_EQ(crafted::readFile(a), "old");
  EXPECT_EQ(crafted::readFile(f.target + "/b.htm"), "bee");
}

// Answers Retry after making the file writable, as a user who fixed it would.
class FixingPrompter : public RecordingPrompter {
 public:
  explicit FixingPrompter(std::function<void()> fix) : fix_(std::move(fix)) {}
  int ask(std::string_view text, unsigned flags) override {
    RecordingPrompter::ask(text, flags);
    fix_();
    return IDRETRY;
  }

 private:
  std::function<void()> fix_;
};

TEST(DecompileRun, ReadOnlyTargetFileRetryGoesOnOnceWritable) {
  Fixture f({{"#SYSTEM", systemFile()}, {"a.htm", "new"}});
  const std::string a = f.target + "/a.htm";
  { std::ofstream(a) << "old"; }
  ::chmod(a.c_str(), 0444);
  RecordingSink sink;
  FixingPrompter prompter([&] { ::chmod(a.c_str(), 0644); });
  EXPECT_EQ(decompile(f.request(false), sink, prompter), DecompileOutcome::Completed);
  EXPECT_EQ(prompter.count(), 1u);
  EXPECT_EQ(crafted::readFile(a), "new");
  ASSERT_EQ(sink.lines.size(), 1u);
  EXPECT_EQ(sink.lines[0], summary(f.source, f.target, 1, 0));
}

TEST(DecompileRun, ReadOnlyAbortCancelsWithoutSummary) {
  Fixture f({{"#SYSTEM", systemFile()}, {"a.htm", "new"}, {"b.htm", "bee"}});
  const std::string a = f.target + "/a.htm";
  { std::ofstream(a) << "old"; }
  ::chmod(a.c_str(), 0444);
  RecordingSink sink;
  RecordingPrompter prompter{IDABORT};
  EXPECT_EQ(decompile(f.request(), sink, prompter), DecompileOutcome::Cancelled);
  ASSERT_EQ(sink.lines.size(), 1u);
  EXPECT_EQ(sink.lines[0], LoadStr(IDS_CANCELLED_LINE));
  EXPECT_EQ(crafted::listFiles(f.target), std::vector<std::string>{"a.htm"});
}

TEST(DecompileRun, FileWhereAFolderMustGo) {
  Fixture f({{"#SYSTEM", systemFile()}, {"html/a.htm", "a"}, {"z.htm", "z"}});
  const std::string html = f.target + "/html";
  { std::ofstream(html) << "in the way"; }
  {
    RecordingSink sink;
    RecordingPrompter prompter{IDRETRY, IDIGNORE};
    EXPECT_EQ(decompile(f.request(false), sink, prompter), DecompileOutcome::Completed);
    ASSERT_EQ(prompter.count(), 2u);
    EXPECT_EQ(prompter.last().text, msg(IDS_EXISTS_AS_FILE, "html"));
    EXPECT_EQ(prompter.last().flags, 0x32u);
    ASSERT_EQ(sink.lines.size(), 2u);
    EXPECT_EQ(sink.lines[0], msg(IDS_SKIPPED, "html"));
    EXPECT_EQ(sink.lines[1], summary(f.source, f.target, 1, 0));
    EXPECT_EQ(crafted::readFile(html), "in the way");
  }
  {
    // Retry after the file was taken away: the folder is made and filled.
    RecordingSink sink;
    FixingPrompter prompter([&] { ::unlink(html.c_str()); });
    EXPECT_EQ(decompile(f.request(false), sink, prompter), DecompileOutcome::Completed);
    EXPECT_EQ(prompter.count(), 1u);
    EXPECT_EQ(crafted::readFile(html + "/a.htm"), "a");
    EXPECT_EQ(sink.lines.back(), summary(f.source, f.target, 2, 1));
  }
}

TEST(DecompileRun, FolderThatCannotBeCreatedEndsItsLevelOnly) {
  const std::string longName(300, 'L');
  Fixture f({{"#SYSTEM", systemFile()},
             {"a/" + longName + "/x.htm", "x"},
             {"a/zz.htm", "zz"},
             {"b/y.htm", "y"}});
  RecordingSink sink;
  RecordingPrompter prompter;
  EXPECT_EQ(decompile(f.request(), sink, prompter), DecompileOutcome::Incomplete);
  const std::string local = "a/" + longName;
  ASSERT_EQ(prompter.count(), 1u);
  EXPECT_EQ(prompter.last().text, msg(IDS_CANNOT_CREATE, local));
  EXPECT_EQ(prompter.last().flags, static_cast<unsigned>(MB_ICONERROR));
  ASSERT_EQ(sink.lines.size(), 3u);
  EXPECT_EQ(sink.lines[0], msg(IDS_CANNOT_CREATE_FOLDER_LINE, local));
  EXPECT_EQ(sink.lines[1], summary(f.source, f.target, 1, 2));
  EXPECT_EQ(sink.lines[2], msg(IDS_CREATED, "help.hhp"));
  EXPECT_EQ(crafted::listFiles(f.target), (std::vector<std::string>{"b/y.htm", "help.hhp"}));
}

TEST(DecompileRun, ExistingProjectFileIsKept) {
  Fixture f({{"#SYSTEM", systemFile()}, {"a.htm", "a"}}, "Guide.chm");
  { std::ofstream(f.target + "/Guide.hhp") << "mine"; }
  RecordingSink sink;
  RecordingPrompter prompter;
  EXPECT_EQ(decompile(f.request(), sink, prompter), DecompileOutcome::Completed);
  ASSERT_EQ(sink.lines.size(), 1u);
  EXPECT_EQ(sink.lines[0], summary(f.source, f.target, 1, 0));
  EXPECT_EQ(crafted::readFile(f.target + "/Guide.hhp"), "mine");
}

TEST(DecompileRun, ShortWriteCancelsWithMessageAndLine) {
  Fixture f({{"#SYSTEM", systemFile()}, {"a.htm", std::string(4096, 'a')}, {"b.htm", "b"}});
  RecordingSink sink;
  RecordingPrompter prompter;
  // A file-size limit makes the write come up short, as a full disk would.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 1000;
  // A file of that name already there stays as it was.
  { std::ofstream(f.target + "/a.htm") << "the user's a.htm"; }
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  DecompileRun run(sink, prompter);
  ASSERT_TRUE(run.open(f.source));
  run.run(f.request(), 2);
  run.close();
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_TRUE(run.cancelled());
  EXPECT_TRUE(run.writeFailed());
  ASSERT_EQ(prompter.count(), 1u);
  EXPECT_EQ(prompter.last().text, msg(IDS_WRITE_ERROR, "a.htm"));
  EXPECT_EQ(prompter.last().flags, static_cast<unsigned>(MB_ICONERROR));
  ASSERT_EQ(sink.lines.size(), 1u);
  EXPECT_EQ(sink.lines[0], msg(IDS_WRITE_ERROR_LINE, "a.htm"));
  // Nothing after the failed write: no b.htm, no project; no half a.htm.
  EXPECT_EQ(crafted::listFiles(f.target), std::vector<std::string>{"a.htm"});
  EXPECT_EQ(crafted::readFile(f.target + "/a.htm"), "the user's a.htm");
}

TEST(DecompileRun, CancelFromTheSinkStopsBeforeTheNextStream) {
  Fixture f({{"#SYSTEM", systemFile()}, {"a.htm", "a"}, {"b.htm", "b"}, {"c/d.htm", "d"}});
  RecordingSink sink;
  sink.cancelAfterSteps = 2;  // Escape while the second stream is stepped
  RecordingPrompter prompter;
  EXPECT_EQ(decompile(f.request(), sink, prompter), DecompileOutcome::Cancelled);
  EXPECT_EQ(crafted::listFiles(f.target), std::vector<std::string>{"a.htm"});
  ASSERT_EQ(sink.lines.size(), 1u);
  EXPECT_EQ(sink.lines[0], LoadStr(IDS_CANCELLED_LINE));
}

TEST(DecompileRun, MissingSourceAndBadTarget) {
  TempDir dir;
  RecordingSink sink;
  {
    RecordingPrompter prompter;
    DecompileRequest r;
    r.source = dir / "none.chm";
    r.target = dir.path();
    EXPECT_EQ(decompile(r, sink, prompter), DecompileOutcome::Failed);
    // The count's message only: the run does not try the file again.
    ASSERT_EQ(prompter.count(), 1u);
    EXPECT_EQ(prompter.last().text, msg(IDS_CANNOT_OPEN, r.source));
  }
  {
    Fixture f({{"#SYSTEM", systemFile()}, {"a.htm", "a"}});
    RecordingPrompter prompter;
    DecompileRequest r = f.request();
    r.target = f.dir / "missing";
    EXPECT_EQ(decompile(r, sink, prompter), DecompileOutcome::Failed);
    ASSERT_EQ(prompter.count(), 1u);
    EXPECT_EQ(prompter.last().text, msg(IDS_INVALID_FOLDER, r.target));
    EXPECT_FALSE(crafted::fs::exists(r.target));
  }
  EXPECT_TRUE(sink.lines.empty());
}

// Hostile names come from a fake engine: the writer rightly refuses them.
std::shared_ptr<fake::Node> gTree;
fake::Log gLog;
itss::HRESULT fakeEngine(itss::IITStorage** out) {
  *out = new fake::Engine(&gLog, gTree);
  return itss::S_OK;
}

TEST(DecompileRun, NamesThatWouldLeaveTheTargetAreNeverWritten) {
  gTree = std::make_shared<fake::Node>();
  gTree->addStorage("..").addStream("evil.htm", "evil");
  gTree->addStream("/abs.htm", "abs");
  gTree->addStream("..\\up.htm", "up");
  gTree->addStream(".", "dot");
  gTree->addStorage("ok").addStream("fine.htm", "fine");
  TempDir dir;
  const std::string target = dir / "out";
  ::mkdir(target.c_str(), 0777);
  RecordingSink sink;
  RecordingPrompter prompter;
  DecompileRun run(sink, prompter, fakeEngine);
  run.readAhead = false;
  ASSERT_TRUE(run.open("fake.chm"));
  DecompileRequest r;
  r.source = "fake.chm";
  r.target = target;
  r.createProject = false;
  run.run(r, 5);
  run.close();
  EXPECT_EQ(crafted::listFiles(dir.path()), std::vector<std::string>{"out/ok/fine.htm"});
  ASSERT_EQ(sink.lines.size(), 5u);
  EXPECT_EQ(sink.lines[0], msg(IDS_SKIPPED, ".."));
  EXPECT_EQ(sink.lines[1], msg(IDS_SKIPPED, "/abs.htm"));
  EXPECT_EQ(sink.lines[2], msg(IDS_SKIPPED, "..\\up.htm"));
  EXPECT_EQ(sink.lines[3], msg(IDS_SKIPPED, "."));
  EXPECT_EQ(sink.lines[4], summary("fake.chm", target, 1, 1));
  EXPECT_EQ(run.problems(), 4);
}

TEST(DecompileRun, StreamShorterThanItsSizeIsNotWritten) {
  gTree = std::make_shared<fake::Node>();
  gTree->addStream("cut.htm", "abc").claimedSize = 10;
  gTree->addStream("whole.htm", "whole");
  TempDir dir;
  RecordingSink sink;
  RecordingPrompter prompter;
  DecompileRun run(sink, prompter, fakeEngine);
  ASSERT_TRUE(run.open("fake.chm"));
  DecompileRequest r;
  r.source = "fake.chm";
  r.target = dir.path();
  r.createProject = false;
  run.run(r, 2);
  run.close();
  ASSERT_EQ(sink.lines.size(), 2u);
  EXPECT_EQ(sink.lines[0], msg(IDS_CANNOT_READ_FILE, "cut.htm"));
  EXPECT_EQ(sink.lines[1], summary("fake.chm", dir.path(), 1, 0));
  EXPECT_EQ(crafted::listFiles(dir.path()), std::vector<std::string>{"whole.htm"});
}

TEST(LocalFolder, PlainElementNames) {
  for (const char* bad : {"", ".", "..", "a/b", "a\\b", "/", "\\x", "../x"})
    EXPECT_FALSE(isPlainElementName(bad)) << bad;
  for (const char* good : {"a", "...", "..a", "a..", ".hidden", "名字.htm", "a b"})
    EXPECT_TRUE(isPlainElementName(good)) << good;
}

TEST(LocalFolder, SymbolicLinkInTheTargetIsNotFollowed) {
  TempDir dir;
  const std::string target = dir / "out", elsewhere = dir / "elsewhere";
  ::mkdir(target.c_str(), 0777);
  ::mkdir(elsewhere.c_str(), 0777);
  ASSERT_EQ(::symlink(elsewhere.c_str(), (target + "/link").c_str()), 0);
  ASSERT_EQ(::symlink((elsewhere + "/f").c_str(), (target + "/f").c_str()), 0);
  FolderHandle root = FolderHandle::openPath(target);
  EXPECT_EQ(entryKind(root, "link"), EntryKind::Other);
  EXPECT_FALSE(root.openChild("link").valid());
  EXPECT_EQ(writeWholeFile(root, "f", "x", 1), WriteResult::CannotCreate);
  EXPECT_TRUE(crafted::listFiles(elsewhere).empty());
}

}  // namespace
