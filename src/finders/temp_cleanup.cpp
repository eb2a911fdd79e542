#include "finders/temp_cleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

#include "common/messages.h"
#include "common/string_utils.h"
#include "finders/finder_search.h"
#include "its/text_helpers.h"
#include "platform/registry/registry.h"
#include "platform/system/sysdirs.h"
#include "res/ids.h"
#include "res/strings.h"

namespace finders {

namespace {

using FileId = std::pair<dev_t, ino_t>;

// Every file some process we may look at holds open.
std::set<FileId> openFiles() {
  std::set<FileId> ids;
  DIR* proc = ::opendir("/proc");
  if (!proc) return ids;
  while (const dirent* p = ::readdir(proc)) {
    if (p->d_name[0] < '0' || p->d_name[0] > '9') continue;
    const std::string fdFolder = std::string("/proc/") + p->d_name + "/fd";
    DIR* fds = ::opendir(fdFolder.c_str());
    if (!fds) continue;
    while (const dirent* f = ::readdir(fds)) {
      if (f->d_name[0] == '.') continue;
      struct stat st {};
      if (::fstatat(::dirfd(fds), f->d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
        ids.insert({st.st_dev, st.st_ino});
    }
    ::closedir(fds);
  }
  ::closedir(proc);
  return ids;
}

template <typename Fn>
void forEachMatch(const std::string& folder, Fn fn) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* d = ::readdir(dir)) {
    if (WildcardMatch(kLeftoverPattern, d->d_name)) fn(::dirfd(dir), d->d_name);
  }
  ::closedir(dir);
}

}  // namespace

std::string leftoverFolder() {
  if (!sysdirs::winePrefix().empty()) {
    reg::UniqueKey env;
    std::string temp;
    if (reg::RegOpenKeyEx(reg::HKEY_CURRENT_USER, "Environment", 0, reg::KEY_READ, env.put()) ==
        reg::ERROR_SUCCESS) {
      std::vector<std::uint8_t> data;
      reg::DWORD type = 0;
      if (reg::RegQueryValueEx(env.get(), "TEMP", &type, &data) == reg::ERROR_SUCCESS &&
          !data.empty())
        temp.assign(reinterpret_cast<const char*>(data.data()),
                    ::strnlen(reinterpret_cast<const char*>(data.data()), data.size()));
    }
    if (!temp.empty() && temp.find('%') == std::string::npos) {
      std::string local = localPath(temp);
      if (sysdirs::isFolder(local)) return local;
    }
  }
  return sysdirs::tempFolder();
}

std::uint32_t countLeftovers(const std::string& folder) {
  std::uint32_t count = 0;
  forEachMatch(folder, [&](int, const char*) { ++count; });
  return count;
}

LeftoversDeleted deleteLeftovers(const std::string& folder) {
  const std::set<FileId> inUse = openFiles();
  LeftoversDeleted result;
  forEachMatch(folder, [&](int dirFd, const char* name) {
    struct stat st {};
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode)) return;
    if (inUse.count({st.st_dev, st.st_ino})) return;
    if (::unlinkat(dirFd, name, 0) != 0) return;
    ++result.files;
    result.bytes += static_cast<std::uint32_t>(st.st_size);
  });
  return result;
}

void RunLeftoverCheck(const std::string& folder) {
  const std::uint32_t count = countLeftovers(folder);
  if (count <= kLeftoverThreshold) return;
  if (ShowFormattedMessage(IDS_TEMP_FILES_FOUND, thousands(count), MB_YESNO | MB_ICONWARNING) !=
      IDYES)
    return;
  const LeftoversDeleted deleted = deleteLeftovers(folder);
  if (deleted.files == 0) return;
  ShowMessageText(fillFormat(LoadStr(IDS_TEMP_FILES_DELETED),
                             {thousands(deleted.files), " ", thousands(deleted.bytes / 1024)}),
                  MB_OK);
}

}  // namespace finders
