#pragma once
// The per-user settings store: fixed-size binary values under
// HKEY_CURRENT_USER "Software\Marrowby\<registry name>\<sub-key>" of the
// program's own configuration (never a Wine prefix's). Writing keeps one
// sub-key handle open between calls (the one used last); reading creates
// nothing.
#include <cstddef>
#include <string_view>

#include "platform/registry/registry.h"

// Replaces the registry name ("Wrenlow" once start-up has set it).
void SetRegistryName(std::string_view name);

// The open handle of a settings sub-key (created when missing), or nullptr.
// The handle stays owned by the store.
reg::HKEY OpenSettingsKey(std::string_view subKey);

// Reads a value into buffer (the key is opened for reading only). A stored value shorter than size
// is followed by zero bytes; a longer one, or a missing one, is a failure. Returns size on success,
// 0 on failure (the buffer is then untouched).
std::size_t ReadSetting(std::string_view subKey, std::string_view valueName, void* buffer,
                        std::size_t size);

// Writes exactly size bytes as REG_BINARY. True on success.
bool WriteSetting(std::string_view subKey, std::string_view valueName, const void* data,
                  std::size_t size);

// Closes the cached sub-key handle, if any.
void CloseSettingsKey();
