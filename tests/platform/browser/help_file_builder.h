#pragma once
// Small help files for the GUI tests: pages, a topic map (#IVB with its
// names in #STRINGS), #SYSTEM with the language, and window types in
// #WINDOWS, written with the engine's own writer.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/decompile/crafted_file.h"

namespace helpfile {

struct WindowType {
  std::string name;
  std::string caption;
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;  // 0 × 0: no position
  std::uint32_t buttons = 0;
  std::uint32_t properties = 0;  // written as valid when not 0
  std::uint32_t navWidth = 0;    // likewise
};

struct Spec {
  crafted::Tree files;                          // "/page.htm" → bytes
  std::map<std::uint32_t, std::string> topics;  // topic number → "/page.htm"
  std::vector<WindowType> windows;
  std::uint32_t lcid = 0x409;
  std::string fontCharset;  // "134" puts "宋体,9,134" in #SYSTEM
};

inline bool write(const std::string& path, Spec spec) {
  std::string strings(1, '\0');
  auto addString = [&strings](const std::string& s) {
    const auto at = static_cast<std::uint32_t>(strings.size());
    strings += s + std::string(1, '\0');
    return at;
  };
  std::string ivbEntries;
  for (const auto& [topic, file] : spec.topics) {
    crafted::le32(ivbEntries, topic);
    crafted::le32(ivbEntries, addString(file));
  }
  std::string ivb;
  crafted::le32(ivb, static_cast<std::uint32_t>(ivbEntries.size()));
  spec.files["#IVB"] = ivb + ivbEntries;
  if (!spec.windows.empty()) {
    constexpr std::uint32_t kEntry = 196;
    std::string windows;
    crafted::le32(windows, static_cast<std::uint32_t>(spec.windows.size()));
    crafted::le32(windows, kEntry);
    for (const WindowType& w : spec.windows) {
      std::string e(kEntry, '\0');
      auto put = [&e](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) e[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
      };
      put(0, kEntry);
      put(8, addString(w.name));
      // Position and buttons are valid; properties and pane width when given.
      put(12, 0x10 | 0x100 | (w.properties ? 0x2 : 0) | (w.navWidth ? 0x20 : 0));
      put(16, w.properties);
      put(76, w.navWidth);
      put(20, w.caption.empty() ? 0 : addString(w.caption));
      put(32, static_cast<std::uint32_t>(w.left));
      put(36, static_cast<std::uint32_t>(w.top));
      put(40, static_cast<std::uint32_t>(w.right));
      put(44, static_cast<std::uint32_t>(w.bottom));
      put(112, w.buttons);
      windows += e;
    }
    spec.files["#WINDOWS"] = windows;
  }
  spec.files["#STRINGS"] = strings;
  std::string system;
  crafted::le32(system, 3);
  std::string flags;
  crafted::le32(flags, spec.lcid);
  flags += std::string(24, '\0');
  system += crafted::record(4, flags);
  if (!spec.fontCharset.empty())
    system += crafted::record(16, crafted::text("\xE5\xAE\x8B\xE4\xBD\x93,9," + spec.fontCharset));
  spec.files["#SYSTEM"] = system;
  return crafted::write(path, spec.files);
}

}  // namespace helpfile
