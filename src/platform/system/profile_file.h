#pragma once
// Initialisation files ("Wrenlow.ini", "hh.ini"): the private profile calls
// of Windows over text files. A bare file name means the file in the Windows
// folder (sysdirs::windowsFolder). Section and key names compare without
// regard to letter case; writing changes only the line of the key concerned
// and keeps every other section, key, comment and blank line as it was.
#include <optional>
#include <string>
#include <string_view>

namespace profile {

// The path a profile file name stands for.
std::string resolve(std::string_view file);

// The value of key in section (blanks around it and one pair of enclosing
// quotes removed), or `fallback` when the file, section or key is missing.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view fallback, std::string_view file);

// Sets key in section to value, adding the section and key when missing;
// with no value the key is removed. The file is replaced atomically. False,
// with the file untouched, when a part would not stay on its one line (a line
// break or NUL anywhere, "=" in the key, "]" in the section).
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::optional<std::string_view> value, std::string_view file);

}  // namespace profile
