// The contents, index and full-text readers over the real files of the
// corpus: wrenlow-cli search finds what python3-chm's search finds, and the
// trees read from the binary tables equal those of the sitemap files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "chmfiles/byte_source.h"
#include "chmfiles/fulltext_reader.h"
#include "chmfiles/help_trees.h"
#include "its/its_storage.h"
#include "platform/system/codepage.h"

namespace fs = std::filesystem;

namespace {

const std::string kCli = WRENLOW_BINARY_DIR "/src/cli/wrenlow-cli";

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string run(const std::string& command) {
  std::string out;
  FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
  if (!p) return out;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

bool havePythonChm() {
  return std::system("/usr/bin/python3 -c 'import chm.chm' >/dev/null 2>&1") == 0;
}

std::vector<fs::path> corpusFiles() {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(WRENLOW_CORPUS_DIR, ec)) {
    std::string ext = e.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](char c) { return std::tolower(c); });
    if (e.is_regular_file() && ext == ".chm") files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Up to count words of the index spread over it, each cut to its first
// three characters (so that the prefix search has more than one word to
// find), in UTF-8; words the code page cannot give back are passed over.
std::vector<std::string> samplePrefixes(const FullTextReader& reader, unsigned codePage,
                                        std::size_t count) {
  std::vector<std::string> words;
  reader.forEachWord([&](const FullTextWord& w) {
    if (w.topicCount > 0) words.push_back(w.word);
    return true;
  });
  std::vector<std::string> out;
  for (std::size_t i = 0; i < words.size() && out.size() < count; i += words.size() / count + 1) {
    const std::string& w = words[i];
    std::size_t cut = 0;
    for (int c = 0; c < 3 && cut < w.size(); ++c) cut += cp::charLength(w, cut, codePage);
    const std::string prefix = w.substr(0, cut);
    const std::optional<std::string> utf8 = cp::toUtf8Strict(prefix, codePage);
    if (!utf8 || cp::fromUtf8(*utf8, codePage) != prefix) continue;
    if (std::find(out.begin(), out.end(), *utf8) == out.end()) out.push_back(*utf8);
  }
  return out;
}

// The pages python3-chm's search finds for each word (words beginning with
// it, with prefix): word → pages; none when it cannot open the file or calls
// it unsearchable.
std::optional<std::map<std::string, std::set<std::string>>> pythonSearch(
    const fs::path& chm, unsigned codePage, const std::vector<std::string>& words, bool prefix) {
  std::string command = "/usr/bin/python3 " WRENLOW_SOURCE_DIR
                        "/tests/compile/fulltext_search.py " +
                        std::string(prefix ? "--prefix " : "") + quote(chm.string()) + " cp" +
                        std::to_string(codePage);
  for (const std::string& w : words) command += " " + quote(w);
  std::istringstream lines(run(command));
  std::map<std::string, std::set<std::string>> found;
  std::string line;
  std::getline(lines, line);
  if (line != "searchable") return std::nullopt;
  while (std::getline(lines, line)) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    std::set<std::string>& pages = found[line.substr(0, tab)];
    std::istringstream list(line.substr(tab + 1));
    for (std::string page; list >> page;) pages.insert(page);
  }
  return found;
}

struct CliHits {
  std::set<std::string> titles, pages;
};

CliHits cliSearch(const fs::path& chm, const std::string& word, bool prefix) {
  CliHits hits;
  std::istringstream lines(run(kCli + " search " + (prefix ? "--prefix " : "") +
                               quote(chm.string()) + " " + quote(word)));
  for (std::string line; std::getline(lines, line);) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    hits.titles.insert(line.substr(0, tab));
    hits.pages.insert(line.substr(tab + 1));
  }
  return hits;
}

TEST(ReadersCorpus, SearchFindsWhatPythonChmFinds) {
  if (!havePythonChm()) GTEST_SKIP() << "python3-chm is not installed";
  const std::vector<fs::path> files = corpusFiles();
  if (files.empty()) GTEST_SKIP() << "no corpus";
  int searched = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    ItsStorage storage;
    if (itss::FAILED(storage.open(file.c_str()))) continue;
    std::vector<std::uint8_t> bytes;
    if (readStreamBytes(storage.root(), "$FIftiMain", fts::kMaxIndexBytes, bytes) != itss::S_OK)
      continue;
    const FullTextReader reader(Bytes(bytes.data(), bytes.size()));
    if (!reader.valid()) continue;  // python3-chm does not search these either
    const unsigned codePage = cp::isSupported(reader.codePage()) ? reader.codePage() : 1252;
    const std::vector<std::string> words = samplePrefixes(reader, codePage, 5);
    ASSERT_FALSE(words.empty());
    const auto expected = pythonSearch(file, codePage, words, true);
    if (!expected) {
      std::printf("python3-chm does not search %s\n", file.filename().c_str());
      continue;
    }
    for (const std::string& w : words) {
      SCOPED_TRACE(w);
      const CliHits ours = cliSearch(file, w, true);
      const auto it = expected->find(w);
      ASSERT_NE(it, expected->end());
      // python3-chm keys its results by title, so it keeps one page per
      // title; every page it keeps is among ours, and it has one per title.
      EXPECT_FALSE(ours.pages.empty()) << "a word taken from the index finds nothing";
      for (const std::string& page : it->second) EXPECT_TRUE(ours.pages.count(page)) << page;
      EXPECT_EQ(it->second.size(), ours.titles.size());
    }
    ++searched;
  }
  EXPECT_GE(searched, 12);  // every file with a non-empty index python3-chm opens
}

// The Chinese file indexes one character to a word: a word of two
// characters finds the topics holding both.
TEST(ReadersCorpus, ChineseWordsAreFoundCharacterByCharacter) {
  if (!havePythonChm()) GTEST_SKIP() << "python3-chm is not installed";
  const fs::path file = fs::path(WRENLOW_CORPUS_DIR) / "xpchs_cpanel.chm";
  if (!fs::exists(file)) GTEST_SKIP() << "no corpus";
  const auto each = pythonSearch(file, 936, {"设", "置"}, false);
  ASSERT_TRUE(each);
  std::set<std::string> both;
  for (const std::string& page : each->at("设"))
    if (each->at("置").count(page)) both.insert(page);
  ASSERT_FALSE(both.empty());
  EXPECT_EQ(cliSearch(file, "设置", false).pages, both);
}

// A tree in a form both sources share: siblings of one name merged and
// sorted (the binary index is sorted, keeps one entry per keyword), pages
// folded as the help file's lookups fold them.
struct Shape {
  std::set<std::string> pages, seeAlso;
  std::map<std::string, Shape> children;
  bool operator==(const Shape&) const = default;
};

void addLevel(const std::vector<HelpTreeEntry>& level, std::map<std::string, Shape>& out) {
  for (const HelpTreeEntry& e : level) {
    Shape& s = out[e.name];
    for (const TreeTopic& t : e.topics) s.pages.insert(foldedLocal(t.local));
    if (!e.seeAlso.empty()) s.seeAlso.insert(e.seeAlso);
    addLevel(e.children, s.children);
  }
}

// Keywords without pages compare by their reference; one with pages may
// carry a reference to itself in the binary index.
void describeDifferences(const std::map<std::string, Shape>& a,
                         const std::map<std::string, Shape>& b, const std::string& path,
                         std::vector<std::string>& out) {
  for (const auto& [name, s] : a) {
    const auto it = b.find(name);
    if (it == b.end()) {
      out.push_back("only in the table: " + path + name);
      continue;
    }
    if (s.pages != it->second.pages) out.push_back("pages differ: " + path + name);
    if (s.pages.empty() && s.seeAlso != it->second.seeAlso)
      out.push_back("see-also differs: " + path + name);
    describeDifferences(s.children, it->second.children, path + name + " > ", out);
  }
  for (const auto& [name, s] : b)
    if (!a.count(name)) out.push_back("only in the sitemap: " + path + name);
}

TEST(ReadersCorpus, TablesGiveTheSitemapsTrees) {
  const std::vector<fs::path> files = corpusFiles();
  if (files.empty()) GTEST_SKIP() << "no corpus";
  int contents = 0, indexes = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    ItsStorage storage;
    if (itss::FAILED(storage.open(file.c_str()))) continue;
    for (const bool isContents : {true, false}) {
      auto read = isContents ? readContents : readIndex;
      const HelpTree table = read(storage.root(), TreeSourceChoice::kBinaryOnly);
      const HelpTree sitemap = read(storage.root(), TreeSourceChoice::kSitemapOnly);
      if (table.entries.empty() || sitemap.entries.empty()) continue;
      std::map<std::string, Shape> a, b;
      addLevel(table.entries, a);
      addLevel(sitemap.entries, b);
      std::vector<std::string> differences;
      describeDifferences(a, b, std::string(), differences);
      EXPECT_TRUE(differences.empty())
          << (isContents ? "contents: " : "index: ") << differences.size() << " differences, "
          << differences.front();
      // The contents keeps the sitemap's order too: wrenlow-cli toc prints
      // the same lines from either source.
      if (isContents) {
        EXPECT_EQ(run(kCli + " toc --binary " + quote(file.string())),
                  run(kCli + " toc --sitemap " + quote(file.string())));
      }
      ++(isContents ? contents : indexes);
    }
  }
  EXPECT_GE(contents, 2);
  EXPECT_GE(indexes, 10);
}

// The contents of a file with a binary table keeps the sitemap's order too.
TEST(ReadersCorpus, TocAndIndexCommandsPrintTheTrees) {
  const fs::path putty = fs::path(WRENLOW_CORPUS_DIR) / "halibut_putty.chm";
  const fs::path sevenZip = fs::path(WRENLOW_CORPUS_DIR) / "7zcn_7-zip.chm";
  if (!fs::exists(putty) || !fs::exists(sevenZip)) GTEST_SKIP() << "no corpus";
  const std::string table = run(kCli + " toc --binary " + quote(putty.string()));
  EXPECT_EQ(table, run(kCli + " toc --sitemap " + quote(putty.string())));
  EXPECT_NE(table.find("PuTTY User Manual\tindex.html\nIntroduction to PuTTY\tintro.html\n"
                       "  What are SSH, Telnet, Rlogin, and SUPDUP?\tyou-what.html\n"),
            std::string::npos);
  // GBK keywords in UTF-8, from the binary index by default.
  const std::string index = run(kCli + " index --json " + quote(sevenZip.string()));
  EXPECT_NE(index.find("\"source\": \"binary\""), std::string::npos);
  EXPECT_NE(index.find("\"name\": \"7z 格式\""), std::string::npos);
  EXPECT_NE(index.find("\"local\": \"general/7z.htm\""), std::string::npos);
  // No table of the asked kind: exit 1 with nothing printed.
  EXPECT_EQ(
      std::system((kCli + " toc --binary " + quote(sevenZip.string()) + " >/dev/null").c_str()) >>
          8,
      1);
}

}  // namespace
