// The sitemap reader on the shapes real contents files take, well-formed
// and not.
#include "chmfiles/sitemap.h"

#include <gtest/gtest.h>

namespace {

TEST(Sitemap, NestsEntriesByLists) {
  const auto tree = parseSitemap(
      "<HTML><!-- <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"hidden\"> -->\n"
      "<OBJECT type=\"text/site properties\"><param name=\"Name\" value=\"props\"></OBJECT>\n"
      "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Book\">"
      "<param name=\"Name\" value=\"second name\"></OBJECT>\n"
      "  <UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Page\">"
      "<param name=\"Local\" value=\"dir\\page.htm\"><param name=\"Local\" value=\"x.htm\">"
      "</OBJECT></UL>\n"
      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"After\"></OBJECT></UL>");
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree[0].name, "Book");
  ASSERT_EQ(tree[0].children.size(), 1u);
  EXPECT_EQ(tree[0].children[0].name, "Page");
  EXPECT_EQ(tree[0].children[0].local, "dir\\page.htm");
  EXPECT_EQ(tree[1].name, "After");
  EXPECT_EQ(tree[0].children[0].locals, (std::vector<std::string>{"dir\\page.htm", "x.htm"}));
}

TEST(Sitemap, ListsOneAfterAnotherStayAtTheirLevelAndSeeAlsoIsKept) {
  // Index files written one list per keyword; a sub-list still nests.
  const auto tree = parseSitemap(
      "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"one\"></OBJECT></UL>\n"
      "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"two\">"
      "<param name=\"See Also\" value=\"one\"></OBJECT>\n"
      "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"sub\"></OBJECT></UL>"
      "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"sub2\"></OBJECT></UL>"
      "</UL>");
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree[1].seeAlso, "one");
  ASSERT_EQ(tree[1].children.size(), 2u);
  EXPECT_EQ(tree[1].children[1].name, "sub2");
}

TEST(Sitemap, ToleratesMissingTagsOddQuotingAndCase) {
  // Unclosed OBJECTs, bare and single-quoted values, upper-case names, a
  // "URL" parameter, stray closing lists and a truncated end.
  const auto tree = parseSitemap(
      "</UL></UL><ul><li><object TYPE='text/sitemap'><PARAM NAME=name VALUE='It''s'>"
      "<param name=URL value=http://example.org/>\n"
      "<li><object type=\"TEXT/SITEMAP\"><param name=\"Name\" value=\"a > b\">"
      "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"deep");
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree[0].name, "It");
  EXPECT_EQ(tree[0].local, "http://example.org/");
  EXPECT_EQ(tree[1].name, "a > b");
  ASSERT_EQ(tree[1].children.size(), 1u);
  EXPECT_EQ(tree[1].children[0].name, "deep");
}

TEST(Sitemap, DepthIsBounded) {
  std::string html;
  for (int i = 0; i < 100000; ++i)
    html += "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"n\"></OBJECT>";
  const auto tree = parseSitemap(html);
  std::size_t depth = 0;
  for (const std::vector<SitemapEntry>* level = &tree; !level->empty();
       level = &level->back().children)
    ++depth;
  EXPECT_LE(depth, kMaxSitemapDepth + 1);
  EXPECT_GE(depth, kMaxSitemapDepth - 1);
}

}  // namespace
