// Every corpus file that decompiles with a project, compiled again from that
// project: the content streams must come back byte for byte, and what the
// project carries (options, language, font, window types, aliases, merge
// files) must read back as in the original. Our output is then checked with
// 7-Zip, chmlib and chmls where they are installed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "compile/compiler.h"
#include "decompile/decompile_run.h"
#include "decompile/project_rebuild.h"
#include "its/its_storage.h"
#include "its/text_helpers.h"
#include "tests/common/corpus_oracles.h"
#include "tests/common/recording_prompter.h"
#include "tests/decompile/crafted_file.h"

namespace {

namespace fs = std::filesystem;
using corpus::haveProgram;
using corpus::run;
using corpus::shellQuoted;
using corpus::testName;
using crafted::TempDir;

// The lines of one section of a rebuilt project text.
std::string section(const std::string& text, const std::string& header) {
  const std::size_t start = text.find("\r\n" + header + "\r\n");
  if (start == std::string::npos) return std::string();
  const std::size_t end = text.find("\r\n\r\n", start + 2);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// Files below root, not the project file.
std::vector<std::string> contentFiles(const std::string& root) {
  std::vector<std::string> out;
  for (const std::string& rel : crafted::listFiles(root))
    if (!extensionIs(rel, ".hhp")) out.push_back(rel);
  std::sort(out.begin(), out.end());
  return out;
}

using crafted::streamBytes;

class RoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(RoundTrip, CompilingTheRebuiltProjectGivesTheFileBack) {
  const std::string source = std::string(WRENLOW_CORPUS_DIR) + "/" + GetParam();
  TempDir dir;
  const std::string first = dir / "first", out = dir / "again.chm";
  fs::create_directory(first);
  crafted::RecordingSink sink;
  RecordingPrompter prompter;
  DecompileRequest request;
  request.source = source;
  request.target = first;
  decompile(request, sink, prompter);
  const std::string project = first + "/" + fs::path(source).stem().string() + ".hhp";
  if (!fs::exists(project)) GTEST_SKIP() << "no project rebuilt";

  CompileOptions options;
  options.projectPath = project;
  options.outputPath = out;
  options.timeStamp = 1700000000;
  crafted::RecordingSink compileSink;
  const CompileResult result = compileProject(options, compileSink);
  ASSERT_TRUE(result.written);
  EXPECT_EQ(result.errors, 0u);

  // Content streams: byte for byte, and no others.
  const std::vector<std::string> files = contentFiles(first);
  {
    ItsStorage storage;
    ASSERT_TRUE(itss::SUCCEEDED(storage.open(out.c_str())));
    for (const std::string& f : files)
      EXPECT_TRUE(streamBytes(storage, f) == crafted::readFile(first + "/" + f)) << f;
  }
  // What the project carries.
  ProjectRebuilder original(prompter), ours(prompter);
  ASSERT_TRUE(original.gather(source));
  ASSERT_TRUE(ours.gather(out));
  EXPECT_EQ(ours.title, original.title);
  EXPECT_EQ(ours.defaultTopic, original.defaultTopic);
  EXPECT_EQ(ours.contentsFile, original.contentsFile);
  EXPECT_EQ(ours.indexFile, original.indexFile);
  EXPECT_EQ(ours.defaultWindow, original.defaultWindow);
  EXPECT_EQ(ours.defaultFont, original.defaultFont);
  if (original.lcidFound) {
    EXPECT_EQ(ours.lcid, original.lcid);
  }
  const std::string a = original.text("x.chm"), b = ours.text("x.chm");
  EXPECT_EQ(section(b, "[WINDOWS]"), section(a, "[WINDOWS]"));
  EXPECT_EQ(section(b, "[ALIAS]"), section(a, "[ALIAS]"));
  EXPECT_EQ(ours.mergeFiles, original.mergeFiles);
  EXPECT_EQ(static_cast<std::size_t>(ours.files.count()), files.size());
}

std::vector<std::string> helpFiles() {
  std::vector<std::string> names;
  std::error_code ec;  // no corpus: no cases
  for (const auto& e : fs::directory_iterator(WRENLOW_CORPUS_DIR, ec))
    if (extensionIs(e.path().string(), ".chm")) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

INSTANTIATE_TEST_SUITE_P(Corpus, RoundTrip, ::testing::ValuesIn(helpFiles()), testName);

// Our output as the other readers see it: chmls (which decodes no reset
// interval above 64 KiB, hence --reset 2) prints our #SYSTEM, #WINDOWS and
// #TOPICS; 7-Zip tests the default container and extracts the same bytes as
// chmlib.
TEST(CompiledFileInterop, OtherReadersAgree) {
  if (!haveProgram("chmls") || !haveProgram("7zz") || !haveProgram("extract_chmLib"))
    GTEST_SKIP() << "chmls, 7zz or extract_chmLib is not installed";
  TempDir dir;
  const std::string first = dir / "d";
  fs::create_directory(first);
  crafted::RecordingSink sink;
  RecordingPrompter prompter;
  DecompileRequest request;
  request.source = std::string(WRENLOW_CORPUS_DIR) + "/tcpudf_help.chm";
  request.target = first;
  decompile(request, sink, prompter);
  CompileOptions options;
  options.projectPath = first + "/tcpudf_help.hhp";
  options.outputPath = dir / "out.chm";
  options.timeStamp = 1700000000;
  ASSERT_TRUE(compileProject(options, sink).written);
  const std::string chm = shellQuoted(options.outputPath);
  options.outputPath = dir / "narrow.chm";
  options.resetBlocks = options.windowBlocks = 2;
  ASSERT_TRUE(compileProject(options, sink).written);
  const std::string narrow = shellQuoted(options.outputPath);

  const std::string system = run("chmls printsystem " + narrow + " 2>&1");
  EXPECT_NE(system.find("1700000000"), std::string::npos) << system;
  EXPECT_NE(system.find(kCompilerVersionText), std::string::npos);
  EXPECT_NE(system.find(":TCPServer UDF"), std::string::npos);
  EXPECT_NE(system.find(":Introduction.html"), std::string::npos);
  EXPECT_NE(system.find("LCID from HHP file                : 1033"), std::string::npos);
  const std::string windows = run("chmls printwindows " + narrow + " 2>&1");
  EXPECT_NE(windows.find("Entries in #Windows                         : 2"), std::string::npos)
      << windows;
  EXPECT_NE(windows.find("Popup (index value"), std::string::npos);
  EXPECT_NE(windows.find("tcpserver-udf.hhc (index value"), std::string::npos);
  EXPECT_NE(windows.find("50 50 450 450"), std::string::npos);
  const std::string topics = run("chmls printtopics " + narrow + " 2>&1");
  EXPECT_NE(topics.find("Tag value   :Introduction.html"), std::string::npos) << topics;
  EXPECT_EQ(topics.find("exception"), std::string::npos);

  EXPECT_EQ(std::system(("7zz t " + chm + " >/dev/null 2>&1").c_str()), 0);
  const std::string z = dir / "7z", c = dir / "chmlib";
  std::system(("7zz x -y -o" + shellQuoted(z) + " " + chm + " >/dev/null 2>&1").c_str());
  std::system(("extract_chmLib " + chm + " " + shellQuoted(c) + " >/dev/null 2>&1").c_str());
  for (const std::string& f : contentFiles(first)) {
    EXPECT_EQ(crafted::readFile(z + "/" + f), crafted::readFile(first + "/" + f)) << f;
    EXPECT_EQ(crafted::readFile(c + "/" + f), crafted::readFile(first + "/" + f)) << f;
  }
}

}  // namespace
