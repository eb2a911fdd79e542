#include "app/help_commands.h"

#include <QLabel>

#include "app/main_frame.h"
#include "common/help_locator.h"
#include "common/messages.h"
#include "platform/browser/hh_pane_ctrl.h"
#include "platform/htmlhelp/help_page_wnd.h"
#include "platform/htmlhelp/html_help.h"
#include "platform/htmlhelp/reader_window.h"
#include "platform/shell/shell.h"
#include "res/help_tables.h"
#include "res/ids.h"
#include "res/strings.h"
#include "ui/tool_dialog.h"

namespace {

constexpr int kAboutSize = 400;
constexpr int kWelcomeMargin = 50;
// The help-topics window of our own shows the welcome page in the place of
// the help file's main window type, or here when it gives none.
constexpr const char* kMainWindowType = "Main";
const QRect kTopicsRect(60, 40, 880, 660);
// Tool-bar buttons: print and close; all five.
constexpr unsigned kPrintClose = HHBTN_MASK_PRINT | HHBTN_MASK_CLOSE;
constexpr unsigned kAllButtons = 31;
// The MIME types a desktop may have a handler for, most specific first.
constexpr const char* kChmTypes[] = {"application/vnd.ms-htmlhelp", "application/x-chm"};

QPointer<CHelpPageWnd>& aboutWindow() {
  static QPointer<CHelpPageWnd> w;
  return w;
}
QPointer<htmlhelp::ReaderWindow>& topicsWindow() {
  static QPointer<htmlhelp::ReaderWindow> w;
  return w;
}

QString text(unsigned id) { return QString::fromUtf8(LoadStr(id)); }

// A rectangle of the given size centred over a window.
QRect centredOver(const QWidget* window, QSize size) {
  QRect r(QPoint(0, 0), size);
  r.moveCenter(window->geometry().center());
  return r;
}

// The about box used without the help file.
class CAboutDlg : public CToolDialog {
 public:
  explicit CAboutDlg(QWidget* parent) : CToolDialog(IDD_ABOUT, parent) {}

 protected:
  void onInit() override {
    if (auto* label = qobject_cast<QLabel*>(control(IDC_ABOUT_VERSION)))
      label->setText(text(IDS_VERSION));
  }
};

// Whether the desktop opens compiled help files with something other than
// this program's own viewer entry.
bool desktopHasChmHandler() {
  for (const char* type : kChmTypes) {
    const std::string entry = shell::DefaultHandler(type);
    if (!entry.empty() && entry != shell::kExamineEntryFile) return true;
  }
  return false;
}

}  // namespace

CHelpPageWnd* AboutWindow() { return aboutWindow().data(); }
htmlhelp::ReaderWindow* HelpTopicsWindow() { return topicsWindow().data(); }

void HelpTopicsCommand(QWidget* owner) {
  std::string path;
  // The file's own spelling: names differ by case on this file system.
  if (!LocateHelpFile(res::kHelpFile, path)) {
    ShowFormattedMessage(IDS_CANNOT_FIND_FILE, res::kHelpFile, MB_ICONEXCLAMATION);
    return;
  }
  if (desktopHasChmHandler() && shell::OpenWithDesktop(path)) return;
  // No handler of the desktop's: our reading window, reused while it is open.
  if (htmlhelp::ReaderWindow* open = topicsWindow()) {
    open->raise();
    open->activateWindow();
    return;
  }
  htmlhelp::WindowTypeLook look;
  if (!htmlhelp::readWindowTypeLook(path, kMainWindowType, look) || look.rect.isEmpty())
    look.rect = kTopicsRect;
  auto* window = new htmlhelp::ReaderWindow(owner);
  window->setWindowFlag(Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setObjectName(QStringLiteral("HelpTopicsWindow"));
  window->setGeometry(look.rect);
  window->show();
  if (!window->open(path, std::string())) {
    window->close();
    return;
  }
  window->setWindowTitle(text(IDS_HELP_WINDOW_TITLE));
  window->host().NavigateTopic(IDH_WELCOME);
  topicsWindow() = window;
}

void AboutCommand(QWidget* owner) {
  std::string path;
  if (!LocateHelpFile(res::kHelpFile, path)) {
    CAboutDlg dialog(owner);
    dialog.DoModal();
    return;
  }
  delete aboutWindow().data();
  auto* window = new CHelpPageWnd(owner, std::make_unique<CAboutHHCtrl>());
  window->setObjectName(QStringLiteral("AboutWindow"));
  aboutWindow() = window;
  window->control().SetHelpFile(path);
  const QRect rect = owner ? centredOver(owner, QSize(kAboutSize, kAboutSize))
                           : QRect(0, 0, kAboutSize, kAboutSize);
  if (window->create(rect, text(IDS_ABOUT_TITLE), kPrintClose, HHHome::none(), true))
    window->control().NavigateTopic(IDH_ABOUT);
}

void WelcomeCommand(QWidget* owner) {
  auto* frame = qobject_cast<CMainFrame*>(owner);
  if (!frame || frame->welcomeWindow) return;
  auto* window = new CHelpPageWnd(frame);
  window->setObjectName(QStringLiteral("WelcomeWindow"));
  if (!window->control().SetHelpFile(res::kHelpFile)) {
    delete window;
    return;
  }
  frame->welcomeWindow = window;
  // The main window's client area less the margin on every side, centred
  // over it (the same rectangle, since the margins are equal).
  const QRect rect =
      frame->geometry().adjusted(kWelcomeMargin, kWelcomeMargin, -kWelcomeMargin, -kWelcomeMargin);
  if (window->create(rect, text(IDS_WELCOME_TITLE), kAllButtons, HHHome::number(IDH_WELCOME), true))
    window->control().NavigateTopic(IDH_WELCOME);
}
