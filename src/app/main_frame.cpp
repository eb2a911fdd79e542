#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QShortcut>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>

#include "app/help_commands.h"
#include "app/lock_keys.h"
#include "app/log_doc.h"
#include "app/log_view.h"
#include "app/tool_commands.h"
#include "common/browse_open_file.h"
#include "res/bitmaps.h"
#include "res/ids.h"
#include "res/menus.h"
#include "res/strings.h"
#include "ui/caption_painter.h"
#include "ui/program_help.h"

namespace {

QString text(unsigned id) { return QString::fromUtf8(LoadStr(id)); }

void addItems(CMainFrame* frame, QMenu* menu, std::span<const res::MenuItem> items,
              std::map<int, QAction*>& actions) {
  // The highlighted item's prompt, however the menu was opened.
  QObject::connect(menu, &QMenu::hovered, frame,
                   [frame](QAction* action) { frame->showPrompt(action->statusTip()); });
  for (const res::MenuItem& item : items) {
    if (item.flags & res::menuflag::SEPARATOR) {
      menu->addSeparator();
    } else if (item.flags & res::menuflag::POPUP) {
      QMenu* sub = menu->addMenu(QString::fromUtf8(item.text));
      addItems(frame, sub, item.children, actions);
    } else {
      QAction* action = menu->addAction(QString::fromUtf8(item.text));
      action->setData(item.id);
      action->setStatusTip(CMainFrame::commandPrompt(static_cast<unsigned>(item.id)));
      action->setEnabled(!(item.flags & res::menuflag::GRAYED));
      int id = item.id;
      QObject::connect(action, &QAction::triggered, frame,
                       [frame, id] { frame->routeCommand(id); });
      actions[id] = action;
    }
  }
}

}  // namespace

CMainFrame::CMainFrame(CLogDoc& document) : document_(document) {
  setObjectName(QStringLiteral("MainFrame"));
  setWindowTitle(text(AFX_IDS_APP_TITLE));
  view_ = new CLogView(this);
  setCentralWidget(view_);

  for (const ToolCommand& tool : toolCommands()) {
    if (tool.owner != CommandOwner::Frame) continue;
    ToolFunction run = tool.run;
    frameTarget_.on(tool.id, [this, run] {
      if (run) run(this);
    });
  }
  // The application's commands: exit, and the framework's new and open
  // (no menu item reaches those two).
  appTarget_.on(ID_FILE_EXIT, [this] { close(); });
  appTarget_.on(ID_FILE_NEW, [this] { document_.OnNewDocument(); });
  appTarget_.on(ID_FILE_OPEN, [this] {
    std::string path;
    if (BrowseOpenFile(this, "", path)) document_.OnOpenDocument(path);
  });
  router_.add(&view_->commands());
  router_.add(&documentTarget_);
  router_.add(&frameTarget_);
  router_.add(&appTarget_);

  buildMenu();
  buildAccelerators();
  buildStatusBar();
  resize(760, 540);
  // The program icon (resource 128) is the frame's icon, which the caption
  // draws at its left end.
  if (const res::Bitmap* icon = res::findBitmap(IDR_MAINFRAME))
    setWindowIcon(QIcon(QPixmap(icon->xpm.data())));
  SetHelpMainWindow(this);          // the dialog-help window may be placed by its size
  caption_ = installCaption(this);  // the painted caption in place of the window system's
  // The painter asks the frame to draw its caption; the frame passes no
  // extra title, so the caption reads the program's title alone.
  caption_->paintRequestHandler = [this](const ui::CaptionPaintRequest& request) {
    OnCaptionPaintRequest(request);
  };
}

void CMainFrame::OnCaptionPaintRequest(const ui::CaptionPaintRequest& request) {
  ++captionPaintRequests_;
  if (caption_) caption_->paintCaption(request.active, request);
}

CMainFrame::~CMainFrame() = default;

QString CMainFrame::commandPrompt(int id) {
  QString prompt = text(static_cast<unsigned>(id));
  int nl = prompt.indexOf(QLatin1Char('\n'));
  return nl >= 0 ? prompt.left(nl) : prompt;
}

bool CMainFrame::routeCommand(int id) {
  bool handled = router_.route(id);
  emit commandRouted(id, handled);
  return handled;
}

QAction* CMainFrame::menuAction(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

QString CMainFrame::messageText() const { return message_->text(); }

void CMainFrame::buildMenu() {
  const res::Menu* menu = res::findMenu(IDR_MAINFRAME);
  if (!menu) return;
  for (const res::MenuItem& top : menu->items) {
    QMenu* popup = menuBar()->addMenu(QString::fromUtf8(top.text));
    addItems(this, popup, top.children, actions_);
    // Leaving the menu brings the idle text back.
    connect(popup, &QMenu::aboutToHide, this, &CMainFrame::showIdleMessage);
  }
}

void CMainFrame::buildAccelerators() {
  // Shortcuts of their own rather than on the menu actions: the menu texts
  // show no key names, and Alt+S (command 1018) has no menu item.
  for (const res::Accelerator& a : res::findAccelerators(IDR_MAINFRAME)) {
    Qt::KeyboardModifiers mods;
    if (a.modifiers & res::accel::CONTROL) mods |= Qt::ControlModifier;
    if (a.modifiers & res::accel::SHIFT) mods |= Qt::ShiftModifier;
    if (a.modifiers & res::accel::ALT) mods |= Qt::AltModifier;
    auto* shortcut = new QShortcut(QKeySequence(QKeyCombination(mods, Qt::Key(a.key))), this);
    int id = a.command;
    connect(shortcut, &QShortcut::activated, this, [this, id] { routeCommand(id); });
  }
}

void CMainFrame::buildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar_%1").arg(AFX_IDW_STATUS_BAR));
  bar->setSizeGripEnabled(true);
  message_ = new QLabel(bar);
  message_->setObjectName(QStringLiteral("MessagePane"));
  bar->addWidget(message_, 1);
  auto indicator = [bar](int id) {
    auto* label = new QLabel(text(static_cast<unsigned>(id)), bar);
    label->setObjectName(QStringLiteral("Indicator_%1").arg(id));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(label->text()) + 12);
    bar->addPermanentWidget(label);
    return label;
  };
  caps_ = indicator(ID_INDICATOR_CAPS);
  num_ = indicator(ID_INDICATOR_NUM);
  showIdleMessage();
  updateIndicators();
  indicatorTimer_ = new QTimer(this);
  connect(indicatorTimer_, &QTimer::timeout, this, &CMainFrame::updateIndicators);
  indicatorTimer_->start(300);
}

void CMainFrame::updateIndicators() {
  LockKeys keys = queryLockKeys();
  // An indicator whose key is off keeps its place and shows its text
  // disabled, as the framework's status bar does.
  caps_->setEnabled(keys.caps);
  num_->setEnabled(keys.num);
}

void CMainFrame::showIdleMessage() { message_->setText(text(AFX_IDS_IDLEMESSAGE)); }

void CMainFrame::showPrompt(const QString& prompt) {
  if (prompt.isEmpty())
    showIdleMessage();
  else
    message_->setText(prompt);
}

bool CMainFrame::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip) {
    showPrompt(static_cast<QStatusTipEvent*>(e)->tip());
    return true;
  }
  return QMainWindow::event(e);
}

void CMainFrame::closeEvent(QCloseEvent* e) {
  // Closing never asks: the document holds nothing to save. The caption is
  // no longer painted while the window goes away.
  if (caption_) caption_->disabled = true;
  e->accept();
  deleteLater();
}
