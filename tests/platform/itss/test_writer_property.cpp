// The writer through its interfaces: create modes, element names and paths,
// replacement, seeks and sizes, a release after a failure, and a randomised
// sequence of operations after each of which the file must read back as the
// model says.
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/itss/com_ptr.h"
#include "platform/itss/writer.h"
#include "test_writer_util.h"

namespace wtest {
namespace {

using itss::ComPtr;

itss::ITS_Control_Data control(unsigned reset, unsigned window, bool compress = true) {
  itss::ITS_Control_Data cd;
  const itss::DWORD w[13] = {5, 0x43535449, 1,      4096, 4, compress ? 1u : 0u, 6, 0x43585A4C,
                             2, reset,      window, 1,    1};
  std::copy(w, w + 13, cd.words);
  return cd;
}

void put(itss::IStream* s, const std::string& data) {
  itss::ULONG n = 0;
  ASSERT_EQ(s->Write(data.data(), static_cast<itss::ULONG>(data.size()), &n), itss::S_OK);
  ASSERT_EQ(n, data.size());
}

TEST(WriterModes, NoOverwriteFailsOverAnExistingFileAndOverwriteReplacesIt) {
  TempDir tmp;
  const fs::path f = tmp.path() / "x.chm";
  ComPtr<itss::IStorage> root;
  ASSERT_EQ(itss::createDocfile(f.c_str(), 0x0011, control(4, 1), root.put()), itss::S_OK);
  EXPECT_FALSE(fs::exists(f)) << "nothing is at the path until the file is complete";
  root.reset();
  EXPECT_EQ(itss::createDocfile(f.c_str(), 0x0011, control(4, 1), root.put()),
            itss::STG_E_FILEALREADYEXISTS);
  EXPECT_FALSE(root);
  ASSERT_EQ(itss::createDocfile(f.c_str(), 0x1011, control(4, 1), root.put()), itss::S_OK);
  ComPtr<itss::IStream> s;
  ASSERT_EQ(root->CreateStream("a.htm", itss::STGM_WRITE, 0, 0, s.put()), itss::S_OK);
  put(s.get(), "new");
  s.reset();
  root.reset();
  std::string err;
  Tree t = readWithEngine(f, &err);
  EXPECT_EQ(err, "");
  EXPECT_EQ(t, (Tree{{"a.htm", "new"}}));
  EXPECT_EQ(itss::createDocfile((tmp.path() / "no/such/dir.chm").c_str(), 0x1011, control(4, 1),
                                root.put()),
            itss::STG_E_PATHNOTFOUND);
}

TEST(WriterNames, PathsSeparatorsReplacementAndUnsafeNames) {
  TempDir tmp;
  const fs::path f = tmp.path() / "names.chm";
  {
    ComPtr<itss::IStorage> root, sub;
    ASSERT_EQ(itss::createDocfile(f.c_str(), 0x1011, control(2, 2), root.put()), itss::S_OK);
    ComPtr<itss::IStream> s;
    ASSERT_EQ(root->CreateStream("dir\\sub/x.htm", 1, 0, 0, s.put()), itss::S_OK);
    put(s.get(), "first");
    ASSERT_EQ(root->CreateStream("DIR/Sub/X.htm", 1, 0, 0, s.put()), itss::S_OK);  // replaces
    put(s.get(), "second");
    ASSERT_EQ(root->OpenStorage("dir", nullptr, 1, nullptr, 0, sub.put()), itss::S_OK);
    ASSERT_EQ(sub->CreateStream("empty", 1, 0, 0, s.put()), itss::S_OK);
    EXPECT_EQ(root->CreateStream("../evil", 1, 0, 0, s.put()), itss::STG_E_INVALIDNAME);
    EXPECT_EQ(root->CreateStream("a/./b", 1, 0, 0, s.put()), itss::STG_E_INVALIDNAME);
    EXPECT_EQ(root->CreateStream("", 1, 0, 0, s.put()), itss::STG_E_INVALIDNAME);
    EXPECT_EQ(root->CreateStorage("dir/sub/x.htm", 1, 0, 0, sub.put()),
              itss::STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(root->OpenStream("nothere", nullptr, 0, 0, s.put()), itss::STG_E_FILENOTFOUND);
    EXPECT_EQ(root->CreateStream(std::string(2000, 'n').c_str(), 1, 0, 0, s.put()),
              itss::STG_E_INVALIDNAME);
  }
  std::string err;
  Tree t = readWithEngine(f, &err);
  EXPECT_EQ(err, "");
  EXPECT_EQ(t,
            (Tree{{"dir/", ""}, {"dir/empty", ""}, {"dir/sub/", ""}, {"dir/sub/X.htm", "second"}}));
}

TEST(WriterStreams, SeekOverwriteGapsAndSetSize) {
  TempDir tmp;
  const fs::path f = tmp.path() / "seek.chm";
  {
    ComPtr<itss::IStorage> root;
    ASSERT_EQ(itss::createDocfile(f.c_str(), 0x1011, control(8, 8), root.put()), itss::S_OK);
    ComPtr<itss::IStream> s, t;
    ASSERT_EQ(root->CreateStream("s", 1, 0, 0, s.put()), itss::S_OK);
    put(s.get(), "0123456789");
    std::uint64_t pos = 0;
    ASSERT_EQ(s->Seek(3, itss::STREAM_SEEK_SET, &pos), itss::S_OK);
    put(s.get(), "abc");
    ASSERT_EQ(s->Seek(2, itss::STREAM_SEEK_END, &pos), itss::S_OK);
    EXPECT_EQ(pos, 12u);
    put(s.get(), "Z");
    EXPECT_EQ(s->Seek(-100, itss::STREAM_SEEK_CUR, &pos), itss::STG_E_INVALIDFUNCTION);
    ASSERT_EQ(s->Seek(0, itss::STREAM_SEEK_SET, &pos), itss::S_OK);
    char back[13] = {};
    itss::ULONG n = 0;
    ASSERT_EQ(s->Read(back, 13, &n), itss::S_OK);
    EXPECT_EQ(std::string(back, n), std::string("012abc6789\0\0Z", 13));
    ASSERT_EQ(root->CreateStream("t", 1, 0, 0, t.put()), itss::S_OK);
    put(t.get(), "truncate me");
    ASSERT_EQ(t->SetSize(5), itss::S_OK);
    // CopyTo between two streams of the same file.
    ASSERT_EQ(s->Seek(0, itss::STREAM_SEEK_SET, nullptr), itss::S_OK);
    ComPtr<itss::IStream> u;
    ASSERT_EQ(root->CreateStream("u", 1, 0, 0, u.put()), itss::S_OK);
    std::uint64_t r = 0, w = 0;
    ASSERT_EQ(s->CopyTo(u.get(), 6, &r, &w), itss::S_OK);
    EXPECT_EQ(r, 6u);
    EXPECT_EQ(w, 6u);
  }
  std::string err;
  Tree t = readWithEngine(f, &err);
  EXPECT_EQ(err, "");
  EXPECT_EQ(t["s"], std::string("012abc6789\0\0Z", 13));
  EXPECT_EQ(t["t"], "trunc");
  EXPECT_EQ(t["u"], "012abc");
}

// A write that fails (the file size limit stands in for a full disk) leaves
// the stream as it was before that write; the release still writes a valid
// container of everything that was written.
TEST(WriterFailure, ReleaseAfterAFailedWriteLeavesAValidContainer) {
  TempDir tmp;
  const fs::path f = tmp.path() / "fail.chm";
  std::string written;
  {
    ComPtr<itss::IStorage> root;
    ASSERT_EQ(itss::createDocfile(f.c_str(), 0x1011, control(2, 2), root.put()), itss::S_OK);
    ComPtr<itss::IStream> s;
    ASSERT_EQ(root->CreateStream("big.htm", 1, 0, 0, s.put()), itss::S_OK);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old;
    lim.rlim_cur = 1 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
    std::string chunk;
    for (int i = 0; chunk.size() < 65536; ++i) chunk += "<p>line " + std::to_string(i) + "</p>\n";
    chunk.resize(65536);
    bool failed = false;
    for (int i = 0; i < 40 && !failed; ++i) {
      itss::ULONG n = 0;
      if (itss::FAILED(s->Write(chunk.data(), 65536, &n)))
        failed = true;
      else
        written += chunk;
    }
    EXPECT_TRUE(failed) << "the size limit never stopped a write";
    s.reset();
    root.reset();  // assembles the file: small enough to fit under the limit
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
  }
  ASSERT_FALSE(written.empty());
  std::string err;
  Tree t = readWithEngine(f, &err);
  EXPECT_EQ(err, "");
  EXPECT_EQ(t["big.htm"].size(), written.size());
  EXPECT_TRUE(t["big.htm"] == written);
  if (haveProgram("7zz")) {
    ASSERT_EQ(run("7zz x -y -o" + quote(tmp.path() / "x") + " " + quote(f)), 0);
    EXPECT_TRUE(readTree(tmp.path() / "x", true)["big.htm"] == written);
  }
}

// Reset intervals are compressed side by side and may finish out of order:
// the file must not depend on how many threads did it, and must read back.
TEST(WriterThreads, OneAndSeveralCompressorThreadsWriteTheSameBytes) {
  TempDir tmp;
  ::setenv("SOURCE_DATE_EPOCH", "1000000000", 1);  // the header's time stamp
  std::mt19937 rng(7);
  Tree tree;
  for (int i = 0; i < 40; ++i) {
    std::string page;
    const std::size_t size = 4000 + rng() % 60000;
    while (page.size() < size)
      page += i % 5 == 4 ? std::string(1, static_cast<char>(rng()))
                         : "<li><a href=\"p" + std::to_string(rng() % 300) + ".htm\">x</a></li>\n";
    tree["p" + std::to_string(i) + (i % 5 == 4 ? ".bin" : ".htm")] = page;
  }
  std::string first;
  for (unsigned threads : {1u, 3u, 2u}) {
    const fs::path f = tmp.path() / ("t" + std::to_string(threads) + ".chm");
    {
      itss::ITS_Control_Data cd = control(2, 2);
      cd.compressThreads = threads;
      ComPtr<itss::IStorage> root;
      ASSERT_EQ(itss::createDocfile(f.c_str(), 0x1011, cd, root.put()), itss::S_OK);
      for (const auto& [name, data] : tree) {
        ComPtr<itss::IStream> s;
        ASSERT_EQ(root->CreateStream(name.c_str(), 1, 0, 0, s.put()), itss::S_OK);
        put(s.get(), data);
      }
    }
    std::ifstream in(f, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (first.empty()) {
      first = bytes;
      std::string err;
      EXPECT_EQ(readWithEngine(f, &err), tree);
      EXPECT_EQ(err, "");
    } else {
      EXPECT_TRUE(bytes == first) << threads << " threads wrote other bytes than one";
    }
  }
  ::unsetenv("SOURCE_DATE_EPOCH");
}

// Random create / write / replace / resize steps; after every step the file
// written so far (released and reopened) must hold exactly the model.
TEST(WriterProperty, RandomOperationSequencesReadBackAfterEveryStep) {
  TempDir tmp;
  for (unsigned seed = 1; seed <= 3; ++seed) {
    std::mt19937 rng(seed);
    struct Op {
      int kind;
      std::string path;
      std::string data;
      std::uint64_t at;
    };
    std::vector<Op> ops;
    std::vector<std::string> names;
    const char* folders[] = {"", "a/", "a/b/", "c/", "中文/"};
    for (int step = 0; step < 30; ++step) {
      Op op;
      op.kind = names.empty() ? 0 : static_cast<int>(rng() % 4);
      if (op.kind == 0) {
        op.path = std::string(folders[rng() % 5]) + "f" + std::to_string(rng() % 12) + ".htm";
        names.push_back(op.path);
      } else {
        op.path = names[rng() % names.size()];
      }
      std::size_t len = rng() % 3 == 0 ? rng() % 70000 : rng() % 300;
      for (std::size_t i = 0; i < len; ++i)
        op.data += static_cast<char>(rng() % 4 ? 'a' + rng() % 6 : rng());
      op.at = rng() % 100;
      ops.push_back(op);
    }
    for (std::size_t upto = 1; upto <= ops.size(); ++upto) {
      SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(upto));
      const fs::path f = tmp.path() / "p.chm";
      std::map<std::string, std::string> model;
      {
        ComPtr<itss::IStorage> root;
        ASSERT_EQ(
            itss::createDocfile(f.c_str(), 0x1011, control(1 + seed % 4, 2, seed != 2), root.put()),
            itss::S_OK);
        for (std::size_t i = 0; i < upto; ++i) {
          const Op& op = ops[i];
          ComPtr<itss::IStream> s;
          std::string key = wtest::fs::path(op.path).generic_string();
          if (op.kind == 0 || op.kind == 1) {  // create (or replace) and write
            ASSERT_EQ(root->CreateStream(op.path.c_str(), 1, 0, 0, s.put()), itss::S_OK);
            put(s.get(), op.data);
            model[key] = op.data;
          } else if (op.kind == 2) {  // overwrite at an offset, maybe past the end
            ASSERT_EQ(root->OpenStream(op.path.c_str(), nullptr, 2, 0, s.put()), itss::S_OK);
            ASSERT_EQ(s->Seek(static_cast<std::int64_t>(op.at), itss::STREAM_SEEK_SET, nullptr),
                      itss::S_OK);
            put(s.get(), op.data);
            std::string& m = model[key];
            if (m.size() < op.at + op.data.size()) m.resize(op.at + op.data.size(), '\0');
            m.replace(op.at, op.data.size(), op.data);
          } else {  // resize
            ASSERT_EQ(root->OpenStream(op.path.c_str(), nullptr, 2, 0, s.put()), itss::S_OK);
            ASSERT_EQ(s->SetSize(op.at), itss::S_OK);
            model[key].resize(op.at, '\0');
          }
        }
      }
      std::string err;
      Tree got = readWithEngine(f, &err);
      ASSERT_EQ(err, "");
      Tree files;
      for (auto& [k, v] : got)
        if (k.back() != '/') files[k] = v;
      ASSERT_EQ(files.size(), model.size());
      for (const auto& [k, v] : model) {
        auto it = files.find(k);
        ASSERT_NE(it, files.end()) << k;
        ASSERT_TRUE(it->second == v) << k << " differs";
      }
    }
  }
}

}  // namespace
}  // namespace wtest
