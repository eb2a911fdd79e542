// Folders packed by `wrenlow-cli pack` must extract to exactly the same bytes
// with chmlib's extract_chmLib, 7-Zip, Free Pascal's chmls and our own reader,
// for several LZX parameter sets including the extremes.
#include <fstream>
#include <functional>
#include <iterator>
#include <random>

#include "platform/itss/itsf_reader.h"
#include "test_writer_util.h"

namespace wtest {
namespace {

std::string text(std::mt19937& rng, std::size_t size) {
  static const char* words[] = {"<p>",       "</p>",       "help ",   "topic ", "the ",
                                "index ",    "<a href=\"", "\">",     "</a>",   "\n",
                                "compiled ", "file ",      "window ", "0x1F ",  "<div class=\"x\">",
                                "</div>",    "帮助 ",      "主题 "};
  std::string s;
  while (s.size() < size) s += words[rng() % (sizeof words / sizeof *words)];
  s.resize(size);
  return s;
}

std::string randomBytes(std::mt19937& rng, std::size_t size) {
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

// Empty and 1-byte files, sizes around 32 KiB multiples, folders ten deep,
// Chinese names, names whose order depends on case folding, an empty folder.
Tree edgeTree() {
  std::mt19937 rng(7);
  Tree t;
  t["empty.txt"] = "";
  t["one.bin"] = "x";
  t["a/empty2.bin"] = "";
  for (std::size_t s : {32767u, 32768u, 32769u, 65535u, 65536u, 65537u, 98304u})
    t["sizes/" + std::to_string(s) + ".htm"] = text(rng, s);
  t["sizes/rnd65536.bin"] = randomBytes(rng, 65536);
  std::string deep;
  for (int i = 1; i <= 10; ++i) deep += "level" + std::to_string(i) + "/";
  t[deep + "deep.htm"] = text(rng, 5000);
  t["中文/帮助主题.htm"] = text(rng, 40000);
  t["中文/说明 文件.txt"] = text(rng, 300);
  t["hidethunder.jpg"] = randomBytes(rng, 700);
  t["HideWizard.hhc"] = text(rng, 900);
  t["topic_setup_wizardstyle.htm"] = text(rng, 1200);
  t["topic_setupcmdline.htm"] = text(rng, 1300);
  t["Asc.htm"] = text(rng, 100);
  t["_WinActivateForce.htm"] = text(rng, 100);
  t["a-b.htm"] = text(rng, 70000);
  t["emptyfolder/"] = "";
  return t;
}

// What our reader lists for a packed tree: the files and every folder.
Tree withFolders(const Tree& t) {
  Tree r;
  for (const auto& [k, v] : t) {
    r[k] = v;
    for (std::size_t s = k.find('/'); s != std::string::npos && s + 1 <= k.size();
         s = k.find('/', s + 1))
      r[k.substr(0, s + 1)] = "";
  }
  return r;
}

Tree filesOnly(const Tree& t, bool withEmpty) {
  Tree r;
  for (const auto& [k, v] : t)
    if (k.back() != '/' && (withEmpty || !v.empty())) r[k] = v;
  return r;
}

// Packs `tree` with the parameters and checks every reader on the result;
// `inspect` may look at the packed file too.
void packAndCheck(const Tree& tree, const Params& p,
                  const std::function<void(const fs::path&)>& inspect = {}) {
  SCOPED_TRACE(describe(p));
  TempDir tmp;
  writeTree(tmp.path() / "in", tree);
  const fs::path out = tmp.path() / "out.chm";
  ASSERT_EQ(run(cli() + " pack " + quote(tmp.path() / "in") + " " + quote(out) + options(p)), 0);

  std::string error;
  Tree own = readWithEngine(out, &error);
  EXPECT_EQ(error, "");
  expectSame("own reader", withFolders(tree), own);

  if (haveProgram("7zz")) {
    ASSERT_EQ(run("7zz x -y -o" + quote(tmp.path() / "7z") + " " + quote(out)), 0);
    expectSame("7zz x", filesOnly(tree, true), readTree(tmp.path() / "7z", true));
  } else {
    ADD_FAILURE() << "7zz missing";
  }
  if (haveProgram("extract_chmLib")) {
    ASSERT_EQ(run("extract_chmLib " + quote(out) + " " + quote(tmp.path() / "chmlib")), 0);
    expectSame("extract_chmLib", filesOnly(tree, true), readTree(tmp.path() / "chmlib", true));
  } else {
    ADD_FAILURE() << "extract_chmLib missing";
  }
  // Our own extraction writes the non-empty files (through held folders,
  // closed and opened again past a few hundred).
  ASSERT_EQ(run(cli() + " extract " + quote(out) + " " + quote(tmp.path() / "ours")), 0);
  expectSame("wrenlow-cli extract", filesOnly(tree, false), readTree(tmp.path() / "ours", false));
  // chmls skips empty files and decodes only 64 KiB windows with resets
  // every second frame (it ignores ControlData), so it can check only those.
  if (haveProgram("chmls") && chmlsCanRead(p)) {
    ASSERT_EQ(run("chmls extractall " + quote(out) + " " + quote(tmp.path() / "chmls")), 0);
    expectSame("chmls extractall", filesOnly(tree, false), readTree(tmp.path() / "chmls", false));
  }
  if (inspect) inspect(out);
}

class PackInterop : public ::testing::TestWithParam<Params> {
 protected:
  void SetUp() override {
    if (!haveProgram("7zz") && !haveProgram("extract_chmLib") && !haveProgram("chmls"))
      GTEST_SKIP() << "no peer reader installed";
  }
};

TEST_P(PackInterop, EdgeCasesExtractIdentically) { packAndCheck(edgeTree(), GetParam()); }

// The section length alone decides how many ResetTable entries readers want.
TEST_P(PackInterop, SingleFilesAroundFrameMultiples) {
  std::mt19937 rng(11);
  for (std::size_t s : {1u, 32767u, 32768u, 32769u, 65535u, 65536u, 262144u, 262145u}) {
    SCOPED_TRACE(s);
    Tree t;
    t["only.htm"] = text(rng, s);
    packAndCheck(t, GetParam());
  }
}

INSTANTIATE_TEST_SUITE_P(Params, PackInterop,
                         ::testing::Values(Params{4, 1, 1}, Params{8, 8, 8}, Params{2, 2, 1},
                                           Params{1, 1, 1}, Params{64, 64, 64}, Params{1, 64, 1},
                                           Params{64, 1, 1}, Params{8, 8, 8, false},
                                           Params{2, 2, 1, true, 8192}),
                         [](const ::testing::TestParamInfo<Params>& i) {
                           const Params& p = i.param;
                           return "r" + std::to_string(p.reset) + "w" + std::to_string(p.window) +
                                  "p" + std::to_string(p.partition) + (p.compress ? "" : "stored") +
                                  (p.blockSize != 4096 ? "b" + std::to_string(p.blockSize) : "");
                         });

class PackLarge : public ::testing::TestWithParam<Params> {};

TEST_P(PackLarge, TenMegabytesOfIncompressibleBytes) {
  std::mt19937 rng(3);
  Tree t;
  t["noise.bin"] = randomBytes(rng, 10 * 1024 * 1024);
  t["after.htm"] = text(rng, 50000);
  packAndCheck(t, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Params, PackLarge,
                         ::testing::Values(Params{8, 8, 8}, Params{2, 2, 1}, Params{4, 1, 1}),
                         [](const ::testing::TestParamInfo<Params>& i) {
                           return "r" + std::to_string(i.param.reset) + "w" +
                                  std::to_string(i.param.window);
                         });

// Many entries: several listing chunks and more than one index level.
TEST(PackMany, TwentyThousandSmallFiles) {
  std::mt19937 rng(5);
  Tree t;
  for (int i = 0; i < 20000; ++i) {
    std::string dir = "group" + std::to_string(i % 37) + "/";
    t[dir + "page_" + std::to_string(i) + "_" + std::string(i % 23, 'q') + ".htm"] =
        text(rng, 10 + rng() % 300);
  }
  packAndCheck(t, Params{2, 2, 1});
}

// More folders than an extraction holds open at once, two levels deep.
TEST(PackMany, SixHundredFoldersOfTwoLevels) {
  std::mt19937 rng(30);
  Tree t;
  for (int i = 0; i < 600; ++i) {
    const std::string dir = "part" + std::to_string(i % 20) + "/sub" + std::to_string(i) + "/";
    t[dir + "a.htm"] = text(rng, 10 + rng() % 200);
    t[dir + "b.htm"] = text(rng, 10 + rng() % 200);
  }
  packAndCheck(t, Params{2, 2, 1}, [&t](const fs::path& chm) {
    // A process that may open few files still extracts everything.
    TempDir tmp;
    ASSERT_EQ(run("ulimit -n 24 && " + cli() + " extract " + quote(chm) + " " +
                  quote(tmp.path() / "few")),
              0);
    expectSame("extract with 24 descriptors", filesOnly(t, false),
               readTree(tmp.path() / "few", false));
  });
}

// Real x86 and x86-64 programs (Wine's): the intervals holding code get their
// calls translated, and every reader undoes it alike, the last interval's
// short frame included. Not chmls: Free Pascal's decoder stops with a range
// error on the first negative value after an E8 and compares translated
// targets against the wrong lower bound, so it cannot read such files.
TEST(PackCode, WindowsProgramsTranslateCallsAndExtractIdentically) {
  Tree t;
  const fs::path wine = "/usr/lib/x86_64-linux-gnu/wine";
  for (const char* name :
       {"i386-windows/zlib1.dll", "x86_64-windows/notepad.exe", "x86_64-windows/xcopy.exe"}) {
    std::ifstream in(wine / name, std::ios::binary);
    if (in) t[fs::path(name).filename().string()].assign(std::istreambuf_iterator<char>(in), {});
  }
  if (t.empty()) GTEST_SKIP() << "no Windows programs under " << wine;
  // Asked for, the intervals holding code are translated; by default none is.
  for (const bool asked : {true, false}) {
    packAndCheck(t, Params{8, 8, 8, true, 4096, asked}, [asked](const fs::path& chm) {
      itss::HRESULT hr;
      auto file = itss::ItsfFile::open(chm.c_str(), &hr);
      ASSERT_TRUE(file);
      itss::LzxSection* section = file->lzxSection(&hr);
      ASSERT_TRUE(section);
      const auto& p = section->params();
      std::size_t translated = 0;
      for (std::uint64_t at : p.resetOffsets) translated += (p.content[at + 1] & 0x80) != 0;
      EXPECT_EQ(translated > 0, asked) << translated << " of " << p.resetOffsets.size();
    });
  }
}

}  // namespace
}  // namespace wtest
