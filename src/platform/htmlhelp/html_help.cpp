#include "platform/htmlhelp/html_help.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <algorithm>

#include "chmfiles/help_code_page.h"
#include "chmfiles/windows_file.h"
#include "common/help_locator.h"
#include "common/string_utils.h"
#include "its/its_storage.h"
#include "its/strings_reader.h"
#include "platform/browser/help_file_source.h"
#include "platform/dialogs/dialog_builder.h"
#include "platform/htmlhelp/popup_text.h"
#include "platform/htmlhelp/reader_window.h"
#include "platform/system/codepage.h"
#include "res/help_tables.h"
#include "res/ids.h"

namespace htmlhelp {
namespace {

// Tool-bar button flags of a window type.
constexpr std::uint32_t kTbBack = 0x4;
constexpr std::uint32_t kTbForward = 0x8;
constexpr std::uint32_t kTbHome = 0x40;
constexpr std::uint32_t kTbPrint = 0x2000;
// Valid-member flag: the position is given.
constexpr std::uint32_t kValidPosition = 0x10;
// Texts read from #STRINGS are cut at this length.
constexpr std::size_t kMaxNameBytes = 520;

// A text from a help file: UTF-8 when it is valid UTF-8, else the file's
// code page.
std::string helpText(const std::string& bytes, unsigned codePage) {
  return cp::isValidUtf8(bytes) ? bytes : cp::toUtf8(bytes, codePage);
}

// The control of a help table: the widget itself, or the nearest enclosing
// widget that has a control id (a combo box's edit field has none).
unsigned tableControlId(const QWidget* widget) {
  for (; widget; widget = widget->parentWidget())
    if (const int id = dlg::controlId(widget); id > 0) return static_cast<unsigned>(id);
  return 0;
}

}  // namespace

unsigned hostButtonsForWindowFlags(std::uint32_t flags) {
  unsigned mask = 0;
  if (flags & kTbHome) mask |= HHBTN_MASK_HOME;
  if (flags & kTbBack) mask |= HHBTN_MASK_BACK;
  if (flags & kTbForward) mask |= HHBTN_MASK_FORWARD;
  if (flags & kTbPrint) mask |= HHBTN_MASK_PRINT;
  return mask;
}

bool readWindowTypeLook(const std::string& helpFile, std::string_view type, WindowTypeLook& look) {
  ItsStorage storage;
  if (itss::FAILED(storage.open(helpFile.c_str()))) return false;
  const unsigned codePage = helpFileCodePage(storage.root());
  const auto types = readWindowTypes(storage.root());
  StringsReader strings(storage);
  for (const WindowTypeEntry& w : types) {
    if (w.name == 0) continue;
    char name[kMaxNameBytes] = {};
    if (!strings.readStringAt(w.name, name, sizeof name) || !EqualsNoCase(name, type)) continue;
    look = WindowTypeLook{};
    if ((w.validMembers & kValidPosition) && !w.position.empty())
      look.rect = QRect(w.position.left, w.position.top, w.position.right - w.position.left,
                        w.position.bottom - w.position.top);
    char caption[kMaxNameBytes] = {};
    if (w.caption && strings.readStringAt(w.caption, caption, sizeof caption))
      look.caption = helpText(caption, codePage);
    look.buttonMask = hostButtonsForWindowFlags(w.buttons);
    if (w.validMembers & kWinValidProperties) {
      look.navigationPane = (w.properties & kWinPropTriPane) != 0;
      look.searchTab = (w.properties & kWinPropSearchTab) != 0;
      look.favoritesTab = (w.properties & kWinPropFavoritesTab) != 0;
      look.savePlace = (w.properties & kWinPropSavePlace) != 0;
    }
    if (w.validMembers & kWinValidNavWidth) look.navWidth = static_cast<int>(w.navWidth);
    return true;
  }
  return false;
}

ReaderWindow* QtHtmlHelp::readerFor(const std::string& helpFile, const std::string& type) const {
  auto it = readers_.find(helpFile + ">" + type);
  return it == readers_.end() ? nullptr : it->second.data();
}

CHelpPageWnd* QtHtmlHelp::windowFor(const std::string& helpFile, const std::string& type) const {
  auto it = windows_.find(helpFile + ">" + type);
  return it == windows_.end() ? nullptr : it->second.data();
}

std::intptr_t QtHtmlHelp::htmlHelp(void* window, std::string_view file, unsigned command,
                                   std::uintptr_t data) {
  auto* widget = static_cast<QWidget*>(window);
  switch (command) {
    case HH_HELP_CONTEXT:
      return showTopic(widget, file, static_cast<std::uint32_t>(data));
    case HH_TP_HELP_WM_HELP:
      return showPopup(widget, file, reinterpret_cast<const unsigned*>(data));
    default:
      return 0;
  }
}

std::intptr_t QtHtmlHelp::showTopic(QWidget* caller, std::string_view reference,
                                    std::uint32_t topic) {
  const std::size_t gt = reference.find('>');
  const std::string type =
      gt == std::string_view::npos ? "" : std::string(reference.substr(gt + 1));
  std::string helpFile;
  if (!LocateHelpFile(reference.substr(0, gt), helpFile)) return 0;
  const std::string key = helpFile + ">" + type;
  if (QPointer<ReaderWindow>& reader = readers_[key]) {
    if (itss::FAILED(reader->host().NavigateTopic(topic))) return 0;
    reader->raise();
    reader->activateWindow();
    return reinterpret_cast<std::intptr_t>(reader.data());
  }
  QPointer<CHelpPageWnd>& open = windows_[key];
  if (open) {
    if (itss::FAILED(open->control().NavigateTopic(topic))) return 0;
    open->raise();
    open->activateWindow();
    return reinterpret_cast<std::intptr_t>(open.data());
  }
  WindowTypeLook look;
  if (!type.empty()) readWindowTypeLook(helpFile, type, look);
  QRect rect = look.rect;
  if (rect.isEmpty()) {
    // No place of its own: right of the caller's window, kept on its screen.
    const QScreen* screen = caller ? caller->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect anchor = caller ? caller->window()->frameGeometry() : area;
    rect = QRect(anchor.right() + 1, anchor.top(), kDefaultWidth, kDefaultHeight);
    if (rect.right() > area.right()) rect.moveRight(area.right());
  }
  if (look.navigationPane) return showInReader(caller, helpFile, key, look, rect, topic);
  auto* page = new CHelpPageWnd(caller ? caller->window() : nullptr);
  page->setObjectName(QStringLiteral("HtmlHelpWindow"));
  if (!page->control().SetHelpFile(helpFile)) {
    delete page;
    return 0;
  }
  const std::string title = look.caption.empty() ? helpFile : look.caption;
  if (!page->create(rect, QString::fromStdString(title), look.buttonMask, HHHome::number(topic),
                    false) ||
      itss::FAILED(page->control().NavigateTopic(topic))) {
    page->close();
    return 0;
  }
  open = page;
  return reinterpret_cast<std::intptr_t>(page);
}

std::intptr_t QtHtmlHelp::showInReader(QWidget* caller, const std::string& helpFile,
                                       const std::string& key, const WindowTypeLook& look,
                                       const QRect& rect, std::uint32_t topic) {
  auto* reader = new ReaderWindow(caller ? caller->window() : nullptr);
  reader->setWindowFlag(Qt::Window);
  reader->setAttribute(Qt::WA_DeleteOnClose);
  reader->setObjectName(QStringLiteral("HtmlHelpReader"));
  reader->setGeometry(rect);
  reader->remembersPlace = look.savePlace;
  reader->show();
  // The type's pane width, unless the user's own was remembered.
  if (look.navWidth > 0) reader->setPaneWidth(look.navWidth);
  if (!reader->open(helpFile, std::string())) {
    reader->close();
    return 0;
  }
  reader->showTabs(look.searchTab, look.favoritesTab);
  if (!look.caption.empty()) reader->setWindowTitle(QString::fromStdString(look.caption));
  if (itss::FAILED(reader->host().NavigateTopic(topic))) {
    reader->close();
    return 0;
  }
  readers_[key] = reader;
  return reinterpret_cast<std::intptr_t>(reader);
}

std::intptr_t QtHtmlHelp::showPopup(QWidget* control, std::string_view reference,
                                    const unsigned* table) {
  if (!control || !table) return 0;
  const unsigned topic = res::PopupTopic(table, tableControlId(control));
  if (topic == 0) return 0;
  std::string fileRef;
  const auto inside = ParseHelpReference(reference, fileRef);
  std::string helpFile;
  if (!inside || !LocateHelpFile(fileRef, helpFile)) return 0;
  std::string internal = *inside;
  if (internal.empty() || internal.front() != '/') internal = std::string(1, '/') + internal;
  browser::PageBytes bytes;
  if (browser::HelpFileSource::instance().read(helpFile, internal, bytes) !=
      browser::ReadStatus::Ok)
    return 0;
  const auto text = findPopupText(bytes.bytes, topic);
  if (!text) return 0;

  delete popup_.data();
  auto* popup = new QLabel(QString::fromStdString(helpText(*text, bytes.codePage)),
                           control->window(), Qt::Popup | Qt::FramelessWindowHint);
  popup->setObjectName(QStringLiteral("HelpPopup"));
  popup->setWordWrap(true);
  popup->setMargin(6);
  popup->setFrameStyle(QFrame::Box | QFrame::Plain);
  popup->setAutoFillBackground(true);
  QPalette p = popup->palette();
  p.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1));  // the tool-tip yellow
  p.setColor(QPalette::WindowText, Qt::black);
  popup->setPalette(p);
  popup->setAttribute(Qt::WA_DeleteOnClose);
  popup->setMaximumWidth(kPopupMaxWidth);
  popup->adjustSize();
  // Below the control; above it when there is no room below, and moved
  // back onto the screen at the right.
  const QScreen* screen = control->screen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 14, 1 << 14);
  QPoint at = control->mapToGlobal(QPoint(0, control->height() + 2));
  at.setX(std::max(area.left(), std::min(at.x(), area.right() - popup->width())));
  if (at.y() + popup->height() > area.bottom())
    at.setY(control->mapToGlobal(QPoint(0, 0)).y() - popup->height() - 2);
  popup->move(at);
  popup->show();
  popup_ = popup;
  return reinterpret_cast<std::intptr_t>(popup);
}

QtHtmlHelp& installHtmlHelp() {
  static QtHtmlHelp viewer;
  setHtmlHelpService(&viewer);
  return viewer;
}

}  // namespace htmlhelp

bool WinHelpA(void*, const char*, unsigned, std::uintptr_t) { return false; }
