#include "helpreg/help_registry.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <set>
#include <unordered_map>

#include "helpreg/installation.h"
#include "platform/registry/reg_text.h"
#include "platform/registry/registry.h"
#include "platform/system/sysdirs.h"
#include "res/ids.h"
#include "res/strings.h"

namespace helpreg {

namespace {

// Where Wine records the kind of a drive letter ("hd", "cdrom", "network",
// "floppy", "ramdisk"); a letter without an entry is a hard disk.
constexpr const char* kWineDrivesKey = "Software\\Wine\\Drives";

std::string textOf(const std::vector<std::uint8_t>& data) {
  std::string text(data.begin(), data.end());
  if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  return text;
}

bool isDriveFolder(std::string_view folder) { return folder.size() >= 2 && folder[1] == ':'; }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `name` without regard to ASCII
// case, as Wine looks files up on a case-sensitive file system.
std::string findNoCase(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return {};
  std::string found;
  while (const dirent* e = ::readdir(dir)) {
    if (reg::foldName(e->d_name) == reg::foldName(name)) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

// A native path from a prefix's drive path, each element matched without
// regard to case where the exact name does not exist.
bool existsNoCase(const std::string& native, std::size_t fixedPart, ExistenceCache* cache) {
  std::string path = native.substr(0, fixedPart);
  std::size_t pos = fixedPart;
  while (pos < native.size()) {
    while (pos < native.size() && native[pos] == '/') ++pos;
    if (pos >= native.size()) break;
    std::size_t end = native.find('/', pos);
    if (end == std::string::npos) end = native.size();
    const std::string element = native.substr(pos, end - pos);
    pos = end;
    std::string next = path + "/" + element;
    // Folders on the way are looked at once per listing; the file itself
    // each time.
    const bool last = pos >= native.size();
    if (!(cache && !last ? cache->exists(next) : exists(next))) {
      const std::string match =
          cache ? cache->findNoCase(path, element) : findNoCase(path, element);
      if (match.empty()) return false;
      next = path + "/" + match;
    }
    path = next;
  }
  return exists(path);
}

WriteResult openForWriting(Mode mode, reg::UniqueKey& key) {
  WriteResult r;
  r.refusal = writeRefusal();
  if (!r.refusal.empty()) return r;
  if (reg::RegOpenKeyEx(reg::HKEY_LOCAL_MACHINE, keyPath(mode), 0, reg::KEY_ALL_ACCESS,
                        key.put()) != reg::ERROR_SUCCESS &&
      reg::RegCreateKeyEx(reg::HKEY_LOCAL_MACHINE, keyPath(mode), reg::KEY_ALL_ACCESS, key.put()) !=
          reg::ERROR_SUCCESS)
    return r;
  r.keyOpened = true;
  return r;
}

// Carries out the changes with one write of the hive: a list of any length
// costs one pass over the key, and a failed write fails every change.
void applyToKey(reg::HKEY key, const std::vector<Change>& changes, WriteResult& r) {
  std::vector<reg::RegValueChange> batch;
  batch.reserve(changes.size());
  for (const Change& c : changes) {
    reg::RegValueChange v{c.entry.name, c.kind == Change::Delete, reg::REG_SZ, {}};
    // REG_SZ with the terminating zero counted in the length.
    if (!v.remove)
      v.data.assign(c.entry.folder.c_str(), c.entry.folder.c_str() + c.entry.folder.size() + 1);
    batch.push_back(std::move(v));
  }
  std::vector<reg::LONG> results;
  const reg::LONG status = reg::RegChangeValues(key, batch, &results);
  std::set<std::string> listed;
  for (std::size_t k = 0; k < changes.size(); ++k) {
    // A value already gone counts as deleted.
    const bool done =
        status == reg::ERROR_SUCCESS &&
        (results[k] == reg::ERROR_SUCCESS ||
         (changes[k].kind == Change::Delete && results[k] == reg::ERROR_FILE_NOT_FOUND));
    if (!done && listed.insert(reg::foldName(changes[k].entry.name)).second)
      r.failed.push_back(changes[k].entry.name);
  }
}

}  // namespace

const char* keyPath(Mode mode) {
  return mode == Mode::HtmlHelp ? "Software\\Microsoft\\Windows\\HTML Help"
                                : "Software\\Microsoft\\Windows\\Help";
}

FixedDrives::FixedDrives(sysdrives::DriveTable letters, std::string prefix,
                         std::vector<sysdrives::Mount> mounts)
    : letters_(letters), prefix_(std::move(prefix)), mounts_(std::move(mounts)) {}

FixedDrives FixedDrives::current() {
  const std::string prefix = sysdirs::winePrefix();
  auto table = sysdrives::mounts();
  sysdrives::DriveTable letters = sysdrives::fixedDriveLetters(prefix, table);
  reg::UniqueKey drives;
  if (!prefix.empty() && reg::RegOpenKeyEx(reg::HKEY_LOCAL_MACHINE, kWineDrivesKey, 0,
                                           reg::KEY_READ, drives.put()) == reg::ERROR_SUCCESS) {
    for (char letter = 'a'; letter <= 'z'; ++letter) {
      std::vector<std::uint8_t> data;
      if (reg::RegQueryValueEx(drives.get(), std::string(1, letter) + ":", nullptr, &data) !=
          reg::ERROR_SUCCESS)
        continue;
      if (textOf(data) != "hd") letters[letter - 'a'] = false;
    }
  }
  return FixedDrives(letters, prefix, std::move(table));
}

bool FixedDrives::holds(std::string_view folder) const {
  if (isDriveFolder(folder)) {
    const char letter = upper(folder[0]);
    return letter >= 'C' && letter <= 'Z' && letters_[letter - 'A'];
  }
  // Outside a prefix the registry may hold native folders: those on a local
  // disk are the stand-in for folders on fixed drives.
  if (!prefix_.empty() || folder.empty() || folder[0] != '/') return false;
  const sysdrives::Mount* m = sysdrives::mountOf(std::string(folder), mounts_);
  return m && sysdrives::isLocalDisk(*m);
}

std::string fullPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || (path.back() != '\\' && path.back() != '/' && path.back() != ':'))
    path += !path.empty() && path.front() == '/' ? '/' : '\\';
  path += name;
  return path;
}

bool ExistenceCache::exists(const std::string& path) {
  auto [it, fresh] = exists_.try_emplace(path, false);
  if (fresh) it->second = helpreg::exists(path);
  return it->second;
}

std::string ExistenceCache::findNoCase(const std::string& folder, const std::string& name) {
  auto [it, fresh] = listings_.try_emplace(folder);
  if (fresh) {
    if (DIR* dir = ::opendir(folder.c_str())) {
      while (const dirent* e = ::readdir(dir))
        it->second.try_emplace(reg::foldName(e->d_name), e->d_name);
      ::closedir(dir);
    }
  }
  const auto found = it->second.find(reg::foldName(name));
  return found == it->second.end() ? std::string() : found->second;
}

bool registeredFileExists(const std::string& path, ExistenceCache* cache) {
  const std::string native = sysdirs::nativePath(path);
  if (exists(native)) return true;
  const std::string prefix = sysdirs::winePrefix();
  if (prefix.empty() || !isDriveFolder(path)) return false;
  // "<prefix>/dosdevices/x:" is taken as it is; below it, case is ignored.
  const std::size_t fixedPart = prefix.size() + std::string("/dosdevices/x:").size();
  return native.size() >= fixedPart && existsNoCase(native, fixedPart, cache);
}

std::string valueText(std::uint32_t type, const std::vector<std::uint8_t>& data) {
  char buf[32];
  if (type == reg::REG_DWORD && data.size() == 4) {
    const std::uint32_t v = data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t{data[3]} << 24;
    std::snprintf(buf, sizeof buf, "0x%08x (%u)", v, v);
    return buf;
  }
  if (type == reg::REG_SZ || type == reg::REG_EXPAND_SZ || type == reg::REG_MULTI_SZ)
    return textOf(data);
  std::string out = "hex:";
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", data[i]);
    out += buf;
  }
  return out;
}

Listing readEntries(Mode mode, const FixedDrives& drives, LongValues longValues) {
  Listing out;
  reg::UniqueKey key;
  const reg::LONG status =
      reg::RegOpenKeyEx(reg::HKEY_LOCAL_MACHINE, keyPath(mode), 0, reg::KEY_READ, key.put());
  out.unreadable = status == reg::ERROR_BADDB;
  if (status != reg::ERROR_SUCCESS) return out;
  out.keyOpened = true;
  // All values in one read of the hive, and each folder looked at once:
  // a key of any size costs a pass over it and a look at each file.
  std::vector<reg::RegValue> values;
  reg::RegEnumValues(key.get(), &values);
  ExistenceCache cache;
  for (reg::DWORD i = 0; i < values.size(); ++i) {
    const std::string& name = values[i].name;
    const std::vector<std::uint8_t>& data = values[i].data;
    const reg::DWORD type = values[i].type;
    // The buffers hold the terminating zero too.
    if (name.size() + 1 > kNameBuffer || data.size() > kDataBuffer) {
      out.cutShort = true;
      if (longValues == LongValues::EndList) break;
      out.tooLong.push_back(name);
      continue;
    }
    Entry e{name, valueText(type, data)};
    if (drives.holds(e.folder)) {
      const std::string path = fullPath(e.folder, e.name);
      if (!registeredFileExists(path, &cache))
        out.missing.push_back({static_cast<std::uint32_t>(out.entries.size()), path});
    }
    out.entries.push_back(std::move(e));
  }
  return out;
}

WriteResult deleteValues(Mode mode, const std::vector<std::string>& names) {
  reg::UniqueKey key;
  WriteResult r = openForWriting(mode, key);
  if (!r.keyOpened) return r;
  std::vector<Change> changes;
  changes.reserve(names.size());
  for (const std::string& name : names) changes.push_back({Change::Delete, {name, {}}});
  applyToKey(key.get(), changes, r);
  return r;
}

WriteResult setValue(Mode mode, const Entry& entry) {
  return applyChanges(mode, {{Change::Write, entry}});
}

std::vector<Change> planSave(const std::vector<Entry>& snapshot, const std::vector<Entry>& edited) {
  std::vector<Change> plan;
  // The first entry of each name (case ignored), looked up in constant time
  // so that lists of any length plan in linear time.
  auto firstByName = [](const std::vector<Entry>& list) {
    std::unordered_map<std::string, const Entry*> out;
    for (const Entry& e : list) out.emplace(reg::foldName(e.name), &e);
    return out;
  };
  const auto editedByName = firstByName(edited);
  const auto snapshotByName = firstByName(snapshot);
  for (const Entry& old : snapshot) {
    const auto now = editedByName.find(reg::foldName(old.name));
    if (now == editedByName.end()) {
      plan.push_back({Change::Delete, old});
    } else if (now->second->folder != old.folder) {
      plan.push_back({Change::Delete, old});
      plan.push_back({Change::Write, *now->second});
    }
  }
  for (const Entry& e : edited)
    if (!snapshotByName.contains(reg::foldName(e.name))) plan.push_back({Change::Write, e});
  return plan;
}

WriteResult applyChanges(Mode mode, const std::vector<Change>& changes) {
  reg::UniqueKey key;
  WriteResult r = openForWriting(mode, key);
  if (!r.keyOpened) return r;
  applyToKey(key.get(), changes, r);
  return r;
}

Entry entryForFile(const std::string& nativePath) {
  const std::string path = sysdirs::windowsPath(nativePath);
  const bool windows = path.size() >= 2 && path[1] == ':';
  const auto cut = path.rfind(windows ? '\\' : '/');
  if (cut == std::string::npos) return {path, {}};
  std::string folder = path.substr(0, cut);
  if (!windows && folder.empty()) folder = "/";
  return {path.substr(cut + 1), folder};
}

std::string withMissingSuffix(std::string_view name) {
  return std::string(name) + LoadStr(IDS_NOT_EXIST_SUFFIX);
}

std::string stripMissingSuffix(std::string_view name) {
  std::string out(name);
  if (const auto at = out.find(LoadStr(IDS_NOT_EXIST_SUFFIX)); at != std::string::npos)
    out.resize(at);
  return out;
}

}  // namespace helpreg
