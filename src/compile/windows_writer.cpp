// #WINDOWS: the count, the entry size, then 196-byte window-type entries.
#include "chmfiles/windows_file.h"
#include "compile/table_writers.h"
#include "platform/itss/bytes.h"

using itss::appendLe32;
using itss::putLe32;

std::string buildWindows(const std::vector<WindowRecord>& windows) {
  std::string out;
  appendLe32(out, static_cast<std::uint32_t>(windows.size()));
  appendLe32(out, kFullWindowEntrySize);
  for (const WindowRecord& w : windows) {
    std::string e(kFullWindowEntrySize, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(e.data());
    auto put = [p](std::size_t offset, std::uint32_t v) { putLe32(p + offset, v); };
    put(0, kFullWindowEntrySize);
    put(8, w.name);
    put(12, w.validMembers);
    put(16, w.properties);
    put(20, w.caption);
    put(24, w.styles);
    put(28, w.exStyles);
    put(32, static_cast<std::uint32_t>(w.left));
    put(36, static_cast<std::uint32_t>(w.top));
    put(40, static_cast<std::uint32_t>(w.right));
    put(44, static_cast<std::uint32_t>(w.bottom));
    put(48, w.showState);
    put(76, w.navWidth);
    put(96, w.contentsFile);
    put(100, w.indexFile);
    put(104, w.defaultFile);
    put(108, w.homeFile);
    put(112, w.buttons);
    put(116, w.navClosed);
    put(120, w.currentTab);
    put(124, w.tabPosition);
    put(156, w.jump1Text);
    put(160, w.jump2Text);
    put(164, w.jump1Url);
    put(168, w.jump2Url);
    out += e;
  }
  return out;
}
