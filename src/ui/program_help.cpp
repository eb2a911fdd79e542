#include "ui/program_help.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "chmfiles/byte_source.h"
#include "chmfiles/windows_file.h"
#include "common/call_html_help.h"
#include "common/help_locator.h"
#include "common/messages.h"
#include "common/string_utils.h"
#include "its/its_storage.h"
#include "its/strings_reader.h"
#include "platform/htmlhelp/help_page_wnd.h"
#include "platform/htmlhelp/html_help.h"
#include "platform/itss/com_ptr.h"
#include "res/help_tables.h"
#include "res/ids.h"
#include "res/strings.h"

namespace {

// WinHelp commands.
constexpr unsigned HELP_CONTEXT = 1;
constexpr unsigned HELP_WM_HELP = 12;
constexpr const char* kWinHelpFile = "Wrenlow.hlp";
constexpr const char* kWinHelpDialogs = "Wrenlow.hlp>DlgHelp";

constexpr int kHelpWidth = 300;
constexpr int kMinHelpHeight = 400;
// A #WINDOWS whose header claims this many entries or this entry size or
// more is not read: the program's help file holds a handful of small ones.
constexpr std::uint32_t kMaxWindowTypes = 1024;
constexpr std::uint32_t kMaxWindowEntry = 256;
constexpr std::size_t kMaxNameBytes = 256;

struct HelpGlobals {
  HelpAvailability availability;
  QPointer<QWidget> mainWindow;
  QPointer<CHelpPageWnd> dialogHelp;
};

HelpGlobals& globals() {
  static HelpGlobals g;
  return g;
}

bool hasDialogWindowType(ItsStorage& storage) {
  std::vector<std::uint8_t> bytes;
  if (itss::FAILED(readStreamBytes(storage.root(), "#WINDOWS", kMaxWindowsSize, bytes)))
    return false;
  const Bytes file(bytes);
  if (file.size() < kWindowsHeaderSize || le32At(file, 0) >= kMaxWindowTypes ||
      le32At(file, 4) >= kMaxWindowEntry)
    return false;
  StringsReader strings(storage);
  for (const WindowTypeEntry& w : readWindowTypes(file)) {
    if (w.name == 0) continue;
    char name[kMaxNameBytes] = {};
    if (strings.readStringAt(w.name, name, sizeof name) &&
        EqualsNoCase(name, res::kDialogWindowType))
      return true;
  }
  return false;
}

}  // namespace

const HelpAvailability& CheckHelpAvailability() {
  HelpAvailability& a = globals().availability;
  if (a.checkDone) return a;
  a.checkDone = true;
  std::string path;
  ItsStorage storage;
  if (!LocateHelpFile(res::kHelpFile, path) || itss::FAILED(storage.open(path.c_str()))) {
    a.winHelpFallback = true;
    a.noPopupTexts = true;
    return a;
  }
  a.noDialogWindowType = !hasDialogWindowType(storage);
  itss::ComPtr<itss::IStream> popups;
  a.noPopupTexts = itss::FAILED(
      storage.root()->OpenStream(res::kPopupTextFile, nullptr, itss::STGM_READ, 0, popups.put()));
  return a;
}

void OverrideHelpAvailability(const HelpAvailability& state) { globals().availability = state; }

void SetHelpMainWindow(QWidget* mainWindow) { globals().mainWindow = mainWindow; }

CHelpPageWnd* DialogHelpWindow() { return globals().dialogHelp.data(); }

QRect DialogHelpRect(const QRect& dialog, const QRect& workArea, const QSize& mainClient) {
  // Windows rectangles: right and bottom are the first pixels outside.
  const int dialogRight = dialog.x() + dialog.width();
  const int left = dialogRight + 1;
  const int top = dialog.y();
  const int right = dialogRight + 1 + kHelpWidth;
  const int bottom = top + std::max(dialog.height(), kMinHelpHeight);
  if (right <= workArea.x() + workArea.width() && bottom <= workArea.y() + workArea.height())
    return QRect(left, top, right - left, bottom - top);
  const int w = mainClient.width(), h = mainClient.height();
  const int fallbackTop = h / 3;
  int fallbackBottom = 2 * (h / 3);
  if (fallbackBottom - fallbackTop < kMinHelpHeight) fallbackBottom = fallbackTop + kMinHelpHeight;
  return QRect(2 * (w / 3), fallbackTop, 3 * (w / 3) - 2 * (w / 3), fallbackBottom - fallbackTop);
}

bool ShowDialogTopic(int topic, QWidget* dialog) {
  const HelpAvailability& a = CheckHelpAvailability();
  const auto number = static_cast<std::uint32_t>(topic);
  if (a.winHelpFallback) {
    if (WinHelpA(dialog, kWinHelpDialogs, HELP_CONTEXT, number)) return true;
    // No help file at all: say so rather than ignore the button.
    ShowDialogMessage(dialog ? dialog->window() : nullptr, IDS_CANNOT_FIND_FILE, res::kHelpFile,
                      MB_ICONEXCLAMATION);
    return false;
  }
  if (!a.noDialogWindowType) {
    const std::string reference = std::string(res::kHelpFile) + ">" + res::kDialogWindowType;
    return CallHtmlHelp(dialog, reference, HH_HELP_CONTEXT, number) > 0;
  }
  HelpGlobals& g = globals();
  if (g.dialogHelp) return g.dialogHelp->control().NavigateTopic(number) == itss::S_OK;
  if (!dialog) return false;
  QWidget* owner = dialog->window();
  auto* window = new CHelpPageWnd(owner);
  window->setObjectName(QStringLiteral("DialogHelpWindow"));
  if (!window->control().SetHelpFile(res::kHelpFile)) {
    delete window;
    return false;
  }
  const QScreen* screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
  const QRect workArea = screen ? screen->availableGeometry() : owner->frameGeometry();
  QWidget* main = g.mainWindow ? g.mainWindow.data() : owner;
  const QRect rect = DialogHelpRect(owner->frameGeometry(), workArea, main->size());
  if (!window->create(rect, QString::fromUtf8(LoadStr(IDS_HELP_WINDOW_TITLE)), 31,
                      HHHome::number(number), true)) {
    window->close();
    return false;
  }
  g.dialogHelp = window;
  return window->control().NavigateTopic(number) == itss::S_OK;
}

bool ShowControlHelp(const unsigned* table, QWidget* control) {
  const HelpAvailability& a = CheckHelpAvailability();
  if (!a.noPopupTexts) {
    const std::string reference = std::string(res::kHelpFile) + "::/" + res::kPopupTextFile;
    return CallHtmlHelp(control, reference, HH_TP_HELP_WM_HELP,
                        reinterpret_cast<std::uintptr_t>(table)) > 0;
  }
  std::string path;
  if (!LocateHelpFile(kWinHelpFile, path)) path = kWinHelpFile;
  return WinHelpA(control, path.c_str(), HELP_WM_HELP, reinterpret_cast<std::uintptr_t>(table));
}
