// Desktop entries: the Exec key quotes a program path as the desktop entry
// format asks, checked by the format's own validator where it is installed.
#include "platform/shell/shell.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

TEST(ShellExecLine, QuotesSpacesQuotesDollarsAndPercents) {
  EXPECT_EQ(shell::execLine("/usr/bin/wrenlow", "%f"), "/usr/bin/wrenlow %f");
  EXPECT_EQ(shell::execLine("/opt/my app/wrenlow", "%f"), R"("/opt/my app/wrenlow" %f)");
  // Inside quotes '"', '`', '$' and '\' take a backslash, and the string
  // escape of the entry doubles every backslash once more.
  EXPECT_EQ(shell::execLine("/opt/a\"b", ""), R"("/opt/a\\"b")");
  EXPECT_EQ(shell::execLine("/opt/$HOME`x`", ""), R"("/opt/\\$HOME\\`x\\`")");
  EXPECT_EQ(shell::execLine("/opt/back\\slash", ""), R"("/opt/back\\\\slash")");
  // A literal '%' would start a field code.
  EXPECT_EQ(shell::execLine("/opt/100%/wrenlow", "%f"), R"("/opt/100%%/wrenlow" %f)");
  EXPECT_EQ(shell::execLine("/opt/x%f", ""), R"("/opt/x%%f")");
}

TEST(ShellExecLine, EntriesPassTheDesktopEntryValidator) {
  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "desktop-file-validate is not installed";
  char tmpl[] = "/tmp/wl-shell-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  int n = 0;
  for (const char* program :
       {"/opt/my app/wrenlow", "/opt/100%/w", "/opt/$x`y`\"z\"", "/opt/back\\slash"}) {
    SCOPED_TRACE(program);
    const std::string folder = dir + "/" + std::to_string(n++);
    ASSERT_TRUE(shell::RegisterExamineEntry(folder, program));
    const std::string entry = folder + "/" + shell::kExamineEntryFile;
    EXPECT_EQ(std::system(("desktop-file-validate '" + entry + "' >/dev/null 2>&1").c_str()), 0);
  }
  fs::remove_all(dir);
}

}  // namespace
