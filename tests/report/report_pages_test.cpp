// Exact texts of the report pages over small files written with the storage
// engine, including the edge cases of the window-type block, the General
// Information page and the text view's word wrap.
#include "report/report_pages.h"

#include <gtest/gtest.h>

#include "chmfiles/system_file.h"
#include "its/its_storage.h"
#include "tests/chmfiles/table_bytes.h"
#include "tests/decompile/crafted_file.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kGbkChinese = "\xD6\xD0\xCE\xC4";  // "中文" in GBK

// #STRINGS: 1 "main", 6 "Caption", 14 "a.htm", 20 "Title A", 28 "中文" (GBK).
std::string strings() {
  return TableBytes()
      .u8(0)
      .text("main")
      .text("Caption")
      .text("a.htm")
      .text("Title A")
      .text(kGbkChinese)
      .str();
}

std::string windowsTable(std::uint32_t count, std::size_t entryBytes) {
  TableBytes entry;
  entry.zeros(196).put32(0, 196).put32(8, 1).put32(12, 0x10).put32(20, 6);
  entry.put32(32, 0).put32(36, 0).put32(40, 640).put32(44, 480);
  std::string out = TableBytes().u32(count).u32(196).str();
  return out + entry.str().substr(0, entryBytes);
}

std::string systemTable(bool windowDefaults) {
  TableBytes s;
  s.u32(3);
  if (windowDefaults) s.textRecord(kSysTitle, kGbkChinese).textRecord(kSysDefaultTopic, "a.htm");
  TableBytes flags;
  flags.u32(0x804).u32(1).u32(0).u32(1).u32(0).u64(0);
  s.record(kSysFlags, flags.bytes());
  s.textRecord(kSysCompilerVersion, "HHA Version 4.74.8702");
  s.valueRecord(kSysInfoTypeCount, 0).valueRecord(kSysInfoTypeChecksum, 7);
  s.valueRecord(kSysMergePrompt, 1);
  return s.str();
}

class ReportPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    crafted::Tree tree = {
        {"#STRINGS", strings()},
        {"#SYSTEM", systemTable(true)},
        {"#WINDOWS", windowsTable(1, 196)},
        {"#IVB", TableBytes().u32(16).u32(5).u32(14).u32(0x80000000u).u32(28).str()},
        {"#TOPICS", TableBytes().u32(0).u32(20).u32(0).u32(0).str()},
        {"#URLTBL", TableBytes().u32(0).u32(0).u32(1).str()},
        {"#URLSTR", TableBytes().u8(0).zeros(8).text("a.htm").zeros(8).text("b.htm").str()},
        {"#IDXHDR", TableBytes().zeros(4096).put32(12, 42).str()},
        {"html/style.css", "b { color: red }\r\n\r\n<b>bold</b>  \r\nlast"},
        {"sub/toc.hhc",
         "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Intro\">"
         "<param name=\"Local\" value=\"a.htm\"></OBJECT></UL>"},
        {"a.htm",
         std::string(200, 'x') + "\n" + std::string(60, 'y') + " " + std::string(39, 'z') + "\n"},
    };
    write(tree);
  }
  void write(const crafted::Tree& tree) {
    path_ = dir_ / "file.chm";
    ASSERT_TRUE(crafted::write(path_, tree));
    ASSERT_EQ(storage_.open(path_.c_str()), itss::S_OK);
    pages_ = std::make_unique<ReportPages>(storage_.root(), path_, dir_ / "pages");
    std::filesystem::create_directory(dir_ / "pages");
  }
  void rewrite(const crafted::Tree& tree) {
    pages_.reset();
    storage_.close();
    write(tree);
  }
  // The page's text without its byte-order mark and, for HTML pages, the
  // policy that follows it.
  static std::string body(const PageResult& r) {
    const std::string all = crafted::readFile(r.path);
    EXPECT_EQ(all.substr(0, 3), kBom);
    const std::string meta = "<META http-equiv=\"Content-Security-Policy\" content=\"";
    if (all.compare(3, meta.size(), meta) != 0) return all.substr(3);
    return all.substr(all.find("\">", 3 + meta.size()) + 2);
  }

  crafted::TempDir dir_;
  std::string path_;
  ItsStorage storage_;
  std::unique_ptr<ReportPages> pages_;
};

TEST_F(ReportPagesTest, TablePagesHaveTheirExactTextWithTextsInUtf8) {
  PageResult r = pages_->strings();
  ASSERT_EQ(r.outcome, PageOutcome::kShow);
  EXPECT_EQ(r.path, dir_ / "pages/~strings.htm");
  EXPECT_EQ(body(r),
            "<HTML><BODY><H1>#STRINGS</H1><P><DL>\r\n<DT>main</DT>\r\n<DT>Caption</DT>\r\n"
            "<DT>a.htm</DT>\r\n<DT>Title A</DT>\r\n<DT>中文</DT>\r\n</DL></BODY></HTML>");
  EXPECT_EQ(body(pages_->urlStr()),
            "<HTML><BODY><H1>#URLSTR</H1><P><DL>\r\n<DT>a.htm</DT>\r\n<DT>b.htm</DT>\r\n"
            "</DL></BODY></HTML>");
  // Topic numbers of 2^31 and above are written unsigned.
  EXPECT_EQ(body(pages_->ivb()),
            "<HTML><BODY><H1>[ALIAS] 节 (#IVB)</H1><P><DL>\r\n<DT>5 = a.htm</DT>\r\n"
            "<DT>2147483648 = 中文</DT>\r\n</DL></BODY></HTML>");
  EXPECT_EQ(body(pages_->idxHeader()),
            "<HTML><BODY><H1>#IDXHDR</H1><P><DL>\r\n<DT>主题节点数: 42</DT>\r\n"
            "</DL></BODY></HTML>");
  EXPECT_EQ(body(pages_->topics()),
            "<HTML><BODY><H1>#TOPICS</H1><P><DL>\r\n<DT>标题: Title A</DT>\r\n"
            "<DD>链接: a.htm</DD>\r\n</DL></BODY></HTML>");
  const std::string created = formatHelpTime(fileTimeToUnixTime(0));
  EXPECT_EQ(body(pages_->system()),
            "<HTML><BODY><H1>#SYSTEM</H1><P><DL>\r\n<DT>CHM 文件版本 3</DT>\r\n"
            "<DT>默认窗口标题: 中文</DT>\r\n<DT>默认 HTML 文件: a.htm</DT>\r\n"
            "<DT>LCID: 2052</DT>\r\n<DT>DBCS: 是</DT>\r\n<DT>KLinks: 是</DT>\r\n"
            "<DT>创建日期 (系统标志): " +
                created +
                "</DT>\r\n"
                "<DT>编译器版本: HHA Version 4.74.8702</DT>\r\n<DT>信息类型检查和: 7</DT>\r\n"
                "<DT>当合并时 从不提示</DT>\r\n</DL></BODY></HTML>");
  // The position 0, 0, 640, 480 with valid-member flags 0x10 is printed.
  EXPECT_EQ(body(pages_->windows()),
            "<HTML><BODY><H1>#WINDOWS</H1><P><DL>\r\n<DT>main</DT><DD>标题: Caption</DD>"
            "<DD>位置: 左侧: 0, 顶部: 0, 宽度: 640, 高度: 480</DD>\r\n</DL></BODY></HTML>");
  EXPECT_EQ(pages_->tempPages().size(), 7u);
}

TEST_F(ReportPagesTest, MissingOrShortSourcesFallBackToTheBinaryFilePage) {
  rewrite({{"#WINDOWS", windowsTable(0, 196)},
           {"#IVB", TableBytes().u32(16).u32(5).str()},
           {"#IDXHDR", std::string(4095, '\0')}});
  EXPECT_EQ(pages_->windows().outcome, PageOutcome::kBinaryFile);  // count 0
  EXPECT_EQ(pages_->ivb().outcome, PageOutcome::kBinaryFile);      // 8 of 16 bytes
  EXPECT_EQ(pages_->idxHeader().outcome, PageOutcome::kBinaryFile);
  EXPECT_EQ(pages_->system().outcome, PageOutcome::kBinaryFile);
  EXPECT_EQ(pages_->topics().outcome, PageOutcome::kBinaryFile);
  EXPECT_EQ(pages_->strings().outcome, PageOutcome::kBinaryFile);
  EXPECT_EQ(pages_->textFile("none.css").outcome, PageOutcome::kBinaryFile);
  EXPECT_EQ(pages_->textView("/nowhere/a.htm").outcome, PageOutcome::kBinaryFile);
  EXPECT_TRUE(pages_->tempPages().empty());

  // An entry cut short: the page ends there, unclosed, and is not shown.
  rewrite({{"#STRINGS", strings()}, {"#WINDOWS", windowsTable(2, 196)}});
  const PageResult cut = pages_->windows();
  EXPECT_EQ(cut.outcome, PageOutcome::kNothing);
  EXPECT_EQ(body(cut).find("</HTML>"), std::string::npos);
  ASSERT_EQ(pages_->tempPages().size(), 1u);
}

TEST_F(ReportPagesTest, GeneralInformationSections) {
  const std::string page = body(pages_->generalInfo());
  EXPECT_EQ(page.find("<HTML><BODY>\r\n<SCRIPT nonce=\""), 0u);
  EXPECT_NE(page.find("document.onclick = clickHandler;"), std::string::npos);
  const std::string facts =
      "</SCRIPT>\r\n<H1>常规信息</H1><P>\r\n<DL><DT>CHM 文件版本: 3</DT>\r\n<DT>DBCS: 是</DT>\r\n"
      "<DT>编译器版本: HHA Version 4.74.8702 (1.3)</DT>\r\n<DT>当合并时 从不提示</DT>\r\n"
      "</DL><P><DIV id=Out1Arrow ";
  EXPECT_NE(page.find(facts), std::string::npos);
  // The kept window-defaults lines, in file order, close their section.
  EXPECT_NE(page.find("<DL>\r\n<DT>窗口标题: 中文</DT>\r\n<DT>HTML 文件: a.htm</DT>\r\n"
                      "</DL></DIV></DIV><DIV id=Out2Arrow "),
            std::string::npos);
  // Each header is nine lines; the window-type section closes the page.
  const std::size_t out2 = page.find("<DIV id=Out2Arrow ");
  const std::string tail = page.substr(out2);
  const std::string header = tail.substr(0, tail.find("<DL>") + 4);
  EXPECT_EQ(std::count(header.begin(), header.end(), '\n'), 8);
  EXPECT_NE(tail.find("<DIV id=Out2details style=\"display:None; position:relative;\">"),
            std::string::npos);
  EXPECT_TRUE(
      tail.ends_with("<DL>\r\n<DT>main</DT><DD>标题: Caption</DD><DD>位置: 左侧: 0, "
                     "顶部: 0, 宽度: 640, 高度: 480</DD>\r\n"
                     "</DL></DIV></DIV></BODY></HTML>"));

  // No #WINDOWS and no window-default records: neither section, no closing tags.
  rewrite({{"#SYSTEM", systemTable(false)}});
  const std::string bare = body(pages_->generalInfo());
  EXPECT_TRUE(bare.ends_with("<DT>当合并时 从不提示</DT>\r\n</DL><P>"));
  EXPECT_EQ(bare.find("Out1"), std::string::npos);
  EXPECT_EQ(bare.find("Out2"), std::string::npos);
}

TEST_F(ReportPagesTest, TextFilesAreWrittenEscapedAndNamedByPath) {
  PageResult css = pages_->textFile("html\\style.css");
  ASSERT_EQ(css.outcome, PageOutcome::kShow);
  EXPECT_EQ(css.path, dir_ / "pages/html_style.css.htm");
  EXPECT_EQ(body(css),
            "<HTML><BODY><H1>html\\style.css</H1><P><DL>\r\n<DT>b { color: red }</DT>\r\n"
            "<P>\r\n<DT>&lt;b&gt;bold&lt;/b&gt;</DT>\r\n<DT>last</DT>\r\n</DL></BODY></HTML>");

  // The word wrap: 200 bytes without blanks stay whole; 100 bytes whose only
  // blank is the 61st byte give pieces of 60 and 39 bytes.
  PageResult view = pages_->textView("/a.htm");
  ASSERT_EQ(view.outcome, PageOutcome::kShowNoHome);
  EXPECT_EQ(view.path, dir_ / "pages/_a.htm.txt");
  EXPECT_EQ(body(view), "文件: /a.htm\r\n\r\n" + std::string(200, 'x') + "\r\n" +
                            std::string(60, 'y') + "\r\n" + std::string(39, 'z') + "\r\n");

  // A contents file in a sub-storage: "\" and "/" become "_", and ".htm"
  // follows so that the browser shows it as a page.
  PageResult toc = pages_->contents("sub\\toc.hhc");
  ASSERT_EQ(toc.outcome, PageOutcome::kShow);
  EXPECT_EQ(toc.path, dir_ / "pages/sub_toc.hhc.htm");
  EXPECT_NE(body(toc).find("<A href=\"its:" + path_ + "::/a.htm\">Intro</A>"), std::string::npos);

  pages_->deleteTempPages();
  EXPECT_TRUE(pages_->tempPages().empty());
  EXPECT_FALSE(std::filesystem::exists(css.path));
  EXPECT_FALSE(std::filesystem::exists(toc.path));
}

TEST(WordWrap, BreaksOnlyAtBlanksWithinEightyBytes) {
  using V = std::vector<std::string_view>;
  const std::string exact(80, 'a');
  EXPECT_EQ(wrapLine(exact), V{exact});
  // Blanks before the break are dropped with it; blanks and tabs after it too.
  const std::string spaced = std::string(70, 'a') + "   " + std::string(20, 'b');
  EXPECT_EQ(wrapLine(spaced), (V{std::string(70, 'a'), std::string(20, 'b')}));
  const std::string tabAfter = std::string(70, 'a') + " \t\t" + std::string(20, 'b');
  EXPECT_EQ(wrapLine(tabAfter), (V{std::string(70, 'a'), std::string(20, 'b')}));
  const std::string tabBefore = std::string(70, 'a') + "\t " + std::string(20, 'b');
  EXPECT_EQ(wrapLine(tabBefore), (V{std::string(70, 'a') + "\t", std::string(20, 'b')}));
  // A tab is no break point; a blank as the first byte only is none either.
  const std::string tabbed = std::string(50, 'a') + "\t" + std::string(50, 'b');
  EXPECT_EQ(wrapLine(tabbed), V{tabbed});
  const std::string leading = " " + std::string(99, 'a');
  EXPECT_EQ(wrapLine(leading), V{leading});
  const std::string onlyLeading = "    " + std::string(99, 'a');
  EXPECT_EQ(wrapLine(onlyLeading), V{onlyLeading});
  // Long text breaks repeatedly; a blank at byte 80 (index 79) is used.
  std::string words;
  for (int i = 0; i < 30; ++i) words += "word567890 ";
  for (std::string_view piece : wrapLine(words)) EXPECT_LE(piece.size(), 80u);
  const std::string at80 = std::string(79, 'a') + " " + std::string(5, 'b');
  EXPECT_EQ(wrapLine(at80), (V{std::string(79, 'a'), "bbbbb"}));
}

}  // namespace
