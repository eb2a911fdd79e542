// Sitemap files rebuilt from the binary contents and index: on every real
// file of the corpus the tables read back as the sitemap files stored beside
// them; a help file whose .hhk is an empty stub and whose .hhc is gone
// decompiles to a project that compiles to the same tables again.
#include "decompile/sitemap_rebuild.h"

#include <gtest/gtest.h>

#include <set>

#include "chmfiles/help_code_page.h"
#include "chmfiles/help_trees.h"
#include "chmfiles/sitemap.h"
#include "chmfiles/topic_tables.h"
#include "compile/compiler.h"
#include "crafted_file.h"
#include "decompile/decompile_run.h"
#include "its/element_walk.h"
#include "platform/system/codepage.h"
#include "tests/common/recording_prompter.h"
#include "tests/compile/compiled_project.h"

namespace {

namespace fs = std::filesystem;
using crafted::TempDir;

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

std::string unescaped(std::string s) {
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"&lt;", "<"},
                                 {"&gt;", ">"},
                                 {"&quot;", "\""},
                                 {"&amp;", "&"}})
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + 1))
      s.replace(at, from.size(), to);
  return s;
}

// Every (path of names, see-also, link) of a sitemap, links without case:
// the binary index merges keywords of the same text, which a sitemap file
// may repeat, and keeps links as #URLSTR spells them.
void pairs(const std::vector<SitemapEntry>& level, const std::string& parent,
           std::set<std::string>& out) {
  for (const SitemapEntry& e : level) {
    const std::string path = parent + "/" + unescaped(e.name);
    if (!e.seeAlso.empty()) out.insert(path + " see " + unescaped(e.seeAlso));
    for (const std::string& l : e.locals) out.insert(path + " -> " + lower(l));
    if (e.locals.empty() && e.seeAlso.empty()) out.insert(path);
    pairs(e.children, path, out);
  }
}

using compiled::outline;

std::string stored(ItsStorage& s, const std::string& name) {
  std::vector<std::uint8_t> bytes;
  readStreamBytes(s.root(), name.c_str(), 1u << 28, bytes);
  return std::string(bytes.begin(), bytes.end());
}

struct CorpusSitemap {
  const char* file;
  const char* sitemap;  // the stored sitemap file
  bool index;
};

// Real files whose compiler wrote both forms: what the binary table holds,
// written out as a sitemap, is what the stored sitemap says (contents entry
// for entry, in order; index keywords with their links).
TEST(BinarySitemaps, TablesReadAsTheStoredSitemapsOfRealFiles) {
  const CorpusSitemap cases[] = {
      {"halibut_putty.chm", "contents.hhc", false},
      {"fpc_fcl.chm", "Default.hhc", false},
      {"fpc_fcl.chm", "Default.hhk", true},  // 283 blocks, each its own next block
      {"ahkcn_AutoHotkey.chm", "Index.hhk", true},
      {"notepadnt_notepad-nt.chm", "notepad.hhk", true},
      {"st2_help.chm", "Streamtuner2.hhk", true},
      {"tcpudf_help.chm", "tcpserver-udf.hhk", true},
      {"winring0_manual.chm", "manual.hhk", true},
      {"xpchs_cpanel.chm", "cpanelW.hhk", true},
      {"inno_ISetup.chm", "hh_generated_index.hhk", true},
      {"dx2d_Help.chm", "index.hhk", true},
      {"7zcn_7-zip.chm", "7-Zip.hhk", true},
  };
  for (const CorpusSitemap& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.sitemap);
    ItsStorage s;
    ASSERT_TRUE(itss::SUCCEEDED(s.open((std::string(WRENLOW_CORPUS_DIR) + "/" + c.file).c_str())));
    const unsigned page = helpFileCodePage(s.root());
    const HelpTree tree = c.index ? readIndex(s.root(), TreeSourceChoice::kBinaryOnly)
                                  : readContents(s.root(), TreeSourceChoice::kBinaryOnly);
    const std::vector<SitemapEntry> ours = parseSitemap(sitemapText(tree.entries, c.index, page));
    const std::vector<SitemapEntry> theirs = parseSitemap(stored(s, c.sitemap));
    ASSERT_FALSE(theirs.empty());
    if (!c.index) {
      std::string a, b;
      outline(ours, 0, a);
      outline(theirs, 0, b);
      EXPECT_EQ(a, b);
      continue;
    }
    std::set<std::string> a, b;
    pairs(ours, "", a);
    pairs(theirs, "", b);
    EXPECT_EQ(a, b);
  }
}

TEST(BinarySitemaps, ValuesEscapedAndCharactersTheCodePageLacksAsReferences) {
  EXPECT_EQ(sitemapValue("a<b> & \"c\" 'd'", 1252), "a&lt;b&gt; &amp; &quot;c&quot; 'd'");
  EXPECT_EQ(sitemapValue("章 ₩ ? é", 936), cp::fromUtf8("章 &#8361; ? é", 936));
  EXPECT_EQ(sitemapValue("章 ₩", cp::kUtf8), "章 ₩");
}

using crafted::put;

// Every stream of a compiled file, for writing a changed copy.
class Collect : public ElementAction {
 public:
  explicit Collect(crafted::Tree& tree) : tree_(tree) {}
  WalkStep storage(const WalkElement&) override { return WalkStep::Continue; }
  WalkStep stream(const WalkElement& e) override {
    std::string path = e.path();
    std::replace(path.begin(), path.end(), '\\', '/');
    std::vector<std::uint8_t> bytes;
    readStreamBytes(e.level, e.name.c_str(), 1u << 24, bytes);
    tree_[path] = std::string(bytes.begin(), bytes.end());
    return WalkStep::Continue;
  }

 private:
  crafted::Tree& tree_;
};

// The contents and index a compiled file's tables hold, as outlines.
std::pair<std::string, std::string> tableOutlines(const std::string& chm) {
  ItsStorage s;
  EXPECT_TRUE(itss::SUCCEEDED(s.open(chm.c_str())));
  std::string contents, index;
  outline(parseSitemap(sitemapText(readContents(s.root(), TreeSourceChoice::kBinaryOnly).entries,
                                   false, cp::kUtf8)),
          0, contents);
  outline(parseSitemap(sitemapText(readIndex(s.root(), TreeSourceChoice::kBinaryOnly).entries, true,
                                   cp::kUtf8)),
          0, index);
  return {contents, index};
}

// A Chinese help file with both tables whose .hhk is a 101-byte stub with
// no entry and whose .hhc was dropped: decompile writes both again from the
// tables, says so, and the project compiles to the same tables.
TEST(DecompileRebuild, StubAndMissingSitemapsComeBackFromTheTables) {
  TempDir dir;
  const std::string folder = dir / "p";
  const auto gbk = [](std::string_view s) { return cp::fromUtf8(s, 936); };
  put(folder + "/p.hhp", gbk("[OPTIONS]\r\nCompiled file=p.chm\r\nTitle=示例\r\n"
                             "Contents file=目录.hhc\r\nIndex file=index.hhk\r\n"
                             "Language=0x804\r\nBinary TOC=Yes\r\nBinary Index=Yes\r\n\r\n"
                             "[FILES]\r\na.htm\r\nsub\\b.htm\r\n"));
  put(folder + "/a.htm", gbk("<html><head><title>甲 &amp; 乙</title></head><body>a</body></html>"));
  put(folder + "/sub/b.htm", gbk("<html><head><title>乙</title></head><body>b</body></html>"));
  using compiled::item, compiled::local;
  put(folder + "/目录.hhc",
      gbk("<HTML><BODY><UL>" + item("甲 &amp; 乙", local("a.htm")) + item("章节", "") + "<UL>" +
          item("乙", local("sub/b.htm")) + "</UL></UL></BODY></HTML>"));
  put(folder + "/index.hhk",
      gbk("<HTML><BODY><UL>" + item("中文", local("a.htm") + local("sub/b.htm")) + "<UL>" +
          item("子项", local("sub/b.htm")) + "</UL>" + item("Zulu", local("a.htm")) +
          item("apple", "<param name=\"See Also\" value=\"中文\">") + "</UL></BODY></HTML>"));
  CompileOptions options;
  options.projectPath = folder + "/p.hhp";
  options.timeStamp = 1700000000;
  crafted::RecordingSink sink;
  const CompileResult compiled = compileProject(options, sink);
  ASSERT_TRUE(compiled.written);
  const auto [contents, index] = tableOutlines(compiled.outputPath);
  ASSERT_NE(contents.find("章节"), std::string::npos) << contents;
  ASSERT_NE(index.find("apple see 中文"), std::string::npos) << index;

  crafted::Tree tree;
  {
    ItsStorage s;
    ASSERT_TRUE(itss::SUCCEEDED(s.open(compiled.outputPath.c_str())));
    Collect collect(tree);
    walkElements(s.root(), std::string(), collect);
  }
  ASSERT_EQ(tree.erase("目录.hhc"), 1u);
  ASSERT_EQ(tree.count("index.hhk"), 1u);
  tree["index.hhk"] =
      "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\r\n<HTML>\r\n<HEAD>\r\n</HEAD>\r\n<BODY>"
      "\r\n</BODY>\r\n</HTML>\r\n\r\n";
  ASSERT_EQ(tree["index.hhk"].size(), 101u);
  const std::string stub = dir / "stub.chm";
  ASSERT_TRUE(crafted::write(stub, tree));

  crafted::RecordingSink dsink;
  RecordingPrompter prompter;
  DecompileRequest request;
  request.source = stub;
  request.target = dir / "d";
  fs::create_directory(request.target);
  ASSERT_EQ(decompile(request, dsink, prompter), DecompileOutcome::Completed);
  const std::vector<std::string> want{"已从二进制目录重建“目录.hhc”（3 个条目）",
                                      "已从二进制索引重建“index.hhk”（4 个关键字）",
                                      "已创建 stub.hhp"};
  ASSERT_GE(dsink.lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(dsink.lines.end() - 3, dsink.lines.end()), want);
  const std::string hhc = crafted::readFile(dir / "d/目录.hhc");
  EXPECT_NE(hhc.find(gbk("\"甲 &amp; 乙\"")), std::string::npos);
  EXPECT_NE(hhc.find(gbk("\"章节\"")), std::string::npos);

  CompileOptions again;
  again.projectPath = dir / "d/stub.hhp";
  again.outputPath = dir / "again.chm";
  again.timeStamp = 1700000000;
  ASSERT_TRUE(compileProject(again, sink).written);
  EXPECT_EQ(tableOutlines(again.outputPath), std::make_pair(contents, index));

  // Nothing to rebuild: the stored sitemaps are written as they are, with no
  // line about them.
  crafted::RecordingSink plain;
  request.source = compiled.outputPath;
  request.target = dir / "e";
  fs::create_directory(request.target);
  decompile(request, plain, prompter);
  for (const std::string& l : plain.lines) EXPECT_EQ(l.find("重建“"), std::string::npos) << l;
}

}  // namespace
