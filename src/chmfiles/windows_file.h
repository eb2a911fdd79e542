#pragma once
// "#WINDOWS": a count and an entry size, then the window-type entries back
// to back. Entries of any stored size are read; fields that lie beyond it
// read as 0.
#include <cstdint>
#include <string>
#include <vector>

#include "chmfiles/byte_source.h"
#include "platform/itss/storage.h"

constexpr std::size_t kWindowsHeaderSize = 8;
// The size of an entry that holds every field.
constexpr std::size_t kFullWindowEntrySize = 196;

// Valid-member flag bits.
constexpr std::uint32_t kWinValidProperties = 0x2;
constexpr std::uint32_t kWinValidStyles = 0x4;
constexpr std::uint32_t kWinValidExStyles = 0x8;
constexpr std::uint32_t kWinValidNavWidth = 0x20;
constexpr std::uint32_t kWinValidShowState = 0x40;
constexpr std::uint32_t kWinValidButtons = 0x100;
constexpr std::uint32_t kWinValidExpansion = 0x200;
constexpr std::uint32_t kWinValidTabPosition = 0x400;
constexpr std::uint32_t kWinValidCurrentTab = 0x2000;

// Property bits a viewer's window follows: the navigation pane beside the
// page, and the tabs it shows beyond contents and index.
constexpr std::uint32_t kWinPropTriPane = 0x20;
constexpr std::uint32_t kWinPropSearchTab = 0x400;
constexpr std::uint32_t kWinPropFavoritesTab = 0x1000;
constexpr std::uint32_t kWinPropSavePlace = 0x40000;  // remember where the user put it

struct WindowRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  // right <= left or bottom <= top.
  bool empty() const { return right <= left || bottom <= top; }
};

struct WindowTypeEntry {
  // String fields are offsets into "#STRINGS"; 0 means no text.
  std::uint32_t name = 0;
  std::uint32_t validMembers = 0;
  std::uint32_t properties = 0;
  std::uint32_t caption = 0;
  std::uint32_t styles = 0;
  std::uint32_t exStyles = 0;
  WindowRect position;
  std::uint32_t showState = 0;
  std::uint32_t navWidth = 0;
  std::uint32_t contentsFile = 0;
  std::uint32_t indexFile = 0;
  std::uint32_t defaultFile = 0;
  std::uint32_t homeFile = 0;
  std::uint32_t buttons = 0;
  std::uint32_t navClosed = 0;
  std::uint32_t currentTab = 0;
  std::uint32_t tabPosition = 0;
  std::uint32_t jump1Text = 0;
  std::uint32_t jump2Text = 0;
  std::uint32_t jump1Url = 0;
  std::uint32_t jump2Url = 0;
};

// Decodes one entry from its stored bytes (any size).
WindowTypeEntry decodeWindowType(Bytes entry);

// The entries of a #WINDOWS's bytes: none when the count or the size cannot
// be read or the count is 0; an entry cut short ends the list. Sets *found to
// whether a non-zero count and an entry size are there, and *complete to
// whether every counted entry was there in full.
std::vector<WindowTypeEntry> readWindowTypes(Bytes file, bool* found = nullptr,
                                             bool* complete = nullptr);

// The same over the "#WINDOWS" stream of storage (opened with mode 2), read
// up to kMaxWindowsSize bytes; *found is false when there is no stream.
constexpr std::size_t kMaxWindowsSize = 64 << 20;
std::vector<WindowTypeEntry> readWindowTypes(itss::IStorage* storage, bool* found = nullptr,
                                             bool* complete = nullptr);

// Names of the set property bits (offset 16) and toolbar button bits
// (offset 112), in table order, joined by ", " ("" when none is named).
std::string windowPropertyNames(std::uint32_t flags);
std::string windowButtonNames(std::uint32_t flags);
