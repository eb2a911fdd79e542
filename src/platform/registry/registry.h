#pragma once
// The registry as the program sees it, stored in Wine's registry files:
// "user.reg" holds HKEY_CURRENT_USER, "system.reg" HKEY_LOCAL_MACHINE, and
// HKEY_CLASSES_ROOT is HKLM "Software\Classes" overlaid by HKCU
// "Software\Classes". The functions mirror the advapi32 calls the program
// makes: string data crosses the interface as UTF-8 (zero-terminated, like
// the ANSI calls), and is stored as UTF-16 like Windows stores it.
//
// Key and value names compare without regard to letter case and keep the
// case they were created with; sub-keys enumerate in sorted order, values in
// the order they were stored. Every change is written to its file at once.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace reg {

using LONG = long;
using DWORD = std::uint32_t;
using REGSAM = std::uint32_t;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_WRITE_FAULT = 29;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_BADDB = 1009;
constexpr LONG ERROR_KEY_DELETED = 1018;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

struct KeyObject;
using HKEY = KeyObject*;
extern HKEY const HKEY_CLASSES_ROOT;
extern HKEY const HKEY_CURRENT_USER;
extern HKEY const HKEY_LOCAL_MACHINE;
// HKEY_CURRENT_USER and HKEY_CLASSES_ROOT of the program's own configuration
// folder: where its settings and its shell verbs live. They are the keys
// above unless a Wine prefix stands in for the registry; a prefix is only
// inspected and edited by the tools, never used for the program's own
// state.
extern HKEY const HKEY_OWN_CURRENT_USER;
extern HKEY const HKEY_OWN_CLASSES_ROOT;

// The folder that holds user.reg and system.reg. Until set, the folder of
// sysdirs::registryFolder() (a Wine prefix when WRENLOW_WINEPREFIX names one,
// else the configuration folder) is used. Setting it closes nothing: open
// keys go on naming the same paths in the new folder. With winePrefix the
// program's own keys stay in the configuration folder.
void useFolder(const std::string& folder, bool winePrefix = false);
std::string currentFolder();

// Where problems with the hive files are told (once per file): a file that
// cannot be parsed (it is then left alone) or writes refused while a wine
// server owns the files. The default writes to standard error; the GUI
// shows a message box. nullptr restores the default.
void setProblemReporter(std::function<void(const std::string& message)> reporter);

// ERROR_BADDB when the key is not found in a hive file that could not be
// read or parsed.
LONG RegOpenKeyEx(HKEY key, std::string_view subKey, DWORD options, REGSAM sam, HKEY* result);
LONG RegCreateKeyEx(HKEY key, std::string_view subKey, REGSAM sam, HKEY* result,
                    bool* created = nullptr);
LONG RegCloseKey(HKEY key);

// Reads a value. `data` receives the bytes (strings as UTF-8 with their
// terminating zero); either pointer may be null.
LONG RegQueryValueEx(HKEY key, std::string_view valueName, DWORD* type,
                     std::vector<std::uint8_t>* data);
// The buffer form: `*size` is the room on entry and the data size on return;
// ERROR_MORE_DATA when the room is too small (nothing is copied then).
LONG RegQueryValueEx(HKEY key, std::string_view valueName, DWORD* type, void* data, DWORD* size);
LONG RegSetValueEx(HKEY key, std::string_view valueName, DWORD type, const void* data,
                   std::size_t size);
// The default value of a sub-key as text (the key is created when missing).
LONG RegSetValue(HKEY key, std::string_view subKey, std::string_view text);
LONG RegQueryValue(HKEY key, std::string_view subKey, std::string* text);
LONG RegDeleteValue(HKEY key, std::string_view valueName);
// Several changes to the values of one key, written to its file at once
// (the key is created when missing): a delete of `name` when `remove`, else
// a set. `results` receives each change's status (ERROR_FILE_NOT_FOUND for
// a value already gone); the return is the status of the write, and when it
// fails nothing changed.
struct RegValueChange {
  std::string name;
  bool remove = false;
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> data;  // as RegSetValueEx takes it
};
LONG RegChangeValues(HKEY key, const std::vector<RegValueChange>& changes,
                     std::vector<LONG>* results = nullptr);
// Deletes a sub-key that has no sub-keys of its own.
LONG RegDeleteKey(HKEY key, std::string_view subKey);
LONG RegEnumKeyEx(HKEY key, DWORD index, std::string* name);
LONG RegEnumValue(HKEY key, DWORD index, std::string* name, DWORD* type,
                  std::vector<std::uint8_t>* data);
LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* values);
// Every value of a key in enumeration order, read in one pass: what
// RegEnumValue gives for each index.
struct RegValue {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> data;
};
LONG RegEnumValues(HKEY key, std::vector<RegValue>* values);

// Owns an open key and closes it.
class UniqueKey {
 public:
  UniqueKey() = default;
  explicit UniqueKey(HKEY key) : key_(key) {}
  UniqueKey(UniqueKey&& other) noexcept : key_(other.release()) {}
  UniqueKey& operator=(UniqueKey&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueKey() { reset(); }
  HKEY get() const { return key_; }
  HKEY* put() {
    reset();
    return &key_;
  }
  HKEY release() {
    HKEY k = key_;
    key_ = nullptr;
    return k;
  }
  void reset(HKEY key = nullptr) {
    if (key_) RegCloseKey(key_);
    key_ = key;
  }
  explicit operator bool() const { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace reg
