// A help file whose every text a report page shows carries markup that
// would run script if it reached the page unescaped: the title, window
// types, default font, topic titles, #STRINGS, #URLSTR, #IVB, #IDXHDR,
// internal file names, contents entries and their link targets. The file
// is compiled from a project by our own compiler. Every report page, built
// in process and by wrenlow-cli, holds the markup only escaped, declares
// its Content-Security-Policy before any text from the file, links only to
// help files, and is created privately.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <regex>

#include "its/its_storage.h"
#include "report/report_pages.h"
#include "tests/common/corpus_oracles.h"
#include "tests/compile/compiled_project.h"

namespace {

// Markup that runs script wherever it lands unescaped, in text or in a
// quoted attribute ("'\"" closes either kind of quote first).
const std::string kScript = "<script>hostile()</script>";
const std::string kImage = "<img src=x onerror=hostile()>";
const std::string kMarkup = kScript + "'\"" + kImage;
// A file name may hold no "/".
const std::string kName = kImage;

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

compiled::Files hostileProject() {
  compiled::Files files;
  const std::string page = "<html><head><title>" + kMarkup +
                           "</title><link rel=stylesheet href=style.css></head><body>" + kMarkup +
                           "</body></html>";
  files["page.htm"] = page;
  files[kName + ".htm"] = page;
  files["style.css"] = "b { color: red }\r\n" + kMarkup + "\r\n";
  files["script.js"] = "var a = '" + kMarkup + "';\r\n";
  files["toc.hhc"] =
      "<UL>\r\n"
      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"" +
      kScript + "&quot;&#39;" + kImage +
      "\"><param name=\"Local\" value=\"page.htm\"></OBJECT>\r\n"
      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"js\">"
      "<param name=\"Local\" value=\"javascript:hostile()\"></OBJECT>\r\n"
      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"web\">"
      "<param name=\"Local\" value=\"http://127.0.0.1:9/hostile\"></OBJECT>\r\n"
      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"quote\">"
      "<param name=\"Local\" value=\"page.htm&quot; onmouseover=&quot;hostile()\"></OBJECT>\r\n"
      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"file\">"
      "<param name=\"Local\" value=\"file:///etc/hostname\"></OBJECT>\r\n"
      "</UL>\r\n";
  const std::string options =
      "Compiled file=h.chm\r\nContents file=toc.hhc\r\n"
      "Default topic=page.htm\r\nDefault Window=main\r\n"
      "Default Font=" +
      kScript + ",9,0\r\nTitle=" + kMarkup + "\r\nLanguage=0x409\r\n";
  const std::string sections = "[WINDOWS]\r\nmain=\"" + kScript +
                               "\",\"toc.hhc\",,\"page.htm\",\"page.htm\",\"" + kName +
                               ".htm\",\"" + kImage + "\",\"page.htm\",\"" + kScript +
                               "\",0x2520,200,0x3006,[10,10,600,400],,,,,,0\r\n\r\n"
                               "[MAP]\r\n#define IDH_A 10\r\n\r\n[ALIAS]\r\nIDH_A=" +
                               kName + ".htm\r\n\r\n[MERGE FILES]\r\n" + kName + ".chm\r\n";
  files["project.hhp"] = compiled::project(files, options, sections);
  return files;
}

struct Page {
  std::string name;  // as wrenlow-cli names it
  PageResult (*build)(ReportPages&);
  bool html;
};

const Page kPages[] = {
    {"system", [](ReportPages& p) { return p.system(); }, true},
    {"windows", [](ReportPages& p) { return p.windows(); }, true},
    {"topics", [](ReportPages& p) { return p.topics(); }, true},
    {"urlstr", [](ReportPages& p) { return p.urlStr(); }, true},
    {"strings", [](ReportPages& p) { return p.strings(); }, true},
    {"ivb", [](ReportPages& p) { return p.ivb(); }, true},
    {"idxhdr", [](ReportPages& p) { return p.idxHeader(); }, true},
    {"general", [](ReportPages& p) { return p.generalInfo(); }, true},
    {"text:style.css", [](ReportPages& p) { return p.textFile("style.css"); }, true},
    {"text:script.js", [](ReportPages& p) { return p.textFile("script.js"); }, true},
    {"contents:toc.hhc", [](ReportPages& p) { return p.contents("toc.hhc"); }, true},
    {"view:/page.htm", [](ReportPages& p) { return p.textView("/page.htm"); }, false},
};

// What must hold for one page's bytes; the markup is expected somewhere in
// it (escaped) so that a page which dropped the field cannot pass.
void checkPage(const std::string& name, const std::string& bytes, bool html) {
  SCOPED_TRACE(name);
  ASSERT_TRUE(bytes.starts_with("\xEF\xBB\xBF"));
  if (!html) {
    // The text view is plain text: the source as it is, no HTML around it.
    EXPECT_NE(bytes.find(kScript), std::string::npos);
    EXPECT_EQ(bytes.find("<META"), std::string::npos);
    return;
  }
  const std::string text = lower(bytes);
  // The policy comes first, before any text from the file.
  const std::string meta = "<meta http-equiv=\"content-security-policy\" content=\"";
  ASSERT_EQ(text.find(meta), 3u);
  const std::size_t end = bytes.find('"', 3 + meta.size());
  const std::string policy = bytes.substr(3 + meta.size(), end - 3 - meta.size());
  EXPECT_NE(policy.find("default-src 'none'"), std::string::npos) << policy;
  // Nothing of the markup is live: no tag of it, and where it stands
  // inside one of the builder's tags it is within a quoted value (the
  // escaping leaves no raw quote to close it).
  for (const char* live : {"<script>hostile", "<img", "javascript:", "href=\"http", "href=\"file"})
    EXPECT_EQ(text.find(live), std::string::npos) << live;
  for (std::size_t at = text.find("hostile"); at != std::string::npos;
       at = text.find("hostile", at + 1)) {
    const std::size_t open = text.rfind('<', at);
    const std::size_t close = text.rfind('>', at);
    if (open == std::string::npos || (close != std::string::npos && close > open)) continue;
    const auto quotes = std::count(text.begin() + open, text.begin() + at, '"');
    EXPECT_EQ(quotes % 2, 1) << text.substr(open, at - open + 10);
  }
  EXPECT_TRUE(text.find("&lt;script&gt;hostile()&lt;/script&gt;") != std::string::npos ||
              text.find("&lt;img src=x onerror=hostile()&gt;") != std::string::npos);
  // The only script is the builder's, allowed by this page's nonce.
  const std::regex scriptTag("<script([^>]*)>", std::regex::icase);
  for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), scriptTag);
       it != std::sregex_iterator(); ++it) {
    const std::string attributes = (*it)[1];
    const std::size_t at = attributes.find("nonce=\"");
    ASSERT_NE(at, std::string::npos) << it->str();
    const std::string nonce = attributes.substr(at + 7, attributes.find('"', at + 7) - at - 7);
    EXPECT_EQ(nonce.size(), 32u);
    EXPECT_NE(policy.find("'nonce-" + nonce + "'"), std::string::npos);
  }
  // Links lead only into help files.
  const std::regex href("href=\"([^\"]*)\"", std::regex::icase);
  for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), href);
       it != std::sregex_iterator(); ++it) {
    const std::string target = lower((*it)[1]);
    EXPECT_TRUE(target.starts_with("its:") || target.starts_with("ms-its:") ||
                target.starts_with("mk:@msitstore:"))
        << target;
  }
}

// The hostile project compiled to dir/h.chm and opened in storage, and an
// empty folder dir/pages for the report pages.
void openHostileFile(const crafted::TempDir& dir, ItsStorage& storage) {
  ASSERT_TRUE(compiled::build(dir / "project", hostileProject(), dir / "h.chm"));
  ASSERT_EQ(storage.open((dir / "h.chm").c_str()), itss::S_OK);
  ASSERT_EQ(::mkdir((dir / "pages").c_str(), 0700), 0);
}

TEST(HostileHelpFile, EveryReportPageHoldsTheFilesMarkupOnlyEscaped) {
  crafted::TempDir dir;
  ItsStorage storage;
  ASSERT_NO_FATAL_FAILURE(openHostileFile(dir, storage));
  const std::string chm = dir / "h.chm";
  ReportPages pages(storage.root(), chm, dir / "pages");

  const std::string cli = WRENLOW_BINARY_DIR "/src/cli/wrenlow-cli";
  for (const Page& page : kPages) {
    const PageResult result = page.build(pages);
    ASSERT_NE(result.outcome, PageOutcome::kBinaryFile) << page.name;
    checkPage(page.name, crafted::readFile(result.path), page.html);
    // Created privately: readable by the owner only.
    struct stat st {};
    ASSERT_EQ(::lstat(result.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << page.name;

    // The same page through wrenlow-cli.
    const std::string out =
        corpus::run(corpus::shellQuoted(cli) + " report " + corpus::shellQuoted(chm) + " " +
                    corpus::shellQuoted(page.name));
    checkPage("wrenlow-cli " + page.name, out, page.html);
  }
}

TEST(ReportPageFiles, ASymbolicLinkInThePlaceOfAPageIsNotWrittenThrough) {
  crafted::TempDir dir;
  ItsStorage storage;
  ASSERT_NO_FATAL_FAILURE(openHostileFile(dir, storage));
  const std::string chm = dir / "h.chm", folder = dir / "pages";
  const std::string victim = dir / "victim.txt";
  std::ofstream(victim) << "untouched";
  ASSERT_EQ(::symlink(victim.c_str(), (folder + "/" + kSystemPage).c_str()), 0);
  ReportPages pages(storage.root(), chm, folder);
  const PageResult result = pages.system();
  ASSERT_EQ(result.outcome, PageOutcome::kShow);
  EXPECT_EQ(crafted::readFile(victim), "untouched");
  struct stat st {};
  ASSERT_EQ(::lstat(result.path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  // Each page has a nonce of its own.
  const std::string a = crafted::readFile(pages.generalInfo().path);
  const std::string b = crafted::readFile(pages.generalInfo().path);
  EXPECT_NE(a.substr(0, a.find("</SCRIPT>")), b.substr(0, b.find("</SCRIPT>")));
}

}  // namespace
