#include "chmfiles/windows_file.h"

#include <algorithm>
#include <iterator>

#include "platform/itss/bytes.h"

using namespace itss;

namespace {

// Offsets within an entry.
constexpr std::size_t kOffName = 8;
constexpr std::size_t kOffValidMembers = 12;
constexpr std::size_t kOffProperties = 16;
constexpr std::size_t kOffCaption = 20;
constexpr std::size_t kOffStyles = 24;
constexpr std::size_t kOffExStyles = 28;
constexpr std::size_t kOffPosition = 32;
constexpr std::size_t kOffShowState = 48;
constexpr std::size_t kOffNavWidth = 76;
constexpr std::size_t kOffContents = 96;
constexpr std::size_t kOffIndex = 100;
constexpr std::size_t kOffDefault = 104;
constexpr std::size_t kOffHome = 108;
constexpr std::size_t kOffButtons = 112;
constexpr std::size_t kOffNavClosed = 116;
constexpr std::size_t kOffCurrentTab = 120;
constexpr std::size_t kOffTabPosition = 124;
constexpr std::size_t kOffJump1Text = 156;
constexpr std::size_t kOffJump2Text = 160;
constexpr std::size_t kOffJump1Url = 164;
constexpr std::size_t kOffJump2Url = 168;

struct FlagName {
  std::uint32_t bit;
  const char* name;
};

constexpr FlagName kPropertyNames[] = {
    {0x1, "自动显示/隐藏, "},
    {0x2, "窗口置顶, "},
    {0x4, "无标题栏, "},
    {0x8, "无默认样式, "},
    {0x10, "无扩展样式, "},
    {0x20, "三级窗格, "},
    {0x40, "无工具栏文本, "},
    {0x80, "当关闭时关闭父级, "},
    {0x100, "自动同步, "},
    {0x200, "自动跟踪, "},
    {0x400, "搜索标签, "},
    {0x800, "历史标签, "},
    {0x1000, "收藏夹标签, "},
    {0x2000, "自动标题更改, "},
    {0x4000, "仅导航窗口, "},
    {0x8000, "无工具栏, "},
    {0x10000, "MSDN 菜单, "},
    {0x20000, "高级全文搜索用户界面, "},
    {0x40000, "保存用户位置, "},
    {0x80000, "自定义标签 #1, "},
    {0x100000, "自定义标签 #2, "},
    {0x200000, "自定义标签 #3, "},
    {0x400000, "自定义标签 #4, "},
    {0x800000, "自定义标签 #5, "},
    {0x1000000, "自定义标签 #6, "},
    {0x2000000, "自定义标签 #7, "},
    {0x4000000, "自定义标签 #8, "},
    {0x8000000, "自定义标签 #9, "},
};

constexpr FlagName kButtonNames[] = {
    {0x2, "显示/隐藏, "},     {0x4, "向后, "},       {0x8, "向前, "},
    {0x10, "停止, "},         {0x20, "刷新, "},      {0x40, "主页, "},
    {0x80, "向前浏览, "},     {0x100, "向后浏览, "}, {0x200, "注意, "},
    {0x400, "内容, "},        {0x800, "同步, "},     {0x1000, "选项, "},
    {0x2000, "打印, "},       {0x4000, "索引, "},    {0x8000, "搜索, "},
    {0x10000, "历史, "},      {0x20000, "收藏夹, "}, {0x40000, "跳转 1, "},
    {0x80000, "跳转 2, "},    {0x100000, "缩放, "},  {0x200000, "下级目录, "},
    {0x400000, "上级目录, "},
};

template <std::size_t N>
std::string flagNames(std::uint32_t flags, const FlagName (&table)[N]) {
  std::string text;
  for (const FlagName& f : table)
    if (flags & f.bit) text += f.name;
  // Cut at the last comma: drops the comma and blank after the last name.
  const auto comma = text.rfind(',');
  if (comma != std::string::npos) text.erase(comma);
  return text;
}

}  // namespace

WindowTypeEntry decodeWindowType(Bytes e) {
  WindowTypeEntry w;
  w.name = le32At(e, kOffName);
  w.validMembers = le32At(e, kOffValidMembers);
  w.properties = le32At(e, kOffProperties);
  w.caption = le32At(e, kOffCaption);
  w.styles = le32At(e, kOffStyles);
  w.exStyles = le32At(e, kOffExStyles);
  w.position.left = static_cast<std::int32_t>(le32At(e, kOffPosition));
  w.position.top = static_cast<std::int32_t>(le32At(e, kOffPosition + 4));
  w.position.right = static_cast<std::int32_t>(le32At(e, kOffPosition + 8));
  w.position.bottom = static_cast<std::int32_t>(le32At(e, kOffPosition + 12));
  w.showState = le32At(e, kOffShowState);
  w.navWidth = le32At(e, kOffNavWidth);
  w.contentsFile = le32At(e, kOffContents);
  w.indexFile = le32At(e, kOffIndex);
  w.defaultFile = le32At(e, kOffDefault);
  w.homeFile = le32At(e, kOffHome);
  w.buttons = le32At(e, kOffButtons);
  w.navClosed = le32At(e, kOffNavClosed);
  w.currentTab = le32At(e, kOffCurrentTab);
  w.tabPosition = le32At(e, kOffTabPosition);
  w.jump1Text = le32At(e, kOffJump1Text);
  w.jump2Text = le32At(e, kOffJump2Text);
  w.jump1Url = le32At(e, kOffJump1Url);
  w.jump2Url = le32At(e, kOffJump2Url);
  return w;
}

std::vector<WindowTypeEntry> readWindowTypes(Bytes file, bool* found, bool* complete) {
  std::vector<WindowTypeEntry> entries;
  if (found) *found = false;
  if (complete) *complete = false;
  if (file.size() < kWindowsHeaderSize) return entries;
  const std::uint32_t count = le32(file.data());
  const std::uint32_t size = le32(file.data() + 4);
  if (count == 0) return entries;
  if (found) *found = true;
  // Entries of size 0 hold no field: there is nothing to list (and a huge
  // count of them must not make a huge list).
  if (size == 0) {
    if (complete) *complete = true;
    return entries;
  }
  std::size_t pos = kWindowsHeaderSize;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (file.size() - pos < size) break;
    entries.push_back(
        decodeWindowType(file.subspan(pos, std::min<std::size_t>(size, kFullWindowEntrySize))));
    pos += size;
  }
  if (complete) *complete = entries.size() == count;
  return entries;
}

std::vector<WindowTypeEntry> readWindowTypes(IStorage* storage, bool* found, bool* complete) {
  std::vector<std::uint8_t> bytes;
  readStreamBytes(storage, "#WINDOWS", kMaxWindowsSize, bytes);
  return readWindowTypes(Bytes(bytes.data(), bytes.size()), found, complete);
}

std::string windowPropertyNames(std::uint32_t flags) { return flagNames(flags, kPropertyNames); }
std::string windowButtonNames(std::uint32_t flags) { return flagNames(flags, kButtonNames); }
