// The registry over hive files in a scratch folder: a hive written by Wine
// survives a change, writes are atomic and shared safely between processes,
// and a file that cannot be parsed is never overwritten.
#include "platform/registry/registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/registry/hive_file.h"

namespace fs = std::filesystem;
using namespace reg;

namespace {

// Written by hand in the form Wine's server saves: header, key lines with
// time stamps, "#time" and "#class" lines, escaped strings, wrapped hex,
// a type we do not interpret, a comment and a line nobody understands.
const char kWineHive[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Control Panel\\\\Desktop] 1700000000\n"
    "#time=1da1782d4a8e1b2\n"
    "\"DragHeight\"=\"4\"\n"
    "\"Pattern\"=str(2):\"%SystemRoot%\\\\pattern.bmp\"\n"
    "\"UserPreferencesMask\"=hex:9e,1e,07,80,12,00,00,00\n"
    ";; a comment someone left here\n"
    "\n"
    "[Software\\\\Marrowby\\\\Wrenlow\\\\Settings] 1700000001\n"
    "#time=1da1782d4a8e1b3\n"
    "\"Preferences\"=hex:01,00,00,00,00,00,00,00\n"
    "\"Quoted \\\"name\\\"\"=\"tab\\there\\\\back \\x4e2d\\x6587\"\n"
    "\"Multi\"=str(7):\"one\\0two\\0\"\n"
    "\"Count\"=dword:0000002a\n"
    "\"Odd\"=hex(b):01,02,03,04,05,06,07,08\n"
    "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
    "  16,17,18,19,1a\n"
    "this line means nothing to us\n"
    "@=\"default\"\n"
    "\n"
    "[Software\\\\Wine] 1700000002\n"
    "#time=1da1782d4a8e1b4\n"
    "#class=\"WineClass\"\n"
    "\"Version\"=\"win10\"\n";

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void writeFile(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/wrenlow-regtest-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    useFolder(dir_.string());
  }
  void TearDown() override {
    HiveFile::setBeforeRenameHook(nullptr);
    setProblemReporter(nullptr);
    fs::remove_all(dir_);
  }
  fs::path userHive() const { return dir_ / "user.reg"; }

  fs::path dir_;
};

std::string queryText(HKEY root, const char* path, const char* name) {
  UniqueKey key;
  if (RegOpenKeyEx(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return "<no key>";
  std::vector<std::uint8_t> data;
  DWORD type = 0;
  if (RegQueryValueEx(key.get(), name, &type, &data) != ERROR_SUCCESS) return "<no value>";
  return std::string(data.begin(), data.end());
}

TEST_F(RegistryTest, WineHiveSurvivesReadModifyWrite) {
  writeFile(userHive(), kWineHive);
  UniqueKey key;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "software\\MARROWBY\\wrenlow\\settings", 0, KEY_READ,
                         key.put()),
            ERROR_SUCCESS);
  // Every kind of value reads as stored.
  EXPECT_EQ(
      queryText(HKEY_CURRENT_USER, "Software\\Marrowby\\Wrenlow\\Settings", "quoted \"NAME\""),
      std::string("tab\there\\back 中文") + '\0');
  EXPECT_EQ(queryText(HKEY_CURRENT_USER, "Software\\Marrowby\\Wrenlow\\Settings", "Multi"),
            std::string("one\0two\0\0", 9));
  EXPECT_EQ(queryText(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Pattern"),
            std::string("%SystemRoot%\\pattern.bmp") + '\0');
  DWORD type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_EQ(RegQueryValueEx(key.get(), "Long", &type, &data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(data.size(), 27u);
  EXPECT_EQ(data[26], 0x1a);
  ASSERT_EQ(RegQueryValueEx(key.get(), "Odd", &type, &data), ERROR_SUCCESS);
  EXPECT_EQ(type, 11u);
  DWORD count = 0, size = sizeof count;
  ASSERT_EQ(RegQueryValueEx(key.get(), "Count", &type, &count, &size), ERROR_SUCCESS);
  EXPECT_EQ(count, 42u);
  char small[2];
  size = sizeof small;
  EXPECT_EQ(RegQueryValueEx(key.get(), "", &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);  // "default" and its zero

  // Enumeration: values in file order (the nonsense line is not a value).
  std::vector<std::string> names;
  std::string name;
  for (DWORD i = 0; RegEnumValue(key.get(), i, &name, nullptr, nullptr) == ERROR_SUCCESS; ++i)
    names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"Preferences", "Quoted \"name\"", "Multi", "Count",
                                             "Odd", "Long", ""}));

  const std::uint8_t prefs[8] = {1, 0, 0, 0, 5, 0, 0, 0};
  ASSERT_EQ(RegSetValueEx(key.get(), "PREFERENCES", REG_BINARY, prefs, sizeof prefs),
            ERROR_SUCCESS);
  std::string expected = kWineHive;
  std::string oldLine = "\"Preferences\"=hex:01,00,00,00,00,00,00,00\n";
  expected.replace(expected.find(oldLine), oldLine.size(),
                   "\"Preferences\"=hex:01,00,00,00,05,00,00,00\n");
  EXPECT_EQ(readFile(userHive()), expected);

  // Writing the same bytes again changes nothing on disk.
  auto stamp = fs::last_write_time(userHive());
  ASSERT_EQ(RegSetValueEx(key.get(), "Preferences", REG_BINARY, prefs, sizeof prefs),
            ERROR_SUCCESS);
  EXPECT_EQ(fs::last_write_time(userHive()), stamp);
}

TEST_F(RegistryTest, NewKeysAndValuesKeepTheRestAndReadBack) {
  writeFile(userHive(), kWineHive);
  ASSERT_EQ(RegSetValue(HKEY_CURRENT_USER, "Software\\Marrowby\\Zeta", "值"), ERROR_SUCCESS);
  UniqueKey key;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Marrowby\\Wrenlow\\Settings",
                           KEY_ALL_ACCESS, key.put()),
            ERROR_SUCCESS);
  DWORD v = 7;
  ASSERT_EQ(RegSetValueEx(key.get(), "New", REG_DWORD, &v, 4), ERROR_SUCCESS);
  std::string text = readFile(userHive());
  EXPECT_NE(text.find("\"Count\"=dword:0000002a\n"), std::string::npos);
  EXPECT_NE(text.find("this line means nothing to us\n"), std::string::npos);
  EXPECT_NE(text.find("#class=\"WineClass\"\n"), std::string::npos);
  EXPECT_NE(text.find("@=\"default\"\n\"New\"=dword:00000007\n"), std::string::npos);
  // The new key sorts between the existing ones and carries Wine's stamps.
  auto zeta = text.find("\n[Software\\\\Marrowby\\\\Zeta] ");
  ASSERT_NE(zeta, std::string::npos);
  EXPECT_LT(text.find("[Software\\\\Marrowby\\\\Wrenlow\\\\Settings]"), zeta);
  EXPECT_LT(zeta, text.find("[Software\\\\Wine]"));
  EXPECT_NE(text.find("@=\"\\x503c\"\n", zeta), std::string::npos);

  // Another reader of the same folder sees it all.
  std::string value;
  ASSERT_EQ(RegQueryValue(HKEY_CURRENT_USER, "SOFTWARE\\marrowby\\zeta", &value), ERROR_SUCCESS);
  EXPECT_EQ(value, "值");
  std::vector<std::string> subs;
  UniqueKey marrowby;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Marrowby", 0, KEY_READ, marrowby.put()),
            ERROR_SUCCESS);
  std::string name;
  for (DWORD i = 0; RegEnumKeyEx(marrowby.get(), i, &name) == ERROR_SUCCESS; ++i)
    subs.push_back(name);
  EXPECT_EQ(subs, (std::vector<std::string>{"Wrenlow", "Zeta"}));
}

TEST_F(RegistryTest, DeletingKeysAndValues) {
  ASSERT_EQ(RegSetValue(HKEY_LOCAL_MACHINE, "A\\B\\C", "x"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "A\\B"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "a\\b\\c"), ERROR_SUCCESS);
  UniqueKey b;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "A\\B", 0, KEY_READ, b.put()), ERROR_SUCCESS);
  DWORD subKeys = 9, values = 9;
  ASSERT_EQ(RegQueryInfoKey(b.get(), &subKeys, &values), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 0u);
  EXPECT_EQ(values, 0u);
  ASSERT_EQ(RegSetValueEx(b.get(), "v", REG_SZ, "text", 4), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValue(b.get(), "V"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValue(b.get(), "V"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "A\\B"), ERROR_SUCCESS);
  // An open handle to a deleted key fails instead of writing a ghost.
  EXPECT_EQ(RegSetValueEx(b.get(), "v", REG_SZ, "text", 4), ERROR_KEY_DELETED);
  EXPECT_EQ(readFile(dir_ / "system.reg").find("[A\\\\B]"), std::string::npos);
}

TEST_F(RegistryTest, ClassesRootOverlaysUserOverMachine) {
  ASSERT_EQ(RegSetValue(HKEY_LOCAL_MACHINE, "Software\\Classes\\chm.file\\shell\\open\\command",
                        "machine"),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValue(HKEY_LOCAL_MACHINE, "Software\\Classes\\.chm", "chm.file"), ERROR_SUCCESS);
  std::string text;
  ASSERT_EQ(RegQueryValue(HKEY_CLASSES_ROOT, "chm.file\\shell\\open\\command", &text),
            ERROR_SUCCESS);
  EXPECT_EQ(text, "machine");
  ASSERT_EQ(
      RegSetValue(HKEY_CURRENT_USER, "Software\\Classes\\chm.file\\shell\\open\\command", "user"),
      ERROR_SUCCESS);
  ASSERT_EQ(RegQueryValue(HKEY_CLASSES_ROOT, "chm.file\\shell\\open\\command", &text),
            ERROR_SUCCESS);
  EXPECT_EQ(text, "user");
  // A new key under HKEY_CLASSES_ROOT goes to the user's classes.
  ASSERT_EQ(RegSetValue(HKEY_CLASSES_ROOT, "ITS File\\shell\\Examine\\command", "x \"%1\""),
            ERROR_SUCCESS);
  ASSERT_EQ(RegQueryValue(HKEY_CURRENT_USER, "Software\\Classes\\ITS File\\shell\\Examine\\command",
                          &text),
            ERROR_SUCCESS);
  EXPECT_EQ(text, "x \"%1\"");
  std::vector<std::string> names;
  std::string name;
  for (DWORD i = 0; RegEnumKeyEx(HKEY_CLASSES_ROOT, i, &name) == ERROR_SUCCESS; ++i)
    names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{".chm", "chm.file", "ITS File"}));
}

TEST_F(RegistryTest, CrashBeforeRenameLeavesOldFile) {
  writeFile(userHive(), kWineHive);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HiveFile::setBeforeRenameHook([] { _exit(42); });
    DWORD v = 1;
    UniqueKey key;
    RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Crash", KEY_WRITE, key.put());
    RegSetValueEx(key.get(), "v", REG_DWORD, &v, 4);
    _exit(0);  // not reached when the hook ran
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 42);
  EXPECT_EQ(readFile(userHive()), kWineHive);
  // The next writer is not disturbed by the temporary file left behind.
  ASSERT_EQ(RegSetValue(HKEY_CURRENT_USER, "Software\\After", "ok"), ERROR_SUCCESS);
  EXPECT_NE(readFile(userHive()).find("[Software\\\\After]"), std::string::npos);
}

TEST_F(RegistryTest, TwoProcessesNeverLoseEachOthersChanges) {
  ASSERT_EQ(RegSetValue(HKEY_CURRENT_USER, "Software\\Shared", ""), ERROR_SUCCESS);
  constexpr int kEach = 40;
  auto writeMany = [](const char* prefix) {
    UniqueKey key;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_WRITE, key.put()) != 0) return 1;
    for (int i = 0; i < kEach; ++i) {
      std::string name = prefix + std::to_string(i);
      DWORD v = static_cast<DWORD>(i);
      if (RegSetValueEx(key.get(), name, REG_DWORD, &v, 4) != ERROR_SUCCESS) return 1;
    }
    return 0;
  };
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(writeMany("child"));
  EXPECT_EQ(writeMany("parent"), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  UniqueKey key;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_READ, key.put()),
            ERROR_SUCCESS);
  DWORD values = 0;
  ASSERT_EQ(RegQueryInfoKey(key.get(), nullptr, &values), ERROR_SUCCESS);
  EXPECT_EQ(values, static_cast<DWORD>(2 * kEach + 1));  // and the default value
}

TEST_F(RegistryTest, UnparsableHiveIsNeverOverwritten) {
  const std::string junk = "this is not a registry file\n[Software\\\\x] 1\n";
  writeFile(userHive(), junk);
  int reports = 0;
  setProblemReporter([&](const std::string&) { ++reports; });
  std::string text;
  // A key the unreadable file may hold is not reported missing.
  EXPECT_EQ(RegQueryValue(HKEY_CURRENT_USER, "Software\\x", &text), ERROR_BADDB);
  EXPECT_EQ(RegSetValue(HKEY_CURRENT_USER, "Software\\y", "v"), ERROR_BADDB);
  EXPECT_EQ(RegSetValue(HKEY_CURRENT_USER, "Software\\z", "v"), ERROR_BADDB);
  EXPECT_EQ(readFile(userHive()), junk);
  EXPECT_EQ(reports, 1);
  // The machine hive is still usable.
  EXPECT_EQ(RegSetValue(HKEY_LOCAL_MACHINE, "Software\\y", "v"), ERROR_SUCCESS);
}

TEST_F(RegistryTest, WinePrefixRefusesWritesWhileItsServerRuns) {
  // A prefix of our own, and the lock file its wine server would hold.
  fs::path prefix = dir_ / "prefix";
  fs::create_directories(prefix);
  writeFile(prefix / "system.reg", kWineHive);
  useFolder(prefix.string(), true);
  struct stat st {};
  ASSERT_EQ(::stat(prefix.c_str(), &st), 0);
  char server[256];
  std::snprintf(server, sizeof server, "/tmp/.wine-%u/server-%llx-%llx", unsigned(::getuid()),
                static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  fs::create_directories(server);
  std::string lock = std::string(server) + "/lock";
  writeFile(lock, "");
  int reports = 0;
  setProblemReporter([&](const std::string&) { ++reports; });

  ASSERT_EQ(RegSetValue(HKEY_LOCAL_MACHINE, "Software\\Before", "ok"), ERROR_SUCCESS);
  int toChild[2], toParent[2];
  ASSERT_EQ(pipe(toChild), 0);
  ASSERT_EQ(pipe(toParent), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int fd = ::open(lock.c_str(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    char c = fd >= 0 && ::fcntl(fd, F_SETLK, &fl) == 0 ? 'y' : 'n';
    (void)!::write(toParent[1], &c, 1);
    (void)!::read(toChild[0], &c, 1);
    _exit(0);
  }
  char held = 0;
  ASSERT_EQ(::read(toParent[0], &held, 1), 1);
  ASSERT_EQ(held, 'y');
  std::string before = readFile(prefix / "system.reg");
  EXPECT_EQ(RegSetValue(HKEY_LOCAL_MACHINE, "Software\\During", "no"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegSetValue(HKEY_LOCAL_MACHINE, "Software\\During2", "no"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(readFile(prefix / "system.reg"), before);
  EXPECT_EQ(reports, 1);
  std::string text;
  EXPECT_EQ(RegQueryValue(HKEY_LOCAL_MACHINE, "Software\\Before", &text), ERROR_SUCCESS);
  char done = 'x';
  ASSERT_EQ(::write(toChild[1], &done, 1), 1);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(RegSetValue(HKEY_LOCAL_MACHINE, "Software\\After", "ok"), ERROR_SUCCESS);
  for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) ::close(fd);
  fs::remove_all(server);
}

}  // namespace

namespace {

// Read-only is judged by the owner's write bit, so this holds when the tests
// run as root (who could write the file anyway).
TEST_F(RegistryTest, ReadOnlyHiveOrFolderRefusesFullAccess) {
  writeFile(userHive(), kWineHive);
  ::chmod(userHive().c_str(), 0444);
  const std::string before = readFile(userHive());
  UniqueKey key;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Wine", 0, KEY_ALL_ACCESS, key.put()),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Wine", KEY_WRITE, key.put()),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegSetValue(HKEY_CURRENT_USER, "Software\\New", "x"), ERROR_ACCESS_DENIED);
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Wine", 0, KEY_READ, key.put()),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueEx(key.get(), "Version", REG_SZ, "x", 1), ERROR_ACCESS_DENIED);
  EXPECT_EQ(queryText(HKEY_CURRENT_USER, "Software\\Wine", "Version"), std::string("win10\0", 6));
  EXPECT_EQ(readFile(userHive()), before);
  // The machine hive beside it is writable until its folder is not.
  EXPECT_EQ(RegSetValue(HKEY_LOCAL_MACHINE, "Software\\A", "x"), ERROR_SUCCESS);
  ::chmod(dir_.c_str(), 0555);
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\A", 0, KEY_SET_VALUE, key.put()),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegSetValue(HKEY_LOCAL_MACHINE, "Software\\B", "x"), ERROR_ACCESS_DENIED);
  ::chmod(dir_.c_str(), 0755);
  ::chmod(userHive().c_str(), 0644);
}

// With a prefix the program's own keys live in its configuration folder.
TEST_F(RegistryTest, OwnKeysStayOutOfAWinePrefix) {
  const fs::path prefix = dir_ / "prefix", own = dir_ / "own";
  fs::create_directories(prefix);
  ::setenv("WRENLOW_CONFIG_DIR", own.c_str(), 1);
  useFolder(prefix.string(), true);
  EXPECT_EQ(RegSetValue(HKEY_OWN_CLASSES_ROOT, "chm.file\\shell", "mine"), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValue(HKEY_OWN_CURRENT_USER, "Software\\Marrowby", "mine"), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValue(HKEY_CURRENT_USER, "Software\\Theirs", "prefix"), ERROR_SUCCESS);
  std::string text;
  EXPECT_NE(RegQueryValue(HKEY_CLASSES_ROOT, "chm.file\\shell", &text), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValue(HKEY_OWN_CLASSES_ROOT, "chm.file\\shell", &text), ERROR_SUCCESS);
  EXPECT_EQ(text, "mine");
  EXPECT_NE(RegQueryValue(HKEY_OWN_CURRENT_USER, "Software\\Theirs", &text), ERROR_SUCCESS);
  EXPECT_NE(readFile(own / "user.reg").find("Software\\\\Classes\\\\chm.file\\\\shell"),
            std::string::npos);
  EXPECT_EQ(readFile(prefix / "user.reg").find("Marrowby"), std::string::npos);
  ::unsetenv("WRENLOW_CONFIG_DIR");
}

}  // namespace
