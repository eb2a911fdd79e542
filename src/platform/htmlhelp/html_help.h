#pragma once
// The HTML Help viewer behind CallHtmlHelp. HH_HELP_CONTEXT ("file.chm>Type",
// topic number) shows a mapped topic in a window of the named window type,
// placed, captioned and given buttons as the help file's "#WINDOWS" describes
// the type, and reused while it is open. HH_TP_HELP_WM_HELP
// ("file.chm::/name.txt", control help table) shows the pop-up text of the
// control's topic from that text file in a small window beside the control.
// WinHelp has no engine here: its calls fail.
#include <QLabel>
#include <QPointer>
#include <QRect>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "common/call_html_help.h"
#include "platform/htmlhelp/help_page_wnd.h"

class QWidget;

namespace htmlhelp {

class ReaderWindow;

// What a window type asks of its window: its place (empty when the type
// gives none), its caption and the host buttons its tool-bar flags map to.
struct WindowTypeLook {
  QRect rect;
  std::string caption;  // UTF-8
  unsigned buttonMask = 0;
  // A navigation pane beside the page (contents and index; search and
  // favourites when asked), and its width (0: none given).
  bool navigationPane = false, searchTab = false, favoritesTab = false, savePlace = false;
  int navWidth = 0;
};
// The host buttons (home, back, forward, print) of a window type's flags.
unsigned hostButtonsForWindowFlags(std::uint32_t flags);
// The look of the window type named type (letters compared without case) in
// the help file at helpFile; false when the file has no such type.
bool readWindowTypeLook(const std::string& helpFile, std::string_view type, WindowTypeLook& look);

class QtHtmlHelp : public HtmlHelpService {
 public:
  // The window of a type that gives no place of its own.
  static constexpr int kDefaultWidth = 500, kDefaultHeight = 480;
  // Pop-ups are never wider than this.
  static constexpr int kPopupMaxWidth = 360;

  // Answers the window shown (as a number), or 0 when nothing was shown.
  std::intptr_t htmlHelp(void* window, std::string_view file, unsigned command,
                         std::uintptr_t data) override;

  // The open window of a help file's window type, or nullptr.
  CHelpPageWnd* windowFor(const std::string& helpFile, const std::string& type) const;
  // The same for a type with a navigation pane.
  ReaderWindow* readerFor(const std::string& helpFile, const std::string& type) const;
  // The pop-up shown last, while it is open.
  QLabel* popup() const { return popup_; }

 private:
  std::intptr_t showTopic(QWidget* caller, std::string_view reference, std::uint32_t topic);
  std::intptr_t showPopup(QWidget* control, std::string_view reference, const unsigned* table);

  std::intptr_t showInReader(QWidget* caller, const std::string& helpFile, const std::string& key,
                             const WindowTypeLook& look, const QRect& rect, std::uint32_t topic);

  std::map<std::string, QPointer<CHelpPageWnd>> windows_;  // by "file>type"
  std::map<std::string, QPointer<ReaderWindow>> readers_;  // by "file>type"
  QPointer<QLabel> popup_;
};

// The process's viewer, installed as the CallHtmlHelp service.
QtHtmlHelp& installHtmlHelp();

}  // namespace htmlhelp

// WinHelp: no engine, so every call reports failure.
bool WinHelpA(void* window, const char* helpFile, unsigned command, std::uintptr_t data);
