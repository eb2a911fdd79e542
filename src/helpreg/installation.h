#pragma once
// Which help installation the registry editors work on: the program's own
// registry files, or a Wine prefix (WRENLOW_WINEPREFIX, or chosen on the
// command line). A prefix's registry files belong to its wine server while
// one runs: the server writes its own copy back over any change made
// beside it, so changes are refused then.
#include <string>

namespace helpreg {

// Makes the prefix at `folder` the help installation of this process: its
// system.reg holds HKEY_LOCAL_MACHINE, its drive letters are the drives.
// False, with the reason in *problem, when the folder is not a Wine prefix.
bool useWinePrefix(const std::string& folder, std::string* problem);

// The message that explains why changes cannot be written now (a wine
// server runs for the current prefix), or an empty text.
std::string writeRefusal();

}  // namespace helpreg
