// ITS files made from a project and from a folder, read back by 7-Zip,
// chmlib and our own reader; the project rules that decide what is stored.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

#include "create_its/create_its_run.h"
#include "its/its_storage.h"
#include "tests/common/corpus_oracles.h"
#include "tests/decompile/crafted_file.h"

namespace {

namespace fs = std::filesystem;
using crafted::TempDir;
using Tree = std::map<std::string, std::string>;

const std::string kCli = std::string(WRENLOW_BINARY_DIR) + "/src/cli/wrenlow-cli";

using corpus::haveProgram;

using crafted::put;

Tree readTree(const std::string& root) {
  Tree t;
  for (const std::string& rel : crafted::listFiles(root))
    t[rel] = crafted::readFile(root + "/" + rel);
  return t;
}

// What each reader extracts (empty files left out: not every reader writes them).
void expectReadersSee(const std::string& its, const Tree& expected, const std::string& work) {
  Tree nonEmpty;
  for (const auto& [k, v] : expected)
    if (!v.empty()) nonEmpty[k] = v;
  fs::create_directories(work);
  ASSERT_EQ(std::system((kCli + " extract '" + its + "' '" + work + "/ours' >/dev/null").c_str()),
            0);
  EXPECT_EQ(readTree(work + "/ours"), nonEmpty);
  if (!haveProgram("7zz") || !haveProgram("extract_chmLib")) GTEST_SKIP() << "no 7zz or chmlib";
  std::system(("7zz x -y -o'" + work + "/zip' '" + its + "' >/dev/null 2>&1").c_str());
  std::system(("extract_chmLib '" + its + "' '" + work + "/chmlib' >/dev/null 2>&1").c_str());
  Tree zip = readTree(work + "/zip"), chmlib = readTree(work + "/chmlib");
  std::erase_if(zip, [](const auto& e) { return e.second.empty(); });
  std::erase_if(chmlib, [](const auto& e) {
    return e.second.empty() || e.first[0] == '#' || e.first[0] == '$';
  });
  EXPECT_EQ(zip, nonEmpty);
  EXPECT_EQ(chmlib, nonEmpty);
}

std::uint64_t streamSize(const std::string& its, const char* name) {
  ItsStorage s;
  if (itss::FAILED(s.open(its.c_str()))) return ~0ull;
  itss::IStream* stream = nullptr;
  std::uint64_t size = ~0ull;
  if (itss::SUCCEEDED(s.root()->OpenStream(name, nullptr, 0, 0, &stream)) && stream) {
    itss::STATSTG st;
    if (itss::SUCCEEDED(stream->Stat(&st, 1))) size = st.cbSize;
    stream->Release();
  }
  s.close();
  return size;
}

TEST(CreateItsProject, StoresTheListAsLowerCaseStreamsThatEveryReaderReads) {
  TempDir dir;
  std::string logo;
  for (int i = 0; i < 200000; ++i) logo += static_cast<char>((i * 7919) % 251);
  put(dir / "p/Index.htm", "<html>index</html>");
  put(dir / "p/Images/Logo.png", logo);
  put(dir / "p/empty.txt", "");
  put(dir / "p/Sub/A.htm", "first");
  put(dir / "p/sub/a.htm", "second");
  put(dir / "outside.txt", "outside");
  std::string list;
  for (int i = 1; i <= 10; ++i) {
    put(dir / ("p/f" + std::to_string(i) + ".htm"), "file " + std::to_string(i));
    list += "f" + std::to_string(i) + ".htm\r\n";
  }
  put(dir / "p/proj.hhp",
      "[OPTIONS]\r\nCompiled file=Out.ITS ; comment\r\n\r\n[FILES]\r\nIndex.htm\r\n"
      "  Images\\Logo.png ; the logo  \r\n\r\nempty.txt\r\nSub/A.htm\r\nsub\\a.htm\r\n"
      "..\\outside.txt\r\nmissing.htm\r\n" +
          list + "[WINDOWS]\r\nnot-a-file.htm\r\n");

  crafted::RecordingSink sink;
  CreateItsTotals totals;
  ASSERT_EQ(createItsFromProject(dir / "p/proj.hhp", "", sink, &totals), CreateItsOutcome::Created);
  const std::string its = dir / "p/Out.ITS";  // the case written in the project
  ASSERT_TRUE(fs::exists(its));
  // Ten files make one mark; "Sub/A.htm" and "sub\a.htm" are both counted.
  EXPECT_EQ(totals.count, 15u);
  // A file read from outside the project's folder is named first.
  const std::vector<std::string> expected = {
      "“" + fs::canonical(dir / "outside.txt").string() + "”在工程文件夹之外，仍从那里读取。",
      "不能打开“”。",
      "“..\\outside.txt”指向根之外，存为“outside.txt”。",
      "不能打开“missing.htm”。",
      ".",
      "",
      "",
      "15 个文件, , 200,097 字节"};
  ASSERT_EQ(sink.lines.size(), expected.size() + 1);
  EXPECT_EQ(std::vector<std::string>(sink.lines.begin(), sink.lines.begin() + 8), expected);
  EXPECT_EQ(sink.lines.back().rfind("Out.ITS: ", 0), 0u);
  EXPECT_EQ(totals.bytes, logo.size() + 18 + 5 + 6 + 7 + 9 * 6 + 7);

  Tree want = {{"index.htm", "<html>index</html>"},
               {"images/logo.png", logo},
               {"sub/a.htm", "second"},
               {"outside.txt", "outside"}};
  for (int i = 1; i <= 10; ++i)
    want["f" + std::to_string(i) + ".htm"] = "file " + std::to_string(i);
  EXPECT_EQ(streamSize(its, "empty.txt"), 0u);  // stored empty, not counted
  EXPECT_EQ(streamSize(its, "not-a-file.htm"), ~0ull);
  expectReadersSee(its, want, dir / "x");
}

TEST(CreateItsProject, NameOptionAndFailures) {
  TempDir dir;
  put(dir / "a.htm", "a");
  put(dir / "named.hhp", "[options]\ncompiled file=from-project.its\n[files]\na.htm\n");
  put(dir / "unnamed.hhp", "[files]\na.htm\n");
  put(dir / "nofiles.hhp", "[OPTIONS]\nCompiled File = X.chm ;c\n[FILES]\n[ALIAS]\na.htm\n");
  crafted::RecordingSink sink;
  // The option is used only when no name is given.
  EXPECT_EQ(createItsFromProject(dir / "named.hhp", dir / "given.its", sink),
            CreateItsOutcome::Created);
  EXPECT_TRUE(fs::exists(dir / "given.its"));
  EXPECT_FALSE(fs::exists(dir / "from-project.its"));
  // With neither, the create fails on the empty name.
  sink.lines.clear();
  EXPECT_EQ(createItsFromProject(dir / "unnamed.hhp", "", sink), CreateItsOutcome::Failed);
  EXPECT_EQ(sink.lines, std::vector<std::string>{"不能打开“”。"});
  sink.lines.clear();
  EXPECT_EQ(createItsFromProject(dir / "nofiles.hhp", "x.its", sink), CreateItsOutcome::Failed);
  EXPECT_EQ(sink.lines, std::vector<std::string>{"工程文件“" + (dir / "nofiles.hhp") +
                                                 "”没有在 [FILES] 节中指定任何文件。"});
  sink.lines.clear();
  EXPECT_EQ(createItsFromProject(dir / "none.hhp", "x.its", sink), CreateItsOutcome::Failed);
  EXPECT_EQ(sink.lines, std::vector<std::string>{"不能打开“" + (dir / "none.hhp") + "”。"});
  // The dialog's look-up is looser: blanks around "=", any case.
  EXPECT_EQ(compiledFileOption(dir / "nofiles.hhp"), "X.chm");
  EXPECT_EQ(compiledFileOption(dir / "unnamed.hhp"), std::nullopt);
}

TEST(CreateItsProject, TheNewFileNeverReplacesAnInputNorLeavesTheProjectsFolder) {
  struct Case {
    const char* what;
    std::string option;  // "compiled file=" value
    std::string given;   // the name given instead, relative to the root
    std::string made;    // the ITS file made, relative to the root; "" for none
    std::string line;    // part of the line reported
  };
  const std::vector<Case> cases = {
      {"option names the project", "p.hhp", "", "", "是本次运行要读取的文件"},
      {"option names a listed file", "pic.gif", "", "", "是本次运行要读取的文件"},
      {"option climbs out", "../outside/new.its", "", "", "在工程文件夹之外"},
      {"option is absolute", "@/outside/abs.its", "", "", "在工程文件夹之外"},
      {"option through a link", "out/l.its", "", "", "在工程文件夹之外"},
      {"given name is a listed file", "x.its", "proj/a.htm", "", "是本次运行要读取的文件"},
      {"given name is a hard link of one", "x.its", "outside/hard.htm", "",
       "是本次运行要读取的文件"},
      {"given name elsewhere", "../outside/new.its", "outside/ok.its", "outside/ok.its", ""},
      {"option inside", "sub/../made.its", "", "proj/made.its", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string root = dir.path();
    std::string option = c.option;
    if (option[0] == '@') option = root + option.substr(1);
    put(root + "/proj/p.hhp", "[options]\ncompiled file=" + option + "\n[files]\na.htm\npic.gif\n");
    put(root + "/proj/a.htm", "page");
    put(root + "/proj/pic.gif", "GIF89a");
    put(root + "/outside/victim.txt", "keep me");
    fs::create_directory(root + "/proj/sub");
    fs::create_directory_symlink(root + "/outside", root + "/proj/out");
    fs::create_hard_link(root + "/proj/a.htm", root + "/outside/hard.htm");
    const Tree before = readTree(root);
    crafted::RecordingSink sink;
    const CreateItsOutcome outcome = createItsFromProject(
        root + "/proj/p.hhp", c.given.empty() ? "" : root + "/" + c.given, sink);
    EXPECT_EQ(outcome, c.made.empty() ? CreateItsOutcome::Failed : CreateItsOutcome::Created);
    if (!c.line.empty()) {
      ASSERT_EQ(sink.lines.size(), 1u);
      EXPECT_NE(sink.lines[0].find(c.line), std::string::npos) << sink.lines[0];
    }
    Tree after = readTree(root);
    if (!c.made.empty()) {
      EXPECT_EQ(streamSize(root + "/" + c.made, "a.htm"), 4u);
      after.erase(c.made);
    }
    EXPECT_EQ(after, before);
  }
}

TEST(CreateItsProject, FilesReadFromOutsideTheFolderAreNamed) {
  TempDir dir;
  const std::string root = dir.path();
  put(root + "/shared/s.htm", "shared");
  put(root + "/shared/t.htm", "linked");
  put(root + "/proj/in.htm", "inside");
  fs::create_symlink(root + "/shared/t.htm", root + "/proj/link.htm");
  put(root + "/proj/p.hhp", "[files]\n../shared/s.htm\nlink.htm\nin.htm\n");
  crafted::RecordingSink sink;
  ASSERT_EQ(createItsFromProject(root + "/proj/p.hhp", root + "/proj/p.its", sink),
            CreateItsOutcome::Created);
  std::vector<std::string> outside;
  for (const std::string& l : sink.lines)
    if (l.find("在工程文件夹之外") != std::string::npos) outside.push_back(l);
  EXPECT_EQ(outside,
            (std::vector<std::string>{"“" + fs::canonical(root + "/shared/s.htm").string() +
                                          "”在工程文件夹之外，仍从那里读取。",
                                      "“" + fs::canonical(root + "/shared/t.htm").string() +
                                          "”在工程文件夹之外，仍从那里读取。"}));
  EXPECT_EQ(streamSize(root + "/proj/p.its", "link.htm"), 6u);
  EXPECT_EQ(streamSize(root + "/proj/p.its", "shared/s.htm"), 6u);
}

TEST(CreateItsNames, StayBelowTheRoot) {
  EXPECT_EQ(itsStreamName("..\\..\\Docs/./A.HTM"), "docs/a.htm");
  EXPECT_EQ(itsStreamName("/abs/X.htm"), "abs/x.htm");
  EXPECT_EQ(itsStreamName("Ünï/B.htm"), "Ünï/b.htm");  // only A-Z change
  std::vector<ItsSource> few = {{"", "a.htm"}, {"", ""}};
  EXPECT_EQ(itsDirectoryBlockSize(few), 5u + 4u + 4u);
  std::vector<ItsSource> many(3000, ItsSource{"", "folder/page.htm"});
  EXPECT_EQ(itsDirectoryBlockSize(many), 16384u);
}

TEST(CreateItsFolder, StoresEveryFileBelowAndSkipsLinksLeavingIt) {
  TempDir dir;
  put(dir / "site/Index.HTM", "home");
  put(dir / "site/Deep/Er/Page.htm", "deep");
  put(dir / "site/blank.txt", "");
  put(dir / "secret.txt", "secret");
  ASSERT_EQ(::symlink((dir / "secret.txt").c_str(), (dir / "site/leak.txt").c_str()), 0);
  ASSERT_EQ(::symlink("Index.HTM", (dir / "site/alias.htm").c_str()), 0);
  ASSERT_EQ(::symlink("..", (dir / "site/up").c_str()), 0);
  crafted::RecordingSink sink;
  CreateItsTotals totals;
  // The new file inside the folder is not one of its own sources.
  const std::string its = dir / "site/site.its";
  put(its, "stale");
  ASSERT_EQ(createItsFromFolder(dir / "site", its, sink, &totals), CreateItsOutcome::Created);
  EXPECT_EQ(sink.lines[0], "“leak.txt”是指向文件夹之外的符号链接，已跳过。");
  EXPECT_EQ(sink.lines[1], "“up”是指向文件夹之外的符号链接，已跳过。");
  EXPECT_EQ(totals.count, 3u);
  expectReadersSee(
      its, {{"index.htm", "home"}, {"alias.htm", "home"}, {"deep/er/page.htm", "deep"}}, dir / "x");

  fs::create_directories(dir / "empty/sub");
  sink.lines.clear();
  EXPECT_EQ(createItsFromFolder(dir / "empty", "", sink), CreateItsOutcome::Failed);
  EXPECT_EQ(sink.lines, std::vector<std::string>{"“" + (dir / "empty") + "”不包含任何文件。"});
}

TEST(CreateItsCli, FolderToDefaultNameAndUsage) {
  TempDir dir;
  put(dir / "docs/a.htm", "a");
  const std::string run = kCli + " create-its --folder '" + (dir / "docs") + "' >/dev/null";
  ASSERT_EQ(std::system(run.c_str()), 0);
  EXPECT_EQ(streamSize(dir / "docs.its", "a.htm"), 1u);
  EXPECT_NE(std::system((kCli + " create-its --folder a --project b 2>/dev/null").c_str()), 0);
  EXPECT_NE(std::system((kCli + " create-its -o x.its 2>/dev/null").c_str()), 0);
}

}  // namespace
