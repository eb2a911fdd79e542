// The rebuilt project file, from crafted system files and from real ones.
#include "decompile/project_rebuild.h"

#include <gtest/gtest.h>

#include "crafted_file.h"
#include "decompile/decompile_run.h"
#include "platform/system/codepage.h"
#include "res/ids.h"
#include "res/strings.h"
#include "tests/common/recording_prompter.h"

namespace {

using crafted::le32;
using crafted::record;
using crafted::TempDir;
using crafted::text;

// #STRINGS with the texts at known offsets.
struct Strings {
  std::string bytes = std::string(1, '\0');
  std::uint32_t add(const std::string& t) {
    const auto at = static_cast<std::uint32_t>(bytes.size());
    bytes += t + std::string(1, '\0');
    return at;
  }
};

void put32(std::string& entry, std::size_t offset, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) entry[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string header() { return FormatMessageText(LoadStr(IDS_PROJECT_HEADER), ""); }

TEST(ProjectRebuild, EverySectionFromCraftedTables) {
  Strings strings;
  const std::uint32_t main = strings.add("main"), caption = strings.add("Only Caption"),
                      full = strings.add("full"), cap2 = strings.add("Cap"),
                      toc = strings.add("a.hhc"), idx = strings.add("a.hhk"),
                      home = strings.add("home.htm"), j1t = strings.add("J1"),
                      j1u = strings.add("j1.htm"), topic = strings.add("html/topic.htm"),
                      m1 = strings.add("one.chm"), m2 = strings.add("two.chm");

  std::string system;
  le32(system, 3);
  std::string flags;
  le32(flags, 0x804);  // LCID
  le32(flags, 1);      // DBCS
  flags += std::string(28, '\0');
  std::string idxhdr(4096, '\0');
  put32(idxhdr, 72, 2);
  put32(idxhdr, 80, m1);
  put32(idxhdr, 84, m2);
  std::string seven, eleven;
  le32(seven, 0x18FFD71B);
  le32(eleven, 0);
  system += record(0, text("a.hhc")) + record(1, text("a.hhk")) + record(2, text("index.htm")) +
            record(3, text("First")) + record(3, text("Title")) + record(4, flags) +
            record(5, text("main")) + record(16, text("宋体,9,134")) + record(7, seven) +
            record(11, eleven) + record(9, text("HHA Version 4.74.8702")) + record(13, idxhdr);

  std::string windows;
  le32(windows, 2);
  le32(windows, 196);
  std::string only(196, '\0');
  put32(only, 8, main);
  put32(only, 20, caption);
  std::string all(196, '\0');
  put32(all, 8, full);
  put32(all, 12, 0x2 | 0x4 | 0x8 | 0x20 | 0x40 | 0x100 | 0x200 | 0x400 | 0x2000);
  put32(all, 16, 0x420);
  put32(all, 20, cap2);
  put32(all, 24, 0x10000);
  put32(all, 28, 0x200);
  put32(all, 32, static_cast<std::uint32_t>(-10));
  put32(all, 36, 20);
  put32(all, 40, 700);
  put32(all, 44, 500);
  put32(all, 48, 3);
  put32(all, 76, static_cast<std::uint32_t>(-1));
  put32(all, 96, toc);
  put32(all, 100, idx);
  put32(all, 104, home);
  put32(all, 108, home);
  put32(all, 112, 0x2004);
  put32(all, 116, 1);
  put32(all, 120, 2);
  put32(all, 124, 3);
  put32(all, 156, j1t);
  put32(all, 164, j1u);
  windows += only + all;

  std::string ivb;
  le32(ivb, 20);  // two whole entries and four bytes over
  le32(ivb, 1001);
  le32(ivb, topic);
  le32(ivb, 0x80000000u);
  le32(ivb, topic);
  le32(ivb, 7);

  TempDir dir;
  const std::string source = dir / "crafted.chm";
  ASSERT_TRUE(crafted::write(source, {{"#SYSTEM", system},
                                      {"#STRINGS", strings.bytes},
                                      {"#WINDOWS", windows},
                                      {"#IVB", ivb},
                                      {"$FIftiMain", "fts"},
                                      {"$WWKeywordLinks/BTree", "bt"},
                                      {"html/topic.htm", "t"},
                                      {"index.htm", "i"}}));
  RecordingPrompter prompter;
  ProjectRebuilder project(prompter);
  ASSERT_TRUE(project.gather(source));
  EXPECT_EQ(project.codePage(), 936u);
  const std::string expected =
      cp::fromUtf8(header(), 936) +
      "[OPTIONS]\r\n"
      "Compiled file=crafted.chm\r\n"
      "Contents file=a.hhc\r\n"
      "Index file=a.hhk\r\n"
      "Default topic=index.htm\r\n"
      "Title=Title\r\n"
      "Default Window=main\r\n"
      "Default Font=宋体,9,134\r\n"
      "Language=0x804\r\n"
      "Full-text search=Yes\r\n"
      "DBCS=Yes\r\n"
      "Binary Index=Yes\r\n"
      "\r\n[FILES]\r\n"
      "html\\topic.htm\r\n"
      "index.htm\r\n"
      "\r\n[WINDOWS]\r\n"
      "main=\"Only Caption\",,,,,,,,,,,,,,,,,,,\r\n"
      "full=\"Cap\",\"a.hhc\",\"a.hhk\",\"home.htm\",\"home.htm\",\"j1.htm\",\"J1\",,,0x420,-1,"
      "0x2004,[-10,20,700,500],0x10000,0x200,3,1,2,3,\r\n"
      "\r\n[ALIAS]\r\n"
      "1001 = html/topic.htm\r\n"
      "2147483648 = html/topic.htm\r\n"
      "\r\n[MERGE FILES]\r\n"
      "one.chm\r\n"
      "two.chm\r\n";
  EXPECT_EQ(project.text("crafted.chm"), expected);
  EXPECT_TRUE(project.write(dir / "crafted.hhp", "crafted.chm"));
  EXPECT_EQ(crafted::readFile(dir / "crafted.hhp"), expected);
  EXPECT_EQ(prompter.count(), 0u);
}

TEST(ProjectRebuild, PlainFileHasOptionsAndFilesOnly) {
  std::string system;
  le32(system, 3);
  system += record(3, text("Plain"));
  TempDir dir;
  const std::string source = dir / "plain.chm";
  std::string ivb;
  le32(ivb, 4);
  le32(ivb, 99);
  ASSERT_TRUE(crafted::write(source, {{"#SYSTEM", system}, {"#IVB", ivb}, {"a.htm", "a"}}));
  RecordingPrompter prompter;
  ProjectRebuilder project(prompter);
  ASSERT_TRUE(project.gather(source));
  // An #IVB too short for an entry makes an empty list and no section.
  EXPECT_TRUE(project.aliases.has_value());
  // The header comment has no place in the Western code page: UTF-8.
  EXPECT_EQ(project.text(""), header() + "[OPTIONS]\r\nTitle=Plain\r\n\r\n[FILES]\r\na.htm\r\n");
}

TEST(ProjectRebuild, UnopenableSourceAndUncreatableProject) {
  TempDir dir;
  RecordingPrompter prompter;
  ProjectRebuilder project(prompter);
  EXPECT_FALSE(project.gather(dir / "none.chm"));
  ASSERT_EQ(prompter.count(), 1u);
  EXPECT_EQ(prompter.last().text, FormatMessageText(LoadStr(IDS_CANNOT_OPEN), dir / "none.chm"));
  EXPECT_EQ(prompter.last().flags, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_FALSE(project.write(dir / "no/such/folder.hhp", "x.chm"));
  EXPECT_EQ(prompter.last().text,
            FormatMessageText(LoadStr(IDS_CANNOT_OPEN), dir / "no/such/folder.hhp"));
}

// A real file checked by hand against its tables (window types, aliases,
// options), decoded independently of the readers: its two window types differ
// only in their captions and the extended style valid for "Popup".
TEST(ProjectRebuild, RealFileCheckedByHand) {
  const std::string source = std::string(WRENLOW_CORPUS_DIR) + "/tcpudf_help.chm";
  RecordingPrompter prompter;
  ProjectRebuilder project(prompter);
  ASSERT_TRUE(project.gather(source));
  EXPECT_EQ(project.codePage(), 1252u);
  const std::string text = project.text("tcpudf_help.chm");
  const std::string options =
      "[OPTIONS]\r\n"
      "Compiled file=tcpudf_help.chm\r\n"
      "Default topic=Introduction.html\r\n"
      "Title=TCPServer UDF\r\n"
      "Default Window=Main\r\n"
      "Default Font=Arial,8,0\r\n"
      "Language=0x409\r\n"
      "Full-text search=Yes\r\n"
      "Binary Index=Yes\r\n"
      "\r\n[FILES]\r\n";
  EXPECT_NE(text.find(options), std::string::npos) << text.substr(0, 400);
  const std::string windows =
      "\r\n[WINDOWS]\r\n"
      "Main=\"TCPServer UDF\",\"tcpserver-udf.hhc\",\"tcpserver-udf.hhk\",\"Introduction.html\","
      "\"Introduction.html\",,,,,0x61520,200,0x384e,[50,50,450,450],0x307e,,,,,0,\r\n"
      "Popup=\"Popup\",\"tcpserver-udf.hhc\",\"tcpserver-udf.hhk\",\"Introduction.html\","
      "\"Introduction.html\",,,,,0x61520,200,0x384e,[50,50,450,450],0x307e,0x8,,,,0,\r\n"
      "\r\n[ALIAS]\r\n"
      "20 = Introduction.html\r\n"
      "30 = Gettingstarted.html\r\n"
      "270 = call-order.html\r\n";
  EXPECT_NE(text.find(windows), std::string::npos);
  ASSERT_TRUE(project.aliases.has_value());
  EXPECT_EQ(project.aliases->size(), 27u);
  EXPECT_EQ(project.files.count(), 32);
  EXPECT_EQ(text.find("[MERGE FILES]"), std::string::npos);
}

// The project's code page keeps every name and text: a GBK file marked
// Western whose files have Chinese names, a GBK file with ASCII names, a
// Western file (whose code page cannot hold the header comment).
TEST(ProjectRebuild, EncodingKeepsEveryNameAndText) {
  struct Case {
    const char* file;
    unsigned page;  // the project's
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"massspec_ElementPeriodTable.CHM",
       cp::kUtf8,
       {"Default topic=作者自述.txt", "作者自述.txt", "元素周期表.hhc", "元素周期表.hhk",
        "win=\"Visual CHM V4.1\",\"元素周期表.hhc\",\"元素周期表.hhk\",\"作者自述.txt\",,"}},
      {"7zcn_7-zip.chm", 936, {"Title=7-Zip 帮助", "Default Font=宋体, 9"}},
      {"tcpudf_help.chm", cp::kUtf8, {"Title=TCPServer UDF"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    RecordingPrompter prompter;
    ProjectRebuilder project(prompter);
    ASSERT_TRUE(project.gather(std::string(WRENLOW_CORPUS_DIR) + "/" + c.file));
    EXPECT_EQ(project.projectCodePage(c.file), c.page);
    const std::string bytes = project.text(c.file);
    const std::optional<std::string> text =
        c.page == cp::kUtf8 ? (cp::isValidUtf8(bytes) ? std::optional(bytes) : std::nullopt)
                            : cp::toUtf8Strict(bytes, c.page);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->rfind(header(), 0), 0u);
    EXPECT_EQ(text->find('?'), std::string::npos);
    for (const std::string& l : c.lines) EXPECT_NE(text->find("\r\n" + l), std::string::npos) << l;
  }
}

// chmcmd compiles the project rebuilt for the file marked Western with GBK
// names and finds every file it lists.
TEST(ProjectRebuild, ChmcmdCompilesTheRebuiltProject) {
  if (std::system("command -v chmcmd >/dev/null 2>&1") != 0) GTEST_SKIP() << "no chmcmd";
  TempDir dir;
  crafted::RecordingSink sink;
  RecordingPrompter prompter;
  DecompileRequest request;
  request.source = std::string(WRENLOW_CORPUS_DIR) + "/massspec_ElementPeriodTable.CHM";
  request.target = dir / "d";
  std::filesystem::create_directory(request.target);
  ASSERT_NE(decompile(request, sink, prompter), DecompileOutcome::Failed);
  const std::string log = dir / "chmcmd.log";
  const int rc = std::system(
      ("cd '" + request.target + "' && chmcmd massspec_ElementPeriodTable.hhp >'" + log + "' 2>&1")
          .c_str());
  const std::string out = crafted::readFile(log);
  EXPECT_EQ(rc, 0) << out;
  EXPECT_EQ(out.find("does not exist"), std::string::npos) << out;
  ItsStorage s;
  ASSERT_TRUE(
      itss::SUCCEEDED(s.open((request.target + "/massspec_ElementPeriodTable.CHM").c_str())));
  for (const char* name : {"作者自述.txt", "元素周期表.hhc", "元素周期表.hhk", "H.htm"}) {
    itss::ComPtr<itss::IStream> stream;
    EXPECT_TRUE(
        itss::SUCCEEDED(s.root()->OpenStream(name, nullptr, itss::STGM_READWRITE, 0, stream.put())))
        << name;
  }
}

// Merge files come from the #IDXHDR copy in #SYSTEM.
TEST(ProjectRebuild, RealFileMergeFiles) {
  const std::string source = std::string(WRENLOW_CORPUS_DIR) + "/xpchs_cpanel.chm";
  RecordingPrompter prompter;
  ProjectRebuilder project(prompter);
  ASSERT_TRUE(project.gather(source));
  EXPECT_EQ(project.mergeFiles.size(), 32u);
  const std::string text = project.text("xpchs_cpanel.chm");
  EXPECT_NE(text.find("\r\n[MERGE FILES]\r\n"), std::string::npos);
}

}  // namespace
