// The binary contents and index: read back here the way a viewer walks them
// (entries by offset, keywords by descending the tree), and, in a compiled
// file, by chmls, which rebuilds sitemaps from these tables.
#include "compile/binary_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <set>

#include "chmfiles/sitemap.h"
#include "chmfiles/system_file.h"
#include "chmfiles/topic_tables.h"
#include "common/string_utils.h"
#include "compile/compiler.h"
#include "decompile/decompile_run.h"
#include "its/its_storage.h"
#include "platform/itss/bytes.h"
#include "platform/system/codepage.h"
#include "tests/common/corpus_oracles.h"
#include "tests/common/recording_prompter.h"
#include "tests/compile/compiled_project.h"
#include "tests/decompile/crafted_file.h"

namespace {

namespace fs = std::filesystem;
using crafted::TempDir;
using itss::le16;
using itss::le32;

std::uint32_t at32(const std::string& b, std::size_t off) {
  return le32(reinterpret_cast<const std::uint8_t*>(b.data()) + off);
}
std::uint16_t at16(const std::string& b, std::size_t off) {
  return le16(reinterpret_cast<const std::uint8_t*>(b.data()) + off);
}
std::u16string textAt(const std::string& b, std::size_t& off) {
  std::u16string s;
  while (char16_t c = at16(b, off)) {
    s += c;
    off += 2;
  }
  off += 2;
  return s;
}

// One keyword entry of a BTree block, as a viewer decodes it.
struct Keyword {
  std::string text;
  std::uint16_t depth = 0;
  std::uint32_t charIndex = 0;
  std::vector<std::uint32_t> topics;
  std::string seeAlso;
  std::uint32_t data = 0;   // listing entries only
  std::uint32_t child = 0;  // index entries only
};

// strict: the file is ours, its fixed fields are checked too (the original
// compiler leaves some of them unset).
Keyword readKeyword(const std::string& b, std::size_t& off, bool listing, bool strict = true) {
  Keyword k;
  k.text = cp::utf16ToUtf8(textAt(b, off));
  const bool seeAlso = at16(b, off) == 2;
  k.depth = at16(b, off + 2);
  k.charIndex = at32(b, off + 4);
  const std::uint32_t count = at32(b, off + 12);
  off += 16;
  if (seeAlso) {
    k.seeAlso = cp::utf16ToUtf8(textAt(b, off));
  } else {
    for (std::uint32_t i = 0; i < count; ++i, off += 4) k.topics.push_back(at32(b, off));
  }
  if (listing) {
    if (strict) {
      EXPECT_EQ(at32(b, off), 1u);
    }
    k.data = at32(b, off + 4);
    off += 8;
  } else {
    k.child = at32(b, off);
    off += 4;
  }
  return k;
}

constexpr std::size_t kTreeHeader = 0x4C, kBlock = 2048;

// Every keyword in listing order, following the chain of listing blocks.
std::vector<Keyword> listingKeywords(const std::string& tree, bool strict = true) {
  std::vector<Keyword> out;
  std::int32_t block = 0, previous = -1;
  for (std::size_t visited = 0;
       block >= 0 && visited < tree.size() / kBlock &&
       kTreeHeader + kBlock * static_cast<std::size_t>(block + 1) <= tree.size();
       ++visited) {
    const std::size_t base = kTreeHeader + kBlock * static_cast<std::size_t>(block);
    if (strict) {
      EXPECT_EQ(static_cast<std::int32_t>(at32(tree, base + 4)), previous);
    }
    std::size_t off = base + 12;
    for (std::uint16_t i = 0; i < at16(tree, base + 2); ++i)
      out.push_back(readKeyword(tree, off, true, strict));
    if (strict) {
      EXPECT_EQ(at16(tree, base), kBlock - (off - base)) << "free space of block " << block;
    }
    previous = block;
    block = static_cast<std::int32_t>(at32(tree, base + 8));
  }
  return out;
}

// The listing block a keyword is in, found from the root as a viewer looks
// it up: in each index block, the last entry not after it.
std::uint32_t descend(const std::string& tree, const std::vector<Keyword>& all, std::size_t k) {
  std::uint32_t block = at32(tree, 0x1E);
  for (std::uint16_t level = at16(tree, 0x2A); level > 1; --level) {
    const std::size_t base = kTreeHeader + kBlock * block;
    std::uint32_t next = at32(tree, base + 4);
    std::size_t off = base + 8;
    for (std::uint16_t i = 0; i < at16(tree, base + 2); ++i) {
      const Keyword key = readKeyword(tree, off, false);
      std::size_t pos = 0;
      while (all[pos].text != key.text) ++pos;
      if (pos > k) break;
      next = key.child;
    }
    block = next;
  }
  return block;
}

IndexNode node(std::string keyword, std::vector<std::uint32_t> topics,
               std::vector<IndexNode> children = {}) {
  IndexNode n;
  n.keyword = std::move(keyword);
  n.topics = std::move(topics);
  n.children = std::move(children);
  return n;
}

TEST(BinaryIndex, KeywordsSortedMergedAndNested) {
  IndexNode seeAlso = node("green", {});
  seeAlso.seeAlso = "zebra";
  const std::vector<IndexNode> roots{
      node("zebra", {0}),        node("apple", {1, 2}, {node("red", {4}), seeAlso}),
      node("-ai (switch)", {3}), node("Heading", {}),
      node("apple", {2, 5}),  // the same keyword again: one entry, topics joined
      node("_Zeta", {0}),     // a leading underscore does not count
      node("a=b", {0}),       // "=" after the other punctuation
      node("a^b", {0}),       // punctuation before digits
      node("a1", {0}),
  };
  const KeywordLinks k = buildKeywordLinks(roots, 1252, 0x409);
  ASSERT_EQ(k.keywords, 10u);
  EXPECT_EQ(at16(k.btree, 0), 0x293B);
  EXPECT_EQ(k.btree.size(), kTreeHeader + kBlock);
  const std::vector<Keyword> all = listingKeywords(k.btree);
  std::vector<std::string> texts;
  for (const Keyword& w : all) texts.push_back(w.text);
  // Hyphens and letter case do not count.
  EXPECT_EQ(texts,
            (std::vector<std::string>{"a^b", "a=b", "a1", "-ai (switch)", "apple", "apple, green",
                                      "apple, red", "Heading", "zebra", "_Zeta"}));
  EXPECT_EQ(all[4].topics, (std::vector<std::uint32_t>{1, 2, 2, 5}));  // repeats kept
  EXPECT_EQ(all[5].depth, 1);
  EXPECT_EQ(all[5].charIndex, 7u);
  EXPECT_EQ(all[5].seeAlso, "zebra");
  EXPECT_EQ(all[7].seeAlso, "Heading");  // a keyword without pages points to itself
  for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(all[i].data, 13 * i);
  EXPECT_EQ(k.data.size(), 13u * 10);
  EXPECT_EQ(k.map, std::string("\1\0\0\0\0\0\0\0\0\0", 10));
  EXPECT_EQ(k.property.size(), 32u);

  const KeywordLinks none = buildKeywordLinks({}, 1252, 0x409);
  EXPECT_EQ(none.keywords, 0u);
  EXPECT_TRUE(none.btree.empty());
  EXPECT_EQ(none.property, std::string(4, '\0'));
}

TEST(BinaryIndex, ManyKeywordsMakeATreeEveryKeywordIsFoundIn) {
  std::vector<IndexNode> roots;
  for (int i = 0; i < 6000; ++i) {
    std::string word = "kw" + std::to_string(i * 7919 % 6000) + std::string(i % 23, 'x');
    roots.push_back(node(word, {static_cast<std::uint32_t>(i % 5)}));
  }
  roots.push_back(node("many", std::vector<std::uint32_t>(1000, 1)));  // more than a block holds
  const KeywordLinks k = buildKeywordLinks(roots, 1252, 0x409);
  const std::uint32_t blocks = at32(k.btree, 0x26);
  EXPECT_EQ(k.btree.size(), kTreeHeader + kBlock * blocks);
  EXPECT_GE(at16(k.btree, 0x2A), 3) << "depth";
  EXPECT_EQ(at32(k.btree, 0x2C), 6001u);
  EXPECT_EQ(at32(k.btree, 0x1E), blocks - 1) << "the root is the last block";

  const std::vector<Keyword> all = listingKeywords(k.btree);
  ASSERT_EQ(all.size(), 6001u);
  // Map: the first keyword of each listing block.
  const std::uint16_t listing = at16(k.map, 0);
  EXPECT_EQ(listing, at32(k.btree, 0x1A) + 1);
  std::vector<std::uint32_t> blockOf(all.size());
  for (std::uint16_t b = 0; b < listing; ++b) {
    const std::uint32_t first = at32(k.map, 2 + 8 * b),
                        end = b + 1 < listing ? at32(k.map, 2 + 8 * (b + 1))
                                              : static_cast<std::uint32_t>(all.size());
    EXPECT_EQ(at32(k.map, 6 + 8 * b), b);
    for (std::uint32_t i = first; i < end; ++i) blockOf[i] = b;
  }
  for (std::size_t i = 0; i < all.size(); i += 37) EXPECT_EQ(descend(k.btree, all, i), blockOf[i]);
  EXPECT_EQ(descend(k.btree, all, all.size() - 1), blockOf.back());
  for (const Keyword& w : all)
    if (w.text == "many") {
      EXPECT_LT(w.topics.size(), 1000u);
    }
}

TocNode toc(std::string name, std::optional<std::uint32_t> topic,
            std::vector<TocNode> children = {}) {
  return {std::move(name), topic, std::move(children)};
}

TEST(BinaryContents, EntriesLinkAsAViewerWalksThem) {
  StringPool strings;
  const std::vector<TocNode> roots{
      toc("Start", 0), toc("Book", std::nullopt, {toc("One", 1), toc("Two", 2, {toc("Deep", 1)})}),
      toc("End", 3)};
  const TocIndex t = buildTocIndex(roots, strings);
  const std::string& b = t.bytes;
  ASSERT_EQ(at32(b, 0), 0x1000u);
  // Walk: name or topic of each entry, depth first, checking parents.
  std::vector<std::string> seen;
  std::function<void(std::uint32_t, std::uint32_t, int)> walk =
      [&](std::uint32_t off, std::uint32_t parent, int depth) {
        for (; off != 0; off = at32(b, off + 16)) {
          const std::uint32_t flags = at32(b, off + 4), value = at32(b, off + 8);
          EXPECT_EQ(at32(b, off + 12), parent);
          std::string label = std::string(depth, '>') +
                              ((flags & 8) ? "#" + std::to_string(value)
                                           : std::string(strings.bytes().c_str() + value));
          seen.push_back(label);
          if (flags & 4) walk(at32(b, off + 20), off, depth + 1);
        }
      };
  walk(at32(b, 0), 0, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"#0", "Book", ">#1", ">#2", ">>#1", "#3"}));
  // The topic list and the records after it: one per entry with a topic.
  const std::uint32_t records = at32(b, 4), count = at32(b, 8), list = at32(b, 12);
  ASSERT_EQ(count, 5u);
  EXPECT_EQ(b.size(), records + 16 * count);
  EXPECT_EQ(at32(b, list + 4 * 3), 1u);  // "Deep"
  for (std::uint32_t i = 0; i < count; ++i) {
    EXPECT_EQ(at32(b, records + 16 * i + 8), list + 4 * i);
    EXPECT_EQ(at32(b, at32(b, records + 16 * i) + 8), at32(b, list + 4 * i));
  }
  // #TOPICS points at the first entry of each topic.
  std::map<std::uint32_t, std::uint32_t> first(t.topicEntries.begin(), t.topicEntries.end());
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(at32(b, first[1] + 8), 1u);
  EXPECT_LT(first[1], first[2]);
}

bool haveChmls() { return std::system("command -v chmls >/dev/null 2>&1") == 0; }
using corpus::run;

using crafted::put;

using compiled::outline;

// A Chinese project with both tables: chmls, which builds its contents and
// index from #TOCIDX and $WWKeywordLinks when they are present, gives back
// the project's trees; decompiling gives back the sitemap files.
TEST(BinaryTablesCompiled, ReadBackByChmlsAndDecompile) {
  TempDir dir;
  const std::string folder = dir / "p";
  const auto gbk = [](std::string_view s) { return cp::fromUtf8(s, 936); };
  put(folder + "/p.hhp",
      gbk("[OPTIONS]\r\nCompiled file=out.chm\r\nTitle=二进制目录和索引的示例\r\n"
          "Contents file=目录.hhc\r\n"
          "Index file=index.hhk\r\nLanguage=0x804\r\nBinary TOC=Yes\r\n"
          "Binary Index=Yes\r\n\r\n[FILES]\r\na.htm\r\nsub\\b.htm\r\n"));
  put(folder + "/a.htm", gbk("<html><head><title>甲</title></head><body>a</body></html>"));
  put(folder + "/sub/b.htm", gbk("<html><head><title>乙</title></head><body>b</body></html>"));
  using compiled::item, compiled::local;
  const std::string hhc =
      gbk("<HTML><BODY><UL>" + item("甲", local("a.htm")) + item("章", "") + "<UL>" +
          item("乙", local("sub\\b.htm")) + item("乙的一处", local("sub/b.htm#x")) + "</UL>" +
          item("甲 &amp; 别名", local("a.htm")) + "</UL></BODY></HTML>");
  const std::string hhk =
      gbk("<HTML><BODY><UL>" + item("中文", local("a.htm") + local("sub/b.htm")) + "<UL>" +
          item("子项", local("sub/b.htm")) + "</UL>" + item("Zulu", local("a.htm")) +
          item("apple", "<param name=\"See Also\" value=\"中文\">") + "</UL></BODY></HTML>");
  put(folder + "/目录.hhc", hhc);
  put(folder + "/index.hhk", hhk);
  CompileOptions options;
  options.projectPath = folder + "/p.hhp";
  options.timeStamp = 1700000000;
  options.resetBlocks = options.windowBlocks = 2;  // chmls decodes no longer reset interval
  crafted::RecordingSink sink;
  const CompileResult r = compileProject(options, sink);
  ASSERT_TRUE(r.written);
  EXPECT_EQ(r.warnings, 0u) << sink.lines.front();

  // #SYSTEM names the tables by the sitemap files' name hashes.
  ItsStorage s;
  ASSERT_TRUE(itss::SUCCEEDED(s.open(r.outputPath.c_str())));
  SystemStream system;
  ASSERT_TRUE(system.open(s.root()));
  std::map<int, std::uint32_t> values;
  std::uint16_t code = 0, length = 0;
  while (system.next(code, length)) {
    const Bytes data = system.readData();
    values[code] = code == kSysFlags ? decodeSystemFlags(data).klinks : recordValue(data);
  }
  EXPECT_EQ(values[kSysBinaryIndex], NameHash("index.hhk"));
  EXPECT_EQ(values[kSysBinaryToc], NameHash("目录.hhc"));
  EXPECT_EQ(values[kSysFlags], 1u) << "keyword links";
  system.close();
  s.close();

  // Decompiling gives the sitemap files back as written.
  {
    crafted::RecordingSink dsink;
    RecordingPrompter prompter;
    DecompileRequest request;
    request.source = r.outputPath;
    request.target = dir / "d";
    fs::create_directory(request.target);
    decompile(request, dsink, prompter);
    EXPECT_EQ(crafted::readFile(dir / "d/目录.hhc"), hhc);
    EXPECT_EQ(crafted::readFile(dir / "d/index.hhk"), hhk);
  }

  if (!haveChmls()) GTEST_SKIP() << "chmls is not installed";
  const std::string chm = "'" + r.outputPath + "'";
  run("chmls extracttoc " + chm + " '" + (dir / "toc.out") + "' 2>&1");
  run("chmls extractindex " + chm + " '" + (dir / "idx.out") + "' 2>&1");
  std::string contents, index;
  outline(parseSitemap(cp::toUtf8(crafted::readFile(dir / "toc.out"), 936)), 0, contents);
  outline(parseSitemap(cp::toUtf8(crafted::readFile(dir / "idx.out"), 936)), 0, index);
  // Entry names come from the topics: an entry named otherwise than its page
  // has a topic of its own, and a place in a page keeps its fragment.
  EXPECT_EQ(contents,
            "甲 -> a.htm\n章\n 乙 -> sub/b.htm\n 乙的一处 -> sub/b.htm#x\n甲 & 别名 -> a.htm\n");
  // Sorted (Latin before GB2312 text), sub-keywords under their parent;
  // chmls prints each UTF-16 unit of a keyword outside ASCII as "?".
  EXPECT_EQ(index, "apple see ??\nZulu -> a.htm\n?? -> a.htm -> sub/b.htm\n ?? -> sub/b.htm\n");
}

// Decompiles source into dir/d and compiles the rebuilt project into
// dir/ours.chm with the LZX values already in options; binaryIndex: with
// "Binary Index=Yes" among the project's options.
bool compileDecompiled(const std::string& source, const std::string& dir, CompileOptions& options,
                       bool binaryIndex = false) {
  crafted::RecordingSink sink;
  RecordingPrompter prompter;
  DecompileRequest request;
  request.source = source;
  request.target = dir + "/d";
  fs::create_directory(request.target);
  decompile(request, sink, prompter);
  options.projectPath = dir + "/d/" + fs::path(source).stem().string() + ".hhp";
  if (binaryIndex) {
    std::string hhp = crafted::readFile(options.projectPath);
    for (std::size_t at; (at = hhp.find("\nBinary Index=")) != std::string::npos;)
      hhp.erase(at + 1, hhp.find('\n', at + 1) - at);
    const std::size_t section = hhp.find("[OPTIONS]");
    if (section == std::string::npos) return false;
    std::string add = "Binary Index=Yes\r\n";
    // A file whose #SYSTEM and windows do not name the index its binary
    // index was built from: the one index file decompiled.
    std::vector<std::string> indexes;
    for (const auto& e : fs::directory_iterator(request.target))
      if (EqualsNoCase(e.path().extension().string(), ".hhk"))
        indexes.push_back(e.path().filename().string());
    std::string folded = hhp;
    for (char& c : folded)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (folded.find("\nindex file=") == std::string::npos &&
        folded.find(".hhk\"") == std::string::npos && indexes.size() == 1)
      add += "Index file=" + indexes.front() + "\r\n";
    hhp.insert(hhp.find('\n', section) + 1, add);
    put(options.projectPath, hhp);
  }
  options.outputPath = dir + "/ours.chm";
  options.timeStamp = 1700000000;
  return compileProject(options, sink).written;
}

// Real files whose index the original compiler built: compiled again from
// their decompiled projects, our binary index reads back in chmls exactly
// as theirs does (keywords, order, nesting, pages, see-also references).
class IndexAsOriginal : public ::testing::TestWithParam<std::string> {};

TEST_P(IndexAsOriginal, ChmlsReadsTheSameIndex) {
  if (!haveChmls()) GTEST_SKIP() << "chmls is not installed";
  const std::string source = std::string(WRENLOW_CORPUS_DIR) + "/" + GetParam();
  TempDir dir;
  CompileOptions options;
  options.resetBlocks = options.windowBlocks = 2;  // chmls decodes no longer reset interval
  ASSERT_TRUE(compileDecompiled(source, dir.path(), options));
  std::string theirs, ours;
  run("chmls extractindex '" + source + "' '" + (dir / "theirs.hhk") + "' 2>&1");
  run("chmls extractindex '" + options.outputPath + "' '" + (dir / "ours.hhk") + "' 2>&1");
  outline(parseSitemap(crafted::readFile(dir / "theirs.hhk")), 0, theirs);
  outline(parseSitemap(crafted::readFile(dir / "ours.hhk")), 0, ours);
  EXPECT_GT(theirs.size(), 100u);
  EXPECT_EQ(ours, theirs);
}

INSTANTIATE_TEST_SUITE_P(Corpus, IndexAsOriginal,
                         ::testing::Values("notepadnt_notepad-nt.chm", "tcpudf_help.chm",
                                           "st2_help.chm", "winring0_manual.chm"));

// A compiled file's keyword stores and #SYSTEM flags, each keyword with the
// files of its topics: "Fruit: a.htm b.htm".
struct LinkTables {
  std::vector<std::string> keywords, alinks;
  std::uint32_t klinksFlag = 0, alinksFlag = 0;
  bool binaryIndex = false;
};

LinkTables readLinkTables(const std::string& chm, bool ours = true) {
  LinkTables out;
  ItsStorage s;
  if (itss::FAILED(s.open(chm.c_str()))) return out;
  std::vector<TopicEntry> topics;
  readTopics(s.root(), topics);
  TopicLookup lookup(s.root());
  for (const auto& [store, list] : {std::pair{"$WWKeywordLinks/BTree", &out.keywords},
                                    std::pair{"$WWAssociativeLinks/BTree", &out.alinks}}) {
    std::vector<std::uint8_t> bytes;
    if (itss::FAILED(readStreamBytes(s.root(), store, 1u << 24, bytes))) continue;
    const std::string tree(bytes.begin(), bytes.end());
    for (const Keyword& k : listingKeywords(tree, ours)) {
      std::string line = k.text + ":";
      for (std::uint32_t t : k.topics)
        line += " " + (t < topics.size() ? joinTopic(topics[t], lookup).link : "?");
      if (!k.seeAlso.empty()) line += " see " + k.seeAlso;
      list->push_back(line);
    }
  }
  SystemStream system;
  if (!system.open(s.root())) return out;
  std::uint16_t code = 0, length = 0;
  while (system.next(code, length)) {
    const Bytes data = system.readData();
    out.binaryIndex = out.binaryIndex || code == kSysBinaryIndex;
    if (code != kSysFlags) continue;
    out.klinksFlag = decodeSystemFlags(data).klinks;
    out.alinksFlag = decodeSystemFlags(data).alinks;
  }
  system.close();
  return out;
}

// Keywords and associative-link names in pages: from link objects and meta
// tags (not from other objects or comments), each list split at ';', a
// keyword "parent, child" nested; merged with the index file's keywords
// when the index is binary, and compiled without a binary index too.
TEST(PageLinks, ObjectsAndMetaTagsFillBothStores) {
  TempDir dir;
  const std::string folder = dir / "p";
  const std::string options =
      "[OPTIONS]\r\nIndex file=i.hhk\r\nLanguage=0x409\r\n%\r\n[FILES]\r\na.htm\r\nb.htm\r\n";
  put(folder + "/a.htm",
      "<html><head><meta name=\"MS-HKWD\" content=\"Fruit, Apple\">"
      "<META NAME=\"MS-HAID\" CONTENT=\" a_one; a_shared;\">"
      "<!-- <meta name=\"MS-HAID\" content=\"a_commented\"> --><title>A</title></head></html>");
  put(folder + "/b.htm",
      "<html><body><OBJECT type=\"application/x-oleobject\" "
      "classid=\"clsid:1E2A7BD0-DAB9-11D0-B93A-00C04FC99F9E\">"
      "<param name=\"Keyword\" value=\"Zoo;Fruit\"><param name=\"ALink Name\" "
      "value=\"a_shared;a_shared\"></OBJECT><object classid=\"clsid:adb880a6-d8ff-11cf-9377-"
      "00aa003b7a11\"><param name=\"Keyword\" value=\"Other\"></object></body></html>");
  put(folder + "/i.hhk",
      "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Fruit\">"
      "<param name=\"Local\" value=\"a.htm\"></OBJECT></UL>");
  for (const bool binary : {true, false}) {
    std::string hhp = options;
    hhp.replace(hhp.find('%'), 1, binary ? "Binary Index=Yes" : "");
    put(folder + "/p.hhp", hhp);
    const CompileResult r = compiled::compile(folder + "/p.hhp");
    ASSERT_TRUE(r.written);
    const LinkTables t = readLinkTables(r.outputPath);
    EXPECT_EQ(t.alinks, (std::vector<std::string>{"a_one: a.htm", "a_shared: a.htm b.htm"}));
    const std::string fruit = binary ? "Fruit: a.htm b.htm" : "Fruit: b.htm";
    EXPECT_EQ(t.keywords, (std::vector<std::string>{fruit, "Fruit, Apple: a.htm", "Zoo: b.htm"}));
    EXPECT_EQ(t.alinksFlag, 1u);
    EXPECT_EQ(t.klinksFlag, 1u);
    EXPECT_EQ(t.binaryIndex, binary);
  }
}

// Real files whose pages name associative links: compiled again from their
// decompiled projects, both stores hold the same names and keywords on the
// same pages as the originals (topic numbers differ with the topic order).
class LinksAsOriginal : public ::testing::TestWithParam<std::string> {};

TEST_P(LinksAsOriginal, SameNamesOnTheSamePages) {
  const std::string source = std::string(WRENLOW_CORPUS_DIR) + "/" + GetParam();
  TempDir dir;
  CompileOptions options;
  ASSERT_TRUE(compileDecompiled(source, dir.path(), options));
  const LinkTables theirs = readLinkTables(source, false),
                   ours = readLinkTables(options.outputPath);
  EXPECT_FALSE(theirs.alinks.empty());
  EXPECT_EQ(ours.alinks, theirs.alinks);
  // Real files may hold any non-zero value for "yes" here.
  EXPECT_EQ(ours.alinksFlag != 0, theirs.alinksFlag != 0);
  EXPECT_EQ(ours.klinksFlag != 0, theirs.klinksFlag != 0);
  std::vector<std::string> a = ours.keywords, b = theirs.keywords;
  // xpchs_cpanel's older compiler ordered GB2312 keywords otherwise than
  // the later one whose order ours follows.
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  EXPECT_EQ(a, b);
}

INSTANTIATE_TEST_SUITE_P(Corpus, LinksAsOriginal,
                         ::testing::Values("xpchs_cpanel.chm", "notepadnt_notepad-nt.chm",
                                           "abbcb_ALLCB.chm"));

// Index entries as a sitemap index gives them: a "Keyword" value names the
// keyword even beside a "Name" (the page's title) and alone; a see-also
// entry keeps its sub-keywords; references are decoded and keywords stored
// in Unicode whatever the project's code page.
TEST(SitemapIndex, KeywordValuesSeeAlsoChildrenAndReferences) {
  TempDir dir;
  const std::string folder = dir / "p";
  const auto gbk = [](std::string_view s) { return cp::fromUtf8(s, 936); };
  put(folder + "/p.hhp",
      "[OPTIONS]\r\nIndex file=i.hhk\r\nLanguage=0x804\r\nBinary Index=Yes\r\n\r\n"
      "[FILES]\r\na.htm\r\nb.htm\r\n");
  put(folder + "/a.htm", "<html><head><title>A</title></head></html>");
  put(folder + "/b.htm", "<html><head><title>B</title></head></html>");
  using compiled::entry, compiled::param;
  put(folder + "/i.hhk",
      gbk("<UL>" + entry(param("Keyword", "Alone") + param("Local", "a.htm")) +
          entry(param("keyword", "Chosen") + param("Name", "Title of b") +
                param("Local", "b.htm")) +
          entry(param("Name", "Parent") + param("See Also", "Alone")) + "<UL>" +
          entry(param("Name", "First") + param("Local", "a.htm")) +
          entry(param("Name", "Second") + param("Local", "b.htm")) + "</UL>" +
          entry(param("Name", "Tom &amp; Jerry &#8216;x&#8217; &eacute;") +
                param("Local", "a.htm")) +
          entry(param("Name", "-- (阻止选项解析)") + param("Local", "b.htm")) + "</UL>"));
  const CompileResult r = compiled::compile(folder + "/p.hhp");
  ASSERT_TRUE(r.written);
  const LinkTables t = readLinkTables(r.outputPath);
  EXPECT_TRUE(t.binaryIndex);
  EXPECT_EQ(t.keywords,
            (std::vector<std::string>{"-- (阻止选项解析): b.htm", "Alone: a.htm", "Chosen: b.htm",
                                      "Parent: see Alone", "Parent, First: a.htm",
                                      "Parent, Second: b.htm", "Tom & Jerry ‘x’ é: a.htm"}));
}

// Every corpus file with a binary index, decompiled and compiled with a
// binary index: both stores decoded hold the same entries in the same
// order, keyword texts, see-also references and the pages of every keyword.
std::vector<std::string> corpusFilesWithIndex() {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(WRENLOW_CORPUS_DIR, ec)) {
    if (!e.is_regular_file() || !EqualsNoCase(e.path().extension().string(), ".chm")) continue;
    // Another compiler's index, which lists a keyword once per place the
    // index file names it: no pattern for ours.
    if (e.path().filename().string().rfind("fpc_", 0) == 0) continue;
    ItsStorage s;
    if (itss::FAILED(s.open(e.path().c_str()))) continue;
    std::vector<std::uint8_t> tree;
    if (itss::SUCCEEDED(readStreamBytes(s.root(), "$WWKeywordLinks/BTree", 1u << 24, tree)) &&
        tree.size() > kTreeHeader && at32(std::string(tree.begin(), tree.end()), 0x2C) > 0)
      out.push_back(e.path().filename().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

class IndexStoresAsOriginal : public ::testing::TestWithParam<std::string> {};

TEST_P(IndexStoresAsOriginal, SameEntriesInOrder) {
  const std::string source = std::string(WRENLOW_CORPUS_DIR) + "/" + GetParam();
  TempDir dir;
  CompileOptions options;
  ASSERT_TRUE(compileDecompiled(source, dir.path(), options, true));
  const LinkTables theirs = readLinkTables(source, false),
                   ours = readLinkTables(options.outputPath);
  ASSERT_FALSE(theirs.keywords.empty());
  // Entries only one side has, then the first place where the orders part.
  std::multiset<std::string> a(ours.keywords.begin(), ours.keywords.end()),
      b(theirs.keywords.begin(), theirs.keywords.end());
  std::vector<std::string> onlyOurs, onlyTheirs;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(onlyOurs));
  std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(onlyTheirs));
  const auto some = [](const std::vector<std::string>& v) {
    std::string out = std::to_string(v.size()) + " entries";
    for (std::size_t i = 0; i < v.size() && i < 8; ++i) out += "\n  " + v[i];
    return out;
  };
  EXPECT_TRUE(onlyOurs.empty()) << "only ours: " << some(onlyOurs);
  EXPECT_TRUE(onlyTheirs.empty()) << "only theirs: " << some(onlyTheirs);
  // xpchs_cpanel's older compiler sorted Chinese by a collation of its own
  // (属 as "zhu"); ours follows the order of the later one.
  if (onlyOurs.empty() && onlyTheirs.empty() && GetParam() != "xpchs_cpanel.chm") {
    const auto [o, t] = std::mismatch(ours.keywords.begin(), ours.keywords.end(),
                                      theirs.keywords.begin(), theirs.keywords.end());
    EXPECT_TRUE(o == ours.keywords.end()) << "entry " << (o - ours.keywords.begin()) << ": " << *o
                                          << " where the original has " << *t;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, IndexStoresAsOriginal, ::testing::ValuesIn(corpusFilesWithIndex()),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
