// Every real file of the corpus decompiled and compared, byte for byte, with
// what 7-Zip and chmlib extract from it: the non-system files of non-zero
// size must be exactly the same, plus the rebuilt project file.
#include <gtest/gtest.h>

#include <cstdlib>

#include "crafted_file.h"
#include "decompile/decompile_run.h"
#include "its/text_helpers.h"
#include "tests/common/corpus_oracles.h"
#include "tests/common/recording_prompter.h"

namespace {

namespace fs = std::filesystem;
using corpus::haveProgram;
using corpus::shellQuoted;
using corpus::testName;
using crafted::TempDir;

// The files a decompile must write: no path element begins with "$" or "#",
// size not 0.
std::vector<std::string> contentFiles(const std::string& root) {
  std::vector<std::string> out;
  for (const std::string& rel : crafted::listFiles(root)) {
    if (fs::file_size(root + "/" + rel) == 0) continue;
    bool system = false;
    std::size_t start = 0;
    for (;;) {
      if (rel[start] == '$' || rel[start] == '#') system = true;
      const std::size_t slash = rel.find('/', start);
      if (slash == std::string::npos) break;
      start = slash + 1;
    }
    if (!system) out.push_back(rel);
  }
  return out;
}

class Corpus : public ::testing::TestWithParam<std::string> {};

TEST_P(Corpus, DecompileWritesWhatTheOtherReadersExtract) {
  if (!haveProgram("7zz") || !haveProgram("extract_chmLib"))
    GTEST_SKIP() << "7zz or extract_chmLib is not installed";
  const std::string source = std::string(WRENLOW_CORPUS_DIR) + "/" + GetParam();
  TempDir dir;
  const std::string ours = dir / "ours", sevenZip = dir / "7z", chmlib = dir / "chmlib";
  fs::create_directory(ours);
  const int zrc = std::system(
      ("7zz x -y -o" + shellQuoted(sevenZip) + " " + shellQuoted(source) + " >/dev/null 2>&1")
          .c_str());
  std::system(
      ("extract_chmLib " + shellQuoted(source) + " " + shellQuoted(chmlib) + " >/dev/null 2>&1")
          .c_str());

  crafted::RecordingSink sink;
  RecordingPrompter prompter;
  DecompileRequest request;
  request.source = source;
  request.target = ours;
  const DecompileOutcome outcome = decompile(request, sink, prompter);

  const std::vector<std::string> z = contentFiles(sevenZip), c = contentFiles(chmlib);
  // chmlib misses the first listing chunk of chmcmd-written files; 7-Zip reads
  // them whole. Where 7-Zip cannot read a file at all, chmlib is the oracle.
  const bool sevenZipRead = zrc == 0;
  const std::vector<std::string>& expected = sevenZipRead ? z : c;
  const std::string& oracle = sevenZipRead ? sevenZip : chmlib;
  if (sevenZipRead) {
    for (const std::string& f : c)
      EXPECT_TRUE(std::binary_search(z.begin(), z.end(), f)) << "chmlib only: " << f;
  }

  std::vector<std::string> written = contentFiles(ours);
  const std::string project = fs::path(source).stem().string() + ".hhp";
  std::erase(written, project);
  // A sitemap file rebuilt from a binary table (a .chi keeps its index only
  // in binary form) is told by a line of its own.
  std::vector<std::string> rebuilt;
  for (const std::string& l : sink.lines)
    if (l.rfind("已从二进制", 0) == 0) rebuilt.push_back(l.substr(l.find("“") + 3));
  std::erase_if(written, [&](const std::string& f) {
    for (const std::string& r : rebuilt)
      if (r.rfind(f + "”", 0) == 0) return true;
    return false;
  });
  EXPECT_EQ(written, expected);
  for (const std::string& f : expected) {
    if (!fs::exists(ours + "/" + f)) continue;
    EXPECT_EQ(crafted::readFile(ours + "/" + f), crafted::readFile(oracle + "/" + f)) << f;
    if (std::binary_search(c.begin(), c.end(), f)) {
      EXPECT_EQ(crafted::readFile(ours + "/" + f), crafted::readFile(chmlib + "/" + f)) << f;
    }
  }
  if (outcome != DecompileOutcome::Failed) {
    EXPECT_TRUE(fs::exists(ours + "/" + project)) << project;
    ASSERT_FALSE(sink.lines.empty());
    EXPECT_NE(sink.lines.back().find(project), std::string::npos);
  }
  if (outcome == DecompileOutcome::Completed) {
    // Every file that exists was written and counted.
    const std::string& summary = sink.lines[sink.lines.size() - 2 - rebuilt.size()];
    EXPECT_NE(summary.find(thousands(static_cast<std::uint32_t>(expected.size())) + " 个文件"),
              std::string::npos)
        << summary;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, Corpus, ::testing::ValuesIn(corpus::files()), testName);

TEST(CorpusList, IsNotEmpty) { EXPECT_GE(corpus::files().size(), 20u); }

}  // namespace
