#pragma once
// Counting the streams of a compiled help file, for progress ranges.
#include <cstdint>
#include <functional>

// Called with true once the file is open and the count starts, and with false
// when it ends; the GUI shows its wait cursor in between.
using BusyHook = std::function<void(bool busy)>;

// The number of streams of non-zero size in the file at path (UTF-8), names
// beginning with "$" or "#" left out unless includeSystem. A file that cannot
// be opened shows message 20482 with the path (warning icon, through the
// current prompter) and gives -1.
std::int32_t countStreams(const char* path, bool includeSystem, const BusyHook& busy = {});
