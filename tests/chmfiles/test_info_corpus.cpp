// wrenlow-cli info over the real files of the corpus: it never crashes, and
// what it decodes agrees with Free Pascal's chmls where both show the same
// thing (aliases, the #SYSTEM title, topic titles and links).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kCli = WRENLOW_BINARY_DIR "/src/cli/wrenlow-cli";

std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct Output {
  int status = -1;  // raw wait status
  std::string out;
};

Output run(const std::string& command) {
  Output r;
  FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
  if (!p) return r;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  r.status = pclose(p);
  return r;
}

bool haveProgram(const char* name) { return run(std::string("command -v ") + name).status == 0; }

std::vector<fs::path> corpusFiles() {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(WRENLOW_CORPUS_DIR, ec))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string l = text.substr(start, end - start);
    if (!l.empty() && l.back() == '\r') l.pop_back();
    out.push_back(l);
    start = end + 1;
  }
  return out;
}

std::string trimEnd(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0' || s.back() == '\r')) s.pop_back();
  return s;
}

// The lines of one "[name] ..." section of the info output.
std::vector<std::string> section(const std::string& info, const std::string& header) {
  std::vector<std::string> out;
  bool in = false;
  for (const std::string& l : lines(info)) {
    if (!l.empty() && l[0] == '[') {
      in = l.rfind(header, 0) == 0;
      continue;
    }
    if (in && !l.empty()) out.push_back(l);
  }
  return out;
}

class InfoCorpus : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kCli)) GTEST_SKIP() << "wrenlow-cli is not built";
    if (corpusFiles().empty()) GTEST_SKIP() << "no corpus at " << WRENLOW_CORPUS_DIR;
  }
};

TEST_F(InfoCorpus, EveryFileWithoutACrash) {
  int opened = 0;
  for (const fs::path& f : corpusFiles()) {
    for (const char* mode : {"", " --raw"}) {
      Output r = run(kCli + " info" + mode + " " + shellQuote(f.string()));
      ASSERT_TRUE(WIFEXITED(r.status)) << f << " ended by a signal";
      const int code = WEXITSTATUS(r.status);
      EXPECT_TRUE(code == 0 || code == 1) << f << " exit " << code;
      if (code == 0) {
        EXPECT_EQ(r.out.rfind("文件: ", 0), 0u) << f;
        opened += *mode == 0;
      }
    }
  }
  // All but the unreadable ones (a 5-byte stub, a header of '0' bytes).
  EXPECT_GE(opened, 24);
}

TEST_F(InfoCorpus, AliasesAgreeWithChmls) {
  if (!haveProgram("chmls")) GTEST_SKIP() << "chmls is not installed";
  const fs::path dir = fs::temp_directory_path() / ("wrenlow-info-" + std::to_string(getpid()));
  fs::create_directories(dir);
  int compared = 0;
  for (const fs::path& f : corpusFiles()) {
    Output info = run(kCli + " info --raw " + shellQuote(f.string()));
    if (WEXITSTATUS(info.status) != 0) continue;
    std::vector<std::string> ours = section(info.out, "[ALIAS]");
    if (ours.empty()) continue;
    // chmls writes NAME.ali next to the file it reads: work on a copy.
    const fs::path copy = dir / f.filename();
    fs::copy_file(f, copy, fs::copy_options::overwrite_existing);
    run("cd " + shellQuote(dir.string()) + " && chmls extractalias " +
        shellQuote(copy.filename().string()));
    fs::path ali = copy;
    ali.replace_extension(".ali");
    FILE* in = std::fopen(ali.c_str(), "rb");
    ASSERT_NE(in, nullptr) << "chmls wrote no alias file for " << f;
    std::string text;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) text.append(buf, n);
    std::fclose(in);
    std::vector<std::string> theirs;
    for (const std::string& l : lines(text)) {
      if (l.rfind("helpid", 0) != 0) continue;
      const auto eq = l.find('=');
      theirs.push_back(l.substr(6, eq - 6) + " = " + l.substr(eq + 1));
    }
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    EXPECT_EQ(ours, theirs) << f;
    ++compared;
  }
  fs::remove_all(dir);
  EXPECT_GE(compared, 3);  // the three files of the corpus with aliases
}

TEST_F(InfoCorpus, TitleAndTopicsAgreeWithChmls) {
  if (!haveProgram("chmls")) GTEST_SKIP() << "chmls is not installed";
  int titles = 0, topicFiles = 0;
  for (const fs::path& f : corpusFiles()) {
    Output info = run(kCli + " info --raw " + shellQuote(f.string()));
    if (WEXITSTATUS(info.status) != 0) continue;

    // The title (#SYSTEM code 3), where chmls prints one.
    Output sys = run("chmls printsystem " + shellQuote(f.string()));
    for (const std::string& l : lines(sys.out)) {
      if (l.rfind("(3)", 0) != 0) continue;
      const std::string theirs = trimEnd(l.substr(l.find(':') + 1));
      bool found = false;
      for (const std::string& ours : section(info.out, "[#SYSTEM]"))
        if (ours.rfind("默认窗口标题: ", 0) == 0) {
          EXPECT_EQ(trimEnd(ours.substr(std::string("默认窗口标题: ").size())), theirs) << f;
          found = true;
        }
      EXPECT_TRUE(found) << f << ": chmls shows a title, info none";
      ++titles;
    }

    // Topic titles and links, in order.
    Output topics = run("chmls printtopics " + shellQuote(f.string()));
    std::vector<std::string> theirs;
    for (const std::string& l : lines(topics.out)) {
      const bool name = l.rfind(" Tag name    :", 0) == 0;
      const bool value = l.rfind(" Tag value   :", 0) == 0;
      if (!name && !value) continue;
      std::string t = l.substr(14);
      t = t.substr(0, t.rfind('('));  // the offset chmls shows after the text
      if (t == "-1") t.clear();       // chmls's mark for "no title"
      theirs.push_back((name ? "标题: " : "  链接: ") + t);
    }
    // chmls gives up on some files (a read error on the in-place edited one).
    if (theirs.empty() || !WIFEXITED(topics.status) || WEXITSTATUS(topics.status) != 0) continue;
    EXPECT_EQ(section(info.out, "[#TOPICS]"), theirs) << f;
    ++topicFiles;
  }
  EXPECT_GE(titles, 15);
  EXPECT_GE(topicFiles, 15);
}

}  // namespace
