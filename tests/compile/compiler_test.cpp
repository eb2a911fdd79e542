// The compiler on projects made here: what a project asks for, the warnings
// for what it gets wrong, the errors that stop it, deterministic output and
// the command line.
#include "compile/compiler.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "chmfiles/ivb_idxhdr.h"
#include "chmfiles/system_file.h"
#include "chmfiles/topic_tables.h"
#include "compile/project_file.h"
#include "its/its_storage.h"
#include "platform/system/codepage.h"
#include "tests/decompile/crafted_file.h"

namespace {

namespace fs = std::filesystem;
using crafted::TempDir;

std::string gbk(std::string_view utf8) { return cp::fromUtf8(utf8, 936); }

using crafted::put;

// A Simplified Chinese project (GBK text, Language=0x804) in a folder whose
// name holds a blank and Chinese characters, with one mistake of each kind.
std::string writeEdgeProject(const std::string& root) {
  const std::string folder = root + "/帮助 工程";
  put(folder + "/工程.hhp", gbk("[OPTIONS]\r\n"
                                "Compiled file=输出.chm\r\n"
                                "Contents file=toc.hhc\r\n"
                                "Default topic=html\\首页.htm\r\n"
                                "Title=示例帮助\r\n"
                                "Language=0x804 中文(中国)\r\n"
                                "Binary TOC=Yes\r\n"
                                "Frobnicate=1\r\n"
                                "\r\n[FILES]\r\n"
                                "html\\首页.htm\r\n"
                                "HTML\\UTF8.htm\r\n"
                                "missing.htm\r\n"
                                "\r\n[MAP]\r\n"
                                "#include ids.h\r\n"
                                "#define IDH_THIRD 300 // in the project itself\r\n"
                                "\r\n[ALIAS]\r\n"
                                "IDH_HOME=html\\首页.htm\r\n"
                                "IDH_UTF=html/utf8.htm#top\r\n"  // an anchor names a place in a listed page
                                "IDH_THIRD=notlisted.htm\r\n"
                                "IDH_UNDEFINED=html\\首页.htm\r\n"));
  put(folder + "/ids.h", "#define IDH_HOME 0x64\n#define IDH_UTF 200\n#define IDH_AGAIN 200\n");
  put(folder + "/html/首页.htm",
      gbk("<html><head><title>首页\r\n  标题</title><link rel=stylesheet href=\"../style.css\">"
          "</head><body><img src='../img/logo.png'><a href=\"utf8.htm#x\">u</a>"
          "<a href=\"http://example.com/a.htm\">w</a><a href=\"nothere.htm\">n</a></body></html>"));
  put(folder + "/html/utf8.htm",
      "<html><head><meta charset=\"utf-8\"><title>统一码</title></head><body></body></html>");
  put(folder + "/style.css", "body { background: url('img/bg.png') }");
  put(folder + "/img/logo.png", "PNG1");
  put(folder + "/img/bg.png", "PNG2");
  put(folder + "/img/unused.png", "PNG3");
  put(folder + "/toc.hhc", "<ul><li><object type=\"text/sitemap\"></object></ul>");
  return folder;
}

using crafted::streamBytes;

bool hasLine(const std::vector<std::string>& lines, const std::string& part) {
  for (const std::string& l : lines)
    if (l.find(part) != std::string::npos) return true;
  return false;
}

TEST(Compiler, EdgeProjectCompilesWithWarnings) {
  TempDir dir;
  const std::string folder = writeEdgeProject(dir.path());
  CompileOptions options;
  options.projectPath = folder + "/工程.hhp";
  options.timeStamp = 1234567890;
  crafted::RecordingSink sink;
  const CompileResult r = compileProject(options, sink);
  ASSERT_TRUE(r.written);
  EXPECT_EQ(r.errors, 0u);
  EXPECT_EQ(r.outputPath, folder + "/输出.chm");
  const auto& l = sink.lines;
  EXPECT_TRUE(hasLine(l, "工程.hhp(13): 警告 C4404: ")) << l.front();
  EXPECT_TRUE(hasLine(l, "missing.htm"));
  EXPECT_TRUE(hasLine(l, "工程.hhp(8): 警告 C4406: "));
  EXPECT_TRUE(hasLine(l, "工程.hhp(22): 警告 C4409: "));  // alias to a page not in the project
  EXPECT_FALSE(hasLine(l, "工程.hhp(21): "));
  EXPECT_TRUE(hasLine(l, "工程.hhp(23): 警告 C4408: "));  // alias to an undefined name
  EXPECT_TRUE(hasLine(l, "警告 C4410: 主题编号 200"));    // two names for 200 in ids.h
  EXPECT_FALSE(hasLine(l, "nothere.htm"));                // broken links are no files
  EXPECT_EQ(r.warnings, 5u);

  ItsStorage s;
  ASSERT_TRUE(itss::SUCCEEDED(s.open(r.outputPath.c_str())));
  // Listed, linked (through pages and style sheets) and implied files; the
  // listed name's case is kept.
  EXPECT_EQ(streamBytes(s, "img/logo.png"), "PNG1");
  EXPECT_EQ(streamBytes(s, "img/bg.png"), "PNG2");
  EXPECT_EQ(streamBytes(s, "img/unused.png"), "<missing>");
  EXPECT_NE(streamBytes(s, "toc.hhc"), "<missing>");
  EXPECT_NE(streamBytes(s, "style.css"), "<missing>");
  EXPECT_NE(streamBytes(s, "html/首页.htm"), "<missing>");

  // Titles in GBK, from a GBK page and from a UTF-8 one.
  std::vector<TopicEntry> topics;
  ASSERT_TRUE(readTopics(s.root(), topics));
  ASSERT_EQ(topics.size(), 2u);
  TopicLookup lookup(s.root());
  EXPECT_EQ(joinTopic(topics[0], lookup).title, gbk("首页 标题"));
  EXPECT_EQ(joinTopic(topics[0], lookup).link, gbk("html/首页.htm"));
  EXPECT_EQ(joinTopic(topics[1], lookup).title, gbk("统一码"));
  EXPECT_EQ(joinTopic(topics[1], lookup).link, "HTML/UTF8.htm");

  std::vector<MapEntry> map;
  ASSERT_EQ(readIvb(s.root(), map), itss::S_OK);
  ASSERT_EQ(map.size(), 3u);
  EXPECT_EQ(map[0].topic, 100u);
  EXPECT_EQ(lookup.text(map[0].file), gbk("html\\首页.htm"));
  EXPECT_EQ(map[1].topic, 200u);
  EXPECT_EQ(map[2].topic, 300u);
  EXPECT_EQ(lookup.text(map[2].file), "notlisted.htm");

  SystemStream system;
  ASSERT_TRUE(system.open(s.root()));
  std::uint16_t code, length;
  std::map<int, std::string> texts;
  SystemFlags flags;
  while (system.next(code, length)) {
    if (code == kSysFlags)
      flags = decodeSystemFlags(system.readData());
    else
      texts[code] = recordText(system.readData());
  }
  EXPECT_EQ(flags.lcid, 0x804u);
  EXPECT_EQ(flags.dbcs, 1u);
  EXPECT_EQ(texts[kSysTitle], gbk("示例帮助"));
  EXPECT_EQ(texts[kSysDefaultTopic], gbk("html\\首页.htm"));
  EXPECT_EQ(texts[kSysShortName], gbk("输出"));
  EXPECT_EQ(recordValue(Bytes(reinterpret_cast<const std::uint8_t*>(texts[kSysTimeStamp].data()),
                              texts[kSysTimeStamp].size())),
            1234567890u);
}

// Titles are stored as viewers show them: character references decoded
// into the help file's code page, whatever the page's own encoding; a
// character the code page lacks keeps its reference.
TEST(Compiler, TitlesDecodeCharacterReferences) {
  struct Case {
    const char* language;
    unsigned codePage;
    std::string page;   // the page's bytes
    std::string title;  // #STRINGS, in the help file's code page
  };
  const std::string head = "<html><head><meta charset=\"utf-8\"><title>";
  const std::vector<Case> cases{
      {"0x409", 1252, "<title>Drag &amp; Drop</title>", "Drag & Drop"},
      {"0x409", 1252, "<title>&#8216;Access denied&#8217; &lt;x&gt; &eacute;&#xE9;</title>",
       "\x91"
       "Access denied\x92 <x> \xE9\xE9"},
      // Not in the code page: stays as written; no reference: left alone.
      {"0x409", 1252, "<title>&#x4E2D; &#20013;文 AT&T &bogus; &amp</title>",
       "&#x4E2D; &#20013;? AT&T &bogus; &"},
      {"0x804", 936, head + "&#8216;中&#x6587;&#8217; &hellip; &#x0E01;</title>",
       gbk("‘中文’ … &#x0E01;")},
      {"0x419", 1251, head + "&#1055;&#1088;&#1080; &eacute;</title>", "\xCF\xF0\xE8 &eacute;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    TempDir dir;
    put(dir / "p.hhp",
        std::string("[OPTIONS]\r\nLanguage=") + c.language + "\r\n\r\n[FILES]\r\na.htm\r\n");
    put(dir / "a.htm", c.page);
    CompileOptions options;
    options.projectPath = dir / "p.hhp";
    options.timeStamp = 1;
    crafted::RecordingSink sink;
    const CompileResult r = compileProject(options, sink);
    ASSERT_TRUE(r.written);
    ItsStorage s;
    ASSERT_TRUE(itss::SUCCEEDED(s.open(r.outputPath.c_str())));
    std::vector<TopicEntry> topics;
    ASSERT_TRUE(readTopics(s.root(), topics));
    ASSERT_EQ(topics.size(), 1u);
    TopicLookup lookup(s.root());
    EXPECT_EQ(joinTopic(topics[0], lookup).title, c.title);
  }
}

TEST(Compiler, SameProjectSameBytes) {
  TempDir dir;
  const std::string folder = writeEdgeProject(dir.path());
  ::setenv("SOURCE_DATE_EPOCH", "1600000000", 1);
  CompileOptions options;
  options.projectPath = folder + "/工程.hhp";
  options.outputPath = dir / "a.chm";
  crafted::RecordingSink sink;
  ASSERT_TRUE(compileProject(options, sink).written);
  const std::string first = crafted::readFile(dir / "a.chm");
  ASSERT_TRUE(compileProject(options, sink).written);
  ::unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_TRUE(first == crafted::readFile(dir / "a.chm"));
  EXPECT_EQ(first.substr(0x10, 4), std::string("\x00\x10\x5e\x5f", 4));  // the container's time
}

TEST(Compiler, EmptyFilesSectionStillWritesTheTables) {
  TempDir dir;
  put(dir / "empty.hhp", "[OPTIONS]\nTitle=Nothing\n\n[FILES]\n");
  CompileOptions options;
  options.projectPath = dir / "empty.hhp";
  crafted::RecordingSink sink;
  const CompileResult r = compileProject(options, sink);
  ASSERT_TRUE(r.written);
  EXPECT_EQ(r.outputPath, dir / "empty.chm");
  EXPECT_TRUE(hasLine(sink.lines, "警告 C4414"));
  ItsStorage s;
  ASSERT_TRUE(itss::SUCCEEDED(s.open(r.outputPath.c_str())));
  EXPECT_NE(streamBytes(s, "#SYSTEM"), "<missing>");
  EXPECT_EQ(streamBytes(s, "#TOPICS"), "");
}

TEST(Compiler, MissingProjectAndUnwritableTargetAreErrors) {
  TempDir dir;
  crafted::RecordingSink sink;
  CompileOptions options;
  options.projectPath = dir / "none.hhp";
  CompileResult r = compileProject(options, sink);
  EXPECT_FALSE(r.written);
  EXPECT_EQ(r.errors, 1u);
  EXPECT_TRUE(hasLine(sink.lines, "错误 C4402"));
  put(dir / "p.hhp", "[FILES]\n");
  options.projectPath = dir / "p.hhp";
  options.outputPath = dir / "no/such/folder/out.chm";
  r = compileProject(options, sink);
  EXPECT_FALSE(r.written);
  EXPECT_EQ(r.errors, 1u);
  EXPECT_TRUE(hasLine(sink.lines, "错误 C4403"));
}

TEST(ProjectFile, WindowLinesDefinesAndNumbers) {
  ProjectWindow w;
  ASSERT_TRUE(parseWindowLine(
      {"main=\"A, B\",\"t.hhc\",,,,,,,,0x420,-1,0x2004,[-10, 20,700,500],,,3,,,,", 1}, w));
  EXPECT_EQ(w.name, "main");
  EXPECT_EQ(w.caption, "A, B");
  EXPECT_EQ(w.contentsFile, "t.hhc");
  EXPECT_FALSE(w.indexFile);
  EXPECT_EQ(w.properties, 0x420u);
  EXPECT_EQ(w.navWidth, 0xFFFFFFFFu);
  EXPECT_EQ(w.left, -10);
  EXPECT_EQ(w.bottom, 500);
  EXPECT_FALSE(w.styles);
  EXPECT_EQ(w.showState, 3u);
  EXPECT_FALSE(parseWindowLine({"=\"x\"", 2}, w));

  std::vector<MapDefinition> defs;
  std::vector<ProjectLine> bad;
  parseDefines(
      "#define A 0x1F\n  #  define B 12 /* c */\n#define C twelve\n#ifdef X\n#define D (7)\n", 5,
      defs, &bad);
  ASSERT_EQ(defs.size(), 3u);
  EXPECT_EQ(defs[0].number, 31u);
  EXPECT_EQ(defs[1].name, "B");
  EXPECT_EQ(defs[1].number, 12u);
  EXPECT_EQ(defs[1].line, 6u);
  EXPECT_EQ(defs[2].number, 7u);
  ASSERT_EQ(bad.size(), 1u);
  EXPECT_EQ(bad[0].line, 7u);
  EXPECT_EQ(parseProjectNumber("12L"), 12u);
  EXPECT_FALSE(parseProjectNumber("12abc"));
  EXPECT_FALSE(parseProjectNumber("0x"));
  EXPECT_FALSE(parseProjectNumber("99999999999"));
}

#ifdef WRENLOW_CLI
TEST(CompileCommand, ExitCodes) {
  TempDir dir;
  const std::string folder = writeEdgeProject(dir.path());
  const std::string cli = WRENLOW_CLI;
  EXPECT_EQ(std::system((cli + " compile '" + folder + "/工程.hhp' -o '" + (dir / "o.chm") +
                         "' >/dev/null 2>&1")
                            .c_str()),
            0);  // warnings only
  EXPECT_TRUE(fs::exists(dir / "o.chm"));
  EXPECT_NE(std::system((cli + " compile '" + (dir / "none.hhp") + "' >/dev/null 2>&1").c_str()),
            0);
  EXPECT_EQ(WEXITSTATUS(std::system((cli + " compile >/dev/null 2>&1").c_str())), 2);
}
#endif

}  // namespace
