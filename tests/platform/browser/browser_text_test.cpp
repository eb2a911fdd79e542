// The plain-text rules of the help-page host: its: addresses, the per-file
// origins and which requests the profile lets through, MIME types and
// charsets, and training-card links.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/browser/closed_profile.h"
#include "platform/browser/help_origins.h"
#include "platform/browser/its_scheme_handler.h"
#include "platform/browser/its_url.h"
#include "platform/browser/page_types.h"
#include "platform/browser/tcard_link.h"

using namespace browser;

TEST(ItsUrl, ThreeSpellingsNameTheSameFile) {
  for (const char* url : {"its:/h/a.chm::/d/p.htm", "MS-ITS:/h/a.chm::/d/p.htm#top",
                          "mk:@MSITStore:/h/a.chm::/d/p.htm?x=1"}) {
    auto a = parseItsUrl(url);
    ASSERT_TRUE(a) << url;
    EXPECT_EQ(a->helpFile, "/h/a.chm") << url;
    EXPECT_EQ(a->internalPath, "/d/p.htm") << url;
  }
  EXPECT_FALSE(parseItsUrl("its:/h/a.chm"));  // no "::"
  EXPECT_FALSE(parseItsUrl("its:::/p.htm"));  // no file
  EXPECT_FALSE(parseItsUrl("http://h/a.chm::/p.htm"));
}

TEST(ItsUrl, InternalPathStaysInsideTheHelpFile) {
  EXPECT_EQ(splitItsPath("/a.chm::d\\e\\p.htm")->internalPath, "/d/e/p.htm");
  EXPECT_EQ(splitItsPath("/a.chm::/d/./x/../p.htm")->internalPath, "/d/p.htm");
  EXPECT_EQ(splitItsPath("/a.chm::/../../etc/passwd")->internalPath, "/etc/passwd");
  EXPECT_EQ(splitItsPath("/a.chm::/d/")->internalPath, "/d/");
  EXPECT_EQ(makeItsUrl("/a.chm", "p.htm"), "its:/a.chm::/p.htm");
  EXPECT_EQ(makeItsUrl("/a.chm", "/p.htm"), "its:/a.chm::/p.htm");
}

TEST(PageTypes, MimeAndCharset) {
  EXPECT_STREQ(mimeTypeForPath("/d/P.HTM"), "text/html");
  EXPECT_STREQ(mimeTypeForPath("/img.GIF"), "image/gif");
  EXPECT_STREQ(mimeTypeForPath("/d.x/noext"), "application/octet-stream");
  EXPECT_STREQ(mimeTypeForPath("/a.bin"), "application/octet-stream");
  // HTML that names no charset gets the help file's.
  EXPECT_EQ(contentTypeFor("/p.htm", "<html><body>x", 936), "text/html;charset=GBK");
  EXPECT_EQ(contentTypeFor("/s.css", "body{}", 950), "text/css;charset=Big5");
  // A declaration, in either spelling, or a byte-order mark is left to rule.
  EXPECT_EQ(contentTypeFor(
                "/p.htm", "<META http-equiv=Content-Type content='text/html; CHARSET=utf-8'>", 936),
            "text/html");
  EXPECT_EQ(contentTypeFor("/p.htm", "<meta charset=\"big5\">", 936), "text/html");
  EXPECT_EQ(contentTypeFor("/p.htm", "\xEF\xBB\xBF<p>", 936), "text/html");
  // ... but only where browsers look for it.
  EXPECT_EQ(contentTypeFor("/p.htm", std::string(1100, ' ') + "<meta charset=utf-8>", 936),
            "text/html;charset=GBK");
  EXPECT_EQ(contentTypeFor("/i.png", "\x89PNG", 936), "image/png");
  EXPECT_EQ(contentTypeFor("/p.htm", "x", 12345), "text/html");
}

TEST(TCardLinks, ParsedAsThePaneExpects) {
  const std::string_view pane[] = {"Corrie:", "Tamblin:"};
  auto parse = [&](std::string_view url) { return parseTCardLink(url, pane); };

  TCardLink l = parse("Tamblin:TCard(5)");
  EXPECT_EQ(l.kind, TCardLink::Card);
  EXPECT_EQ(l.first, 5);
  EXPECT_EQ(l.second, 0);
  EXPECT_FALSE(l.secondIsText);

  l = parse("tamblin:tcard( 5 ,\t7)");
  EXPECT_EQ(l.kind, TCardLink::Card);
  EXPECT_EQ(l.first, 5);
  EXPECT_EQ(l.second, 7);

  l = parse("CORRIE:TCard(5, settings)");
  EXPECT_EQ(l.kind, TCardLink::Card);
  EXPECT_TRUE(l.secondIsText);
  EXPECT_EQ(l.text, "settings");
  EXPECT_EQ(parse("Corrie:TCard(5,no close").text, "no close");

  // A hexadecimal or negative first number keeps its second argument.
  l = parse("Tamblin:TCard(0x1A, 3)");
  EXPECT_EQ(l.first, 26);
  EXPECT_EQ(l.second, 3);
  l = parse("Tamblin:TCard(-2,9)");
  EXPECT_EQ(l.first, -2);
  EXPECT_EQ(l.second, 9);

  EXPECT_EQ(parse("Tamblin:TCard 5").kind, TCardLink::Malformed);
  EXPECT_EQ(parse("Tamblin:Other(5)").kind, TCardLink::Ignored);
  EXPECT_EQ(parse("its:/a.chm::/TCard(5)").kind, TCardLink::NotALink);

  const std::string_view about[] = {"Tamblin:"};
  EXPECT_EQ(parseTCardLink("Corrie:TCard(5)", about).kind, TCardLink::NotALink);
}

TEST(HelpOrigins, OneHostPerFileWhateverItsPathsSpelling) {
  char folder[] = "/tmp/wl-origins-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string dir = folder;
  std::ofstream(dir + "/a.chm") << "x";
  std::ofstream(dir + "/b.chm") << "x";
  ASSERT_EQ(::symlink((dir + "/a.chm").c_str(), (dir + "/link.chm").c_str()), 0);
  const std::string a = originHost(dir + "/a.chm");
  EXPECT_EQ(a.size(), 16u);
  EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(originHost(dir + "/./a.chm"), a);
  EXPECT_EQ(originHost(dir + "/link.chm"), a);
  EXPECT_NE(originHost(dir + "/b.chm"), a);
  EXPECT_EQ(helpFileOfHost(a), dir + "/a.chm");
  EXPECT_FALSE(helpFileOfHost("0000000000000000"));

  // Addresses as the hosts see them name the file, never the host.
  const QUrl page = originUrl(dir + "/a.chm", "/d/p q.htm", QStringLiteral("top"));
  EXPECT_EQ(page.scheme(), QStringLiteral("helpfile"));
  EXPECT_FALSE(page.toString().contains(QStringLiteral("a.chm")));
  EXPECT_EQ(displayAddress(page), "its:" + dir + "/a.chm::/d/p q.htm#top");
  // Links by file name, absolute or beside the page's file.
  EXPECT_EQ(*originUrlOfLink(QUrl(QStringLiteral("ms-its:b.chm::/x.htm")), dir + "/a.chm"),
            originUrl(dir + "/b.chm", "/x.htm"));
  EXPECT_EQ(originUrlOfLink(QUrl(QStringLiteral("ms-its:b.chm::/x.htm")), ""), std::nullopt);

  // What the profile lets through, for a page of a.chm as the top page.
  const QUrl top = originUrl(dir + "/a.chm", "/p.htm");
  const QUrl report = QUrl::fromLocalFile(QStringLiteral("/nonexistent/~system.htm"));
  auto u = [](const std::string& text) { return QUrl(QString::fromStdString(text)); };
  const struct {
    QUrl url;
    QUrl firstParty;
    RequestKind kind;
    bool allowed;
  } cases[] = {
      {originUrl(dir + "/a.chm", "/s.css"), top, RequestKind::Resource, true},
      {originUrl(dir + "/a.chm", "/f.htm"), top, RequestKind::Frame, true},
      {originUrl(dir + "/b.chm", "/q.htm"), top, RequestKind::Page, true},  // a link to b
      {originUrl(dir + "/b.chm", "/q.htm"), top, RequestKind::Frame, false},
      {originUrl(dir + "/b.chm", "/q.htm"), top, RequestKind::Resource, false},
      {u("its:" + dir + "/b.chm::/q.htm"), top, RequestKind::Page, true},
      {u("its:" + dir + "/b.chm::/q.htm"), top, RequestKind::Frame, false},
      {u("ms-its:b.chm::/q.htm"), top, RequestKind::Resource, false},
      {u("ms-its:a.chm::/s.css"), top, RequestKind::Resource, true},
      {u("mk:@MSITStore:" + dir + "/link.chm::/s.css"), top, RequestKind::Frame, true},
      {u("its:" + dir + "/a.chm::/s.css"), report, RequestKind::Resource, false},
      {top, report, RequestKind::Frame, false},
      {u("http://127.0.0.1:9/"), top, RequestKind::Page, false},
      {u("ws://127.0.0.1:9/"), top, RequestKind::Resource, false},
      {u("file:///etc/hostname"), top, RequestKind::Page, false},
      {u("javascript:alert(1)"), top, RequestKind::Page, false},
      {u("data:text/html,x"), top, RequestKind::Frame, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(requestAllowed(c.url, c.firstParty, c.kind), c.allowed)
        << c.url.toString().toStdString() << " from " << c.firstParty.toString().toStdString()
        << " kind " << static_cast<int>(c.kind);
  std::filesystem::remove_all(dir);
}
