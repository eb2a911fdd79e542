#include "platform/registry/registry.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/registry/hive_file.h"
#include "platform/registry/reg_text.h"
#include "platform/system/sysdirs.h"
#include "res/ids.h"
#include "res/strings.h"
#include "res/text_format.h"

namespace reg {

// OwnUser and OwnClasses are HKEY_CURRENT_USER and HKEY_CLASSES_ROOT of the
// program's own configuration: the same as User and Classes unless a Wine
// prefix stands in for the registry.
enum class Root { Classes, User, Machine, OwnUser, OwnClasses };

struct KeyObject {
  Root root;
  std::string path;  // '\'-separated, relative to the root
  bool predefined = false;
};

namespace {

KeyObject classesRoot{Root::Classes, "", true};
KeyObject currentUser{Root::User, "", true};
KeyObject localMachine{Root::Machine, "", true};
KeyObject ownCurrentUser{Root::OwnUser, "", true};
KeyObject ownClassesRoot{Root::OwnClasses, "", true};

constexpr const char* kClasses = "Software\\Classes";

// The access rights that change a key: set value, create sub-key, create
// link, delete, write DAC, write owner.
constexpr REGSAM kWriteAccess = 0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000;

struct State {
  std::recursive_mutex mutex;
  bool configured = false;
  bool winePrefix = false;
  std::string folder;
  std::unique_ptr<HiveFile> user;
  std::unique_ptr<HiveFile> machine;
  // The program's own hives while a prefix is used; otherwise none.
  std::unique_ptr<HiveFile> ownUser;
  std::unique_ptr<HiveFile> ownMachine;
};

HiveFile& ownUserHive(State& s) { return s.ownUser ? *s.ownUser : *s.user; }
HiveFile& ownMachineHive(State& s) { return s.ownMachine ? *s.ownMachine : *s.machine; }

State& state() {
  static State s;
  return s;
}

void configure(State& s, const std::string& folder, bool winePrefix) {
  s.folder = folder;
  s.winePrefix = winePrefix;
  s.user = std::make_unique<HiveFile>(folder + "/user.reg", "\\User\\S-1-5-21-0-0-0-1000");
  s.machine = std::make_unique<HiveFile>(folder + "/system.reg", "\\Machine");
  s.ownUser.reset();
  s.ownMachine.reset();
  if (winePrefix) {
    const std::string own = sysdirs::configFolder(true);
    s.ownUser = std::make_unique<HiveFile>(own + "/user.reg", "\\User\\S-1-5-21-0-0-0-1000");
    s.ownMachine = std::make_unique<HiveFile>(own + "/system.reg", "\\Machine");
  }
  s.configured = true;
}

State& ready() {
  State& s = state();
  if (!s.configured) {
    std::string prefix = sysdirs::winePrefix();
    if (!prefix.empty())
      configure(s, prefix, true);
    else
      configure(s, sysdirs::configFolder(true), false);
  }
  return s;
}

std::string join(std::string_view a, std::string_view b) {
  std::string out;
  for (const auto& part : splitPath(a)) out += (out.empty() ? "" : "\\") + part;
  for (const auto& part : splitPath(b)) out += (out.empty() ? "" : "\\") + part;
  return out;
}

bool exists(HiveFile& hive, const std::string& path) {
  bool found = false;
  hive.read([&](HiveDocument& doc) { found = doc.find(path) != nullptr; });
  return found;
}

// The hive and path in it that a key names. For HKEY_CLASSES_ROOT the
// per-user classes win where they hold the key.
struct Location {
  HiveFile* hive = nullptr;
  std::string path;
};

Location locate(State& s, Root root, const std::string& path) {
  switch (root) {
    case Root::User:
      if (exists(*s.user, path)) return {s.user.get(), path};
      return {};
    case Root::Machine:
      if (exists(*s.machine, path)) return {s.machine.get(), path};
      return {};
    case Root::Classes: {
      std::string p = join(kClasses, path);
      if (exists(*s.user, p)) return {s.user.get(), p};
      if (exists(*s.machine, p)) return {s.machine.get(), p};
      return {};
    }
    case Root::OwnUser:
      if (exists(ownUserHive(s), path)) return {&ownUserHive(s), path};
      return {};
    case Root::OwnClasses: {
      std::string p = join(kClasses, path);
      if (exists(ownUserHive(s), p)) return {&ownUserHive(s), p};
      if (exists(ownMachineHive(s), p)) return {&ownMachineHive(s), p};
      return {};
    }
  }
  return {};
}

// Where a new key or value under HKEY_CLASSES_ROOT goes: the hive that holds
// the key already, else the user's classes.
Location locateForWrite(State& s, Root root, const std::string& path) {
  Location loc = locate(s, root, path);
  if (loc.hive) return loc;
  switch (root) {
    case Root::User:
      return {s.user.get(), path};
    case Root::Machine:
      return {s.machine.get(), path};
    case Root::Classes:
      return {s.user.get(), join(kClasses, path)};
    case Root::OwnUser:
      return {&ownUserHive(s), path};
    case Root::OwnClasses:
      return {&ownUserHive(s), join(kClasses, path)};
  }
  return loc;
}

void guardWrites(State& s) {
  if (!s.winePrefix) return;
  std::string reason;
  if (sysdirs::wineServerRunning(s.folder))
    reason = FormatMessageText(LoadStr(IDS_WINE_SERVER_RUNNING), s.folder);
  s.user->refuseWrites(reason);
  s.machine->refuseWrites(reason);
}

bool validKey(State& s, HKEY key) {
  if (!key) return false;
  if (key->predefined) return true;
  return locate(s, key->root, key->path).hive != nullptr;
}

std::vector<std::uint8_t> toExternal(const StoredValue& v) {
  if (v.type != REG_SZ && v.type != REG_EXPAND_SZ && v.type != REG_MULTI_SZ) return v.data;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < v.data.size(); i += 2)
    text.push_back(static_cast<char16_t>(v.data[i] | (v.data[i + 1] << 8)));
  std::string utf8 = toUtf8(text);
  if (utf8.empty() || utf8.back() != '\0') utf8.push_back('\0');
  return {utf8.begin(), utf8.end()};
}

std::vector<std::uint8_t> toStored(DWORD type, const void* data, std::size_t size) {
  auto bytes = static_cast<const std::uint8_t*>(data);
  if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return {bytes, bytes + size};
  std::string_view text(reinterpret_cast<const char*>(bytes), size);
  std::u16string wide = toUtf16(text);
  if (wide.empty() || wide.back() != 0) wide.push_back(0);
  std::vector<std::uint8_t> out;
  for (char16_t c : wide) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return out;
}

// Names of the sub-keys of a key, in enumeration order.
std::vector<std::string> subKeyNames(State& s, HKEY key) {
  std::map<std::string, std::string> names;  // folded -> as stored
  auto collect = [&](HiveFile& hive, const std::string& path) {
    hive.read([&](HiveDocument& doc) {
      if (auto* node = doc.find(path))
        for (const auto& [folded, child] : node->children) names.emplace(folded, child->name);
    });
  };
  if (key->root == Root::Classes) {
    std::string p = join(kClasses, key->path);
    collect(*s.user, p);
    collect(*s.machine, p);
  } else if (key->root == Root::OwnClasses) {
    std::string p = join(kClasses, key->path);
    collect(ownUserHive(s), p);
    collect(ownMachineHive(s), p);
  } else {
    Location loc = locate(s, key->root, key->path);
    if (loc.hive) collect(*loc.hive, loc.path);
  }
  std::vector<std::string> out;
  for (auto& [folded, name] : names) out.push_back(name);
  return out;
}

}  // namespace

HKEY const HKEY_CLASSES_ROOT = &classesRoot;
HKEY const HKEY_CURRENT_USER = &currentUser;
HKEY const HKEY_LOCAL_MACHINE = &localMachine;
HKEY const HKEY_OWN_CURRENT_USER = &ownCurrentUser;
HKEY const HKEY_OWN_CLASSES_ROOT = &ownClassesRoot;

void useFolder(const std::string& folder, bool winePrefix) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  configure(s, folder, winePrefix);
}

std::string currentFolder() {
  State& s = state();
  std::lock_guard guard(s.mutex);
  return ready().folder;
}

LONG RegOpenKeyEx(HKEY key, std::string_view subKey, DWORD, REGSAM sam, HKEY* result) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  ready();
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (!validKey(s, key)) return key ? ERROR_KEY_DELETED : ERROR_INVALID_HANDLE;
  std::string path = join(key->path, subKey);
  if (!path.empty() || !key->predefined) {
    // A key missing from a hive that could not be read is not known to be
    // missing.
    if (!locate(s, key->root, path).hive)
      return locateForWrite(s, key->root, path).hive->unreadable() ? ERROR_BADDB
                                                                   : ERROR_FILE_NOT_FOUND;
  }
  // Full access is refused when the hive that holds the key cannot be
  // written, so that callers can tell it before they try a change.
  if ((sam & kWriteAccess) && !locateForWrite(s, key->root, path).hive->writable())
    return ERROR_ACCESS_DENIED;
  *result = new KeyObject{key->root, path, false};
  return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY key, std::string_view subKey, REGSAM sam, HKEY* result, bool* created) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  ready();
  if (result) *result = nullptr;
  if (created) *created = false;
  if (!validKey(s, key)) return key ? ERROR_KEY_DELETED : ERROR_INVALID_HANDLE;
  std::string path = join(key->path, subKey);
  if ((sam & kWriteAccess) && !locateForWrite(s, key->root, path).hive->writable())
    return ERROR_ACCESS_DENIED;
  if (!path.empty()) {
    Location loc = locateForWrite(s, key->root, path);
    bool isNew = false;
    if (!exists(*loc.hive, loc.path)) {
      guardWrites(s);
      LONG status = loc.hive->modify([&](HiveDocument& doc, bool& changed) -> long {
        doc.create(loc.path, isNew);
        if (isNew) doc.keep(doc.find(loc.path));
        changed = isNew;
        return ERROR_SUCCESS;
      });
      if (status != ERROR_SUCCESS) return status;
    }
    if (created) *created = isNew;
  }
  if (result) *result = new KeyObject{key->root, path, false};
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (!key) return ERROR_INVALID_HANDLE;
  if (!key->predefined) delete key;
  return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, std::string_view valueName, DWORD* type,
                     std::vector<std::uint8_t>* data) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  ready();
  if (!key) return ERROR_INVALID_HANDLE;
  Location loc = locate(s, key->root, key->path);
  if (!loc.hive) return key->predefined ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
  LONG status = ERROR_FILE_NOT_FOUND;
  loc.hive->read([&](HiveDocument& doc) {
    const StoredValue* v = doc.getValue(doc.find(loc.path), valueName);
    if (!v) return;
    if (type) *type = v->type;
    if (data) *data = toExternal(*v);
    status = ERROR_SUCCESS;
  });
  return status;
}

LONG RegQueryValueEx(HKEY key, std::string_view valueName, DWORD* type, void* data, DWORD* size) {
  std::vector<std::uint8_t> bytes;
  LONG status = RegQueryValueEx(key, valueName, type, &bytes);
  if (status != ERROR_SUCCESS) return status;
  DWORD room = size ? *size : 0;
  if (size) *size = static_cast<DWORD>(bytes.size());
  if (!data) return ERROR_SUCCESS;
  if (bytes.size() > room) return ERROR_MORE_DATA;
  std::copy(bytes.begin(), bytes.end(), static_cast<std::uint8_t*>(data));
  return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, std::string_view valueName, DWORD type, const void* data,
                   std::size_t size) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  ready();
  if (!key) return ERROR_INVALID_HANDLE;
  if (!data && size) return ERROR_INVALID_PARAMETER;
  if (!validKey(s, key)) return ERROR_KEY_DELETED;
  Location loc = locateForWrite(s, key->root, key->path);
  StoredValue value{std::string(valueName), type,
                    data ? toStored(type, data, size) : std::vector<std::uint8_t>{}};
  guardWrites(s);
  return loc.hive->modify([&](HiveDocument& doc, bool& changed) -> long {
    bool created;
    changed = doc.setValue(doc.create(loc.path, created), value);
    return ERROR_SUCCESS;
  });
}

LONG RegSetValue(HKEY key, std::string_view subKey, std::string_view text) {
  UniqueKey sub;
  LONG status = RegCreateKeyEx(key, subKey, KEY_SET_VALUE, sub.put());
  if (status != ERROR_SUCCESS) return status;
  return RegSetValueEx(sub.get(), "", REG_SZ, text.data(), text.size());
}

LONG RegQueryValue(HKEY key, std::string_view subKey, std::string* text) {
  UniqueKey sub;
  LONG status = RegOpenKeyEx(key, subKey, 0, KEY_QUERY_VALUE, sub.put());
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::uint8_t> data;
  DWORD type = 0;
  status = RegQueryValueEx(sub.get(), "", &type, &data);
  if (status == ERROR_FILE_NOT_FOUND) {
    data = {0};  // a key without a default value reads as an empty text
    status = ERROR_SUCCESS;
  }
  if (status == ERROR_SUCCESS && text) {
    text->assign(data.begin(), data.end());
    while (!text->empty() && text->back() == '\0') text->pop_back();
  }
  return status;
}

LONG RegDeleteValue(HKEY key, std::string_view valueName) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  ready();
  if (!key) return ERROR_INVALID_HANDLE;
  Location loc = locate(s, key->root, key->path);
  if (!loc.hive) return key->predefined ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
  guardWrites(s);
  return loc.hive->modify([&](HiveDocument& doc, bool& changed) -> long {
    changed = doc.deleteValue(doc.find(loc.path), valueName);
    return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

LONG RegChangeValues(HKEY key, const std::vector<RegValueChange>& changes,
                     std::vector<LONG>* results) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  ready();
  if (results) results->assign(changes.size(), ERROR_WRITE_FAULT);
  if (!key) return ERROR_INVALID_HANDLE;
  if (!validKey(s, key)) return ERROR_KEY_DELETED;
  Location loc = locateForWrite(s, key->root, key->path);
  std::vector<ValueChange> batch;
  batch.reserve(changes.size());
  for (const RegValueChange& c : changes)
    batch.push_back({c.remove,
                     {c.name, c.type,
                      c.remove ? std::vector<std::uint8_t>{}
                               : toStored(c.type, c.data.data(), c.data.size())}});
  std::vector<bool> done;
  guardWrites(s);
  const LONG status = loc.hive->modify([&](HiveDocument& doc, bool& changed) -> long {
    bool created;
    changed = doc.changeValues(doc.create(loc.path, created), batch, done);
    return ERROR_SUCCESS;
  });
  if (status == ERROR_SUCCESS && results)
    for (std::size_t k = 0; k < changes.size(); ++k)
      (*results)[k] = changes[k].remove && !done[k] ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
  return status;
}

LONG RegDeleteKey(HKEY key, std::string_view subKey) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  ready();
  if (!validKey(s, key)) return key ? ERROR_KEY_DELETED : ERROR_INVALID_HANDLE;
  std::string path = join(key->path, subKey);
  if (path.empty()) return ERROR_ACCESS_DENIED;
  Location loc = locate(s, key->root, path);
  if (!loc.hive) return ERROR_FILE_NOT_FOUND;
  guardWrites(s);
  return loc.hive->modify([&](HiveDocument& doc, bool& changed) -> long {
    HiveDocument::Node* node = doc.find(loc.path);
    if (!node) return ERROR_FILE_NOT_FOUND;
    if (!node->children.empty()) return ERROR_ACCESS_DENIED;
    changed = doc.removeKey(node);
    return ERROR_SUCCESS;
  });
}

LONG RegEnumKeyEx(HKEY key, DWORD index, std::string* name) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  ready();
  if (!validKey(s, key)) return key ? ERROR_KEY_DELETED : ERROR_INVALID_HANDLE;
  auto names = subKeyNames(s, key);
  if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
  if (name) *name = names[index];
  return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY key, DWORD index, std::string* name, DWORD* type,
                  std::vector<std::uint8_t>* data) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  ready();
  if (!key) return ERROR_INVALID_HANDLE;
  Location loc = locate(s, key->root, key->path);
  if (!loc.hive) return key->predefined ? ERROR_NO_MORE_ITEMS : ERROR_KEY_DELETED;
  LONG status = ERROR_NO_MORE_ITEMS;
  loc.hive->read([&](HiveDocument& doc) {
    const StoredValue* v = doc.valueAt(doc.find(loc.path), index);
    if (!v) return;
    if (name) *name = v->name;
    if (type) *type = v->type;
    if (data) *data = toExternal(*v);
    status = ERROR_SUCCESS;
  });
  return status;
}

LONG RegEnumValues(HKEY key, std::vector<RegValue>* values) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  ready();
  if (values) values->clear();
  if (!key) return ERROR_INVALID_HANDLE;
  Location loc = locate(s, key->root, key->path);
  if (!loc.hive) return key->predefined ? ERROR_SUCCESS : ERROR_KEY_DELETED;
  loc.hive->read([&](HiveDocument& doc) {
    const HiveDocument::Node* node = doc.find(loc.path);
    const std::size_t count = doc.valueCount(node);
    if (!values) return;
    values->reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      const StoredValue* v = doc.valueAt(node, i);
      values->push_back({v->name, v->type, toExternal(*v)});
    }
  });
  return ERROR_SUCCESS;
}

LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* values) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  ready();
  if (!validKey(s, key)) return key ? ERROR_KEY_DELETED : ERROR_INVALID_HANDLE;
  if (subKeys) *subKeys = static_cast<DWORD>(subKeyNames(s, key).size());
  if (values) {
    *values = 0;
    Location loc = locate(s, key->root, key->path);
    if (loc.hive)
      loc.hive->read([&](HiveDocument& doc) {
        *values = static_cast<DWORD>(doc.valueCount(doc.find(loc.path)));
      });
  }
  return ERROR_SUCCESS;
}

}  // namespace reg
