// Every report page of every real file in the corpus: built without a crash,
// shown when its source is there, valid UTF-8 throughout; and wrenlow-cli
// report writes the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "its/element_walk.h"
#include "its/its_storage.h"
#include "platform/itss/com_ptr.h"
#include "platform/system/codepage.h"
#include "report/report_pages.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<fs::path> corpusFiles() {
  std::vector<fs::path> files;
  std::error_code ec;  // no corpus: no cases
  for (const auto& e : fs::directory_iterator(WRENLOW_CORPUS_DIR, ec))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

bool hasStream(itss::IStorage* root, const char* name) {
  itss::ComPtr<itss::IStream> s;
  return itss::SUCCEEDED(root->OpenStream(name, nullptr, itss::STGM_READ, 0, s.put()));
}

// Internal paths of the root's streams whose name ends in one of the
// extensions (a few of each at most).
std::vector<std::string> streamsEnding(itss::IStorage* root, const char* ext) {
  std::vector<std::string> out;
  itss::ComPtr<itss::IEnumSTATSTG> e;
  if (itss::FAILED(root->EnumElements(0, nullptr, 0, e.put()))) return out;
  itss::STATSTG st{};
  while (out.size() < 3 && e->Next(1, &st, nullptr) == itss::S_OK) {
    std::string name = ItsStorage::takeName(st.pwcsName);
    if (st.type == itss::STGTY_STREAM && name.ends_with(ext)) out.push_back(name);
  }
  return out;
}

TEST(ReportCorpus, EveryPageOfEveryFileBuilds) {
  const std::string folder = ::testing::TempDir() + "report-corpus";
  fs::create_directories(folder);
  int files = 0, shown = 0;
  for (const fs::path& file : corpusFiles()) {
    SCOPED_TRACE(file.filename().string());
    ItsStorage storage;
    if (itss::FAILED(storage.open(file.c_str()))) continue;
    ++files;
    itss::IStorage* root = storage.root();
    ReportPages pages(root, file.string(), folder);
    const std::pair<const char*, PageResult (ReportPages::*)()> tables[] = {
        {"#STRINGS", &ReportPages::strings}, {"#URLSTR", &ReportPages::urlStr},
        {"#IVB", &ReportPages::ivb},         {"#IDXHDR", &ReportPages::idxHeader},
        {"#SYSTEM", &ReportPages::system},   {"#WINDOWS", &ReportPages::windows},
        {"#TOPICS", &ReportPages::topics}};
    std::vector<PageResult> results;
    for (const auto& [stream, build] : tables) {
      const PageResult r = (pages.*build)();
      if (!hasStream(root, stream)) {
        EXPECT_EQ(r.outcome, PageOutcome::kBinaryFile) << stream;
      }
      results.push_back(r);
    }
    const PageResult general = pages.generalInfo();
    EXPECT_EQ(general.outcome, PageOutcome::kShow);
    results.push_back(general);
    for (const char* ext : {".css", ".js", ".hhp", ".h"})
      for (const std::string& p : streamsEnding(root, ext)) results.push_back(pages.textFile(p));
    for (const std::string& p : streamsEnding(root, ".hhc")) {
      results.push_back(pages.contents(p));
      EXPECT_EQ(results.back().outcome, PageOutcome::kShow) << p;
    }
    for (const std::string& p : streamsEnding(root, ".htm")) {
      results.push_back(pages.textView("/" + p));
      EXPECT_EQ(results.back().outcome, PageOutcome::kShowNoHome) << p;
    }
    for (const PageResult& r : results) {
      if (r.outcome == PageOutcome::kBinaryFile) continue;
      ++shown;
      EXPECT_TRUE(cp::isValidUtf8(readFile(r.path))) << r.path;
    }
    pages.deleteTempPages();
  }
  std::printf("%d files, %d pages\n", files, shown);
  EXPECT_GE(files, 20);
  EXPECT_GE(shown, 100);
  EXPECT_TRUE(fs::is_empty(folder));
}

// The LCID-0x409 file whose texts are GBK: its pages show Chinese.
TEST(ReportCorpus, MislabelledGbkFileShowsChinese) {
  ItsStorage storage;
  const std::string file = WRENLOW_CORPUS_DIR "/massspec_ElementPeriodTable.CHM";
  ASSERT_EQ(storage.open(file.c_str()), itss::S_OK);
  ReportPages pages(storage.root(), file, ::testing::TempDir());
  EXPECT_EQ(pages.codePage(), 936u);
  const std::string system = readFile(pages.system().path);
  EXPECT_NE(system.find("<DT>短名称: 元素周期表</DT>"), std::string::npos);
  pages.deleteTempPages();
}

TEST(ReportCorpus, CommandLineWritesThePage) {
  const std::string cli = WRENLOW_BINARY_DIR "/src/cli/wrenlow-cli";
  const std::string file = WRENLOW_CORPUS_DIR "/7zcn_7-zip.chm";
  ItsStorage storage;
  ASSERT_EQ(storage.open(file.c_str()), itss::S_OK);
  ReportPages pages(storage.root(), file, ::testing::TempDir());
  const std::string expected = readFile(pages.windows().path);
  pages.deleteTempPages();
  FILE* p = popen(("'" + cli + "' report '" + file + "' windows").c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  EXPECT_EQ(pclose(p), 0);
  EXPECT_EQ(out, expected);
  EXPECT_NE(std::system(("'" + cli + "' report '" + file + "' nonsense 2>/dev/null").c_str()), 0);
}

}  // namespace
