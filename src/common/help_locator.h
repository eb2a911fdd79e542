#pragma once
// Turning a help-file reference into an existing file: references may be a
// bare name ("Wrenlow"), a path, or an ITS reference ("ms-its:x.chm::/a.htm").
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Splits a reference into the file part and the part after the first "::".
// Enclosing quotes ("...", '...', `...`) and an "mk:@msitstore:", "its:" or
// "ms-its:" prefix are removed; a file part without a '.' gets ".chm".
// Returns the text after "::", or nothing when there is none.
std::optional<std::string> ParseHelpReference(std::string_view reference, std::string& fileRef);

// Finds the file: as given, then by its bare name beside the program (see
// besideProgram), in the current folder, the folder the HTML Help key registers for it, the shared
// help folder, and the "files" section of "hh.ini" (whose optional prompt
// asks the user to make the file available). True with the full path.
bool LocateHelpFile(std::string_view reference, std::string& path);

// The places beside the program at path where its own files are looked for,
// in order: the program's folder; the installed data folder (the program in
// PREFIX/bin, its files in PREFIX/share/wrenlow); and, for a program inside
// the build tree, the build folder.
std::vector<std::string> besideProgram(const std::string& program, const std::string& name);

// The installed data folder, relative to the installation prefix.
inline constexpr const char* kInstalledHelpFolder = "share/wrenlow";

// The shared folder: "SharedDir" of HKLM
// "Software\Microsoft\Windows\CurrentVersion\Setup", else the Windows folder.
std::string GetSharedHelpRoot();

// The registry key that lists help files by name.
inline constexpr const char* kHtmlHelpKey = "Software\\Microsoft\\Windows\\HTML Help";
