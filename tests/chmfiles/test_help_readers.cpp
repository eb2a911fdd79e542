// The contents, index and full-text readers over tables the compiler's
// writers build (what goes in comes out), and over damaged copies of them
// (cycles, offsets and counts past the end, deep nesting): a shorter result,
// never a crash or a loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "chmfiles/fulltext_reader.h"
#include "chmfiles/help_trees.h"
#include "chmfiles/page_scan.h"
#include "compile/binary_tables.h"
#include "compile/fulltext_index.h"
#include "table_bytes.h"

namespace {

Bytes span(const std::string& s) {
  return Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

// #TOPICS, #URLTBL, #URLSTR and #STRINGS of topics titled "Title N" on
// "pageN.htm", plus the #STRINGS texts the writers added to pool.
class Topics {
 public:
  Topics(std::size_t count, StringPool& pool) {
    urlstr_.u8(0);
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t title = pool.add("Title " + std::to_string(i));
      const auto url = static_cast<std::uint32_t>(urlstr_.size());
      urlstr_.u32(0).u32(0).text("page" + std::to_string(i) + ".htm");
      urltbl_.u32(0).u32(static_cast<std::uint32_t>(i)).u32(url);
      topics_.u32(0).u32(title).u32(static_cast<std::uint32_t>(12 * i)).u32(0);
    }
    strings_ = pool.bytes();
    lookup_.emplace(span(strings_), urltbl_.span(), urlstr_.span());
    std::vector<TopicEntry> entries = decodeTopics(topics_.span());
    names_.emplace(std::move(entries), *lookup_, 1252);
  }
  TopicNames& names() { return *names_; }

 private:
  TableBytes urlstr_, urltbl_, topics_;
  std::string strings_;
  std::optional<TopicLookup> lookup_;
  std::optional<TopicNames> names_;
};

// name(topic) or name(heading) with children, printed "name=page{...}".
std::string shape(const std::vector<HelpTreeEntry>& level) {
  std::string out;
  for (const HelpTreeEntry& e : level) {
    if (!out.empty()) out += ",";
    out += e.name;
    for (const TreeTopic& t : e.topics) out += "=" + t.local;
    if (!e.seeAlso.empty()) out += "->" + e.seeAlso;
    if (!e.children.empty()) out += "{" + shape(e.children) + "}";
  }
  return out;
}

std::size_t depthOf(const std::vector<HelpTreeEntry>& level) {
  std::size_t deepest = 0;
  for (const HelpTreeEntry& e : level) deepest = std::max(deepest, 1 + depthOf(e.children));
  return deepest;
}

TocNode toc(std::string name, std::optional<std::uint32_t> topic,
            std::vector<TocNode> children = {}) {
  return TocNode{std::move(name), topic, std::move(children)};
}

TEST(ContentsTable, WrittenTreeReadsBack) {
  StringPool pool;
  const std::vector<TocNode> tree = {
      toc("Title 0", 0),
      toc("Book", std::nullopt,
          {toc("Title 1", 1), toc("Inner", std::nullopt, {toc("Title 2", 2)})}),
      toc("Title 3", 3)};
  const TocIndex written = buildTocIndex(tree, pool);
  Topics topics(4, pool);
  EXPECT_EQ(shape(decodeTocIdx(span(written.bytes), topics.names())),
            "Title 0=page0.htm,Book{Title 1=page1.htm,Inner{Title 2=page2.htm}},Title "
            "3=page3.htm");
}

// Entries at 0x1000 + 28 k, each a book whose first child is the next one.
TableBytes tocChain(std::uint32_t count) {
  TableBytes b;
  b.u32(0x1000).zeros(0x1000 - 4);
  for (std::uint32_t k = 0; k < count; ++k) {
    const std::uint32_t at = 0x1000 + 28 * k;
    b.u16(0).u16(static_cast<std::uint16_t>(k)).u32(0x4 | 0x8).u32(0);
    b.u32(k == 0 ? 0 : at - 28).u32(0).u32(k + 1 < count ? at + 28 : 0).u32(0);
  }
  return b;
}

TEST(ContentsTable, DamageGivesAShorterTreeNeverALoop) {
  StringPool pool;
  Topics topics(1, pool);
  // Deep nesting is cut at the tree's depth limit.
  const TableBytes deep = tocChain(5000);
  EXPECT_EQ(depthOf(decodeTocIdx(deep.span(), topics.names())), kMaxTreeDepth);

  struct Case {
    const char* what;
    std::size_t field;  // offset in the chain of 3 entries
    std::uint32_t value;
    std::size_t entries;
  };
  const Case cases[] = {
      {"next sibling is itself", 0x1000 + 16, 0x1000, 3},
      {"child is its parent", 0x1000 + 28 + 20, 0x1000, 2},
      {"child past the end", 0x1000 + 28 + 20, 0x7FFFFFF0, 2},
      {"first entry past the end", 0, 0xFFFFFFFF, 0},
      {"first entry inside the header", 0, 2, 0},
      {"topic past #TOPICS", 0x1000 + 8, 999, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TableBytes b = tocChain(3);
    b.put32(c.field, c.value);
    std::vector<HelpTreeEntry> tree = decodeTocIdx(b.span(), topics.names());
    std::size_t n = 0;
    for (const std::vector<HelpTreeEntry>* level = &tree; !level->empty();
         level = &level->back().children)
      n += level->size();
    EXPECT_EQ(n, c.entries);
  }
  // Cut anywhere: never more than whole entries.
  const TableBytes whole = tocChain(3);
  for (std::size_t cut = 0; cut < whole.size(); cut += 7)
    decodeTocIdx(whole.span().first(cut), topics.names());
}

IndexNode keyword(std::string text, std::vector<std::uint32_t> topics,
                  std::vector<IndexNode> children = {}) {
  return IndexNode{std::move(text), std::move(topics), std::nullopt, std::move(children)};
}

TEST(KeywordTable, WrittenKeywordsReadBackSortedAndNested) {
  StringPool pool;
  Topics topics(3, pool);
  IndexNode see = keyword("zeta", {});
  see.seeAlso = "alpha";
  const KeywordLinks written =
      buildKeywordLinks({keyword("beta", {1, 2}), see,
                         keyword("alpha", {0}, {keyword("child", {2}, {keyword("deeper", {1})})}),
                         keyword("中文", {0})},
                        936, 0x804);
  EXPECT_EQ(shape(decodeKeywordTree(span(written.btree), topics.names())),
            "alpha=page0.htm{child=page2.htm{deeper=page1.htm}},beta=page1.htm=page2.htm,"
            "zeta->alpha,中文=page0.htm");

  // Enough keywords for several listing blocks and an index block above.
  std::vector<IndexNode> many;
  for (int i = 0; i < 3000; ++i)
    many.push_back(keyword("keyword " + std::to_string(10000 + i), {i % 3u}));
  const KeywordLinks big = buildKeywordLinks(many, 1252, 0x409);
  const std::vector<HelpTreeEntry> read = decodeKeywordTree(span(big.btree), topics.names());
  ASSERT_EQ(read.size(), 3000u);
  EXPECT_EQ(read.front().name, "keyword 10000");
  EXPECT_EQ(read.back().name, "keyword 12999");
  EXPECT_EQ(read[1234].topics.at(0).local, "page" + std::to_string(1234 % 3) + ".htm");
}

TEST(KeywordTable, DamageGivesFewerKeywordsNeverACrash) {
  StringPool pool;
  Topics topics(3, pool);
  std::vector<IndexNode> many;
  for (int i = 0; i < 300; ++i) many.push_back(keyword("k" + std::to_string(1000 + i), {1}));
  const std::string good = buildKeywordLinks(many, 1252, 0x409).btree;
  constexpr std::size_t kFirstBlock = 0x4C;
  struct Case {
    const char* what;
    std::size_t at, size;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"block size 0", 4, 2, 0},
      {"block size larger than the file", 4, 2, 0xFFFF},
      {"last listing block far past the end", 0x1A, 4, 0x7FFFFFFF},
      {"keyword count beyond the block", kFirstBlock + 2, 2, 0xFFFF},
      {"free space larger than the block", kFirstBlock, 2, 0xFFFF},
      {"page count of the first keyword huge", kFirstBlock + 12 + 12 + 12, 4, 0x40000000},
      {"depth of the first keyword huge", kFirstBlock + 12 + 12 + 2, 2, 0xFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string b = good;
    for (std::size_t i = 0; i < c.size; ++i) b[c.at + i] = static_cast<char>(c.value >> (8 * i));
    const std::vector<HelpTreeEntry> tree = decodeKeywordTree(span(b), topics.names());
    // Blocks read as listings may hold anything, but no more entries than
    // their bytes can.
    EXPECT_LE(tree.size(), b.size() / 20);
    EXPECT_LE(depthOf(tree), kMaxTreeDepth);
  }
  // A keyword text without its terminator at the end of the file.
  std::string cut = good.substr(0, kFirstBlock + 12 + 5);
  EXPECT_TRUE(decodeKeywordTree(span(cut), topics.names()).empty());
}

// An index of words "wNNNN" (NNNN from 0 to count - 1) in the bodies of
// topics NNNN % 7 and NNNN % 11 + 7, and "title" in the title of topic 3.
std::string builtIndex(int count) {
  FullTextIndex index(1252);
  std::vector<std::vector<std::string>> bodies(18);
  for (int i = 0; i < count; ++i) {
    char word[8];
    std::snprintf(word, sizeof word, "w%04d", i);
    bodies[i % 7].push_back(word);
    bodies[i % 11 + 7].push_back(word);
  }
  for (std::uint32_t t = 0; t < bodies.size(); ++t)
    index.addWords(t, t == 3 ? std::vector<std::string>{"title"} : std::vector<std::string>{},
                   bodies[t]);
  return index.build(static_cast<std::uint32_t>(bodies.size()), 0x409);
}

TEST(FullTextReader, FindsWhatTheWriterIndexed) {
  const std::string bytes = builtIndex(6000);  // several leaves and index levels
  const FullTextReader reader(span(bytes));
  ASSERT_TRUE(reader.valid());
  using V = std::vector<std::uint32_t>;
  EXPECT_EQ(reader.find("w1234", false, false), (V{2, 7 + 1234 % 11}));
  EXPECT_EQ(reader.find("W5999", false, false), (V{5999 % 7, 7 + 5999 % 11}));  // case
  EXPECT_EQ(reader.find("w0000", false, false), (V{0, 7}));                     // first word
  EXPECT_TRUE(reader.find("w123", false, false).empty());                       // whole words only
  EXPECT_TRUE(reader.find("w6000", false, false).empty());                      // after every word
  EXPECT_TRUE(reader.find("a", true, false).empty());                           // before every word
  // Ten words from w1230 to w1239 lie in every body topic between them.
  EXPECT_EQ(reader.find("w123", true, false).size(), 7u + 10u);
  EXPECT_EQ(reader.find("w", true, false).size(), 18u);  // across every leaf
  EXPECT_EQ(reader.find("title", false, true), (V{3}));
  EXPECT_TRUE(reader.find("w1234", false, true).empty());  // not in a title
  std::size_t words = 0;
  reader.forEachWord([&](const FullTextWord&) { return ++words < 100000; });
  EXPECT_EQ(words, 6001u);
}

TEST(FullTextReader, DamagedIndexesStayBounded) {
  const std::string good = builtIndex(3000);
  // Header fields that make the index unreadable.
  struct Case {
    const char* what;
    std::size_t at;
    std::uint8_t value;
  };
  const Case cases[] = {{"scale not 2", fts::kHdrCodes, 3},
                        {"root wider than 32 bits", fts::kHdrCodes + 1, 40},
                        {"depth 0", fts::kHdrDepth, 0},
                        {"depth beyond the limit", fts::kHdrDepth, 200},
                        {"root past the end", fts::kHdrRoot + 3, 0x70},
                        {"node size huge", fts::kHdrNodeSize + 2, 0x10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string b = good;
    b[c.at] = static_cast<char>(c.value);
    EXPECT_FALSE(FullTextReader(span(b)).valid());
  }
  EXPECT_FALSE(FullTextReader(span(good.substr(0, fts::kHeaderSize - 1))).valid());

  // A single leaf whose next leaf is itself: each word is met once.
  std::string looped = builtIndex(50);
  const std::uint32_t root = le32At(span(looped), fts::kHdrRoot);
  ASSERT_EQ(looped[fts::kHdrDepth], 1);
  for (int i = 0; i < 4; ++i) looped[root + i] = static_cast<char>(root >> (8 * i));
  std::size_t met = 0;
  FullTextReader(span(looped)).forEachWord([&](const FullTextWord&) { return ++met < 1000; });
  EXPECT_EQ(met, 51u);  // and "title"

  // Random damage everywhere: answers stay sorted and each walk ends.
  std::mt19937 random(29);
  for (int round = 0; round < 300; ++round) {
    std::string b = good;
    for (int k = 0; k < 8; ++k) b[random() % b.size()] = static_cast<char>(random());
    const FullTextReader damaged(span(b));
    for (const char* w : {"w1", "w2999", "title"}) {
      const std::vector<std::uint32_t> found = damaged.find(w, true, false);
      EXPECT_TRUE(std::adjacent_find(found.begin(), found.end(), std::greater_equal<>()) ==
                  found.end());
    }
    std::size_t words = 0;
    damaged.forEachWord([&](const FullTextWord& e) {
      damaged.topicsOf(e);
      return ++words < 1000000;
    });
    EXPECT_LT(words, 1000000u);
  }
}

TEST(FullTextReader, LocationListsAreCheckedAgainstTheirSize) {
  const std::string good = builtIndex(50);
  const FullTextReader reader(span(good));
  FullTextWord first;
  reader.forEachWord([&](const FullTextWord& w) {
    first = w;
    return w.word == "title";  // the first word in byte order
  });
  ASSERT_EQ(first.word, "w0000");
  ASSERT_EQ(reader.topicsOf(first).size(), 2u);
  FullTextWord e = first;
  e.topicCount = 0xFFFFFFFF;  // more topics than the list has bytes
  EXPECT_TRUE(reader.topicsOf(e).empty());
  e = first;
  e.listOffset = static_cast<std::uint32_t>(good.size());
  EXPECT_TRUE(reader.topicsOf(e).empty());
  e = first;
  e.listSize = 0;
  EXPECT_TRUE(reader.topicsOf(e).empty());
}

}  // namespace

namespace {

// Page text and word matching of the search that reads pages.
TEST(PageScan, TextAndWords) {
  EXPECT_EQ(pageText("<p>a&amp;b</p><!-- hidden --><SCRIPT>var x = '<p>';</Script>c<style>d"
                     "</style >e"),
            " a&b   c e");                     // one blank for each tag, comment, script and style
  EXPECT_EQ(pageText("x<scripted>y"), "x y");  // not a script element
  EXPECT_EQ(pageText("unclosed <b"), "unclosed  ");
  struct Case {
    const char* text;
    const char* word;
    bool prefix, holds;
  };
  const Case cases[] = {
      {"Using Pageant.", "pageant", false, true},
      {"pageants", "pageant", false, false},
      {"pageants", "pageant", true, true},
      {"subpageant", "pageant", true, false},
      {"a_pageant", "pageant", false, false},
      {"控制面板概述", "面板", false, true},
      {"x面板y", "面板", false, true},
      {"", "a", true, false},
      {"abc", "", true, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(textHoldsWord(c.text, c.word, c.prefix), c.holds) << c.text << " / " << c.word;
}

}  // namespace
