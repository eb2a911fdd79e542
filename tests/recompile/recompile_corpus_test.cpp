// Every real file of the corpus recompiled: 7-Zip and chmlib read back from
// the new file exactly the streams of the source, less the entries the
// recompile leaves out, and those are worked out here from the MANIFEST's
// #SYSTEM facts and 7-Zip's view of the source.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "common/string_utils.h"
#include "its/its_storage.h"
#include "its/text_helpers.h"
#include "recompile/recompile_batch.h"
#include "tests/common/corpus_oracles.h"
#include "tests/common/recording_prompter.h"
#include "tests/decompile/crafted_file.h"

namespace {

namespace fs = std::filesystem;
using corpus::haveProgram;
using corpus::shellQuoted;
using corpus::testName;
using crafted::TempDir;

// The MANIFEST row of a corpus file: #SYSTEM version and records 7 and 11.
struct ManifestFacts {
  std::uint32_t version = 0, rec7 = 0, rec11 = 0;
};

ManifestFacts manifestFacts(const std::string& name) {
  std::ifstream in(std::string(WRENLOW_CORPUS_DIR) + "/../MANIFEST.tsv");
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::size_t start = 0;
    for (;;) {
      const std::size_t tab = line.find('\t', start);
      cols.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (cols.size() < 15 || cols[0] != name) continue;
    ManifestFacts f;
    f.version = static_cast<std::uint32_t>(ParseInt(cols[7]));
    f.rec7 = static_cast<std::uint32_t>(ParseInt(cols[13]));
    f.rec11 = static_cast<std::uint32_t>(ParseInt(cols[14]));
    return f;
  }
  ADD_FAILURE() << name << " is not in the MANIFEST";
  return {};
}

using Listing = std::map<std::string, std::uint64_t>;  // path → size

Listing listing(const std::string& root) {
  Listing out;
  for (const std::string& rel : crafted::listFiles(root))
    out[rel] = fs::file_size(root + "/" + rel);
  return out;
}

// The 32-bit value at offset of a file 7-Zip extracted, 0 when it is missing
// or shorter.
std::uint32_t valueAt(const std::string& path, std::size_t offset) {
  const std::string bytes = crafted::readFile(path);
  if (bytes.size() < offset + 4) return 0;
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[offset + i]);
  return v;
}

// What the new file must not hold, from the source as 7-Zip shows it in
// folder, the sitemap files replaced by binary tables dropped.
std::set<std::string> expectedDrops(const std::string& name, const Listing& source,
                                    const std::string& folder) {
  const ManifestFacts m = manifestFacts(name);
  std::set<std::string> drops;
  std::map<std::string, int> filled;  // sub-storage → its non-empty streams
  for (const auto& [path, size] : source) {
    if (size == 0) drops.insert(path);  // empty streams are never listed
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && size > 0) ++filled[path.substr(0, slash)];
  }
  // A 4-byte "Property" alone in its sub-storage is an empty link index.
  for (const auto& [path, size] : source) {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && path.substr(slash + 1) == "Property" && size == 4 &&
        filled[path.substr(0, slash)] == 1)
      drops.insert(path);
  }
  auto listed = [&](const std::string& p) {
    auto it = source.find(p);
    return it != source.end() && it->second > 0 && !drops.count(p);
  };
  const bool its = findNoCase(name, ".its") != std::string::npos;
  const bool collection = findNoCase(name, ".chi") != std::string::npos ||
                          findNoCase(name, ".chw") != std::string::npos;
  const bool used = collection || listed("$WWAssociativeLinks/Property") ||
                    listed("$WWKeywordLinks/Property") || listed("$FIftiMain") || m.rec7 || m.rec11;
  if (its || !used) {
    drops.insert({"#TOPICS", "#URLSTR", "#URLTBL", "$OBJINST", "#IDXHDR"});
    if (its || (!listed("#IVB") && !listed("#WINDOWS") && m.version < 3)) drops.insert("#STRINGS");
    if (its) drops.insert("#SYSTEM");
  } else if (m.version >= 3) {
    drops.insert("#IDXHDR");
  }
  // Only where the table is really there: a keyword tree with keywords, a
  // binary contents with a first entry.
  const bool keywordTree = valueAt(folder + "/$WWKeywordLinks/BTree", 0x2C) != 0;
  const bool contentsTree = valueAt(folder + "/#TOCIDX", 0) != 0;
  for (const auto& [path, size] : source) {
    const std::string file = fs::path(path).filename().string();
    if ((m.rec7 && keywordTree && extensionIs(path, ".hhk") && NameHash(file) == m.rec7) ||
        (m.rec11 && contentsTree && extensionIs(path, ".hhc") && NameHash(file) == m.rec11))
      drops.insert(path);
  }
  std::set<std::string> present;
  for (const std::string& d : drops)
    if (source.count(d)) present.insert(d);
  return present;
}

class Corpus : public ::testing::TestWithParam<std::string> {};

TEST_P(Corpus, OtherReadersFindTheSourceStreamsLessTheDroppedOnes) {
  if (!haveProgram("7zz") || !haveProgram("extract_chmLib"))
    GTEST_SKIP() << "7zz or extract_chmLib is not installed";
  const std::string name = GetParam();
  const std::string source = std::string(WRENLOW_CORPUS_DIR) + "/" + name;
  TempDir dir;
  const std::string target = dir / name;

  crafted::RecordingSink sink;
  RecordingPrompter prompter;
  RecompileRequest request;
  request.source = source;
  request.target = target;
  request.options.dropSitemapIndex = request.options.dropSitemapContents = true;
  const RecompileOutcome outcome = recompile(request, sink, prompter);

  const int zrc = std::system(
      ("7zz x -y -o" + shellQuoted(dir / "src") + " " + shellQuoted(source) + " >/dev/null 2>&1")
          .c_str());
  if (outcome.succeeded == 0) {
    // Only files the other readers cannot read whole may fail, and with a message.
    EXPECT_EQ(prompter.count(), 1u);
    EXPECT_TRUE(name.rfind("mspack_", 0) == 0 || zrc != 0) << name << " failed";
    return;
  }
  // Where 7-Zip cannot read the source at all, chmlib tells what it holds.
  if (zrc != 0)
    std::system(("extract_chmLib " + shellQuoted(source) + " " + shellQuoted(dir / "src") +
                 " >/dev/null 2>&1")
                    .c_str());
  ASSERT_EQ(sink.lines.size(), 1u);
  EXPECT_EQ(prompter.count(), 0u);
  ASSERT_EQ(std::system(("7zz x -y -o" + shellQuoted(dir / "new7z") + " " + shellQuoted(target) +
                         " >/dev/null 2>&1")
                            .c_str()),
            0);
  std::system(("extract_chmLib " + shellQuoted(target) + " " + shellQuoted(dir / "newchmlib") +
               " >/dev/null 2>&1")
                  .c_str());

  const Listing before = listing(dir / "src");
  const Listing after7z = listing(dir / "new7z");
  const Listing afterChmlib = listing(dir / "newchmlib");
  const std::set<std::string> drops = expectedDrops(name, before, dir / "src");
  Listing expected = before;
  for (const std::string& d : drops) expected.erase(d);
  EXPECT_EQ(after7z, expected);
  EXPECT_EQ(afterChmlib, expected);
  for (const auto& [path, size] : expected) {
    const std::string want = crafted::readFile(dir / "src/" + path);
    EXPECT_EQ(crafted::readFile(dir / "new7z/" + path), want) << path;
    EXPECT_EQ(crafted::readFile(dir / "newchmlib/" + path), want) << path;
  }
  // The size the line reports is the new file's.
  EXPECT_EQ(outcome.totalNew, fs::file_size(target));
  EXPECT_EQ(outcome.totalOld, fs::file_size(source));
}

INSTANTIATE_TEST_SUITE_P(Files, Corpus, ::testing::ValuesIn(corpus::files()), testName);

}  // namespace
