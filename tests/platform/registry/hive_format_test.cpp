// The hive file format: values of every kind read as Wine writes them, and
// a file written by Wine keeps every line that was not changed.
#include <gtest/gtest.h>

#include "platform/registry/hive_document.h"
#include "platform/registry/reg_text.h"

namespace {

using reg::HiveDocument;

TEST(HiveText, EscapesRoundTripLikeWine) {
  std::u16string text =
      u"a\"b\\c\tz\x4e2d"
      u"1\x01"
      u"7\x1b";
  std::string escaped = reg::escapeText(text, "\"\"");
  // A hex escape is padded to four digits when a hex digit follows it, an
  // octal one to three when an octal digit follows.
  EXPECT_EQ(escaped, "a\\\"b\\\\c\\tz\\x4e2d1\\0017\\e");
  std::size_t pos = 0;
  std::u16string back;
  std::string quoted = escaped + "\"";
  ASSERT_TRUE(reg::unescapeText(quoted, pos, '"', back));
  EXPECT_EQ(back, text);
  EXPECT_EQ(reg::escapeText(u"a[b]", "[]"), "a\\[b\\]");
}

TEST(HiveText, Utf8InFileIsAccepted) {
  std::string in = "中文\"";
  std::size_t pos = 0;
  std::u16string out;
  ASSERT_TRUE(reg::unescapeText(in, pos, '"', out));
  EXPECT_EQ(out, u"中文");
  EXPECT_EQ(reg::toUtf8(out), "中文");
}

TEST(HiveFormat, ValueForms) {
  std::uint32_t type;
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(reg::parseValueData("dword:0000002a", type, data));
  EXPECT_EQ(type, 4u);
  EXPECT_EQ(data, (std::vector<std::uint8_t>{0x2a, 0, 0, 0}));
  ASSERT_TRUE(reg::parseValueData("hex(b):01,02,\\\n  03", type, data));
  EXPECT_EQ(type, 11u);
  EXPECT_EQ(data, (std::vector<std::uint8_t>{1, 2, 3}));
  ASSERT_TRUE(reg::parseValueData("str(7):\"a\\0b\\0\"", type, data));
  EXPECT_EQ(type, 7u);
  EXPECT_EQ(data, (std::vector<std::uint8_t>{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
  ASSERT_TRUE(reg::parseValueData("hex:", type, data));
  EXPECT_TRUE(data.empty());
  EXPECT_FALSE(reg::parseValueData("dword:xyz", type, data));
  EXPECT_FALSE(reg::parseValueData("hex:01,,02", type, data));
  EXPECT_FALSE(reg::parseValueData("\"unterminated", type, data));
  EXPECT_FALSE(reg::parseValueData("qword:1", type, data));
}

TEST(HiveFormat, LongBinaryWrapsAsWineDoes) {
  reg::StoredValue v{"Long", 3, {}};
  for (int i = 0; i < 40; ++i) v.data.push_back(static_cast<std::uint8_t>(i));
  std::string line = reg::formatValue(v);
  EXPECT_EQ(line.substr(0, 79),
            "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n");
  std::uint32_t type;
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(reg::parseValueData(line.substr(7), type, data));
  EXPECT_EQ(data, v.data);
  // A string without its terminating zero cannot be written as text.
  EXPECT_EQ(reg::formatValue({"S", 1, {'a', 0}}), "\"S\"=hex(1):61,00\n");
  EXPECT_EQ(reg::formatValue({"", 1, {'a', 0, 0, 0}}), "@=\"a\"\n");
}

TEST(HiveFormat, RejectsWhatIsNotAHive) {
  HiveDocument doc;
  EXPECT_FALSE(doc.parse("REGEDIT4\n[HKEY_CURRENT_USER\\x]\n"));
  EXPECT_FALSE(doc.parse("WINE REGISTRY Version 2\n[Software\\\\unterminated\n"));
  EXPECT_TRUE(doc.parse("WINE REGISTRY Version 2\n"));
}

TEST(HiveFormat, KeysSortedAndKeptAlive) {
  HiveDocument doc = HiveDocument::empty("\\Machine");
  bool created;
  doc.keep(doc.create("B\\Two", created));
  doc.keep(doc.create("A", created));
  doc.keep(doc.create("b\\one", created));
  EXPECT_TRUE(created);
  EXPECT_EQ(doc.find("b")->name, "B");  // the key keeps the case it was made with
  std::string text = doc.serialize();
  auto a = text.find("[A]"), one = text.find("[B\\\\one]"), two = text.find("[B\\\\Two]");
  ASSERT_NE(a, std::string::npos);
  ASSERT_NE(one, std::string::npos);
  ASSERT_NE(two, std::string::npos);
  EXPECT_LT(a, one);
  EXPECT_LT(one, two);
  // Removing both children leaves "B" as a key of its own.
  EXPECT_TRUE(doc.removeKey(doc.find("B\\Two")));
  EXPECT_TRUE(doc.removeKey(doc.find("B\\one")));
  HiveDocument again;
  ASSERT_TRUE(again.parse(doc.serialize()));
  EXPECT_NE(again.find("b"), nullptr);
  EXPECT_EQ(again.find("b\\one"), nullptr);
}

// Found by fuzz_registry: a damaged line ending in a continuation backslash
// at the end of the file swallowed the key written behind it, and a value
// added under a key line that ends the file was joined to that key line.
TEST(HiveFormat, WrittenKeysSurviveADamagedLastLine) {
  const std::string head = "WINE REGISTRY Version 2\n\n";
  for (std::string tail : {"[A]\n@\\[.2\\\\", "[A]\n\"x\"=hex:01,\\", "[Software\\\\B]"}) {
    HiveDocument doc;
    ASSERT_TRUE(doc.parse(head + tail)) << tail;
    bool created;
    doc.setValue(doc.create("Software\\B", created), {"v", 3, {1, 2}});
    HiveDocument again;
    ASSERT_TRUE(again.parse(doc.serialize())) << tail;
    EXPECT_NE(again.getValue(again.find("software\\b"), "V"), nullptr) << doc.serialize();
  }
  // Wine's own continued hex values still read as one value.
  HiveDocument wine;
  ASSERT_TRUE(wine.parse(head + "[A]\n\"h\"=hex:01,02,\\\n  03,04\n\"n\"=dword:00000001\n"));
  const reg::StoredValue* h = wine.getValue(wine.find("A"), "h");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->data, (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_NE(wine.getValue(wine.find("A"), "n"), nullptr);
}

// The fuzz target's invariant over deterministic mutations of a small hive:
// what parses writes back unchanged and stays parseable after a change.
TEST(HiveFormat, MutatedFilesRoundTripOrFailCleanly) {
  const std::string base =
      "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
      "[Software\\\\A] 1700000000\n#time=1d\n\"s\"=\"x\\\\y\\x4e2d\"\n"
      "\"e\"=str(2):\"%a%\"\n\"d\"=dword:00000001\n\"h\"=hex(7):61,00,00,00,\\\n  00,00\n@=\"\"\n";
  HiveDocument check;
  ASSERT_TRUE(check.parse(base));
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  const char alphabet[] = "[]\"\\=@:,\n x0(7)hexdwordstr";
  int parsed = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text = base;
    int edits = 1 + static_cast<int>(next() % 4);
    for (int e = 0; e < edits; ++e) {
      std::size_t at = next() % text.size();
      char c = alphabet[next() % (sizeof alphabet - 1)];
      switch (next() % 3) {
        case 0:
          text[at] = c;
          break;
        case 1:
          text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), c);
          break;
        default:
          text.erase(at, 1 + next() % 3);
      }
    }
    HiveDocument doc;
    if (!doc.parse(text)) continue;
    ++parsed;
    ASSERT_EQ(doc.serialize(), text);
    bool created;
    doc.setValue(doc.create("Software\\B", created), {"v", 3, {1, 2}});
    HiveDocument again;
    ASSERT_TRUE(again.parse(doc.serialize())) << text;
    ASSERT_NE(again.getValue(again.find("software\\b"), "V"), nullptr) << text;
  }
  EXPECT_GT(parsed, 1000);
}

}  // namespace

namespace {

// Keys nested far deeper than the stack would take in recursion, and hex
// data continued over many lines, read, change and write back whole.
TEST(HiveFormat, DeepKeysAndLongContinuationsRoundTrip) {
  std::string deep = "WINE REGISTRY Version 2\n\n[";
  for (int i = 0; i < 300000; ++i) deep += i ? "\\\\k" : "k";
  deep += "] 1\n\n[Software\\\\Data] 1\n\"blob\"=hex:00,\\\n";
  for (int i = 0; i < 50000; ++i) deep += "  01,02,03,04,\\\n";
  deep += "  05\n";
  {
    HiveDocument doc;
    ASSERT_TRUE(doc.parse(deep));
    EXPECT_EQ(doc.serialize(), deep);
    const reg::StoredValue* blob = doc.getValue(doc.find("software\\data"), "BLOB");
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(blob->data.size(), 1u + 4 * 50000 + 1);
    bool created;
    doc.setValue(doc.create("Software\\Data", created), {"n", 4, {1, 0, 0, 0}});
    HiveDocument again;
    ASSERT_TRUE(again.parse(doc.serialize()));
    EXPECT_EQ(again.serialize(), doc.serialize());
  }  // both documents are taken apart here: no recursion on the way
}

// A batch gives the file that the same changes made one at a time give,
// also for a name the file repeats: deleting it makes the next line the
// value, as it does one at a time.
TEST(HiveFormat, BatchOfValueChangesEqualsChangesOneByOne) {
  const std::string text =
      "WINE REGISTRY Version 2\n\n[A] 1\n\"x\"=\"1\"\n\"X\"=\"2\"\n\"y\"=dword:00000001\n\n"
      "[B] 1\n";
  auto str = [](const char* s) {
    std::vector<std::uint8_t> d;
    for (; *s; ++s) d.insert(d.end(), {static_cast<std::uint8_t>(*s), 0});
    d.insert(d.end(), {0, 0});
    return d;
  };
  const std::vector<reg::ValueChange> changes{
      {true, {"x", 1, {}}},           {false, {"x", 1, str("3")}}, {false, {"new", 1, str("n")}},
      {false, {"NEW", 1, str("m")}},  {true, {"y", 0, {}}},        {true, {"absent", 0, {}}},
      {false, {"y", 4, {2, 0, 0, 0}}}};
  HiveDocument batch, single;
  ASSERT_TRUE(batch.parse(text));
  ASSERT_TRUE(single.parse(text));
  std::vector<bool> done;
  EXPECT_TRUE(batch.changeValues(batch.find("a"), changes, done));
  std::vector<bool> expected;
  for (const auto& c : changes)
    expected.push_back(c.remove ? single.deleteValue(single.find("a"), c.value.name)
                                : single.setValue(single.find("a"), c.value));
  EXPECT_EQ(done, expected);
  EXPECT_EQ(done, (std::vector<bool>{true, true, true, true, true, false, true}));
  EXPECT_EQ(batch.serialize(), single.serialize());
  EXPECT_EQ(batch.serialize(),
            "WINE REGISTRY Version 2\n\n[A] 1\n\"X\"=\"3\"\n\"new\"=\"m\"\n\"y\"=dword:00000002\n\n"
            "[B] 1\n");
  EXPECT_EQ(batch.valueCount(batch.find("a")), 3u);
  EXPECT_EQ(batch.valueAt(batch.find("a"), 1)->name, "new");
  EXPECT_EQ(batch.valueAt(batch.find("a"), 3), nullptr);
}

}  // namespace
