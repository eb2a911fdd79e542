// The table readers over compiled files that the test writes with the storage
// engine: crafted #SYSTEM, #WINDOWS, #STRINGS, #TOPICS, #URLTBL, #URLSTR,
// #IVB and #IDXHDR streams, read back through the stream-reading wrappers.
// Variants of one table live in sub-storages of the same file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "chmfiles/ivb_idxhdr.h"
#include "chmfiles/system_file.h"
#include "chmfiles/topic_tables.h"
#include "chmfiles/windows_file.h"
#include "its/count_streams.h"
#include "its/its_storage.h"
#include "its/strings_reader.h"
#include "platform/itss/com_ptr.h"
#include "table_bytes.h"
#include "tests/common/recording_prompter.h"

namespace fs = std::filesystem;
using namespace itss;

namespace {

// #STRINGS: offsets 1 "Main", 6 "Caption", 14 "a.htm", 20 "b.htm", then a
// run of NULs and "after-nuls" at 29, and a long text at 40.
const std::string kLong(300, 'L');
TableBytes stringsTable() {
  TableBytes s;
  s.u8(0).text("Main").text("Caption").text("a.htm").text("b.htm").zeros(3).text("after-nuls");
  s.text(kLong);
  return s;
}

TableBytes windowEntry(std::uint32_t name, std::uint32_t valid, WindowRect pos,
                       std::uint32_t buttons, std::uint32_t props) {
  TableBytes e;
  e.zeros(kFullWindowEntrySize);
  e.put32(0, 196).put32(8, name).put32(12, valid).put32(16, props).put32(20, 6);
  e.put32(32, static_cast<std::uint32_t>(pos.left)).put32(36, static_cast<std::uint32_t>(pos.top));
  e.put32(40, static_cast<std::uint32_t>(pos.right));
  e.put32(44, static_cast<std::uint32_t>(pos.bottom));
  e.put32(112, buttons);
  return e;
}

class EngineFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("wrenlow-tables-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    path_ = (dir_ / "tables.chm").string();

    ItsStorage out;
    ASSERT_EQ(out.create(path_.c_str(), true, true, 4096), S_OK);
    IStorage* root = out.root();

    TableBytes sys;
    sys.u32(3);
    sys.textRecord(kSysContentsFile, "first.hhc");
    sys.textRecord(kSysTitle, "Title");
    sys.textRecord(kSysContentsFile, "second.hhc");
    for (const char* v : {"HHA Version 4.74.7352", "HHA Version 4.74.7353", "HHA Version 4.74.8197",
                          "HHA Version 4.74.8198", "HHA Version 4.74.9088", "HHA Version 4.74.9089",
                          "HHA Version 4.74.1111", "CHM Editor"})
      sys.textRecord(kSysCompilerVersion, v);
    sys.valueRecord(kSysInfoTypeCount, 0).valueRecord(kSysInfoTypeChecksum, 0);
    sys.valueRecord(kSysMergePrompt, 1).valueRecord(kSysMergePrompt, 0);
    sys.record(kSysFlags, TableBytes().u32(0x804).u32(1).u16(7).bytes());  // 10 bytes
    sys.record(kSysIdxHeader, header(12, 2, {1, 6}, 84).bytes());          // holds one offset
    sys.record(kSysTitle, {'N', 'o', 'N', 'u', 'l'});                      // no terminator
    sys.u16(kSysTitle).u16(50).raw("cut");  // the last record's data runs past the end
    write(root, "#SYSTEM", sys);

    write(root, "#STRINGS", stringsTable());
    write(root, "#WINDOWS",
          TableBytes()
              .u32(2)
              .u32(196)
              .raw(windowEntry(1, 0x102, {10, 20, 650, 500}, 0x2004, 0x420).str())
              .raw(windowEntry(6, 0x2, {}, 0, 0x20).str()));

    // #TOPICS of 32 bytes: two topics; the second title lies past #STRINGS.
    write(root, "#TOPICS",
          TableBytes().u32(0).u32(6).u32(0).u32(4).u32(0).u32(5000).u32(12).u32(4));
    write(root, "#URLTBL", TableBytes().u32(0).u32(0).u32(1).u32(0).u32(0).u32(15));
    write(root, "#URLSTR",
          TableBytes().u8(0).zeros(8).text("a.htm").u32(1).u32(2).text("sub/b.htm"));
    // Duplicate numbers: 7 maps to a.htm first, then to b.htm.
    write(root, "#IVB", TableBytes().u32(24).u32(7).u32(14).u32(9).u32(20).u32(7).u32(20));
    write(root, "#IDXHDR", header(99, 0, {}, kIdxHeaderSize));

    // Variants in sub-storages.
    write(root, "win0/#WINDOWS",
          TableBytes().u32(0).u32(196).raw(windowEntry(1, 2, {}, 0, 0).str()));
    write(root, "wincut/#WINDOWS",
          TableBytes().u32(2).u32(196).raw(windowEntry(1, 2, {}, 0, 0).str()).zeros(100));
    write(root, "win100/#WINDOWS",
          TableBytes().u32(1).u32(100).raw(
              windowEntry(14, 0x100, {0, 0, 640, 480}, 0x4, 0).str().substr(0, 100)));
    write(root, "ivb4/#IVB", TableBytes().u32(4).u32(1));
    write(root, "ivb12/#IVB", TableBytes().u32(12).u32(1000).u32(14).u32(5));
    write(root, "ivbshort/#IVB", TableBytes().u32(16).u32(1000).u32(14));
    write(root, "merge/#STRINGS", TableBytes().u8(0).text("a.chm").text("b.chm"));

    write(root, "html/page.htm", TableBytes().raw("<html></html>"));
    write(root, "html/empty.htm", TableBytes());
    write(root, "$FIftiMain", TableBytes().raw("x"));
    write(root, "$WWKeywordLinks/BTree", TableBytes().raw("y"));
    out.close();
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  static TableBytes header(std::uint32_t nodes, std::uint32_t m,
                           const std::vector<std::uint32_t>& files, std::size_t size) {
    TableBytes h;
    h.zeros(size);
    h.put32(12, nodes).put32(72, m);
    for (std::size_t i = 0; i < files.size() && 80 + 4 * i + 4 <= size; ++i)
      h.put32(80 + 4 * i, files[i]);
    return h;
  }

  static void write(IStorage* root, const char* name, const TableBytes& t) {
    ComPtr<IStream> s;
    ASSERT_EQ(root->CreateStream(name, STGM_WRITE, 0, 0, s.put()), S_OK) << name;
    ULONG written = 0;
    ASSERT_EQ(s->Write(t.bytes().data(), static_cast<ULONG>(t.size()), &written), S_OK);
  }

  void SetUp() override { ASSERT_EQ(file.open(path_.c_str()), S_OK); }

  IStorage* sub(const char* name) {
    subs_.emplace_back();
    EXPECT_EQ(file.root()->OpenStorage(name, nullptr, STGM_READ, nullptr, 0, subs_.back().put()),
              S_OK);
    return subs_.back().get();
  }

  ItsStorage file;
  std::vector<ComPtr<IStorage>> subs_;
  static inline fs::path dir_;
  static inline std::string path_;
};

TEST_F(EngineFile, SystemRecordsReadOrSkipped) {
  SystemStream sys;
  ASSERT_TRUE(sys.open(file.root()));
  EXPECT_EQ(sys.version(), 3u);
  std::vector<std::string> contents, suffixes, prompts;
  std::vector<std::uint32_t> zeroValues;
  std::string lastTitle;
  SystemFlags flags;
  IdxHeader idx;
  std::uint16_t code, length;
  int records = 0;
  while (sys.next(code, length)) {
    ++records;
    if (code == kSysInfoTypeChecksum) {  // passed over by seeking
      EXPECT_TRUE(sys.skipData());
      continue;
    }
    if (code == kSysDefaultTopic) continue;  // neither read nor skipped: passed over
    Bytes d = sys.readData();
    switch (code) {
      case kSysContentsFile:
        contents.push_back(recordText(d));
        break;
      case kSysCompilerVersion:
        suffixes.push_back(releaseSuffix(recordText(d)));
        break;
      case kSysInfoTypeCount:
        zeroValues.push_back(recordValue(d));
        break;
      case kSysMergePrompt:
        prompts.push_back(mergePromptText(recordValue(d)));
        break;
      case kSysFlags:
        flags = decodeSystemFlags(d);
        break;
      case kSysIdxHeader:
        idx = decodeIdxHeader(d);
        break;
      case kSysTitle:
        lastTitle = recordText(d);
        break;
    }
  }
  EXPECT_EQ(records, 19);
  EXPECT_EQ(contents, (std::vector<std::string>{"first.hhc", "second.hhc"}));
  EXPECT_EQ(suffixes, (std::vector<std::string>{" (1.1)", " (1.1b)", " (1.1b)", " (1.3)", " (1.3)",
                                                "", " (1.0)", ""}));
  EXPECT_EQ(zeroValues, (std::vector<std::uint32_t>{0}));
  EXPECT_EQ(prompts, (std::vector<std::string>{"从不提示", "提示"}));
  EXPECT_EQ(flags.lcid, 0x804u);
  EXPECT_EQ(flags.dbcs, 1u);
  EXPECT_EQ(flags.fullTextSearch, 0u);  // beyond the 10 bytes stored
  EXPECT_FALSE(flags.complete);
  EXPECT_EQ(idx.topicNodes, 12u);
  EXPECT_EQ(idx.mergeCount, 2u);
  EXPECT_EQ(idx.mergeFiles, (std::vector<std::uint32_t>{1}));  // the second lies past the record
  EXPECT_EQ(lastTitle, "cut");                                 // data cut by the end of the stream
}

TEST_F(EngineFile, TitlePreviewStopsAtTheFirstTitle) {
  SystemStream sys;
  ASSERT_TRUE(sys.open(file.root()));
  std::uint16_t code, length;
  std::string title;
  while (sys.next(code, length)) {
    if (code != kSysTitle) {
      ASSERT_TRUE(sys.skipData());
      continue;
    }
    title = recordText(sys.readData());
    break;
  }
  EXPECT_EQ(title, "Title");
  // A storage without #SYSTEM.
  SystemStream none;
  EXPECT_FALSE(none.open(sub("html")));
}

TEST_F(EngineFile, WindowTypes) {
  bool found = false, whole = false;
  auto types = readWindowTypes(file.root(), &found, &whole);
  EXPECT_TRUE(found);
  EXPECT_TRUE(whole);
  ASSERT_EQ(types.size(), 2u);
  TopicLookup lookup(file.root());
  EXPECT_EQ(lookup.text(types[0].name), "Main");
  EXPECT_EQ(lookup.text(types[0].caption), "Caption");
  EXPECT_EQ(windowButtonNames(types[0].buttons), "向后, 打印");
  EXPECT_EQ(windowPropertyNames(types[0].properties), "三级窗格, 搜索标签");
  EXPECT_FALSE(types[0].position.empty());
  EXPECT_EQ(types[0].position.right, 650);
  EXPECT_TRUE(types[1].position.empty());

  auto none = readWindowTypes(sub("win0"), &found);
  EXPECT_TRUE(none.empty());
  EXPECT_FALSE(found);  // a count of 0 counts as no #WINDOWS at all

  bool complete = true;
  auto cut = readWindowTypes(sub("wincut"), &found, &complete);
  EXPECT_FALSE(complete);
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0].name, 1u);

  auto small = readWindowTypes(sub("win100"), &found);
  ASSERT_EQ(small.size(), 1u);
  EXPECT_EQ(small[0].position.right, 640);
  EXPECT_EQ(small[0].buttons, 0u);  // offset 112 lies beyond the 100 bytes stored

  EXPECT_TRUE(readWindowTypes(sub("html"), &found).empty());
  EXPECT_FALSE(found);
}

TEST_F(EngineFile, StringsTopicsAndLinks) {
  TopicLookup lookup(file.root());
  EXPECT_EQ(lookup.text(0), "");
  EXPECT_EQ(lookup.text(1), "Main");
  EXPECT_EQ(lookup.text(29), "after-nuls");
  EXPECT_EQ(lookup.text(40), kLong);
  EXPECT_EQ(lookup.text(400000), "");

  std::vector<TopicEntry> topics;
  ASSERT_TRUE(readTopics(file.root(), topics));
  ASSERT_EQ(topics.size(), 2u);
  TopicText first = joinTopic(topics[0], lookup);
  EXPECT_EQ(first.title, "Caption");
  EXPECT_EQ(first.link, "a.htm");
  TopicText second = joinTopic(topics[1], lookup);
  EXPECT_EQ(second.title, "");  // title offset past the end
  EXPECT_EQ(second.link, "sub/b.htm");

  std::vector<std::string> texts;
  TableSource strings(file.root(), "#STRINGS");
  listStrings(strings, [&](const std::string& t) { texts.push_back(t); });
  EXPECT_EQ(texts,
            (std::vector<std::string>{"Main", "Caption", "a.htm", "b.htm", "after-nuls", kLong}));
  std::vector<std::string> names;
  TableSource urls(file.root(), "#URLSTR");
  listUrlStr(urls, [&](const std::string& t) { names.push_back(t); });
  EXPECT_EQ(names, (std::vector<std::string>{"a.htm", "sub/b.htm"}));

  // Without the tables: empty texts, and #TOPICS is a failure.
  TopicLookup missing(sub("html"));
  EXPECT_EQ(missing.text(1), "");
  EXPECT_EQ(missing.link(0), "");
  EXPECT_FALSE(readTopics(sub("html"), topics));
}

TEST_F(EngineFile, StringsReaderCapacityRules) {
  StringsReader reader(file);
  char out[512];
  EXPECT_TRUE(reader.readStringAt(1, out, sizeof out));
  EXPECT_STREQ(out, "Main");
  EXPECT_FALSE(reader.readStringAt(1, out, 64));
  EXPECT_STREQ(out, "");
  // 65 bytes allow one 64-byte chunk: the long text is cut there.
  EXPECT_FALSE(reader.readStringAt(40, out, 65));
  EXPECT_EQ(std::string(out), kLong.substr(0, 64));
  EXPECT_TRUE(reader.readStringAt(40, out, sizeof out));
  EXPECT_EQ(std::string(out), kLong);
  EXPECT_TRUE(reader.readStringAt(0, out, sizeof out));
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(reader.readStringAt(400000, out, sizeof out));
  EXPECT_STREQ(out, "");
}

TEST_F(EngineFile, AliasesAndTheMapLookup) {
  std::vector<MapEntry> entries;
  ASSERT_EQ(readIvb(file.root(), entries), S_OK);
  ASSERT_EQ(entries.size(), 3u);
  std::string url;
  EXPECT_EQ(mapTopicUrl(file, "/x/help.chm", entries, 7, url), S_OK);
  EXPECT_EQ(url, "its:/x/help.chm::a.htm");  // the first of the two 7s
  EXPECT_EQ(mapTopicUrl(file, "/x/help.chm", entries, 8, url), E_FAIL);
  EXPECT_EQ(mapTopicUrl(file, "/x/help.chm", {}, 7, url), E_FAIL);
  // The URL stays within 520 bytes.
  const std::string longPath(500, 'p');
  EXPECT_EQ(mapTopicUrl(file, longPath, entries, 9, url), S_OK);
  EXPECT_LT(url.size(), kMaxTopicUrl);

  EXPECT_EQ(readIvb(sub("ivb4"), entries), S_OK);
  EXPECT_TRUE(entries.empty());
  EXPECT_EQ(readIvb(sub("ivb12"), entries), S_OK);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].topic, 1000u);
  EXPECT_EQ(readIvb(sub("ivbshort"), entries), STG_E_READFAULT);
  EXPECT_EQ(readIvb(sub("html"), entries), STG_E_FILENOTFOUND);
}

TEST_F(EngineFile, IndexHeaderRendering) {
  ComPtr<IStream> s;
  ASSERT_EQ(file.root()->OpenStream("#IDXHDR", nullptr, STGM_READWRITE, 0, s.put()), S_OK);
  std::vector<std::uint8_t> bytes(kIdxHeaderSize);
  ULONG got = 0;
  ASSERT_EQ(s->Read(bytes.data(), kIdxHeaderSize, &got), S_OK);
  ASSERT_EQ(got, kIdxHeaderSize);
  TopicLookup lookup(file.root());
  std::string out;
  renderIdxHeader(Bytes(bytes.data(), bytes.size()), lookup, out);
  EXPECT_EQ(out, "<DT>主题节点数: 99</DT>\r\n");

  TopicLookup mergeNames(sub("merge"));
  out.clear();
  renderIdxHeader(header(1, 2, {1, 7}, kIdxHeaderSize).span(), mergeNames, out);
  EXPECT_EQ(out, "<DT>主题节点数: 1</DT>\r\n<DT>合并文件:</DT><DD>a.chm</DD><DD>b.chm</DD>");
}

TEST_F(EngineFile, CountStreamsAndCreateRules) {
  file.close();
  int busyCalls = 0;
  bool busyNow = false;
  BusyHook hook = [&](bool busy) {
    ++busyCalls;
    busyNow = busy;
  };
  // Streams of size 0 never count; "#" and "$" names only when asked.
  const std::int32_t all = countStreams(path_.c_str(), true, hook);
  const std::int32_t content = countStreams(path_.c_str(), false, hook);
  EXPECT_EQ(content, 1);  // html/page.htm; nothing inside the "$WWKeywordLinks" storage
  EXPECT_EQ(all, 18);     // html/empty.htm, of size 0, is not among them
  EXPECT_EQ(busyCalls, 4);
  EXPECT_FALSE(busyNow);

  RecordingPrompter prompter;
  {
    ScopedPrompter scope(prompter);
    const std::string missing = (dir_ / "missing.chm").string();
    EXPECT_EQ(countStreams(missing.c_str(), true, hook), -1);
    ASSERT_EQ(prompter.count(), 1u);
    EXPECT_EQ(prompter.questions()[0].text, "不能打开“" + missing + "”。");
    EXPECT_EQ(prompter.questions()[0].flags, MB_ICONWARNING);
  }
  EXPECT_EQ(busyCalls, 4);

  // Create without overwrite over an existing file fails unchanged.
  ItsStorage again;
  EXPECT_EQ(again.create(path_.c_str(), false, true, 4096), STG_E_FILEALREADYEXISTS);
  again.close();
  EXPECT_EQ(countStreams(path_.c_str(), false), 1);

  // Sub-storages of the real engine: current by path, in any A-Z case.
  ASSERT_EQ(again.open(path_.c_str()), S_OK);
  ASSERT_TRUE(again.openSubStorage("html", STGM_READ));
  IStorage* html = again.current();
  EXPECT_TRUE(again.openSubStorage("HTML", STGM_READ));
  EXPECT_EQ(again.current(), html);
  EXPECT_FALSE(again.openSubStorage("nothere", STGM_READ));
  EXPECT_EQ(again.current(), html);
}

}  // namespace
