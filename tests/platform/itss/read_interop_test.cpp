// Extraction agrees with other readers: for every corpus file and for files
// chmcmd compiles here from generated sources, `wrenlow-cli extract` writes
// exactly the non-empty files, with exactly the bytes, that 7-Zip and chmlib
// write.
//
// Where they disagree: chmcmd records chunk 1 as the first listing chunk
// while its chain of listing chunks starts at chunk 0; chmlib trusts the
// field and misses every entry of chunk 0, 7-Zip reads them. Chunk 0 holds
// real entries (its prev link is -1, it is the chain head and the index
// points into it), so 7-Zip is right. chmlib is compared on a copy with the
// field set to the chain head, and on the original it must write a subset of
// what we write, byte for byte.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "platform/itss/bytes.h"
#include "read_test_util.h"

namespace fs = std::filesystem;

namespace {

const std::string kCli = WRENLOW_BINARY_DIR "/src/cli/wrenlow-cli";

bool have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

int run(const std::string& cmd) {
  int rc = std::system(cmd.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : 128;
}

std::string quote(const std::string& s) { return "'" + s + "'"; }

using Tree = std::map<std::string, std::string>;

// Non-empty regular files below dir: relative path -> bytes.
Tree readTree(const fs::path& dir) {
  Tree t;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file() || it->file_size() == 0) continue;
    t[fs::relative(it->path(), dir).string()] = readtest::slurp(it->path().string());
  }
  return t;
}

std::string describeDiff(const Tree& a, const Tree& b) {
  std::string out;
  int shown = 0;
  for (auto& [k, v] : a) {
    auto it = b.find(k);
    if (it == b.end())
      out += " only-ours:" + k;
    else if (it->second != v)
      out += " differs:" + k;
    else
      continue;
    if (++shown > 5) break;
  }
  for (auto& [k, v] : b)
    if (!a.count(k) && ++shown <= 10) out += " only-peer:" + k;
  return out;
}

// A copy whose ITSP "first listing chunk" names the chain head (the listing
// chunk whose prev link is -1).
std::string repairedCopy(const std::string& path, const fs::path& dir) {
  std::string bytes = readtest::slurp(path);
  auto* d = reinterpret_cast<std::uint8_t*>(bytes.data());
  if (bytes.size() > 0x60 && bytes.compare(0, 4, "ITSF") == 0) {
    std::uint64_t hs1 = itss::le64(d + 0x48);
    if (hs1 + 0x54 <= bytes.size() && bytes.compare(hs1, 4, "ITSP") == 0) {
      std::uint32_t chunk = itss::le32(d + hs1 + 0x10);
      std::uint32_t count = itss::le32(d + hs1 + 0x2C);
      std::uint64_t dir0 = hs1 + 0x54;
      for (std::uint32_t c = 0; chunk >= 0x20 && c < count; ++c) {
        std::uint64_t at = dir0 + std::uint64_t{c} * chunk;
        if (at + chunk > bytes.size()) break;
        if (bytes.compare(at, 4, "PMGL") == 0 && itss::le32(d + at + 0x0C) == 0xFFFFFFFFu) {
          itss::putLe32(d + hs1 + 0x20, c);
          break;
        }
      }
    }
  }
  std::string out = (dir / "repaired.chm").string();
  std::ofstream(out, std::ios::binary) << bytes;
  return out;
}

void compareWithPeers(const std::string& chm) {
  if (!fs::exists(kCli)) GTEST_SKIP() << "wrenlow-cli not built";
  if (!have("7zz") || !have("extract_chmLib")) GTEST_SKIP() << "7zz or extract_chmLib missing";
  // One folder per process: several checkouts may run this test at once.
  fs::path work = fs::path(testing::TempDir()) / ("interop_" + std::to_string(::getpid()) + "_" +
                                                  fs::path(chm).filename().string());
  fs::remove_all(work);
  fs::create_directories(work / "zip");
  int ours = run(quote(kCli) + " extract " + quote(chm) + " " + quote((work / "ours").string()) +
                 " 2>/dev/null");
  int zip = run("cd " + quote((work / "zip").string()) + " && 7zz x -y " + quote(chm) +
                " >/dev/null 2>&1");
  run("extract_chmLib " + quote(chm) + " " + quote((work / "chmlib").string()) +
      " >/dev/null 2>&1");
  std::string fixed = repairedCopy(chm, work);
  run("extract_chmLib " + quote(fixed) + " " + quote((work / "chmlib-fixed").string()) +
      " >/dev/null 2>&1");

  Tree mine = readTree(work / "ours");
  Tree z = readTree(work / "zip");
  Tree c = readTree(work / "chmlib");
  Tree cf = readTree(work / "chmlib-fixed");
  EXPECT_TRUE(mine == z) << chm << " vs 7zz:" << describeDiff(mine, z);
  EXPECT_TRUE(mine == cf) << chm << " vs extract_chmLib:" << describeDiff(mine, cf);
  for (auto& [k, v] : c) {
    auto it = mine.find(k);
    EXPECT_TRUE(it != mine.end() && it->second == v) << chm << " chmlib wrote " << k;
  }
  if (zip == 0) {
    EXPECT_EQ(ours, 0) << chm;
  }
  fs::remove_all(work);
}

TEST(ReadInterop, CorpusExtractsLikeThePeers) {
  auto files = readtest::corpusFiles();
  ASSERT_FALSE(files.empty());
  for (const std::string& f : files) {
    SCOPED_TRACE(f);
    compareWithPeers(f);
    if (testing::Test::IsSkipped()) return;
  }
}

// Writes a project of text, binary, Chinese-named and nested files (several
// MB) and compiles it with chmcmd; returns the .chm path.
std::string compileProject(const fs::path& dir) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::mt19937 rng(2024);
  std::vector<std::string> files;
  auto put = [&](const std::string& rel, const std::string& bytes) {
    fs::create_directories((dir / rel).parent_path());
    std::ofstream(dir / rel, std::ios::binary) << bytes;
    files.push_back(rel);
  };
  const char* words[] = {"storage", "stream",  "内容",   "index", "chunk", "frame",       "help",
                         "页面",    "compile", "window", "topic", "reset", "<b>bold</b>", "\n"};
  std::string index = "<html><body><h1>Index</h1>\n";
  for (int i = 0; i < 320; ++i) {
    std::string page = "<html><head><title>Page " + std::to_string(i) + "</title></head><body>\n";
    while (page.size() < 9000 + (rng() % 6000)) {
      page += words[rng() % (sizeof words / sizeof *words)];
      page += ' ';
      if (rng() % 7 == 0) page += std::to_string(rng() % 100000) + ' ';
    }
    page += "</body></html>\n";
    std::string rel = "pages/sec" + std::to_string(i % 4) + "/p" + std::to_string(i) + ".htm";
    put(rel, page);
    index += "<a href=\"" + rel + "\">" + std::to_string(i) + "</a>\n";
  }
  put("index.htm", index + "</body></html>\n");
  std::string random(300000, '\0');
  for (char& ch : random) ch = static_cast<char>(rng());
  put("bin/random.dat", random);
  put("bin/zeros.dat", std::string(200000, '\0'));
  put("img/pic.png", random.substr(1000, 7001));
  put("中文/说明.htm", "<html><body>中文说明页面。</body></html>\n");
  put("中文/图片 一.png", random.substr(5, 333));
  put("a/b/c/d/deep.htm", "<html><body>deep</body></html>\n");
  put("empty.txt", "");

  std::ofstream hhp(dir / "t.hhp");
  hhp << "[OPTIONS]\nCompiled file=t.chm\nDefault topic=index.htm\nFull-text search=No\n"
         "Title=Test\n\n[FILES]\n";
  for (auto& f : files) hhp << f << "\n";
  hhp.close();
  if (run("cd " + quote(dir.string()) + " && chmcmd --no-html-scan t.hhp >/dev/null 2>&1") != 0)
    return "";
  return (dir / "t.chm").string();
}

TEST(ReadInterop, ChmcmdBuiltFilesExtractLikeThePeers) {
  if (!have("chmcmd")) GTEST_SKIP() << "chmcmd missing";
  fs::path dir = fs::path(testing::TempDir()) / ("chmcmd_project_" + std::to_string(::getpid()));
  std::string chm = compileProject(dir);
  ASSERT_FALSE(chm.empty()) << "chmcmd failed";
  ASSERT_GT(fs::file_size(chm), 100000u);
  compareWithPeers(chm);
  // Our own reader sees the generated sources byte for byte.
  auto root = readtest::open(chm);
  ASSERT_TRUE(root);
  for (const char* rel :
       {"bin/random.dat", "bin/zeros.dat", "中文/图片 一.png", "pages/sec3/p319.htm"}) {
    itss::ComPtr<itss::IStream> s;
    ASSERT_EQ(root->OpenStream(rel, nullptr, 0, 0, s.put()), itss::S_OK) << rel;
    EXPECT_TRUE(readtest::readAll(s.get()) == readtest::slurp((dir / rel).string())) << rel;
  }
  fs::remove_all(dir);
}

TEST(ReadInterop, ExtractRefusesNamesOutsideTheTarget) {
  if (!fs::exists(kCli)) GTEST_SKIP() << "wrenlow-cli not built";
  // A container whose names climb out of the target folder: built from a
  // real file by renaming two entries in place (same lengths).
  std::string bytes = readtest::slurp(readtest::corpus("7zcn_7-zip.chm"));
  auto rename = [&](const std::string& from, const std::string& to) {
    ASSERT_EQ(from.size(), to.size());
    auto at = bytes.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    bytes.replace(at, from.size(), to);
  };
  rename("/start.htm", "/../st.htm");
  rename("/7-Zip.hhk", "/a/../../k");
  fs::path work = fs::path(testing::TempDir()) / ("escape_" + std::to_string(::getpid()));
  fs::remove_all(work);
  fs::create_directories(work / "out");
  std::string chm = (work / "evil.chm").string();
  std::ofstream(chm, std::ios::binary) << bytes;
  std::string err = (work / "err.txt").string();
  int rc = run(quote(kCli) + " extract " + quote(chm) + " " + quote((work / "out").string()) +
               " 2>" + quote(err));
  EXPECT_NE(rc, 0);
  std::string msg = readtest::slurp(err);
  EXPECT_NE(msg.find("/../st.htm"), std::string::npos) << msg;
  EXPECT_NE(msg.find("/a/../../k"), std::string::npos) << msg;
  EXPECT_FALSE(fs::exists(work / "st.htm"));
  EXPECT_FALSE(fs::exists(work / "k"));
  EXPECT_FALSE(fs::exists(fs::path(testing::TempDir()) / "k"));
  // Everything else still comes out.
  EXPECT_TRUE(fs::exists(work / "out" / "cmdline" / "commands" / "add.htm"));
  EXPECT_GT(readTree(work / "out").size(), 70u);
  fs::remove_all(work);
}

}  // namespace
