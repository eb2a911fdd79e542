#pragma once
// The string table as data, for code that walks every entry. Ordinary callers
// use res::findString or LoadStr.
#include <span>

namespace res {

struct StringEntry {
  unsigned id;
  const char* text;  // UTF-8
};

// Every entry, sorted by id, ids unique.
std::span<const StringEntry> stringTable();

}  // namespace res
