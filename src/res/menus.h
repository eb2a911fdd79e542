#pragma once
// Menus and accelerator tables as data: what a resource script's MENU and
// ACCELERATORS statements hold. The GUI builds its menu bar and shortcuts from
// these; the status-bar prompt of a command is the string with the command's id.
#include <cstdint>
#include <span>

namespace res {

namespace menuflag {
constexpr std::uint32_t SEPARATOR = 0x01;
constexpr std::uint32_t POPUP = 0x02;  // a sub-menu: children hold its items
constexpr std::uint32_t GRAYED = 0x04;
constexpr std::uint32_t CHECKED = 0x08;
}  // namespace menuflag

struct MenuItem {
  const char* text;  // UTF-8 with "&" before the mnemonic; nullptr for a separator
  int id;            // command id; 0 for separators and sub-menus
  std::uint32_t flags;
  std::span<const MenuItem> children;  // items of a sub-menu
};

struct Menu {
  int id;
  std::span<const MenuItem> items;  // the top-level items (usually all POPUP)
};

// The menu with this resource id, or nullptr.
const Menu* findMenu(int id);

namespace accel {
constexpr std::uint32_t CONTROL = 0x01;
constexpr std::uint32_t SHIFT = 0x02;
constexpr std::uint32_t ALT = 0x04;
}  // namespace accel

struct Accelerator {
  int key;  // virtual-key code: 'A'..'Z' and '0'..'9' are the ASCII upper-case codes
  std::uint32_t modifiers;  // accel:: bits
  int command;
};

// The accelerator table with this resource id (empty when there is none).
std::span<const Accelerator> findAccelerators(int id);

}  // namespace res
