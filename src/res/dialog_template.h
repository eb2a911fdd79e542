#pragma once
// Dialog templates as data: what a resource script's DIALOG statement holds.
// Rectangles are in dialog units; platform/dialogs turns a template into a Qt
// dialog using the base units of the template's font.
#include <cstdint>
#include <span>

namespace res {

enum class ControlKind : std::uint8_t {
  Static,       // text label ("STATIC")
  GroupBox,     // frame with a title
  PushButton,   // BS_PUSHBUTTON / BS_DEFPUSHBUTTON
  CheckBox,     // BS_AUTOCHECKBOX
  RadioButton,  // BS_AUTORADIOBUTTON
  Edit,         // "EDIT"
  ComboBox,     // "COMBOBOX"
  ListBox,      // "LISTBOX"
  ListView,     // "SysListView32"
  TreeView,     // "SysTreeView32"
  Progress,     // "msctls_progress32"
  Icon,         // SS_ICON
  Custom,       // a window class the dialog fills in itself (browser host, ...)
};

// Window and control style bits as the Windows program wrote them; the dialog
// builder honours those it has a Qt counterpart for.
namespace style {
constexpr std::uint32_t WS_TABSTOP = 0x00010000;
constexpr std::uint32_t WS_GROUP = 0x00020000;
constexpr std::uint32_t WS_DISABLED = 0x08000000;
constexpr std::uint32_t WS_VSCROLL = 0x00200000;
constexpr std::uint32_t WS_HSCROLL = 0x00100000;
constexpr std::uint32_t WS_BORDER = 0x00800000;
constexpr std::uint32_t WS_THICKFRAME = 0x00040000;  // resizable dialog
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_INVISIBLE = 0x10000000;  // not shown at first (WS_VISIBLE cleared)
constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_CHILD = 0x40000000;  // a child template (file dialog extension)
constexpr std::uint32_t DS_MODALFRAME = 0x0080;
constexpr std::uint32_t DS_CONTROL = 0x0400;
constexpr std::uint32_t BS_MULTILINE = 0x2000;
constexpr std::uint32_t CBS_AUTOHSCROLL = 0x0040;
constexpr std::uint32_t LBS_NOSEL = 0x4000;
constexpr std::uint32_t SS_NOPREFIX = 0x0080;
constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001;
constexpr std::uint32_t ES_MULTILINE = 0x0004;
constexpr std::uint32_t ES_AUTOVSCROLL = 0x0040;
constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080;
constexpr std::uint32_t ES_READONLY = 0x0800;
constexpr std::uint32_t ES_PASSWORD = 0x0020;
constexpr std::uint32_t ES_NUMBER = 0x2000;
constexpr std::uint32_t SS_CENTER = 0x0001;
constexpr std::uint32_t SS_RIGHT = 0x0002;
constexpr std::uint32_t SS_SUNKEN = 0x1000;
constexpr std::uint32_t CBS_DROPDOWN = 0x0002;
constexpr std::uint32_t CBS_DROPDOWNLIST = 0x0003;
constexpr std::uint32_t CBS_SORT = 0x0100;
constexpr std::uint32_t LBS_SORT = 0x0002;
constexpr std::uint32_t LBS_EXTENDEDSEL = 0x0800;
constexpr std::uint32_t LVS_REPORT = 0x0001;
constexpr std::uint32_t LVS_SINGLESEL = 0x0004;
constexpr std::uint32_t LVS_SHOWSELALWAYS = 0x0008;
constexpr std::uint32_t TVS_HASBUTTONS = 0x0001;
constexpr std::uint32_t TVS_HASLINES = 0x0002;
constexpr std::uint32_t TVS_LINESATROOT = 0x0004;
constexpr std::uint32_t TVS_SHOWSELALWAYS = 0x0020;
}  // namespace style

struct ControlTemplate {
  int id;  // -1 (IDC_STATIC) for controls nobody addresses
  ControlKind kind;
  std::uint32_t style;
  const char* text;  // UTF-8
  // Dialog units. For a combo box cy is the height of the closed field, not of
  // the dropped-down list.
  int x, y, cx, cy;
  const char* className = nullptr;  // for ControlKind::Custom
};

struct DialogTemplate {
  int id;
  const char* title;     // UTF-8
  const char* fontName;  // as the template names it, e.g. "宋体"
  int fontPointSize;
  std::uint32_t style;
  int cx, cy;  // dialog units
  std::span<const ControlTemplate> controls;
};

// The template with this id, or nullptr.
const DialogTemplate* findDialog(int id);

// Every template, in id order.
std::span<const DialogTemplate> dialogTemplates();

}  // namespace res
