#include "common/settings_store.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// query value, set value, create sub-key, enumerate sub-keys, notify, read control
constexpr reg::REGSAM kSettingsAccess = 0x2001F;

struct Store {
  std::string registryName;
  reg::HKEY cached = nullptr;
  std::string cachedName;
  bool programKeyVerified = false;
};

Store& store() {
  static Store s;
  return s;
}

std::string programKeyPath() { return "Software\\Marrowby\\" + store().registryName; }

}  // namespace

void SetRegistryName(std::string_view name) { store().registryName = std::string(name); }

reg::HKEY OpenSettingsKey(std::string_view subKey) {
  Store& s = store();
  if (s.cached && s.cachedName == subKey) return s.cached;

  reg::UniqueKey program;
  if (s.programKeyVerified)
    reg::RegOpenKeyEx(reg::HKEY_OWN_CURRENT_USER, programKeyPath(), 0, kSettingsAccess,
                      program.put());
  if (!program) {
    // First use (or the key went away): make each level in turn.
    reg::UniqueKey software, maker;
    if (reg::RegOpenKeyEx(reg::HKEY_OWN_CURRENT_USER, "Software", 0, kSettingsAccess,
                          software.put()) != reg::ERROR_SUCCESS)
      reg::RegCreateKeyEx(reg::HKEY_OWN_CURRENT_USER, "Software", kSettingsAccess, software.put());
    if (software) reg::RegCreateKeyEx(software.get(), "Marrowby", kSettingsAccess, maker.put());
    if (maker) reg::RegCreateKeyEx(maker.get(), s.registryName, kSettingsAccess, program.put());
    if (!program) return nullptr;
    s.programKeyVerified = true;
  }

  CloseSettingsKey();
  reg::HKEY key = nullptr;
  if (reg::RegCreateKeyEx(program.get(), subKey, kSettingsAccess, &key) == reg::ERROR_SUCCESS) {
    s.cached = key;
    s.cachedName = std::string(subKey);
  }
  return key;
}

std::size_t ReadSetting(std::string_view subKey, std::string_view valueName, void* buffer,
                        std::size_t size) {
  // Reading opens the key for reading only: it creates nothing, and works on
  // a hive that cannot be written.
  reg::UniqueKey key;
  if (reg::RegOpenKeyEx(reg::HKEY_OWN_CURRENT_USER, programKeyPath() + "\\" + std::string(subKey),
                        0, reg::KEY_QUERY_VALUE, key.put()) != reg::ERROR_SUCCESS)
    return 0;
  std::vector<std::uint8_t> data;
  if (reg::RegQueryValueEx(key.get(), valueName, nullptr, &data) != reg::ERROR_SUCCESS) return 0;
  if (data.size() > size) return 0;  // the registry would answer "more data"
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::memcpy(out, data.data(), data.size());
  std::memset(out + data.size(), 0, size - data.size());
  return size;
}

bool WriteSetting(std::string_view subKey, std::string_view valueName, const void* data,
                  std::size_t size) {
  reg::HKEY key = OpenSettingsKey(subKey);
  if (!key) return false;
  return reg::RegSetValueEx(key, valueName, reg::REG_BINARY, data, size) == reg::ERROR_SUCCESS;
}

void CloseSettingsKey() {
  Store& s = store();
  if (s.cached) reg::RegCloseKey(s.cached);
  s.cached = nullptr;
  s.cachedName.clear();
}
