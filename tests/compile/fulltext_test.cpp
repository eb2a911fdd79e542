// The full-text index: the words taken from a page, the bit code of its
// location lists, and compiled files searched by an independent reader of the
// index (python3-chm), side by side with the file chmcmd builds from the same
// pages.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "chmfiles/html_text.h"
#include "compile/compiler.h"
#include "compile/fulltext_index.h"
#include "compile/fulltext_words.h"
#include "decompile/decompile_run.h"
#include "its/its_storage.h"
#include "platform/itss/bytes.h"
#include "platform/system/codepage.h"
#include "tests/common/corpus_oracles.h"
#include "tests/common/recording_prompter.h"
#include "tests/decompile/crafted_file.h"

namespace {

namespace fs = std::filesystem;
using crafted::TempDir;
using Words = std::vector<std::string>;

TEST(FullTextWords, SplitsPagesAsTheReadersSplitQueries) {
  const PageWords w = pageWords(
      "<html><head><title>Caf&eacute; &amp; Bar</title><title>Second</title>"
      "<style>p { color: red }</style><script>var hidden = '<p>';</script></head>"
      "<body><!-- secret --><p>Don't stop: 3.14, 1.2.3. x_y NA\xC3\x8FVE \xEF\xBC\xA1\xEF\xBC\x91 "
      "\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0</p><p>中文，搜索</p>a<b>b</b> &#x4E2D;&#20013; 5 < 6 &lt; 7"
      "<a href=\"x'y > z\" title='it\"s'>q</a>&bogus; \xFF end 1,000,000 3,a 2,</body></html>");
  EXPECT_EQ(w.title, (Words{"café", "bar"}));
  EXPECT_EQ(w.body, (Words{"dont", "stop", "3.14",  "1.2.3", "x_y",     "naïve", "a1", "ёлка", "中",
                           "文",   "搜",   "索",    "a",     "b",       "中",    "中", "5",    "6",
                           "7",    "q",    "bogus", "end",   "1000000", "3",     "a",  "2"}));
  // A script or a comment that never closes hides the rest; a page without
  // a title has no title words.
  EXPECT_EQ(pageWords("one <script>two").body, Words{"one"});
  EXPECT_EQ(pageWords("one <!-- two").body, Words{"one"});
  EXPECT_TRUE(pageWords("<p>x</p>").title.empty());
  std::size_t length = 0;
  EXPECT_EQ(characterReference("#xD800;", length), 0u);  // a surrogate is no character
  EXPECT_EQ(characterReference("nbspx", length), 0u);    // names are whole
  EXPECT_EQ(characterReference("copy x", length), U'\u00A9');
  EXPECT_EQ(length, 4u);
}

// Bytes of a location list in a file the original compiler wrote (roots 1,
// 1 and 6: topic 0, one place, place 10), and values of every size.
TEST(FullTextIndex, ScaleRootCode) {
  std::string out;
  BitWriter bits(out);
  bits.scaleRoot(0, 1);
  bits.scaleRoot(1, 1);
  bits.scaleRoot(10, 6);
  bits.flush();
  EXPECT_EQ(out, std::string("\x11\x40", 2));
  out.clear();
  bits.scaleRoot(5, 1);    // 3 bits: "11", "0", low bits "01"
  bits.scaleRoot(255, 4);  // 8 bits: "1111", "0", low bits "1111111"
  bits.flush();
  EXPECT_EQ(out, std::string("\xCF\xBF\x80", 3));
  EXPECT_EQ(scaleRootBits(5, 1), 5u);
  EXPECT_EQ(scaleRootBits(255, 4), 12u);
  EXPECT_EQ(scaleRootBits(15, 4), 5u);
}

using crafted::put;

using corpus::run;

bool haveReader() {
  return std::system("/usr/bin/python3 -c 'import chm.chm' >/dev/null 2>&1") == 0;
}
bool haveChmcmd() { return std::system("command -v chmcmd >/dev/null 2>&1") == 0; }

// The pages python3-chm finds for each word: word → "page page ...".
std::map<std::string, std::string> search(const fs::path& chm, const Words& words,
                                          const char* encoding = "gbk") {
  std::string command = "/usr/bin/python3 " WRENLOW_SOURCE_DIR
                        "/tests/compile/fulltext_search.py '" +
                        chm.string() + "' " + encoding;
  for (const std::string& w : words) command += " '" + w + "'";
  std::istringstream lines(run(command + " 2>&1"));
  std::map<std::string, std::string> found;
  std::string line;
  std::getline(lines, line);
  found[""] = line;
  while (std::getline(lines, line)) {
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos) found[line.substr(0, tab)] = line.substr(tab + 1);
  }
  return found;
}

CompileResult compile(const fs::path& project, const fs::path& out) {
  CompileOptions options;
  options.projectPath = project.string();
  options.outputPath = out.string();
  options.timeStamp = 1;
  crafted::RecordingSink sink;
  return compileProject(options, sink);
}

// Latin and Chinese pages of a Simplified Chinese project, one in GBK, the
// others in UTF-8; words in scripts, styles, comments and tags are no words
// of the page.
fs::path writeMixedProject(const fs::path& dir) {
  put(dir / "guide.htm",
      "<html><head><meta charset=\"utf-8\"><title>Backup guide</title></head><body>"
      "<h1>Backups</h1><p>Take a backup of the database before upgrading. "
      "数据库备份很重要。</p><script>var zebra = 1;</script></body></html>");
  put(dir / "restore.htm",
      cp::fromUtf8("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                   "charset=gb2312\"><title>恢复</title></head><body><p>Restore the "
                   "database from a backup; upgrading is optional.</p><p>数据恢复。</p>"
                   "<!-- giraffe --></body></html>",
                   936));
  put(dir / "sub/plain.htm",
      "<html><head><title>Plain page</title><style>.giraffe {}</style></head><body>"
      "<p class=\"zebra\">Nothing about databases here, only upgrading.</p></body></html>");
  const fs::path project = dir / "mixed.hhp";
  put(project,
      "[OPTIONS]\r\nCompiled file=mixed.chm\r\nDefault topic=guide.htm\r\n"
      "Full-text search=Yes\r\nLanguage=0x804\r\nTitle=Mixed\r\n\r\n"
      "[FILES]\r\nguide.htm\r\nrestore.htm\r\nsub\\plain.htm\r\n");
  return project;
}

TEST(FullTextSearch, AnIndependentReaderFindsTheRightPages) {
  if (!haveReader()) GTEST_SKIP() << "python3-chm is not installed";
  TempDir dir;
  const fs::path project = writeMixedProject(dir.path());
  const fs::path ours = fs::path(dir.path()) / "ours.chm";
  const CompileResult r = compile(project, ours);
  ASSERT_TRUE(r.written);
  EXPECT_EQ(r.warnings, 0u);
  // Words in no title (chmcmd puts a word's title entry before its body
  // entry, and this reader stops at the first) and in no script (chmcmd
  // indexes scripts).
  const Words latin = {"database", "upgrading", "restore", "giraffe", "databases"};
  const auto found = search(ours, {"backup", "database", "upgrading", "restore", "zebra", "giraffe",
                                   "databases", "数", "备", "恢", "很", "镜"});
  EXPECT_EQ(found.at(""), "searchable");
  EXPECT_EQ(found.at("backup"), "guide.htm restore.htm");
  EXPECT_EQ(found.at("database"), "guide.htm restore.htm");
  EXPECT_EQ(found.at("upgrading"), "guide.htm restore.htm sub/plain.htm");
  EXPECT_EQ(found.at("restore"), "restore.htm");
  EXPECT_EQ(found.at("databases"), "sub/plain.htm");
  EXPECT_EQ(found.at("zebra"), "");
  EXPECT_EQ(found.at("giraffe"), "");
  EXPECT_EQ(found.at("数"), "guide.htm restore.htm");
  EXPECT_EQ(found.at("备"), "guide.htm");
  EXPECT_EQ(found.at("恢"), "restore.htm");  // in the GBK page's body and title
  EXPECT_EQ(found.at("很"), "guide.htm");
  EXPECT_EQ(found.at("镜"), "");

  if (!haveChmcmd()) GTEST_SKIP() << "chmcmd is not installed";
  const fs::path theirs = fs::path(dir.path()) / "mixed.chm";
  run("cd '" + dir.path() + "' && chmcmd mixed.hhp >/dev/null 2>&1");
  ASSERT_TRUE(fs::exists(theirs));
  const auto expected = search(theirs, latin);
  for (const std::string& w : latin) EXPECT_EQ(found.at(w), expected.at(w)) << w;
}

// Latin letters and digits written against Hangul, kana or Han characters
// are words of their own, in the page's words and in files of every
// language: a search for "printscreen" finds the pages.
TEST(FullTextWords, WordsEndWhereTheScriptChanges) {
  EXPECT_EQ(pageWords("<p>Alt+PrintScreen을 누르면 Windows키와 2번 을a1.5을 Ａ한</p>").body,
            (Words{"alt", "printscreen", "을", "누르면", "windows", "키와", "2", "번", "을", "a1",
                   "5", "을", "a", "한"}));
  EXPECT_EQ(pageWords("<p>PrintScreenキー 3个</p>").body,
            (Words{"printscreen", "キ", "ー", "3", "个"}));
}

TEST(FullTextSearch, LatinWordsBesideOtherScriptsAreFound) {
  if (!haveReader()) GTEST_SKIP() << "python3-chm is not installed";
  struct Case {
    const char* language;
    const char* encoding;
    unsigned codePage;
    std::string text;  // UTF-8, written in the code page
    Words words;       // each found on the page
  };
  const Case cases[] = {
      {"0x412",
       "cp949",
       949,
       "Alt+PrintScreen을 누르면 Windows키와 2번",
       {"printscreen", "을", "windows", "2"}},
      {"0x411",
       "cp932",
       932,
       "PrintScreenキーを押す。Windowsの設定",
       {"printscreen", "windows", "キ"}},
      {"0x804", "gbk", 936, "按PrintScreen键，Windows下", {"printscreen", "windows", "键"}},
      {"0x409", "cp1252", 1252, "PrintScreenété Windows", {"printscreenété", "windows"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    TempDir dir;
    const fs::path folder(dir.path());
    // Titles differ: the reader returns one page per title.
    put(folder / "a.htm", "<html><head><title>ta</title></head><body><p>" +
                              cp::fromUtf8(c.text, c.codePage) + "</p></body></html>");
    put(folder / "b.htm", "<html><head><meta charset=\"utf-8\"><title>tb</title></head><body><p>" +
                              c.text + "</p></body></html>");
    put(folder / "c.htm", "<html><head><title>tc</title></head><body>other</body></html>");
    put(folder / "p.hhp", std::string("[OPTIONS]\r\nFull-text search=Yes\r\nLanguage=") +
                              c.language + "\r\n\r\n[FILES]\r\na.htm\r\nb.htm\r\nc.htm\r\n");
    const fs::path chm = folder / "p.chm";
    ASSERT_TRUE(compile(folder / "p.hhp", chm).written);
    const auto found = search(chm, c.words, c.encoding);
    for (const std::string& w : c.words) EXPECT_EQ(found.at(w), "a.htm b.htm") << w;
  }
}

// A project's stop list keeps its words out of the index; a missing one is
// warned about and the index built without it.
TEST(FullTextSearch, StopListWordsAreLeftOut) {
  if (!haveReader()) GTEST_SKIP() << "python3-chm is not installed";
  TempDir dir;
  const fs::path project = writeMixedProject(dir.path());
  put(project,
      "[OPTIONS]\r\nFull-text search=Yes\r\nLanguage=0x804\r\n"
      "Full text search stop list file=stop.stp\r\n\r\n[FILES]\r\nguide.htm\r\nrestore.htm\r\n");
  const fs::path stopList = fs::path(dir.path()) / "stop.stp";
  put(stopList, "The\r\nDatabase\r\n据\r\n");
  const fs::path chm = fs::path(dir.path()) / "stop.chm";
  EXPECT_EQ(compile(project, chm).warnings, 0u);
  const auto found = search(chm, {"the", "database", "据", "数", "backup"});
  EXPECT_EQ(found.at("the"), "");
  EXPECT_EQ(found.at("database"), "");
  EXPECT_EQ(found.at("据"), "");
  EXPECT_EQ(found.at("数"), "guide.htm restore.htm");
  EXPECT_EQ(found.at("backup"), "guide.htm restore.htm");
  fs::remove(stopList);
  EXPECT_EQ(compile(project, chm).warnings, 1u);
  EXPECT_EQ(search(chm, {"the"}).at("the"), "guide.htm restore.htm");
}

// A stop word takes no place: the words on either side are neighbours.
TEST(FullTextIndex, StopWordsTakeNoPlace) {
  FullTextIndex withStop(1252), without(1252);
  withStop.addStopWords("the", 1252);
  withStop.addPage(0, "<p>backup the database</p>", 1252);
  without.addPage(0, "<p>backup database</p>", 1252);
  EXPECT_EQ(withStop.build(1, 0x409), without.build(1, 0x409));
}

// Enough distinct words for a tree of many leaves under an index node, and a
// word in 256 pages, whose count takes two bytes (read in the wrong order
// they would say 2).
TEST(FullTextSearch, LargeIndexesStaySearchable) {
  if (!haveReader()) GTEST_SKIP() << "python3-chm is not installed";
  TempDir dir;
  constexpr int kPages = 256, kWordsPerPage = 200;
  std::string files;
  for (int p = 0; p < kPages; ++p) {
    std::string body;
    for (int w = 0; w < kWordsPerPage; ++w)
      body += "w" + std::to_string(w * kPages + p) + (w % 50 == 0 ? " common " : " ");
    const std::string name = "p" + std::to_string(p) + ".htm";
    put(fs::path(dir.path()) / name, "<html><head><title>T" + std::to_string(p) +
                                         "</title></head><body>" + body + "</body></html>");
    files += name + "\r\n";
  }
  put(fs::path(dir.path()) / "big.hhp",
      "[OPTIONS]\r\nFull-text search=Yes\r\n\r\n[FILES]\r\n" + files);
  const fs::path chm = fs::path(dir.path()) / "big.chm";
  ASSERT_TRUE(compile(fs::path(dir.path()) / "big.hhp", chm).written);

  ItsStorage storage;
  ASSERT_TRUE(itss::SUCCEEDED(storage.open(chm.c_str())));
  itss::ComPtr<itss::IStream> stream;
  ASSERT_TRUE(
      itss::SUCCEEDED(storage.root()->OpenStream("$FIftiMain", nullptr, 0, 0, stream.put())));
  std::uint8_t header[0x20];
  itss::ULONG got = 0;
  ASSERT_TRUE(itss::SUCCEEDED(stream->Read(header, sizeof header, &got)));
  EXPECT_GT(itss::le32(header + 0x10), 50u);  // leaves
  EXPECT_EQ(itss::le16(header + 0x18), 2u);   // an index level above them

  Words words = {"common", "w0", "w51199", "w51200"};
  std::map<std::string, std::string> expected = {{"w0", "p0.htm"}, {"w51199", "p255.htm"}};
  for (int i = 1; i < 33; ++i) {
    const int n = i * 1531;
    words.push_back("w" + std::to_string(n));
    expected["w" + std::to_string(n)] = "p" + std::to_string(n % kPages) + ".htm";
  }
  const auto found = search(chm, words, "cp1252");
  for (const auto& [word, page] : expected) EXPECT_EQ(found.at(word), page) << word;
  EXPECT_EQ(found.at("w51200"), "");
  std::istringstream all(found.at("common"));
  int pages = 0;
  for (std::string p; all >> p;) ++pages;
  EXPECT_EQ(pages, kPages);
}

// Files the original compiler wrote, decompiled and compiled again: the
// reader finds the same pages for words of their pages in both, Chinese
// characters and words with digits, dots and underscores among them.
struct CorpusCase {
  const char* file;
  const char* encoding;
  Words words;
};

TEST(FullTextSearch, RecompiledCorpusFilesFindWhatTheOriginalsFind) {
  if (!haveReader()) GTEST_SKIP() << "python3-chm is not installed";
  const CorpusCase cases[] = {
      {"xpchs_cpanel.chm",
       "gbk",
       {"置", "编", "安", "板", "在", "详", "internet", "windows", "odbc", "sql", "2001", "04"}},
      {"inno_ISetup.chm",
       "cp1252",
       {"uninstall", "setup", "1.3.1", "file_attribute_archive", "registry", "wizard", "2100000000",
        "0.0.0.0", "_is1"}},
  };
  for (const CorpusCase& c : cases) {
    const std::string source = std::string(WRENLOW_CORPUS_DIR) + "/" + c.file;
    TempDir dir;
    const fs::path folder = fs::path(dir.path()) / "src";
    fs::create_directory(folder);
    crafted::RecordingSink sink;
    RecordingPrompter prompter;
    DecompileRequest request;
    request.source = source;
    request.target = folder.string();
    decompile(request, sink, prompter);
    const fs::path project = folder / (fs::path(source).stem().string() + ".hhp");
    ASSERT_TRUE(fs::exists(project)) << c.file;
    const fs::path ours = fs::path(dir.path()) / "ours.chm";
    ASSERT_TRUE(compile(project, ours).written) << c.file;
    const auto theirs = search(source, c.words, c.encoding);
    const auto found = search(ours, c.words, c.encoding);
    EXPECT_EQ(found.at(""), "searchable");
    for (const std::string& w : c.words) {
      EXPECT_FALSE(theirs.at(w).empty()) << c.file << ": " << w;
      EXPECT_EQ(found.at(w), theirs.at(w)) << c.file << ": " << w;
    }
  }
}

}  // namespace
