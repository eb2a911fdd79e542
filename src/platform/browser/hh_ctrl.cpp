#include "platform/browser/hh_ctrl.h"

#include <QChildEvent>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QIcon>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QToolButton>
#include <QWebEngineHistory>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <algorithm>

#include "common/help_locator.h"
#include "common/messages.h"
#include "its/its_storage.h"
#include "platform/browser/closed_profile.h"
#include "platform/browser/its_scheme_handler.h"
#include "platform/browser/its_url.h"
#include "platform/dialogs/dialog_builder.h"
#include "res/bitmaps.h"
#include "res/strings.h"

using namespace itss;

// A URL as the host's operations see it: a help page as its its: address,
// every escape decoded.
static std::string urlText(const QUrl& url) { return browser::displayAddress(url); }

// The page of a host: asks the host before each navigation, keeps every page
// in its own view, and shows no dialogs of its own. A web address opens in
// the desktop's browser, and only right after the user clicked or pressed a
// key in the view: a page's script alone starts nothing outside.
class HHPage : public QWebEnginePage {
 public:
  // How long after the user's click a web address may still open.
  static constexpr qint64 kClickWindowMs = 1500;

  HHPage(CHHCtrl* host, QObject* parent)
      : QWebEnginePage(browser::closedProfile(), parent), host_(host) {
    connect(this, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest& request) {
              bool cancel = false;
              if (host_) host_->OnNewWindow(cancel);
              if (cancel || !request.isUserInitiated()) return;
              // Never a second window: a link that asks for one opens here,
              // or in the desktop's browser when it leads to the web.
              if (browser::isWebAddress(request.requestedUrl()))
                openWebAddress(request.requestedUrl());
              else
                load(request.requestedUrl());
            });
  }

  // Watches the view (and the widget inside it that takes the input) for
  // the user's clicks and keys.
  void watchInput(QWidget* view) {
    view->installEventFilter(this);
    for (QWidget* child : view->findChildren<QWidget*>()) child->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::ChildAdded:
        if (auto* child = static_cast<QChildEvent*>(event)->child(); child && child->isWidgetType())
          child->installEventFilter(this);
        break;
      case QEvent::MouseButtonRelease:
      case QEvent::KeyPress:
        userInput_.start();
        break;
      default:
        break;
    }
    return QWebEnginePage::eventFilter(watched, event);
  }

  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
    bool cancel = false;
    if (host_)
      host_->OnBeforeNavigate(urlText(url), 0, isMainFrame ? std::string() : std::string("_frame"),
                              {}, {}, cancel);
    if (cancel) return false;
    if (browser::isWebAddress(url)) {
      if (isMainFrame) openWebAddress(url);
      return false;
    }
    return browser::requestAllowed(
        url, this->url(), isMainFrame ? browser::RequestKind::Page : browser::RequestKind::Frame);
  }
  QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
  void javaScriptAlert(const QUrl&, const QString&) override {}
  bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
  bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override {
    return false;
  }
  QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override {
    return {};
  }
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                const QString&) override {}

 private:
  // One click opens at most one address.
  void openWebAddress(const QUrl& url) {
    if (!userInput_.isValid() || userInput_.elapsed() > kClickWindowMs) return;
    userInput_.invalidate();
    browser::openInDesktopBrowser(url);
  }

  QPointer<CHHCtrl> host_;
  QElapsedTimer userInput_;
};

namespace {

QString text(unsigned id) { return QString::fromUtf8(LoadStr(id)); }

// Image i of a bitmap strip.
QPixmap stripImage(int bitmapId, int i) {
  const res::Bitmap* bitmap = res::findBitmap(bitmapId);
  if (!bitmap) return {};
  const QPixmap strip(bitmap->xpm.data());
  return strip.copy(i * bitmap->imageWidth, 0, bitmap->imageWidth, bitmap->height);
}

// A navigation target as a URL: its: addresses as the help file's own
// origin (relative links then resolve inside the help file), local paths as
// file: URLs.
QUrl toUrl(const std::string& text) {
  if (auto address = browser::parseItsUrl(text)) {
    const std::size_t hash = text.find('#', text.find("::"));
    return browser::originUrl(
        address->helpFile, address->internalPath,
        hash == std::string::npos ? QString() : QString::fromStdString(text.substr(hash + 1)));
  }
  if (!text.empty() && text.front() == '/')
    return QUrl::fromLocalFile(QString::fromStdString(text));
  return QUrl(QString::fromStdString(text), QUrl::TolerantMode);
}

}  // namespace

CHHCtrl::CHHCtrl() = default;

CHHCtrl::~CHHCtrl() { releaseWidgets(); }

void CHHCtrl::releaseWidgets() {
  delete toolbar_.data();
  delete browser_.data();
}

bool CHHCtrl::createToolbar(QWidget* parent, const QRect& rect, unsigned buttonMask,
                            bool captions) {
  delete toolbar_.data();
  auto* bar = new QWidget(parent);
  bar->setObjectName(QString::number(IDC_HH_TOOLBAR));
  bar->setProperty("controlId", IDC_HH_TOOLBAR);
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(2, 0, 2, 0);
  layout->setSpacing(0);
  const QStringList captionTexts = text(IDS_HH_BUTTON_CAPTIONS).split(QLatin1Char('|'));
  const bool homeGiven = home_.kind != HHHome::None;
  for (int i = 0; i <= lastButtonId - ID_HHBTN_FIRST && i < 32; ++i) {
    if (!(buttonMask & (1u << i))) continue;
    if (i == 0 && !homeGiven) continue;
    const int id = ID_HHBTN_FIRST + i;
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::number(id));
    button->setProperty("controlId", id);
    QIcon icon;
    icon.addPixmap(stripImage(IDB_HH_BUTTONS, i), QIcon::Normal);
    icon.addPixmap(stripImage(IDB_HH_BUTTONS_HOT, i), QIcon::Active);
    button->setIcon(icon);
    button->setIconSize(QSize(kButtonImage, kButtonImage));
    button->setAutoRaise(true);  // flat; the hot image under the mouse
    if (captions && i < captionTexts.size()) {
      button->setText(captionTexts[i]);
      button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    } else {
      button->setToolTip(i < captionTexts.size() ? captionTexts[i] : QString());
      button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    connect(button, &QToolButton::clicked, this, [this, id] { buttonClicked(id); });
    layout->addWidget(button);
  }
  layout->addStretch(1);
  // The heights fit a 9-point Latin font; a CJK font's captions are taller
  // and must not be cut by the page below.
  toolbarHeight_ =
      std::max(captions ? kToolbarHeightCaptions : kToolbarHeightPlain, bar->sizeHint().height());
  bar->setGeometry(rect.x(), rect.y(), rect.width(), toolbarHeight_);
  bar->show();
  toolbar_ = bar;
  return true;
}

bool CHHCtrl::Create(QWidget* parent, const QRect& rect, unsigned buttonMask, const HHHome& home,
                     bool captions) {
  if (!parent) return false;
  parent_ = parent;
  home_ = home;
  toolbarHeight_ = 0;
  QRect viewRect = rect;
  if (buttonMask != 0) {
    if (!createToolbar(parent, rect, buttonMask, captions)) return false;
    viewRect.setTop(rect.top() + toolbarHeight_ + kToolbarGap);
  } else {
    delete toolbar_.data();
  }
  delete browser_.data();
  auto* view = new QWebEngineView(parent);
  view->setObjectName(QString::number(AFX_IDW_PANE_FIRST));
  view->setProperty("controlId", AFX_IDW_PANE_FIRST);
  auto* page = new HHPage(this, view);
  view->setPage(page);
  page->watchInput(view);
  view->setContextMenuPolicy(Qt::NoContextMenu);
  view->setGeometry(viewRect);
  browser_ = view;

  // The link under the mouse, named as the host names pages (a page of a
  // help file as "its:<file>::/<page>"); empty when the mouse leaves it.
  connect(page, &QWebEnginePage::linkHovered, this, [this](const QString& url) {
    OnStatusTextChange(url.isEmpty() ? std::string() : urlText(QUrl(url)));
  });
  connect(page, &QWebEnginePage::titleChanged, this,
          [this](const QString& title) { OnTitleChange(title.toStdString()); });
  connect(page, &QWebEnginePage::loadProgress, this,
          [this](int progress) { OnProgressChange(progress, 100); });
  connect(page, &QWebEnginePage::loadStarted, this, [this] { OnDownloadBegin(); });
  connect(page, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
    OnNavigateComplete(urlText(url));
    updateHistoryButtons();
  });
  connect(page, &QWebEnginePage::loadFinished, this, [this, page](bool ok) {
    OnDownloadComplete();
    updateHistoryButtons();
    const std::string url = urlText(page->url());
    OnDocumentComplete(url);
    emit documentCompleted(QString::fromStdString(url), ok);
  });
  connect(page, &QWebEnginePage::printRequested, this, [this] { Print(); });
  view->show();
  return true;
}

bool CHHCtrl::CreateInPlace(QWidget* dialog, int controlId, unsigned buttonMask, const HHHome& home,
                            bool captions) {
  QWidget* control = dlg::findControl(dialog, controlId);
  if (!control) return false;
  const QRect rect = control->geometry();
  QWidget* parent = control->parentWidget();
  delete control;
  return Create(parent, rect, buttonMask, home, captions);
}

void CHHCtrl::OnBeforeNavigate(const std::string&, unsigned, const std::string&, const std::string&,
                               const std::string&, bool& cancel) {
  cancel = false;
}

void CHHCtrl::OnNewWindow(bool& cancel) { cancel = false; }

void CHHCtrl::OnCommandStateChange(long command, bool enable) {
  if (!toolbar_) return;
  if (command == 1) EnableButton(ID_HHBTN_FORWARD, enable);
  if (command == 2) EnableButton(ID_HHBTN_BACK, enable);
}

void CHHCtrl::updateHistoryButtons() {
  if (!browser_) return;
  QWebEngineHistory* history = browser_->history();
  OnCommandStateChange(1, history->canGoForward());
  OnCommandStateChange(2, history->canGoBack());
}

void CHHCtrl::buttonClicked(int id) {
  if (commandHandler)
    commandHandler(id);
  else
    OnToolbarCommand(id);
}

void CHHCtrl::OnToolbarCommand(int id) {
  switch (id) {
    case ID_HHBTN_HOME:
      if (helpFile_.empty() || home_.page.find(':') != std::string::npos) {
        if (home_.kind == HHHome::Page && !home_.page.empty()) Navigate(home_.page);
      } else if (!home_.page.empty()) {
        NavigateInternal(home_.page);
      } else if (home_.kind == HHHome::Topic) {
        NavigateTopic(home_.topic);
      }
      break;
    case ID_HHBTN_BACK:
      if (browser_) browser_->back();
      break;
    case ID_HHBTN_FORWARD:
      if (browser_) browser_->forward();
      break;
    case ID_HHBTN_PRINT:
    case ID_FILE_PRINT:
      Print();
      break;
    case ID_HHBTN_CLOSE:
      if (parent_) QMetaObject::invokeMethod(parent_.data(), "close", Qt::QueuedConnection);
      break;
    default:
      break;
  }
}

bool CHHCtrl::SetHelpFile(const std::string& name) {
  std::string path;
  if (!LocateHelpFile(name, path)) {
    ShowFormattedMessage(IDS_CANNOT_FIND_FILE, name, MB_ICONEXCLAMATION);
    return false;
  }
  if (path != helpFile_) {
    mapEntries_.clear();
    mapLoaded_ = false;
  }
  helpFile_ = path;
  return true;
}

HRESULT CHHCtrl::Navigate(const std::string& url, unsigned) {
  if (!browser_) return E_FAIL;
  browser_->load(toUrl(url));
  return S_OK;
}

HRESULT CHHCtrl::NavigateInternal(const std::string& path, unsigned flags) {
  if (helpFile_.empty()) return STG_E_FILENOTFOUND;
  return Navigate("its:" + helpFile_ + "::" + path, flags);
}

HRESULT CHHCtrl::NavigateTopic(std::uint32_t topic, unsigned flags) {
  if (helpFile_.empty()) return STG_E_FILENOTFOUND;
  ItsStorage storage;
  HRESULT hr = storage.open(helpFile_.c_str());
  if (FAILED(hr)) return hr;
  if (!mapLoaded_) {
    hr = readIvb(storage.root(), mapEntries_);
    if (FAILED(hr)) return hr;
    mapLoaded_ = true;
  }
  std::string url;
  hr = mapTopicUrl(storage, helpFile_, mapEntries_, topic, url);
  if (FAILED(hr)) return hr;
  return Navigate(url, flags);
}

void CHHCtrl::Move(const QRect& rect, bool repaint) {
  QRect viewRect = rect;
  if (toolbar_) {
    toolbar_->setGeometry(rect.x(), rect.y(), rect.width(), toolbarHeight_);
    viewRect.setTop(rect.top() + toolbarHeight_ + kToolbarGap);
  }
  if (browser_) {
    browser_->setGeometry(viewRect);
    if (repaint) browser_->update();
  }
}

std::string CHHCtrl::CurrentLocation() const {
  return browser_ ? urlText(browser_->url()) : std::string();
}

QToolButton* CHHCtrl::button(int id) const {
  return toolbar_ ? toolbar_->findChild<QToolButton*>(QString::number(id)) : nullptr;
}

void CHHCtrl::EnableButton(int id, bool enable) {
  if (QToolButton* b = button(id)) b->setEnabled(enable);
}

void CHHCtrl::Print() {
  if (!browser_) return;
  auto* printer = new QPrinter(QPrinter::HighResolution);
  QPrintDialog dialog(printer, browser_->window());
  if (dialog.exec() != QDialog::Accepted) {
    delete printer;
    return;
  }
  // The printer must live until the page has been printed.
  connect(
      browser_.data(), &QWebEngineView::printFinished, this, [printer] { delete printer; },
      Qt::SingleShotConnection);
  browser_->print(printer);
}

void CHHCtrl::runScript(const QString& script) {
  if (browser_) browser_->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}
