#include "platform/system/sysdirs.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace sysdirs {

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string homeFolder() {
  std::string home = env("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return {};
}

std::string trimSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// mkdir -p with the given mode for the folders it creates.
bool makeFolders(const std::string& path, mode_t mode) {
  if (path.empty()) return false;
  if (isFolder(path)) return true;
  auto slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) makeFolders(path.substr(0, slash), mode);
  return ::mkdir(path.c_str(), mode) == 0 || (errno == EEXIST && isFolder(path));
}

// A folder of our own: created 0700, or existing, owned by us, not a link
// and not open to others.
bool privateFolder(const std::string& path) {
  ::mkdir(path.c_str(), 0700);
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
    return false;
  if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) return false;
  return true;
}

}  // namespace

bool exists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool isFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string configFolder(bool create) {
  std::string folder = env("WRENLOW_CONFIG_DIR");
  if (folder.empty()) {
    std::string base = env("XDG_CONFIG_HOME");
    if (base.empty() || base[0] != '/') {
      std::string home = homeFolder();
      base = home.empty() ? std::string("/tmp") : home + "/.config";
    }
    folder = base + "/Marrowby/Wrenlow";
  }
  folder = trimSlash(folder);
  if (create) makeFolders(folder, 0700);
  return folder;
}

std::string winePrefix() { return trimSlash(env("WRENLOW_WINEPREFIX")); }

namespace {

// Whether the server lock file in `serverDir` is held: the server holds a
// write lock on the whole file while it runs.
bool lockHeld(const std::string& serverDir) {
  const std::string lockPath = serverDir + "/lock";
  int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  bool running = ::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
  ::close(fd);
  return running;
}

}  // namespace

bool wineServerRunning(const std::string& prefix) {
  struct stat st {};
  if (::stat(prefix.c_str(), &st) != 0) return false;
  char name[64];
  std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  // Wine's own place for the server folder...
  if (lockHeld("/tmp/.wine-" + std::to_string(::getuid()) + "/" + name)) return true;
  // ...and the one of Debian's packages: a private folder in /tmp whose
  // name the prefix's "wineserver" file holds (one plain name, nothing else).
  std::string dir;
  if (int fd = ::open((prefix + "/wineserver").c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
    char buf[256];
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n > 0) dir.assign(buf, static_cast<std::size_t>(n));
  }
  while (!dir.empty() && (dir.back() == '\n' || dir.back() == ' ')) dir.pop_back();
  if (dir.empty() || dir.find('/') != std::string::npos || dir == "." || dir == "..") return false;
  return lockHeld("/tmp/" + dir + "/" + name);
}

std::string registryFolder() {
  std::string prefix = winePrefix();
  return prefix.empty() ? configFolder(true) : prefix;
}

std::string windowsFolder() {
  std::string prefix = winePrefix();
  if (!prefix.empty()) return prefix + "/drive_c/windows";
  std::string folder = configFolder(true) + "/windows";
  makeFolders(folder, 0700);
  return folder;
}

std::string systemFolder() {
  std::string prefix = winePrefix();
  if (!prefix.empty()) return prefix + "/drive_c/windows/system32";
  std::string folder = windowsFolder() + "/system32";
  makeFolders(folder, 0700);
  return folder;
}

std::string tempFolder() {
  static std::string fallback;  // made once per process when the usual names are taken
  std::vector<std::string> candidates;
  std::string runtime = env("XDG_RUNTIME_DIR");
  if (!runtime.empty() && runtime[0] == '/') candidates.push_back(trimSlash(runtime) + "/wrenlow");
  std::string tmp = env("TMPDIR");
  if (tmp.empty() || tmp[0] != '/') tmp = "/tmp";
  candidates.push_back(trimSlash(tmp) + "/wrenlow-" + std::to_string(::getuid()));
  for (const std::string& c : candidates)
    if (privateFolder(c)) return c;
  // Someone else holds the predictable name: make a fresh one instead.
  if (!fallback.empty() && privateFolder(fallback)) return fallback;
  std::string pattern = trimSlash(tmp) + "/wrenlow-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data())) fallback = name.data();
  return fallback;
}

std::string programsFolder() {
  std::string base = env("XDG_DATA_HOME");
  if (base.empty() || base[0] != '/') {
    std::string home = homeFolder();
    if (home.empty()) return {};
    base = home + "/.local/share";
  }
  return trimSlash(base) + "/applications";
}

std::string nativePath(std::string_view windowsPath) {
  std::string rest(windowsPath);
  std::string base;
  bool drive = rest.size() >= 2 && rest[1] == ':' &&
               ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'));
  if (drive) {
    char letter = static_cast<char>(rest[0] | 0x20);
    std::string prefix = winePrefix();
    base = prefix.empty() ? std::string() : prefix + "/dosdevices/" + letter + ":";
    rest = rest.substr(2);
    if (rest.empty() || (rest[0] != '\\' && rest[0] != '/')) rest.insert(rest.begin(), '/');
  }
  for (char& c : rest)
    if (c == '\\') c = '/';
  return base + rest;
}

std::string nativeFilePath(std::string_view windowsFolder, std::string_view name) {
  std::string path = nativePath(windowsFolder);
  if (!path.empty() && path.back() != '/') path += '/';
  return path + std::string(name);
}

std::string windowsPath(const std::string& native) {
  const std::string prefix = winePrefix();
  if (prefix.empty() || native.empty() || native[0] != '/') return native;
  // The folder holding the file is resolved; the file's own name is kept.
  const auto slash = native.rfind('/');
  const std::string folder = slash == 0 ? std::string("/") : native.substr(0, slash);
  char buf[PATH_MAX];
  if (!::realpath(folder.c_str(), buf)) return native;
  const std::string real = std::string(buf) + native.substr(slash);
  std::string best;
  char bestLetter = 0;
  for (char letter : std::string("cdefghijklmnopqrstuvwxyzab")) {
    const std::string link = prefix + "/dosdevices/" + letter + ":";
    if (!::realpath(link.c_str(), buf)) continue;
    std::string target = buf;
    if (target != "/" && !(real.compare(0, target.size(), target) == 0 &&
                           (real.size() == target.size() || real[target.size()] == '/')))
      continue;
    if (target == "/") target.clear();
    if (bestLetter && target.size() <= best.size()) continue;
    best = target;
    bestLetter = letter;
  }
  if (!bestLetter) return native;
  std::string out(1, static_cast<char>(bestLetter - 'a' + 'A'));
  out += ':';
  for (char c : real.substr(best.size())) out += c == '/' ? '\\' : c;
  return out;
}

std::string programPath() {
  std::vector<char> buf(4096);
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  return std::string(buf.data(), static_cast<std::size_t>(n));
}

}  // namespace sysdirs
