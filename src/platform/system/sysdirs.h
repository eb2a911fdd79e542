#pragma once
// The folders Windows would supply, on Linux. Every folder can be moved
// by the environment, which is how tests keep away from the user's own:
//   WRENLOW_CONFIG_DIR   the configuration folder (default
//                        $XDG_CONFIG_HOME/Marrowby/Wrenlow)
//   WRENLOW_WINEPREFIX   a Wine prefix whose registry and folders stand in
//                        for the Windows installation
//   XDG_DATA_HOME        where the program-group shortcut goes
#include <string>
#include <string_view>

namespace sysdirs {

// The program's configuration folder; created (mode 0700) when `create`.
std::string configFolder(bool create = false);

// The Wine prefix named by WRENLOW_WINEPREFIX, or empty.
std::string winePrefix();

// Whether a wine server is running for the prefix (it holds the lock file
// in its server folder under /tmp/.wine-<uid>/).
bool wineServerRunning(const std::string& prefix);

// The folder that holds user.reg and system.reg: the prefix, else the
// configuration folder.
std::string registryFolder();

// The Windows folder ("Wrenlow.ini" and "hh.ini" live here) and the system
// folder: the prefix's drive_c/windows and drive_c/windows/system32, else
// windows/ and windows/system32/ under the configuration folder. Created
// when missing (outside a prefix).
std::string windowsFolder();
std::string systemFolder();

// A private per-user temporary folder (mode 0700), under $XDG_RUNTIME_DIR
// or $TMPDIR (default /tmp), never a predictable shared name that someone
// else could own. Empty when no such folder can be made safe.
std::string tempFolder();

// The desktop's applications folder, the stand-in for the Programs folder of
// the start menu: $XDG_DATA_HOME/applications (default
// ~/.local/share/applications). Empty when no home folder is known.
std::string programsFolder();

// The path of the running executable.
std::string programPath();

// A path as Windows wrote it (in the registry or an initialisation file)
// made usable here: "X:\..." goes through the prefix's dosdevices folder
// (or "/" without a prefix), and "\" becomes "/". Other paths only get
// their separators changed.
std::string nativePath(std::string_view windowsPath);

// A file registered as a folder (as Windows wrote it) and a file name, the
// form of the help registry's values, as a native path: the folder made
// native as nativePath does, then "/" unless it ends in one, then the name.
std::string nativeFilePath(std::string_view windowsFolder, std::string_view name);

// The other way: a native path as the prefix's Windows programs see it,
// "X:\..." through the drive letter whose dosdevices link leads to the
// deepest folder holding it (C: wins a tie). Without a prefix, or when no
// drive holds it, the path is returned as it is.
std::string windowsPath(const std::string& nativePath);

// Whether the path names an existing file or folder.
bool exists(const std::string& path);
bool isFolder(const std::string& path);

}  // namespace sysdirs
