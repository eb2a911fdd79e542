// The read side of the storage engine through its COM-shaped interfaces, on
// the real files of the corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "platform/itss/bytes.h"
#include "platform/itss/itsf_bulk.h"
#include "platform/itss/itsf_reader.h"
#include "platform/itss/reader_storage.h"
#include "read_test_util.h"

using namespace itss;
using readtest::corpus;

namespace {

TEST(ReadFormat, EncintAndNameOrder) {
  // ENCINT is big-endian base 128: 0x81 0x00 is 128, not 1.
  const std::uint8_t two[] = {0x81, 0x00};
  const std::uint8_t* p = two;
  std::uint64_t v = 0;
  ASSERT_TRUE(readEncint(p, two + 2, v));
  EXPECT_EQ(v, 128u);
  for (std::uint64_t x : {0ull, 127ull, 128ull, 16383ull, 16384ull, (1ull << 63) - 1}) {
    std::uint8_t buf[10];
    std::size_t n = putEncint(buf, x);
    EXPECT_EQ(n, encintSize(x));
    const std::uint8_t* q = buf;
    ASSERT_TRUE(readEncint(q, buf + n, v));
    EXPECT_EQ(v, x);
    EXPECT_EQ(q, buf + n);
    q = buf;
    if (n > 1) {
      EXPECT_FALSE(readEncint(q, buf + n - 1, v));  // cut short
    }
  }
  const std::uint8_t tooLong[10] = {0x81, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00};
  p = tooLong;
  EXPECT_FALSE(readEncint(p, tooLong + 10, v));

  // The order real files use: ASCII letters folded to lower case, then bytes.
  EXPECT_LT(compareNames("/topic_setup_wizardstyle.htm", "/topic_setupcmdline.htm"), 0);
  EXPECT_LT(compareNames("/docs/lib/_WinActivateForce.htm", "/docs/lib/Asc.htm"), 0);
  EXPECT_LT(compareNames("/hidethunder.jpg", "/HideWizard.hhc"), 0);
  EXPECT_LT(compareNames("/a", "/a/"), 0);
  EXPECT_EQ(compareNames("/ABC.htm", "/abc.HTM"), 0);
  // Long shared prefixes, the difference before, at and after eight bytes.
  EXPECT_EQ(compareNames("/html/api/A01234_Source.HTML", "/HTML/API/a01234_source.html"), 0);
  EXPECT_LT(compareNames("/html/api/a01234.html", "/html/api/a01235.html"), 0);
  EXPECT_GT(compareNames("/html/apj", "/html/api/a.html"), 0);
  EXPECT_LT(compareNames("/html/_z", "/html/Az"), 0);  // '_' below 'a' once folded
  EXPECT_GT(compareNames("/html/api/a01234.htmlx", "/html/api/A01234.HTML"), 0);
}

TEST(ReadStorage, WalkReachesEveryStoredFileWithItsSize) {
  int opened = 0;
  for (const std::string& path : readtest::corpusFiles()) {
    HRESULT hr;
    auto root = readtest::open(path, &hr);
    if (!root) continue;
    ++opened;
    readtest::Walked w;
    readtest::walk(root.get(), "", w);
    auto file = containerOf(root.get());
    ASSERT_TRUE(file);
    // Expected: every stored name below "/" that is no folder entry, and
    // every folder such names imply, explicit entry or not.
    std::set<std::string> want, wantFolders;
    for (const DirEntry& e : file->entries()) {
      if (e.name.size() < 2 || e.name[0] != '/') continue;
      std::string rel = e.name.substr(1);
      for (std::size_t k = rel.find('/'); k != std::string::npos; k = rel.find('/', k + 1))
        wantFolders.insert(rel.substr(0, k));
      if (rel.back() != '/') {
        want.insert(rel);
        EXPECT_EQ(w.sizes[rel], e.length) << path << " " << rel;
      }
    }
    EXPECT_EQ(std::set<std::string>(w.streams.begin(), w.streams.end()), want) << path;
    EXPECT_EQ(std::set<std::string>(w.storages.begin(), w.storages.end()), wantFolders) << path;
    for (const std::string& s : w.streams) EXPECT_NE(s.rfind("::", 0), 0u) << s;
  }
  EXPECT_GE(opened, 22);
}

TEST(ReadStorage, EnumerationFollowsDirectoryOrder) {
  // enum_chmLib prints the stored names in directory order.
  if (std::system("command -v enum_chmLib >/dev/null 2>&1") != 0) GTEST_SKIP() << "no enum_chmLib";
  std::string tmp = testing::TempDir() + "/enum.txt";
  std::string path = corpus("ahkcn_AutoHotkey.chm");
  ASSERT_EQ(std::system(("enum_chmLib '" + path + "' > " + tmp).c_str()), 0);
  std::vector<std::string> theirs;
  std::istringstream in(readtest::slurp(tmp));
  for (std::string line; std::getline(in, line);) {
    auto tab = line.rfind('\t');
    if (tab != std::string::npos && line.find("====") == std::string::npos &&
        line.find("name") != line.size() - 4)
      theirs.push_back(line.substr(tab + 1));
  }
  ASSERT_GT(theirs.size(), 100u);
  HRESULT hr;
  auto file = ItsfFile::open(path.c_str(), &hr);
  ASSERT_TRUE(file);
  std::vector<std::string> ours;
  for (const DirEntry& e : file->entries()) ours.push_back(e.name);
  EXPECT_EQ(ours, theirs);
}

TEST(ReadStorage, VersionTwoHeaderFindsContentAfterTheDirectory) {
  // 7zcn_7-zip.chm's content section starts right after its directory, so
  // marking it version 2 (no content-offset field, 0x58-byte header) must
  // leave every stream as it was.
  std::string bytes = readtest::slurp(corpus("7zcn_7-zip.chm"));
  std::string v2 = bytes;
  auto* d = reinterpret_cast<std::uint8_t*>(v2.data());
  putLe32(d + 4, 2);
  putLe32(d + 8, 0x58);
  putLe64(d + 0x58, 0xFFFFFFFFFFFFull);  // whatever was there is not read
  ComPtr<IStorage> a, b;
  ASSERT_EQ(openReadStorageFromMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      bytes.size(), a.put()),
            S_OK);
  ASSERT_EQ(openReadStorageFromMemory(d, v2.size(), b.put()), S_OK);
  readtest::Walked w;
  readtest::walk(a.get(), "", w);
  ASSERT_GT(w.streams.size(), 50u);
  for (const std::string& name : w.streams) {
    ComPtr<IStream> sa, sb;
    ASSERT_EQ(a->OpenStream(name.c_str(), nullptr, 0, 0, sa.put()), S_OK);
    ASSERT_EQ(b->OpenStream(name.c_str(), nullptr, 0, 0, sb.put()), S_OK) << name;
    HRESULT ha, hb;
    std::string ra = readtest::readAll(sa.get(), &ha), rb = readtest::readAll(sb.get(), &hb);
    EXPECT_EQ(ha, S_OK);
    EXPECT_EQ(hb, S_OK) << name;
    EXPECT_TRUE(ra == rb) << name;
  }
}

TEST(ReadStorage, PathsSeparatorsCaseAndSubStorages) {
  auto root = readtest::open(corpus("7zcn_7-zip.chm"));
  ASSERT_TRUE(root);
  ComPtr<IStream> a, b, c, d;
  ASSERT_EQ(root->OpenStream("cmdline/commands/add.htm", nullptr, 0, 0, a.put()), S_OK);
  ASSERT_EQ(root->OpenStream("cmdline\\commands\\add.htm", nullptr, 0, 0, b.put()), S_OK);
  ASSERT_EQ(root->OpenStream("CMDLINE/Commands/ADD.HTM", nullptr, 0, 0, c.put()), S_OK);
  std::string text = readtest::readAll(a.get());
  EXPECT_NE(text.find("<"), std::string::npos);
  EXPECT_EQ(readtest::readAll(b.get()), text);
  EXPECT_EQ(readtest::readAll(c.get()), text);

  ComPtr<IStorage> sub, sub2;
  ASSERT_EQ(root->OpenStorage("cmdline\\commands", nullptr, 0, nullptr, 0, sub.put()), S_OK);
  ASSERT_EQ(sub->OpenStream("add.htm", nullptr, 0, 0, d.put()), S_OK);
  EXPECT_EQ(readtest::readAll(d.get()), text);
  STATSTG st;
  ASSERT_EQ(sub->Stat(&st, STATFLAG_DEFAULT), S_OK);
  EXPECT_STREQ(st.pwcsName, "commands");
  EXPECT_EQ(st.type, STGTY_STORAGE);
  CoTaskMemFree(st.pwcsName);

  ComPtr<IStream> none;
  EXPECT_EQ(root->OpenStream("cmdline/nothing.htm", nullptr, 0, 0, none.put()), STG_E_FILENOTFOUND);
  EXPECT_EQ(root->OpenStream("cmdline", nullptr, 0, 0, none.put()), STG_E_FILENOTFOUND);
  EXPECT_EQ(root->OpenStorage("nothing", nullptr, 0, nullptr, 0, sub2.put()), STG_E_FILENOTFOUND);
  EXPECT_EQ(root->OpenStorage("start.htm", nullptr, 0, nullptr, 0, sub2.put()), STG_E_FILENOTFOUND);

  // The container's own files are no elements but can be opened by name.
  readtest::Walked w;
  readtest::walk(root.get(), "", w);
  for (auto& s : w.storages) EXPECT_EQ(s.find("DataSpace"), std::string::npos);
  ComPtr<IStream> cd;
  ASSERT_EQ(
      root->OpenStream("::DataSpace/Storage/MSCompressed/ControlData", nullptr, 0, 0, cd.put()),
      S_OK);
  std::string control = readtest::readAll(cd.get());
  ASSERT_EQ(control.size(), 28u);
  EXPECT_EQ(control.substr(4, 4), "LZXC");
}

TEST(ReadStorage, ReadSeekStatAndAccessModes) {
  auto root = readtest::open(corpus("7zcn_7-zip.chm"));
  ASSERT_TRUE(root);
  ComPtr<IStream> s;
  ASSERT_EQ(root->OpenStream("start.htm", nullptr, STGM_READWRITE, 0, s.put()), S_OK);
  std::string all = readtest::readAll(s.get());
  ASSERT_GT(all.size(), 100u);

  std::uint64_t pos = 0;
  ASSERT_EQ(s->Seek(0, STREAM_SEEK_END, &pos), S_OK);
  EXPECT_EQ(pos, all.size());
  ASSERT_EQ(s->Seek(-10, STREAM_SEEK_END, &pos), S_OK);
  char buf[64];
  ULONG got = 0;
  ASSERT_EQ(s->Read(buf, sizeof buf, &got), S_OK);
  EXPECT_EQ(std::string(buf, got), all.substr(all.size() - 10));
  ASSERT_EQ(s->Seek(20, STREAM_SEEK_SET, &pos), S_OK);
  ASSERT_EQ(s->Seek(5, STREAM_SEEK_CUR, &pos), S_OK);
  EXPECT_EQ(pos, 25u);
  ASSERT_EQ(s->Read(buf, 8, &got), S_OK);
  EXPECT_EQ(std::string(buf, got), all.substr(25, 8));
  // Past the end is allowed and reads nothing; before the start is not.
  ASSERT_EQ(s->Seek(1000000, STREAM_SEEK_END, &pos), S_OK);
  EXPECT_EQ(pos, all.size() + 1000000);
  EXPECT_EQ(s->Read(buf, sizeof buf, &got), S_OK);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(s->Seek(-1, STREAM_SEEK_SET, &pos), STG_E_INVALIDFUNCTION);

  STATSTG st;
  ASSERT_EQ(s->Stat(&st, STATFLAG_DEFAULT), S_OK);
  EXPECT_STREQ(st.pwcsName, "start.htm");
  EXPECT_EQ(st.type, STGTY_STREAM);
  EXPECT_EQ(st.cbSize, all.size());
  CoTaskMemFree(st.pwcsName);

  // A file opened for reading takes no writes.
  ULONG written = 5;
  EXPECT_EQ(s->Write("x", 1, &written), STG_E_ACCESSDENIED);
  EXPECT_EQ(written, 0u);
  ComPtr<IStream> w;
  EXPECT_EQ(root->OpenStream("start.htm", nullptr, STGM_WRITE, 0, w.put()), STG_E_ACCESSDENIED);
  EXPECT_FALSE(w);
  EXPECT_EQ(root->CreateStream("new.htm", STGM_WRITE, 0, 0, w.put()), STG_E_ACCESSDENIED);
  ComPtr<IStorage> ws;
  EXPECT_EQ(root->CreateStorage("newdir", STGM_WRITE, 0, 0, ws.put()), STG_E_ACCESSDENIED);

  ComPtr<IITStorage> engine;
  ASSERT_EQ(CreateITStorage(engine.put()), S_OK);
  ComPtr<IStorage> r;
  EXPECT_EQ(engine->StgOpenStorage("/nonexistent/x.chm", nullptr, 0x20, nullptr, 0, r.put()),
            STG_E_FILENOTFOUND);
  std::string notChm = testing::TempDir() + "/not.chm";
  { std::ofstream(notChm) << "plain text, not a container"; }
  EXPECT_TRUE(FAILED(engine->StgOpenStorage(notChm.c_str(), nullptr, 0x20, nullptr, 0, r.put())));
  EXPECT_EQ(engine->StgIsStorageFile(notChm.c_str()), S_FALSE);
  EXPECT_EQ(engine->StgIsStorageFile(corpus("7zcn_7-zip.chm").c_str()), S_OK);
}

TEST(ReadStorage, EnumeratorNextSkipReset) {
  auto root = readtest::open(corpus("7zcn_7-zip.chm"));
  ASSERT_TRUE(root);
  ComPtr<IEnumSTATSTG> e;
  ASSERT_EQ(root->EnumElements(0, nullptr, 0, e.put()), S_OK);
  STATSTG three[3];
  ULONG n = 0;
  ASSERT_EQ(e->Next(3, three, &n), S_OK);
  ASSERT_EQ(n, 3u);
  std::string first = three[0].pwcsName;
  std::string third = three[2].pwcsName;
  for (auto& s : three) CoTaskMemFree(s.pwcsName);
  ASSERT_EQ(e->Reset(), S_OK);
  ASSERT_EQ(e->Skip(2), S_OK);
  ASSERT_EQ(e->Next(1, three, &n), S_OK);
  EXPECT_EQ(third, three[0].pwcsName);
  CoTaskMemFree(three[0].pwcsName);
  EXPECT_EQ(e->Skip(100000), S_FALSE);
  EXPECT_EQ(e->Next(1, three, &n), S_FALSE);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(first, "#IDXHDR");
}

TEST(ReadStorage, IndexLookupFindsEveryNameInMultiChunkDirectories) {
  for (const char* name :
       {"ahkcn_AutoHotkey.chm", "fpc_fcl.chm", "inno_ISetup.chm", "halibut_putty.chm"}) {
    HRESULT hr;
    auto file = ItsfFile::open(corpus(name).c_str(), &hr);
    ASSERT_TRUE(file) << name;
    const auto& entries = file->entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
      ASSERT_EQ(file->find(entries[i].name), static_cast<long>(i)) << name << entries[i].name;
      std::string upper = entries[i].name;
      for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      long j = file->find(upper);
      ASSERT_GE(j, 0) << upper;
      EXPECT_EQ(compareNames(entries[static_cast<std::size_t>(j)].name, upper), 0);
    }
    EXPECT_EQ(file->find("/no/such/file.htm"), -1);
  }
}

// Folder lookups and child listings start where the last lookup ended: in
// any order they must agree with a walk in name order.
TEST(ReadStorage, FolderLookupsInAnyOrderAgreeWithTheWalkInOrder) {
  HRESULT hr;
  auto file = ItsfFile::open(corpus("fpc_fcl.chm").c_str(), &hr);
  ASSERT_TRUE(file);
  std::set<std::string> folders{"/"};
  for (const DirEntry& e : file->entries())
    for (std::size_t slash = e.name.find('/', 1); slash != std::string::npos;
         slash = e.name.find('/', slash + 1))
      folders.insert(e.name.substr(0, slash + 1));
  ASSERT_GT(folders.size(), 20u);
  const auto children = [&](const std::string& folder) {
    std::vector<std::pair<std::string, long>> out;
    file->forEachChild(folder, [&](std::string_view n, long i) { out.emplace_back(n, i); });
    return out;
  };
  std::map<std::string, std::vector<std::pair<std::string, long>>> inOrder;
  for (const std::string& f : folders) inOrder[f] = children(f);
  std::vector<std::string> order(folders.begin(), folders.end());
  std::mt19937 rng(30);
  for (int pass = 0; pass < 3; ++pass) {
    if (pass == 1) std::reverse(order.begin(), order.end());
    if (pass == 2) std::shuffle(order.begin(), order.end(), rng);
    for (const std::string& f : order) {
      EXPECT_TRUE(f == "/" || file->isFolder(f)) << f;
      EXPECT_FALSE(file->isFolder(f + "no-such-folder/")) << f;
      EXPECT_EQ(children(f), inOrder[f]) << f;
    }
  }
  for (const DirEntry& e : file->entries()) {
    if (e.name.back() != '/') {
      EXPECT_FALSE(file->isFolder(e.name + "/")) << e.name;
    }
  }
}

TEST(ReadStorage, RandomAccessMatchesSequentialAndBulkReads) {
  std::string path = corpus("ahkcn_AutoHotkey.chm");
  auto root = readtest::open(path);
  ASSERT_TRUE(root);
  auto file = containerOf(root.get());
  std::map<std::string, std::string> whole;
  std::vector<std::size_t> indices;
  for (std::size_t i = 0; i < file->entries().size(); ++i) {
    const DirEntry& e = file->entries()[i];
    if (e.name[0] != '/' || e.name.back() == '/' || !e.length) continue;
    ComPtr<IStream> s;
    ASSERT_EQ(root->OpenStream(e.name.c_str(), nullptr, 0, 0, s.put()), S_OK);
    HRESULT st;
    whole[e.name] = readtest::readAll(s.get(), &st);
    ASSERT_EQ(st, S_OK);
    ASSERT_EQ(whole[e.name].size(), e.length);
    indices.push_back(i);
  }
  // Reads at random offsets of random streams, far apart in the section.
  std::mt19937 rng(7);
  for (int k = 0; k < 400; ++k) {
    const DirEntry& e = file->entries()[indices[rng() % indices.size()]];
    ComPtr<IStream> s;
    ASSERT_EQ(root->OpenStream(e.name.c_str(), nullptr, 0, 0, s.put()), S_OK);
    std::uint64_t off = rng() % e.length;
    ASSERT_EQ(s->Seek(static_cast<std::int64_t>(off), STREAM_SEEK_SET, nullptr), S_OK);
    char buf[3000];
    ULONG got = 0;
    ASSERT_EQ(s->Read(buf, sizeof buf, &got), S_OK);
    ASSERT_EQ(std::string(buf, got), whole[e.name].substr(off, sizeof buf)) << e.name << off;
  }
  // The threaded bulk path delivers the same bytes.
  struct Collect : BulkSink {
    std::map<std::string, std::string> got;
    std::string* cur = nullptr;
    bool begin(const DirEntry& e) override {
      cur = &got[e.name];
      return true;
    }
    bool data(const std::uint8_t* p, std::size_t n) override {
      cur->append(reinterpret_cast<const char*>(p), n);
      return true;
    }
    void end(const DirEntry&, HRESULT status) override { EXPECT_EQ(status, S_OK); }
  } sink;
  EXPECT_EQ(readEntries(*file, indices, sink, 2), S_OK);
  EXPECT_TRUE(sink.got == whole);
}

TEST(ReadStorage, BulkReadsThatJumpForwardKeepEveryByte) {
  // Skipping most entries moves the reader far past the batches the workers
  // are decoding; batches they took before the jump must not land in the
  // slots of the ones read next.
  auto root = readtest::open(corpus("fpc_fcl.chm"));  // 28 MB of pages
  ASSERT_TRUE(root);
  auto file = containerOf(root.get());
  std::vector<std::size_t> all;
  for (std::size_t i = 0; i < file->entries().size(); ++i)
    if (file->entries()[i].section == 1 && file->entries()[i].length) all.push_back(i);
  struct Check : BulkSink {
    ItsfFile* file;
    std::size_t read = 0;
    std::uint64_t next = 0;
    std::string got;
    bool begin(const DirEntry& e) override {
      got.clear();
      if (e.offset < next) return false;
      // Alternately a short and a long jump (batches are 1 MiB).
      next = e.offset + (read % 2 ? (9u << 20) : (5u << 19));
      return true;
    }
    bool data(const std::uint8_t* p, std::size_t k) override {
      got.append(reinterpret_cast<const char*>(p), k);
      return true;
    }
    void end(const DirEntry& e, HRESULT status) override {
      std::string want(e.length, '\0');
      std::size_t w = 0;
      EXPECT_EQ(file->read(e, 0, want.data(), want.size(), &w), S_OK);
      EXPECT_EQ(status, S_OK) << e.name;
      EXPECT_TRUE(got == want) << e.name;
      ++read;
    }
  };
  for (unsigned threads : {1u, 3u, 6u, 8u, 3u, 6u}) {
    Check sink;
    sink.file = file.get();
    EXPECT_EQ(readEntries(*file, all, sink, threads), S_OK);
    EXPECT_GE(sink.read, 5u);
  }
}

}  // namespace
