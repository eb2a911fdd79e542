#include "platform/shell/shell.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/system/atomic_file.h"

extern char** environ;

namespace shell {

namespace {

// Quotes one argument of an Exec key: inside double quotes '"', '`', '$' and
// '\' take a backslash. A literal '%' is written "%%" quoted or not, since a
// single one starts a field code.
std::string quoteArgument(std::string_view arg) {
  bool plain = !arg.empty();
  for (char c : arg)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
          c == '.' || c == '-' || c == '_' || c == '+' || c == ',' ||
          static_cast<unsigned char>(c) >= 0x80))
      plain = false;
  if (plain) return std::string(arg);
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  return out + "\"";
}

// A string value of a desktop entry: backslashes doubled, line breaks escaped.
std::string entryValue(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

// Runs a program and waits for it; true when it exits with status 0.
bool run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  // A handler started in the background outlives us: it must not hold our
  // open files, sockets or the pipes of whoever started us (a test runner
  // waits for those to close).
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs a program and returns what it wrote to its standard output (at most
// limit bytes); empty when it cannot be started or fails.
std::string capture(const std::vector<std::string>& args, std::size_t limit) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t pid;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  std::string out;
  if (rc == 0) {
    char buf[512];
    for (;;) {
      const ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      if (out.size() < limit) out.append(buf, std::min<std::size_t>(n, limit - out.size()));
    }
  }
  ::close(pipeFds[0]);
  if (rc != 0) return {};
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return out;
}

}  // namespace

std::string DefaultHandler(std::string_view mimeType) {
  constexpr std::size_t kMaxEntryName = 4096;
  std::string entry =
      capture({"xdg-mime", "query", "default", std::string(mimeType)}, kMaxEntryName);
  while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r' || entry.back() == ' '))
    entry.pop_back();
  return entry;
}

std::string execLine(std::string_view program, std::string_view arguments) {
  std::string line = quoteArgument(program);
  if (!arguments.empty()) line += " " + std::string(arguments);
  return entryValue(line);
}

bool CreateShortcut(const std::string& target, const std::string& shortcutPath,
                    std::string_view description) {
  std::string text =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=" +
      entryValue(description) +
      "\n"
      "Comment=" +
      entryValue(description) +
      "\n"
      "Exec=" +
      execLine(target, "") +
      "\n"
      "Terminal=false\n"
      "Categories=Development;\n";
  return sysfile::writeFileAtomically(shortcutPath, text, {.replace = false});
}

bool RegisterExamineEntry(const std::string& applicationsFolder, const std::string& executable) {
  if (applicationsFolder.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(applicationsFolder, ec);
  std::string text =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Wrenlow\n"
      "GenericName=Examine\n"
      "Exec=" +
      execLine(executable, "%f") +
      "\n"
      "MimeType=" +
      std::string(kChmMimeTypes) +
      "\n"
      "Icon=wrenlow\n"
      "NoDisplay=true\n"
      "Terminal=false\n"
      "Actions=Examine;Read;\n"
      "\n"
      "[Desktop Action Examine]\n"
      "Name=Examine\n"
      "Exec=" +
      execLine(executable, "%f") +
      "\n"
      "\n"
      "[Desktop Action Read]\n"
      "Name=Read\n"
      "Name[zh_CN]=阅读\n"
      "Exec=" +
      execLine(executable, "--read %f") + "\n";
  if (!sysfile::writeFileAtomically(applicationsFolder + "/" + kExamineEntryFile, text))
    return false;
  run({"update-desktop-database", "-q", applicationsFolder});
  return true;
}

bool OpenWithDesktop(const std::string& path) {
  // The shell puts the handler in the background and ends at once, so no
  // child is left to collect.
  return run(
      {"sh", "-c", "command -v xdg-open >/dev/null || exit 1; xdg-open \"$1\" &", "sh", path});
}

namespace {

// A file: URI of an absolute path, every byte outside the unreserved set and
// "/" percent-encoded (commas too: they separate dbus-send's array items).
std::string fileUri(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
        c == '-' || c == '_' || c == '.' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    }
  }
  return uri;
}

}  // namespace

bool ShowItemInFolder(const std::string& file) {
  if (run({"dbus-send", "--session", "--print-reply", "--reply-timeout=3000",
           "--dest=org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
           "org.freedesktop.FileManager1.ShowItems", "array:string:" + fileUri(file), "string:"}))
    return true;
  const std::size_t slash = file.rfind('/');
  return OpenWithDesktop(slash == 0 ? std::string("/") : file.substr(0, slash));
}

}  // namespace shell
