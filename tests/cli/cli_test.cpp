// wrenlow-cli as a script or a person at a terminal meets it: the help text,
// exit codes, --json output that a JSON parser reads, and the progress bar,
// which appears only while standard error is a terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/json_writer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string kCli = std::string(WRENLOW_BINARY_DIR) + "/src/cli/wrenlow-cli";
const std::string kCorpus = WRENLOW_CORPUS_DIR;

struct Outcome {
  int code = -1;
  std::string out, err;
};

std::string readAll(int fd) {
  std::string text;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      text.append(buf, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return text;  // end of file, or EIO once a terminal's last user closed it
  }
}

// Runs the program with standard output to a file and standard error to a
// pipe, or to a pseudo-terminal when onTerminal is set.
Outcome run(std::vector<std::string> args, bool onTerminal = false) {
  args.insert(args.begin(), kCli);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const fs::path outFile =
      fs::temp_directory_path() / ("cli_test_out." + std::to_string(::getpid()));
  int errRead = -1, errWrite = -1;
  if (onTerminal) {
    if (::openpty(&errRead, &errWrite, nullptr, nullptr, nullptr) != 0) return {};
  } else {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    errRead = fds[0];
    errWrite = fds[1];
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, errWrite, 2);
  posix_spawn_file_actions_addclose(&actions, errRead);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(errWrite);
  Outcome r;
  if (rc == 0) {
    r.err = readAll(errRead);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  ::close(errRead);
  std::ifstream in(outFile, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  r.out = text.str();
  fs::remove(outFile);
  return r;
}

QJsonObject parseObject(const std::string& text) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
  EXPECT_TRUE(doc.isObject());
  return doc.object();
}

TEST(CliHelp, ListsCommandsOptionsAndExitStatus) {
  const Outcome help = run({"--help"});
  EXPECT_EQ(help.code, 0);
  for (const char* word :
       {"decompile", "extract", "recompile", "compile", "create-its", "pack", "copy", "list",
        "info", "report", "cat", "--quiet", "--json", "--version", "exit status"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  EXPECT_EQ(run({}).code, 2);
  EXPECT_EQ(run({"no-such-command"}).code, 2);
  const Outcome version = run({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out.rfind("wrenlow-cli ", 0), 0u);
  const Outcome info = run({"info", "--help"});
  EXPECT_EQ(info.code, 0);
  EXPECT_NE(info.out.find("\"topics\""), std::string::npos);
  EXPECT_EQ(run({"list", "--bogus", "x.chm"}).code, 2);
}

TEST(CliJson, ListInfoAndReportParseAndAgreeWithTheText) {
  const std::string file = kCorpus + "/lb_jQuery1.8.3_20121215.chm";
  const Outcome text = run({"list", file});
  const Outcome json = run({"list", "--json", file});
  ASSERT_EQ(json.code, 0) << json.err;
  const QJsonObject list = parseObject(json.out);
  EXPECT_TRUE(list["complete"].toBool());
  std::string fromJson;
  for (const QJsonValue v : list["streams"].toArray())
    fromJson +=
        v["path"].toString().toStdString() + "\t" + std::to_string(v["size"].toInteger()) + "\n";
  EXPECT_EQ(fromJson, text.out);

  const Outcome infoRun = run({"info", "--json", file});
  ASSERT_EQ(infoRun.code, 0) << infoRun.err;
  const QJsonObject info = parseObject(infoRun.out);
  EXPECT_EQ(info["codePage"].toInt(), 936);
  EXPECT_EQ(info["aliases"].toArray().size(), 287);  // the #IVB entries
  QString title;
  for (const QJsonValue r : info["system"].toObject()["records"].toArray())
    if (r["code"].toInt() == 3) title = r["text"].toString();
  EXPECT_EQ(title, QStringLiteral("jQuery1.8.3_20121215"));
  EXPECT_FALSE(info["topics"].toArray().isEmpty());
  EXPECT_TRUE(info["topics"][0].toObject().contains("link"));

  // A GBK file's raw bytes still make a document a parser accepts.
  const Outcome raw = run({"info", "--raw", "--json", kCorpus + "/7zcn_7-zip.chm"});
  ASSERT_EQ(raw.code, 0);
  EXPECT_FALSE(parseObject(raw.out)["system"].toObject()["records"].toArray().isEmpty());

  const Outcome page = run({"report", file, "system"});
  const Outcome pageJson = run({"report", "--json", file, "system"});
  ASSERT_EQ(pageJson.code, 0);
  const QJsonObject report = parseObject(pageJson.out);
  EXPECT_TRUE(report["complete"].toBool());
  EXPECT_EQ(report["page"].toString(), QStringLiteral("system"));
  EXPECT_EQ(report["html"].toString().toStdString(), page.out);

  const Outcome found = run({"find", "html-files", "--root", kCorpus});
  const Outcome foundJson = run({"find", "html-files", "--root", kCorpus, "--json"});
  ASSERT_EQ(foundJson.code, 0) << foundJson.err;
  std::string rows;
  for (const QJsonValue r : parseObject(foundJson.out)["rows"].toArray())
    for (const char* field : {"name", "version", "date", "path"})
      rows += r[field].toString().toStdString() + (field[0] == 'p' ? "\n" : "\t");
  EXPECT_FALSE(rows.empty());
  EXPECT_EQ(rows, found.out);
}

TEST(CliJson, InvalidUtf8AndControlCharactersStayValidJson) {
  EXPECT_EQ(cli::jsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
  EXPECT_EQ(cli::jsonString("中"), "\"中\"");
  // 0xD6 0xD0 (GBK) is no UTF-8: each byte becomes the code point of its value.
  EXPECT_EQ(cli::jsonString("\xD6\xD0"), "\"\xC3\x96\xC3\x90\"");
  cli::JsonWriter w;
  w.beginObject().key("a").beginArray().number(1).flag(false).endArray().key("b").beginObject();
  w.endObject().endObject();
  EXPECT_EQ(w.text(), "{\n  \"a\": [\n    1,\n    false\n  ],\n  \"b\": {}\n}\n");
}

TEST(CliProgress, BarOnlyOnATerminalAndNeverWithQuiet) {
  const std::string file = kCorpus + "/psc39645_Help.chm";
  const fs::path dir = fs::temp_directory_path() / ("cli_test_x." + std::to_string(::getpid()));
  const Outcome list = run({"list", "--json", file});
  std::size_t streams = 0;
  for (const QJsonValue v : parseObject(list.out)["streams"].toArray())
    if (v["size"].toInteger() > 0) ++streams;

  const Outcome tty = run({"extract", file, dir.string()}, true);
  EXPECT_EQ(tty.code, 0);
  const std::string done = std::to_string(streams) + "/" + std::to_string(streams);
  EXPECT_NE(tty.err.find("extract ["), std::string::npos) << tty.err;
  EXPECT_NE(tty.err.find(done), std::string::npos) << tty.err;
  EXPECT_NE(tty.err.find("\r\033[K"), std::string::npos);  // the bar is erased at the end

  fs::remove_all(dir);
  const Outcome piped = run({"extract", file, dir.string()});
  EXPECT_EQ(piped.code, 0);
  EXPECT_EQ(piped.err, "");

  fs::remove_all(dir);
  fs::create_directories(dir);  // decompile writes into a folder that exists
  const Outcome quiet = run({"--quiet", "decompile", file, dir.string()}, true);
  EXPECT_EQ(quiet.code, 0);
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(quiet.out, "");  // no result lines either
  EXPECT_FALSE(fs::is_empty(dir));

  fs::remove_all(dir);
  fs::create_directories(dir);
  const Outcome loud = run({"decompile", file, dir.string()}, true);
  EXPECT_EQ(loud.code, 0);
  EXPECT_NE(loud.err.find("decompile ["), std::string::npos);
  EXPECT_FALSE(loud.out.empty());
  fs::remove_all(dir);
}

TEST(CliErrors, NameTheFileAndTheInternalPath) {
  const std::string file = kCorpus + "/psc39645_Help.chm";
  const Outcome cat = run({"cat", file, "/no/such.htm"});
  EXPECT_EQ(cat.code, 1);
  EXPECT_NE(cat.err.find(file), std::string::npos);
  EXPECT_NE(cat.err.find("/no/such.htm"), std::string::npos);
  const Outcome missing = run({"list", "/no/such/file.chm"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("/no/such/file.chm"), std::string::npos);

  // A file standing where extract must make a folder: the message names the
  // compiled file and the internal path that could not be written.
  const fs::path dir = fs::temp_directory_path() / ("cli_test_e." + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string blocked;
  for (const QJsonValue v : parseObject(run({"list", "--json", file}).out)["streams"].toArray()) {
    const std::string path = v["path"].toString().toStdString();
    if (path.find('/') != std::string::npos && path[0] != '#' && path[0] != '$') {
      blocked = path;
      break;
    }
  }
  ASSERT_FALSE(blocked.empty());
  std::ofstream(dir / blocked.substr(0, blocked.find('/'))) << "in the way";
  const Outcome extract = run({"extract", file, dir.string()});
  EXPECT_EQ(extract.code, 1);
  EXPECT_NE(extract.err.find(file + ": /" + blocked), std::string::npos) << extract.err;
  fs::remove_all(dir);
}

}  // namespace

// The help-location key of the program's own hive, as another program may
// leave it: a value longer than the editor's buffers first, a number, a
// registered file that exists and one that does not.
TEST(CliRegistry, LongValuesAreReportedNumbersShownAndPathsUseOneSeparator) {
  const fs::path top =
      fs::path(WRENLOW_BINARY_DIR) / ("cli_registry." + std::to_string(::getpid()));
  fs::remove_all(top);
  fs::create_directories(top / "config");
  fs::create_directories(top / "help");
  std::ofstream(top / "help" / "here.chm") << "x";
  const std::string folder = (top / "help").string();
  std::ofstream(top / "config" / "system.reg")
      << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
      << "[Software\\\\Microsoft\\\\Windows\\\\HTML Help] 1700000000\n"
      << "\"" << std::string(300, 'n') << ".chm\"=\"/x\"\n"
      << "\"here.chm\"=\"" << folder << "\"\n"
      << "\"gone.chm\"=\"" << folder << "\"\n"
      << "\"count\"=dword:0000000a\n";
  ::setenv("WRENLOW_CONFIG_DIR", (top / "config").c_str(), 1);

  const Outcome list = run({"registry", "html", "list"});
  EXPECT_EQ(list.code, 1);
  EXPECT_EQ(list.out,
            "here.chm\t" + folder + "\ngone.chm\t" + folder + "\ncount\t0x0000000a (10)\n");
  EXPECT_NE(list.err.find(std::string(259, 'n') + "..."), std::string::npos) << list.err;
  EXPECT_EQ(list.err.find(std::string(260, 'n')), std::string::npos);

  const Outcome missing = run({"registry", "html", "list", "--missing"});
  EXPECT_EQ(missing.out, "gone.chm\t" + folder + "\n");
  // Values after the long one are found, and the long one itself.
  EXPECT_EQ(run({"registry", "html", "delete", "count"}).code, 0);
  EXPECT_EQ(run({"registry", "html", "delete", std::string(300, 'n') + ".chm"}).code, 0);
  const Outcome cleaned = run({"registry", "html", "clean-missing"});
  EXPECT_EQ(cleaned.code, 0) << cleaned.err;
  EXPECT_EQ(cleaned.out, folder + "/gone.chm\n");
  const Outcome after = run({"registry", "html", "list"});
  EXPECT_EQ(after.code, 0) << after.err;
  EXPECT_EQ(after.out, "here.chm\t" + folder + "\n");
  ::unsetenv("WRENLOW_CONFIG_DIR");
  fs::remove_all(top);
}
