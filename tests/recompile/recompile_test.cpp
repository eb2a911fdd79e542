// The recompile operation on small crafted files: what is left out, where the
// new file goes, when it replaces the source, and the lines it reports.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "common/string_utils.h"
#include "its/element_walk.h"
#include "platform/itss/com_ptr.h"
#include "recompile/recompile_batch.h"
#include "recompile/recompile_report.h"
#include "res/ids.h"
#include "res/strings.h"
#include "tests/common/recording_prompter.h"
#include "tests/decompile/crafted_file.h"

namespace {

namespace fs = std::filesystem;
using crafted::record;
using crafted::TempDir;
using crafted::Tree;

// Every non-empty stream of a compiled file, "/"-separated, with its bytes.
Tree readBack(const std::string& path) {
  struct Reader : ElementAction {
    Tree tree;
    WalkStep storage(const WalkElement&) override { return WalkStep::Continue; }
    WalkStep stream(const WalkElement& e) override {
      itss::ComPtr<itss::IStream> s;
      std::string bytes(e.size, '\0');
      itss::ULONG got = 0;
      if (itss::SUCCEEDED(e.level->OpenStream(e.name.c_str(), nullptr, 0, 0, s.put())))
        s->Read(bytes.data(), e.size, &got);
      tree[e.subPath.empty() ? e.name : e.subPath + "/" + e.name] = bytes.substr(0, got);
      return WalkStep::Continue;
    }
  } reader;
  ItsStorage storage;
  if (itss::SUCCEEDED(storage.open(path.c_str()))) walkElements(storage.root(), "", reader);
  return reader.tree;
}

std::vector<std::string> names(const Tree& tree) {
  std::vector<std::string> out;
  for (const auto& [name, bytes] : tree) out.push_back(name);
  return out;
}

std::string system(std::uint32_t version, const std::string& records) {
  std::string s;
  crafted::le32(s, version);
  return s + records;
}

std::string value(std::uint32_t v) {
  std::string s;
  crafted::le32(s, v);
  return s;
}

// A page that compresses well, so that a file stored without compression
// always shrinks when recompiled.
const std::string kPage = [] {
  std::string p;
  for (int i = 0; i < 400; ++i)
    p += "<p>Recompiled help page, line " + std::to_string(i % 7) + "</p>\n";
  return p;
}();

struct Outcome {
  crafted::RecordingSink sink;
  RecordingPrompter prompter;
  RecompileOutcome outcome;
};

std::unique_ptr<Outcome> recompileNow(const std::string& source, const std::string& target,
                                      RecompileOptions options = {}) {
  auto run = std::make_unique<Outcome>();
  run->outcome = recompile({source, target, options}, run->sink, run->prompter);
  return run;
}

TEST(RecompileReport, LinesFollowTheSizes) {
  EXPECT_EQ(recompileReportLine("/x/a.chm", 1024, 1024), "a.chm\t(1K >> 1K)\t减少了 0 字节 \t(0%)");
  // Growth is measured against the new size: 100 of 1100 bytes is 9%.
  EXPECT_EQ(recompileReportLine("/x/b.chm", 1000, 1100),
            "b.chm\t(0K >> 1K)\t增加了 100 字节 \t(-9%)。因为压缩的损失，该文件应该没有被使用。");
  EXPECT_NE(recompileReportLine("/x/c.chm", 2048, 2049).find("增加了 1 字节\t"), std::string::npos);
  // A name without lower-case letters is shown in lower case.
  EXPECT_EQ(recompileReportLine("/X/HELP.CHM", 3000, 1500).substr(0, 9), "help.chm\t");
  EXPECT_EQ(recompileReportLine("/X/Help.CHM", 3000, 1500).substr(0, 9), "Help.CHM\t");
  // Sums beyond 32 bits.
  EXPECT_EQ(recompileTotalsLine(5ull << 30, 4ull << 30),
            "\r\n合计:\t(5,242,880K >> 4,194,304K)\t减少了 1,073,741,824 字节 \t(20%)");
  EXPECT_EQ(recompileTotalsLine(0, 0), "\r\n合计:\t(0K >> 0K)\t减少了 0 字节 \t(0%)");
  EXPECT_EQ(recompileTotalsLine(1000, 3000), "\r\n合计:\t(0K >> 2K)\t增加了 2,000 字节 \t(-66%)");
}

TEST(RecompileDrops, ItsFileLosesItsSevenTables) {
  TempDir dir;
  Tree tree;
  for (const char* t : {"#TOPICS", "#URLSTR", "#URLTBL", "$OBJINST", "#IDXHDR", "#STRINGS"})
    tree[t] = "table";
  tree["#SYSTEM"] = system(3, record(7, value(5)));
  tree["$FIftiMain"] = "index";
  tree["a.htm"] = kPage;
  ASSERT_TRUE(crafted::write(dir / "in.its", tree));
  auto run = recompileNow(dir / "in.its", dir / "out.its");
  EXPECT_EQ(run->outcome.succeeded, 1);
  EXPECT_EQ(names(readBack(dir / "out.its")), (std::vector<std::string>{"$FIftiMain", "a.htm"}));
}

TEST(RecompileDrops, OnlyTheFileNamesOwnExtensionMakesAnItsOrCollectionFile) {
  // A file with a binary index keeps its tables unless it is an ITS file; a
  // plain one keeps them only when it is part of a collection. Folder names
  // and text inside the name decide nothing.
  Tree indexed, plain;
  for (Tree* t : {&indexed, &plain}) {
    for (const char* n : {"#TOPICS", "#URLSTR", "#URLTBL", "$OBJINST", "#STRINGS"})
      (*t)[n] = "table";
    (*t)["a.htm"] = kPage;
  }
  indexed["#SYSTEM"] = system(3, record(7, value(5)));
  plain["#SYSTEM"] = system(3, "");
  const std::vector<std::string> all = {"#STRINGS", "#SYSTEM",  "#TOPICS", "#URLSTR",
                                        "#URLTBL",  "$OBJINST", "a.htm"};
  const std::vector<std::string> itsKept = {"a.htm"};
  const std::vector<std::string> plainKept = {"#STRINGS", "#SYSTEM", "a.htm"};
  struct Case {
    const char* source;
    const Tree* tree;
    const std::vector<std::string>* kept;
  };
  const Case cases[] = {
      {"docs.its_backup/help.chm", &indexed, &all},
      {"help.its.chm", &indexed, &all},
      {"x.ITS/help.chm", &indexed, &all},
      {"HELP.ITS", &indexed, &itsKept},
      {"help.chm.its", &indexed, &itsKept},
      {"a.chi_old/help.chm", &plain, &plainKept},
      {"help.chw.chm", &plain, &plainKept},
      {"help.ChI", &plain, &all},
      {"help.chq", &plain, &all},
      {"help.chw", &plain, &all},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    TempDir dir;
    const std::string source = dir / c.source;
    fs::create_directories(fs::path(source).parent_path());
    ASSERT_TRUE(crafted::write(source, *c.tree));
    // Recompiled onto itself: a source that lost its tables would be
    // replaced by the smaller, poorer file.
    auto run = recompileNow(source, source);
    EXPECT_EQ(run->outcome.succeeded, 1);
    EXPECT_EQ(names(readBack(source)), *c.kept);
  }
}

// A keyword tree's header with its count of keywords; a binary contents
// whose first entry lies past its header (or nowhere).
std::string keywordTree(std::uint32_t keywords) {
  std::string t(0x4C + 2048, '\0');
  std::string count;
  crafted::le32(count, keywords);
  t.replace(0x2C, 4, count);
  return t;
}
std::string contentsTree(std::uint32_t first) {
  std::string t;
  crafted::le32(t, first);
  return t + std::string(4096, '\1');
}

// The binary tables keep the topic tables; a sitemap file #SYSTEM names as
// replaced by a binary table (by the hash of its file-name part) goes only
// when asked to and when that table is really in the file.
TEST(RecompileDrops, SitemapFilesGoOnlyWhenTheirBinaryTableIsThere) {
  struct Case {
    const char* what;
    Tree tables;  // besides #SYSTEM naming Index.HHK and Toc.hhc
    bool drop;    // both drop options
    std::vector<std::string> sitemaps;
  };
  const std::vector<std::string> all{"Index.hhk", "Other.hhk", "Toc.hhc", "docs/Index.hhk"};
  const std::vector<Case> cases{
      {"both tables, dropping",
       {{"$WWKeywordLinks/BTree", keywordTree(3)}, {"#TOCIDX", contentsTree(0x1000)}},
       true,
       {"Other.hhk"}},
      {"both tables, by default",
       {{"$WWKeywordLinks/BTree", keywordTree(3)}, {"#TOCIDX", contentsTree(0x1000)}},
       false,
       all},
      {"the index holds only its Property", {{"$WWKeywordLinks/Property", value(0)}}, true, all},
      {"a keyword tree without keywords", {{"$WWKeywordLinks/BTree", keywordTree(0)}}, true, all},
      {"only the binary contents",
       {{"#TOCIDX", contentsTree(0x1000)}},
       true,
       {"Index.hhk", "Other.hhk", "docs/Index.hhk"}},
      {"a binary contents without entries", {{"#TOCIDX", contentsTree(0)}}, true, all},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    Tree tree = c.tables;
    for (const char* t : {"#TOPICS", "#URLSTR", "#URLTBL", "#STRINGS", "#IDXHDR"})
      tree[t] = "table";
    tree["#SYSTEM"] = system(3, record(3, "T") + record(7, value(NameHash("Index.HHK"))) +
                                    record(11, value(NameHash("Toc.hhc"))));
    tree["Index.hhk"] = "<ul>index</ul>";
    tree["Other.hhk"] = "<ul>other</ul>";
    tree["docs/Index.hhk"] = "<ul>nested</ul>";  // the hash is of the file-name part
    tree["Toc.hhc"] = "<ul>toc</ul>";
    ASSERT_TRUE(crafted::write(dir / "in.chm", tree));
    RecompileOptions options;
    options.dropSitemapIndex = options.dropSitemapContents = c.drop;
    auto run = recompileNow(dir / "in.chm", dir / "out.chm", options);
    ASSERT_EQ(run->outcome.succeeded, 1);
    Tree out = readBack(dir / "out.chm");
    std::vector<std::string> sitemaps;
    for (const auto& [name, bytes] : out) {
      if (name.size() > 4 &&
          (name.substr(name.size() - 4) == ".hhk" || name.substr(name.size() - 4) == ".hhc"))
        sitemaps.push_back(name);
    }
    EXPECT_EQ(sitemaps, c.sitemaps);
    for (const char* t : {"#TOPICS", "#URLSTR", "#URLTBL", "#STRINGS"})
      EXPECT_TRUE(out.count(t)) << t;
    EXPECT_FALSE(out.count("#IDXHDR"));  // a version-3 #SYSTEM holds its copy
    EXPECT_EQ(out["#SYSTEM"], tree["#SYSTEM"]);
  }
}

TEST(RecompileDrops, UnusedTablesAndEmptyLinkIndexesGo) {
  TempDir dir;
  Tree tree;
  for (const char* t : {"#TOPICS", "#URLSTR", "#URLTBL", "$OBJINST", "#IDXHDR", "#STRINGS"})
    tree[t] = "table";
  tree["#SYSTEM"] = system(2, record(3, "T"));
  tree["$WWKeywordLinks/Property"] = value(0);  // alone: an empty index
  tree["$WWAssociativeLinks/BTree"] = "tree";
  tree["$WWAssociativeLinks/Property"] = value(0);  // behind other streams: kept
  tree["a.htm"] = kPage;
  ASSERT_TRUE(crafted::write(dir / "plain.chm", tree));

  // With associative links the tables are in use (and #IDXHDR too, as a
  // version-2 #SYSTEM holds no copy of it).
  recompileNow(dir / "plain.chm", dir / "links.chm");
  EXPECT_EQ(names(readBack(dir / "links.chm")),
            (std::vector<std::string>{"#IDXHDR", "#STRINGS", "#SYSTEM", "#TOPICS", "#URLSTR",
                                      "#URLTBL", "$OBJINST", "$WWAssociativeLinks/BTree",
                                      "$WWAssociativeLinks/Property", "a.htm"}));

  tree.erase("$WWAssociativeLinks/BTree");
  tree.erase("$WWAssociativeLinks/Property");
  ASSERT_TRUE(crafted::write(dir / "plain.chm", tree));
  recompileNow(dir / "plain.chm", dir / "bare.chm");
  EXPECT_EQ(names(readBack(dir / "bare.chm")), (std::vector<std::string>{"#SYSTEM", "a.htm"}));
  // A window definition keeps the strings it points into.
  tree["#WINDOWS"] = "windows";
  ASSERT_TRUE(crafted::write(dir / "plain.chm", tree));
  recompileNow(dir / "plain.chm", dir / "windows.chm");
  EXPECT_EQ(names(readBack(dir / "windows.chm")),
            (std::vector<std::string>{"#STRINGS", "#SYSTEM", "#WINDOWS", "a.htm"}));
}

TEST(RecompileInPlace, ReplacesOnlyWhenSmallerKeepingTheMode) {
  TempDir dir;
  const std::string file = dir / "Book.chm";
  Tree tree{{"#SYSTEM", system(3, "")}, {"a.htm", kPage}, {"sub/b.htm", kPage + "b"}};
  ASSERT_TRUE(crafted::write(file, tree, /*compress=*/false));
  ::chmod(file.c_str(), 0640);
  const auto oldSize = fs::file_size(file);

  // Through another spelling of the same path.
  fs::create_directory(dir / "sub");
  auto first = recompileNow(dir / "./sub/../Book.chm", dir.path());
  ASSERT_EQ(first->outcome.succeeded, 1);
  const auto newSize = fs::file_size(file);
  EXPECT_LT(newSize, oldSize);
  EXPECT_FALSE(fs::exists(dir / "Book.$"));
  EXPECT_EQ((fs::status(file).permissions() & fs::perms::all),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  Tree back = readBack(file);
  EXPECT_EQ(back["a.htm"], kPage);
  EXPECT_EQ(back["sub/b.htm"], kPage + "b");

  // Not smaller the second time: the file stays as it is.
  const std::string before = crafted::readFile(file);
  auto second = recompileNow(file, file);
  ASSERT_EQ(second->outcome.succeeded, 1);
  EXPECT_EQ(crafted::readFile(file), before);
  EXPECT_FALSE(fs::exists(dir / "Book.$"));
  ASSERT_EQ(second->sink.lines.size(), 1u);
  EXPECT_NE(second->sink.lines[0].find("减少了 0 字节 \t(0%)"), std::string::npos);
}

TEST(RecompileInPlace, CancelledOrFailedJobLeavesTheSource) {
  TempDir dir;
  const std::string file = dir / "x.chm";
  ASSERT_TRUE(crafted::write(file, {{"a.htm", kPage}, {"b.htm", kPage}}, false));
  const std::string before = crafted::readFile(file);
  Outcome run;
  run.sink.cancelAfterSteps = 1;
  run.outcome = recompile({file, file, {}}, run.sink, run.prompter);
  EXPECT_TRUE(run.outcome.cancelled);
  EXPECT_EQ(run.outcome.succeeded, 0);
  EXPECT_TRUE(run.sink.lines.empty());
  EXPECT_EQ(crafted::readFile(file), before);
  EXPECT_FALSE(fs::exists(dir / "x.$"));

  // A source already named ".$" is not overwritten by its own temporary file.
  fs::copy_file(file, dir / "y.$");
  auto odd = recompileNow(dir / "y.$", dir / "y.$");
  EXPECT_EQ(odd->outcome.succeeded, 1);
  EXPECT_EQ(readBack(dir / "y.$")["b.htm"], kPage);
  EXPECT_FALSE(fs::exists(dir / "y.$.$"));
}

// A job that fails, is cancelled or is refused leaves an existing target
// byte for byte as it was, says why, and leaves nothing else in its folder.
TEST(RecompileTarget, FailedCancelledOrRefusedJobsLeaveTheTargetAsItWas) {
  TempDir dir;
  Tree tree{{"#SYSTEM", system(3, "")}};
  for (int i = 0; i < 40; ++i) tree["p" + std::to_string(i) + ".htm"] = kPage + std::to_string(i);
  const std::string good = dir / "good.chm";
  ASSERT_TRUE(crafted::write(good, tree));
  // The directory is whole, the compressed data is cut short.
  const std::string damaged = dir / "damaged.chm";
  std::string bytes = crafted::readFile(good);
  { std::ofstream(damaged, std::ios::binary) << bytes.substr(0, bytes.size() * 2 / 3); }
  const std::string target = dir / "existing.chm";
  const std::string old = "the user's own file";

  const struct {
    const char* what;
    std::string source;
    unsigned mode;
    int cancelAfterSteps;
    std::string message;  // the message shown, when it is known exactly
  } cases[] = {
      {"cancelled", good, 0644, 3, ""},
      {"damaged source", damaged, 0644, -1, ""},
      {"read-only target", good, 0444, -1,
       FormatMessageText(LoadStr(IDS_FILE_READ_ONLY), FullPathName(target))},
  };
  for (const auto& c : cases) {
    { std::ofstream(target, std::ios::binary) << old; }
    ::chmod(target.c_str(), c.mode);
    Outcome run;
    run.sink.cancelAfterSteps = c.cancelAfterSteps;
    run.outcome = recompile({c.source, target, {}}, run.sink, run.prompter);
    EXPECT_EQ(run.outcome.succeeded, 0) << c.what;
    EXPECT_EQ(crafted::readFile(target), old) << c.what;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3) << c.what;
    if (c.cancelAfterSteps >= 0) {
      EXPECT_TRUE(run.outcome.cancelled) << c.what;
    } else {
      ASSERT_EQ(run.prompter.count(), 1u) << c.what;
      if (!c.message.empty()) {
        EXPECT_EQ(run.prompter.questions()[0].text, c.message);
      }
    }
    ::chmod(target.c_str(), 0644);
  }
}

TEST(RecompileBatch, FolderSourceTakesItsChmFilesInNameOrder) {
  TempDir dir;
  fs::create_directory(dir / "in");
  ASSERT_TRUE(crafted::write(dir / "in/b.CHM", {{"a.htm", kPage}}, false));
  ASSERT_TRUE(crafted::write(dir / "in/a.chm", {{"a.htm", kPage}}, false));
  ASSERT_TRUE(crafted::write(dir / "in/c.its", {{"a.htm", kPage}}, false));
  fs::create_directory(dir / "in/d.chm");  // a folder is never a match

  auto run = recompileNow(dir / "in", dir / "out/deeper");
  EXPECT_TRUE(run->prompter.questions().empty());
  ASSERT_EQ(run->sink.lines.size(), 3u);
  EXPECT_EQ(run->sink.lines[0].rfind("a.chm\t", 0), 0u);
  EXPECT_EQ(run->sink.lines[1].rfind("b.CHM\t", 0), 0u);
  EXPECT_EQ(run->sink.lines[2], recompileTotalsLine(run->outcome.totalOld, run->outcome.totalNew));
  EXPECT_EQ(run->outcome.totalNew,
            fs::file_size(dir / "out/deeper/a.chm") + fs::file_size(dir / "out/deeper/b.CHM"));
  EXPECT_FALSE(fs::exists(dir / "out/deeper/c.its"));
}

TEST(RecompileBatch, WildcardProblemsAreReportedAndTheBatchGoesOn) {
  TempDir dir;
  // Nothing matches: only a totals line.
  auto none = recompileNow(dir / "*.chm", dir / "out");
  EXPECT_EQ(none->sink.lines, std::vector<std::string>{recompileTotalsLine(0, 0)});

  // A match that cannot be read, and one that is no compiled file, give their
  // messages; the good file after them is still recompiled.
  fs::create_symlink(dir / "gone.chm", dir / "a1.chm");
  { std::ofstream(dir / "a2.chm") << "not a compiled file"; }
  ASSERT_TRUE(crafted::write(dir / "a3.chm", {{"a.htm", kPage}}, false));
  auto run = recompileNow(dir / "A?.CHM", dir / "out");
  ASSERT_EQ(run->prompter.count(), 2u);
  EXPECT_EQ(run->prompter.questions()[0].text, "不能打开“" + dir / "a1.chm" + "”。");
  EXPECT_EQ(run->prompter.questions()[1].text, "不能打开“" + dir / "a2.chm" + "”。");
  EXPECT_EQ(run->outcome.failed, 2);
  EXPECT_EQ(run->outcome.succeeded, 1);
  EXPECT_EQ(run->sink.lines.size(), 2u);

  // A wildcard needs a folder as its target, and one that can be made.
  auto onFile = recompileNow(dir / "*.chm", dir / "a3.chm");
  EXPECT_EQ(onFile->prompter.last().text, LoadStr(IDS_WILDCARD_NEEDS_FOLDER));
  auto unmade = recompileNow(dir / "*.chm", dir / "a3.chm/sub");
  EXPECT_EQ(unmade->prompter.last().text, "不能创建“" + dir / "a3.chm/sub" + "”");
  EXPECT_EQ(unmade->prompter.last().flags, MB_ICONERROR);
  EXPECT_TRUE(onFile->sink.lines.empty() && unmade->sink.lines.empty());

  auto missing = recompileNow(dir / "missing.chm", dir / "out");
  EXPECT_EQ(missing->prompter.last().text, "不能打开“" + dir / "missing.chm" + "”。");
}

TEST(RecompileBatch, WildcardMatchingIgnoresLetterCase) {
  EXPECT_TRUE(WildcardMatch("*.chm", "Help.CHM"));
  EXPECT_TRUE(WildcardMatch("h?lp*.c*m", "HELP-2.chm"));
  EXPECT_TRUE(WildcardMatch("*a*b", "aXbab"));
  EXPECT_FALSE(WildcardMatch("*.chm", "help.chm.bak"));
  EXPECT_FALSE(WildcardMatch("?.chm", ".chm"));
}

}  // namespace
