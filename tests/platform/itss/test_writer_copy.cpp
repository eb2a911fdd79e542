// `wrenlow-cli copy` of every real file of the corpus: the copy must extract
// with every reader to the same bytes as the original does with 7-Zip and
// with our reader. Crafted malformed files may fail to copy, but whatever is
// written must still be a valid container.
#include "test_writer_util.h"

namespace wtest {
namespace {

Tree nonEmpty(const Tree& t) {
  Tree r;
  for (const auto& [k, v] : t)
    if (!v.empty() && k.back() != '/' && k.rfind("::", 0) != 0) r[k] = v;
  return r;
}

class CopyCorpus : public ::testing::TestWithParam<Params> {};

TEST_P(CopyCorpus, EveryCorpusFileCopiesFaithfully) {
  const Params p = GetParam();
  const fs::path corpus(WRENLOW_CORPUS_DIR);
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "corpus missing: " << corpus;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(corpus)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  unsigned copied = 0;
  for (const fs::path& f : files) {
    SCOPED_TRACE(f.filename().string() + " " + describe(p));
    TempDir tmp;
    const fs::path out = tmp.path() / "copy.chm";
    std::string error;
    Tree original = readWithEngine(f, &error);
    const bool readable = error.empty();
    const int rc = run(cli() + " copy " + quote(f) + " " + quote(out) + options(p));
    if (rc != 0 || !readable) {
      // Malformed input: the copy may fail, but a written file stays valid.
      if (fs::exists(out) && fs::file_size(out) > 0) {
        std::string e2;
        readWithEngine(out, &e2);
        EXPECT_EQ(e2, "") << "partial copy is not a valid container";
        if (haveProgram("7zz")) {
          EXPECT_EQ(run("7zz l " + quote(out)), 0);
        }
      }
      continue;
    }
    ++copied;
    const Tree expected = nonEmpty(original);
    if (haveProgram("7zz") &&
        run("7zz x -y -o" + quote(tmp.path() / "orig7z") + " " + quote(f)) == 0) {
      // 7-Zip's view of the original agrees with ours.
      expectSame("7zz x (original)", expected, nonEmpty(readTree(tmp.path() / "orig7z", false)));
    }
    std::string e3;
    expectSame("own reader", expected, nonEmpty(readWithEngine(out, &e3)));
    EXPECT_EQ(e3, "");
    if (haveProgram("7zz")) {
      EXPECT_EQ(run("7zz x -y -o" + quote(tmp.path() / "7z") + " " + quote(out)), 0);
      expectSame("7zz x", expected, readTree(tmp.path() / "7z", false));
    }
    if (haveProgram("extract_chmLib")) {
      EXPECT_EQ(run("extract_chmLib " + quote(out) + " " + quote(tmp.path() / "chmlib")), 0);
      expectSame("extract_chmLib", expected, readTree(tmp.path() / "chmlib", false));
    }
    if (haveProgram("chmls") && chmlsCanRead(p)) {
      EXPECT_EQ(run("chmls extractall " + quote(out) + " " + quote(tmp.path() / "chmls")), 0);
      expectSame("chmls extractall", expected, readTree(tmp.path() / "chmls", false));
    }
  }
  EXPECT_GE(copied, 20u) << "too few corpus files copied";
}

INSTANTIATE_TEST_SUITE_P(Params, CopyCorpus,
                         ::testing::Values(Params{2, 2, 1}, Params{8, 8, 8}, Params{4, 1, 1}),
                         [](const ::testing::TestParamInfo<Params>& i) {
                           return "r" + std::to_string(i.param.reset) + "w" +
                                  std::to_string(i.param.window);
                         });

}  // namespace
}  // namespace wtest
