#pragma once
// The desktop's side of the shell calls the program makes: program-group
// shortcuts and the "Examine" handler as desktop entries (the freedesktop.org
// format), and opening a file or folder with the desktop's own handler.
#include <string>
#include <string_view>

namespace shell {

// The file name of the program-group shortcut ("Wrenlow.lnk" on Windows).
inline constexpr const char* kShortcutFile = "Wrenlow.desktop";
// The desktop entry that offers the program for compiled help files.
inline constexpr const char* kExamineEntryFile = "marrowby-wrenlow-examine.desktop";
// The MIME types of compiled help files.
inline constexpr const char* kChmMimeTypes = "application/vnd.ms-htmlhelp;application/x-chm;";

// The Exec= form of a program and its arguments, quoted as the desktop entry
// specification requires.
std::string execLine(std::string_view program, std::string_view arguments);

// Creates a shortcut (a desktop entry that starts `target`) at shortcutPath.
// Returns false when the file cannot be written; never replaces an existing
// file.
bool CreateShortcut(const std::string& target, const std::string& shortcutPath,
                    std::string_view description);

// Writes the desktop entry that offers `executable` for .chm and .its files
// into the applications folder (replacing an earlier one of ours), and
// refreshes the desktop's MIME cache when the tool for it is installed.
bool RegisterExamineEntry(const std::string& applicationsFolder, const std::string& executable);

// The desktop entry (e.g. "org.example.viewer.desktop") that opens files of
// a MIME type, as xdg-mime reports it; empty when there is none or the tool
// is missing.
std::string DefaultHandler(std::string_view mimeType);

// Opens a file or folder with the desktop's handler (xdg-open), without
// waiting for it. False when the handler cannot be started.
bool OpenWithDesktop(const std::string& path);

// Shows a file in the desktop's file manager with the file selected, through
// the freedesktop.org file-manager interface on the session bus; where no
// file manager answers there, opens the file's folder with OpenWithDesktop.
bool ShowItemInFolder(const std::string& file);

}  // namespace shell
