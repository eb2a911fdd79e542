// The plain-text rules of the help-page host: its: addresses, MIME types and
// charsets, and training-card links.
#include <gtest/gtest.h>

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
