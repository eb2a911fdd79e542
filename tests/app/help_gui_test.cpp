// The program's help in the running main window: the start page and its
// links, the about and welcome windows, dialog topics and control pop-ups,
// and the tip panels' help pages. With WRENLOW_SHOT_DIR=<folder> (on an X
// display) the Screenshots case saves pictures of them there.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWebEngineView>
#include <functional>

#include "app/help_commands.h"
#include "app/log_doc.h"
#include "app/log_view.h"
#include "app/main_frame.h"
#include "platform/browser/closed_profile.h"
#include "platform/browser/help_file_source.h"
#include "platform/browser/hh_pane_ctrl.h"
#include "platform/dialogs/dialog_builder.h"
#include "platform/htmlhelp/html_help.h"
#include "platform/htmlhelp/reader_window.h"
#include "platform/shell/shell.h"
#include "res/ids.h"
#include "res/strings.h"
#include "tests/common/recording_prompter.h"
#include "tests/common/scratch_config.h"
#include "tests/platform/browser/browser_page_wait.h"
#include "tests/tool_dialogs/modal_driver.h"
#include "tool_dialogs/decompile_dialog.h"
#include "tool_dialogs/recompile_dialog.h"
#include "ui/help_page_pane.h"
#include "ui/program_help.h"
#include "ui/tip_pane.h"

namespace {

using pagewait::eval;
using pagewait::until;

// Waits for a condition, letting events run.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 15000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QTest::qWait(20);
  }
  return true;
}

using modal::closeModal;
using modal::ModalWatcher;

class HelpGui : public ::testing::Test {
 protected:
  HelpGui() : frame_(new CMainFrame(doc_)) {
    OverrideHelpAvailability({});
    frame_->setGeometry(100, 100, 760, 540);
  }
  ~HelpGui() override {
    delete frame_.data();
    browser::HelpFileSource::instance().closeAll();
  }

  // Shows the main window and waits for the start page to finish loading.
  CHHPaneCtrl* showStartPage() {
    frame_->show();
    CLogView* view = frame_->view();
    if (!waitFor([&] { return view->startPage() != nullptr; })) return nullptr;
    CHHPaneCtrl* page = view->startPage();
    if (!until(page->browser(), "!!document.querySelector(\"a[href='Tamblin:TCard(10)']\")"))
      return nullptr;
    return page;
  }

  ScratchConfig scratch_;
  ScopedRecordingPrompter prompter_;
  CLogDoc doc_;
  QPointer<CMainFrame> frame_;
};

void clickLink(CHHCtrl* page, int number) {
  eval(page->browser(),
       QStringLiteral("document.querySelector(\"a[href='Tamblin:TCard(%1)']\").click()")
           .arg(number));
}

TEST_F(HelpGui, StartPageFillsTheViewAndItsLinksStartTheTools) {
  CHHPaneCtrl* page = showStartPage();
  ASSERT_NE(page, nullptr);
  CLogView* view = frame_->view();
  std::vector<int> buttons;
  for (auto* b : page->toolbar()->findChildren<QToolButton*>())
    buttons.push_back(b->property("controlId").toInt());
  EXPECT_EQ(buttons,
            (std::vector<int>{ID_HHBTN_HOME, ID_HHBTN_BACK, ID_HHBTN_FORWARD, ID_HHBTN_PRINT}));
  EXPECT_GE(page->toolbar()->height(), CHHCtrl::kToolbarHeightCaptions);
  EXPECT_EQ(page->browser()->geometry().bottom(), view->height() - 1);
  frame_->resize(900, 640);
  ASSERT_TRUE(waitFor([&] { return page->browser()->width() == view->width(); }));
  EXPECT_EQ(page->browser()->geometry().bottom(), view->height() - 1);
  EXPECT_EQ(page->toolbar()->width(), view->width());

  QSignalSpy ran(view, &CLogView::toolHandlerRan);
  QSignalSpy routed(frame_.data(), &CMainFrame::commandRouted);
  ModalWatcher watcher(closeModal);
  clickLink(page, 10);
  ASSERT_TRUE(waitFor([&] { return !watcher.seen.empty(); }));
  EXPECT_EQ(watcher.seen.front(), IDD_DECOMPILE);
  ASSERT_EQ(ran.count(), 1);
  EXPECT_EQ(ran.at(0).at(0).toInt(), ID_DECOMPILE);
  EXPECT_EQ(routed.count(), 0);  // the handler is called directly

  // 18: the viewer's command, which first asks for a file.
  clickLink(page, 18);
  ASSERT_TRUE(waitFor([&] { return routed.count() == 1 && watcher.seen.size() == 2; }));
  EXPECT_EQ(routed.at(0).at(0).toInt(), ID_VIEW_CHM);

  // Numbers outside 10-19 do nothing, and the page stays where it is.
  const std::string before = page->CurrentLocation();
  for (const char* link : {"Tamblin:TCard(9)", "Tamblin:TCard(20)", "Corrie:TCard(0)"})
    eval(page->browser(), QStringLiteral("location.href = '%1'").arg(QLatin1String(link)));
  QTest::qWait(500);
  EXPECT_EQ(ran.count(), 1);
  EXPECT_EQ(routed.count(), 1);
  EXPECT_EQ(watcher.seen.size(), 2u);
  EXPECT_EQ(page->CurrentLocation(), before);
}

TEST_F(HelpGui, AboutShowsTheVersionBannerAndIsReplacedEachTime) {
  frame_->show();
  ASSERT_TRUE(frame_->routeCommand(ID_HELP_ABOUT));
  QPointer<CHelpPageWnd> first = AboutWindow();
  ASSERT_FALSE(first.isNull());
  EXPECT_EQ(first->size(), QSize(400, 400));
  EXPECT_EQ(first->geometry().center(), frame_->geometry().center());
  EXPECT_EQ(first->windowTitle(), QString::fromUtf8(LoadStr(IDS_ABOUT_TITLE)));
  CHHCtrl& host = first->control();
  EXPECT_NE(dynamic_cast<CAboutHHCtrl*>(&host), nullptr);
  EXPECT_NE(host.button(ID_HHBTN_PRINT), nullptr);
  EXPECT_NE(host.button(ID_HHBTN_CLOSE), nullptr);
  EXPECT_EQ(host.button(ID_HHBTN_HOME), nullptr);
  EXPECT_TRUE(
      until(host.browser(), QStringLiteral("!!document.getElementById('VERSION') && "
                                           "document.getElementById('VERSION').textContent == '%1'")
                                .arg(QString::fromUtf8(LoadStr(IDS_VERSION)))));

  ASSERT_TRUE(frame_->routeCommand(ID_HELP_ABOUT));
  EXPECT_TRUE(first.isNull());
  ASSERT_NE(AboutWindow(), nullptr);
  // Close closes the window.
  QPointer<CHelpPageWnd> second = AboutWindow();
  second->control().button(ID_HHBTN_CLOSE)->click();
  EXPECT_TRUE(waitFor([&] { return second.isNull(); }));
}

TEST_F(HelpGui, WelcomeWindowOpensOnceWhileOpen) {
  frame_->show();
  ASSERT_TRUE(frame_->routeCommand(ID_HELP_GETTING_STARTED));
  QPointer<CHelpPageWnd> welcome = frame_->welcomeWindow;
  ASSERT_FALSE(welcome.isNull());
  EXPECT_EQ(welcome->geometry(), frame_->geometry().adjusted(50, 50, -50, -50));
  EXPECT_EQ(welcome->windowTitle(), QString::fromUtf8(LoadStr(IDS_WELCOME_TITLE)));
  ASSERT_TRUE(frame_->routeCommand(ID_HELP_GETTING_STARTED));
  EXPECT_EQ(frame_->welcomeWindow, welcome);
  EXPECT_EQ(frame_->findChildren<CHelpPageWnd*>(QStringLiteral("WelcomeWindow")).size(), 1);
  EXPECT_TRUE(until(welcome->control().browser(), "location.href.endsWith('html/welcome.htm')"));
  welcome->close();
  ASSERT_TRUE(waitFor([&] { return welcome.isNull(); }));
  ASSERT_TRUE(frame_->routeCommand(ID_HELP_GETTING_STARTED));
  EXPECT_NE(frame_->welcomeWindow, nullptr);
}

TEST_F(HelpGui, DecompileDialogTopicAndControlPopups) {
  frame_->show();
  htmlhelp::QtHtmlHelp& viewer = htmlhelp::installHtmlHelp();
  std::string location, popupText, contextText;
  QRect helpRect, dialogRect;
  ModalWatcher watcher([&](QWidget* modal, int id) {
    auto* d = qobject_cast<QDialog*>(modal);
    if (id != IDD_DECOMPILE || !d) return closeModal(modal, id);
    dlg::findControl<QAbstractButton>(d, IDC_TIPS)->click();
    CHelpPageWnd* help = nullptr;
    if (waitFor([&] { return (help = d->findChild<CHelpPageWnd*>()) != nullptr; }) &&
        until(help->control().browser(), "location.href.endsWith('html/decompile.htm')")) {
      location = help->control().CurrentLocation();
      helpRect = help->geometry();
      dialogRect = d->frameGeometry();
    }
    // F1 on the source field (its edit part has the focus).
    auto* source = dlg::findControl<QComboBox>(d, IDC_DECOMPILE_SOURCE);
    // F1 asks about the dialog's focus control.
    source->lineEdit()->setFocus();
    QTest::keyClick(source->lineEdit(), Qt::Key_F1);
    if (waitFor([&] { return viewer.popup() != nullptr; }, 3000))
      popupText = viewer.popup()->text().toStdString();
    if (viewer.popup()) viewer.popup()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The context menu over the folder's Browse button.
    QWidget* browse = dlg::findControl(d, IDC_BROWSE_TARGET);
    // Delivered to the button's middle (its corners are cut round), as a
    // right-click would be; the button passes it on to the dialog.
    const QPoint middle = browse->rect().center();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, middle, browse->mapToGlobal(middle));
    QApplication::sendEvent(browse, &menu);
    if (viewer.popup()) contextText = viewer.popup()->text().toStdString();
    if (viewer.popup()) viewer.popup()->close();
    d->reject();
  });
  ASSERT_TRUE(frame_->routeCommand(ID_DECOMPILE));
  EXPECT_TRUE(location.ends_with("html/decompile.htm")) << location;
  // The help file's window type for dialogs gives the size; the window goes
  // beside the dialog rather than over it.
  EXPECT_EQ(helpRect.size(), QSize(340, 480));
  EXPECT_FALSE(helpRect.intersects(dialogRect)) << helpRect.x() << " " << dialogRect.right();
  EXPECT_EQ(popupText.rfind("要反编译的 CHM 或 ITS 文件。", 0), 0u) << popupText;
  EXPECT_EQ(contextText, "选择放置反编译文件的文件夹。");
}

// The control pop-up as a user meets it. While it is shown the window system
// sends it every key and click (it holds the keyboard and the mouse); each of
// these, and the focus going elsewhere, must close it.
TEST_F(HelpGui, ControlPopupClosesOnKeysClicksAndFocusLoss) {
  frame_->show();
  htmlhelp::QtHtmlHelp& viewer = htmlhelp::installHtmlHelp();
  CDecompileDlg dialog(frame_);
  ASSERT_TRUE(dialog.create());
  QDialog* d = dialog.window();
  d->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
  auto* source = dlg::findControl<QComboBox>(d, IDC_DECOMPILE_SOURCE);
  QWidget* browse = dlg::findControl(d, IDC_BROWSE_TARGET);
  QWidget other;
  other.setGeometry(d->frameGeometry().right() + 20, d->y(), 120, 80);
  const std::pair<const char*, std::function<void(QLabel*)>> cases[] = {
      {"Escape", [&](QLabel*) { QTest::keyClick(d->windowHandle(), Qt::Key_Escape); }},
      {"typing", [&](QLabel*) { QTest::keyClick(d->windowHandle(), Qt::Key_A); }},
      {"click elsewhere in the dialog",
       [&](QLabel*) {
         QTest::mouseClick(d->windowHandle(), Qt::LeftButton, {},
                           browse->mapTo(d, browse->rect().center()));
       }},
      {"click on the pop-up",
       [&](QLabel* popup) {
         QTest::mouseClick(popup->windowHandle(), Qt::LeftButton, {}, popup->rect().center());
       }},
      {"focus to another window",
       [&](QLabel*) {
         other.show();
         other.activateWindow();
       }},
  };
  for (const auto& [name, act] : cases) {
    SCOPED_TRACE(name);
    d->activateWindow();
    source->lineEdit()->setFocus();
    QTest::keyClick(d->windowHandle(), Qt::Key_F1);
    ASSERT_TRUE(waitFor([&] { return viewer.popup() && viewer.popup()->isVisible(); }, 3000));
    QPointer<QLabel> popup = viewer.popup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
    act(popup);
    EXPECT_TRUE(waitFor([&] { return popup.isNull() || !popup->isVisible(); }, 3000));
    if (popup) popup->close();
    other.hide();
  }
  // The dialog works again: typing reaches the source field.
  d->activateWindow();
  source->lineEdit()->setFocus();
  source->lineEdit()->clear();
  QTest::keyClick(d->windowHandle(), Qt::Key_X);
  EXPECT_EQ(source->currentText(), QStringLiteral("x"));
  d->close();
}

TEST_F(HelpGui, DialogHelpWindowWithoutTheDialogWindowType) {
  HelpAvailability state;
  state.checkDone = state.noDialogWindowType = true;
  OverrideHelpAvailability(state);
  frame_->show();
  const QRect work = frame_->screen()->availableGeometry();
  CDecompileDlg dialog(frame_);
  ASSERT_TRUE(dialog.create());
  QDialog* d = dialog.window();
  d->show();
  d->move(work.left() + 20, work.top() + 30);
  QTest::qWait(50);
  const QRect frameRect = d->frameGeometry();
  dlg::findControl<QAbstractButton>(d, IDC_TIPS)->click();
  QPointer<CHelpPageWnd> help = DialogHelpWindow();
  ASSERT_FALSE(help.isNull());
  // Just right of the dialog, 300 wide, at least 400 high, titled 4037.
  EXPECT_EQ(help->geometry(), QRect(frameRect.x() + frameRect.width() + 1, frameRect.y(), 300,
                                    std::max(400, frameRect.height())));
  EXPECT_EQ(help->windowTitle(), QString::fromUtf8(LoadStr(IDS_HELP_WINDOW_TITLE)));
  EXPECT_EQ(help->control().toolbar()->findChildren<QToolButton*>().size(), 5);
  EXPECT_TRUE(until(help->control().browser(), "location.href.endsWith('html/decompile.htm')"));
  // A second request reuses the window.
  dlg::findControl<QAbstractButton>(d, IDC_TIPS)->click();
  EXPECT_EQ(DialogHelpWindow(), help.data());
  help->close();
  ASSERT_TRUE(waitFor([&] { return help.isNull(); }));

  // Near the right edge: placed by the main window's client size.
  d->move(work.right() - frameRect.width() - 5, work.top() + 30);
  QTest::qWait(50);
  dlg::findControl<QAbstractButton>(d, IDC_TIPS)->click();
  help = DialogHelpWindow();
  ASSERT_FALSE(help.isNull());
  const int w = frame_->width(), h = frame_->height();
  const int top = h / 3, bottom = std::max(2 * (h / 3), top + 400);
  EXPECT_EQ(help->geometry(), QRect(2 * (w / 3), top, w / 3, bottom - top));
  d->close();
  OverrideHelpAvailability({});
}

// Without the program's help file (and no WinHelp to fall back on) the
// dialogs' "提示(&T)..." buttons say that the file cannot be found rather
// than do nothing.
TEST_F(HelpGui, TipsButtonWithoutTheHelpFileSaysSo) {
  HelpAvailability missing;
  missing.checkDone = missing.winHelpFallback = missing.noPopupTexts = true;
  OverrideHelpAvailability(missing);
  frame_->show();
  CDecompileDlg decompile(frame_);
  CRecompileDlg recompile(false, frame_);
  const std::pair<const char*, CToolDialog*> dialogs[] = {{"decompile", &decompile},
                                                          {"recompile", &recompile}};
  for (const auto& [name, dialog] : dialogs) {
    SCOPED_TRACE(name);
    const std::size_t before = prompter_.count();
    ASSERT_TRUE(dialog->create());
    QDialog* d = dialog->window();
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
    auto* tips = dlg::findControl<QAbstractButton>(d, IDC_TIPS);
    ASSERT_NE(tips, nullptr);
    QTest::mouseClick(tips, Qt::LeftButton, {}, tips->rect().center());
    ASSERT_EQ(prompter_.count(), before + 1);
    EXPECT_EQ(prompter_.last().text,
              "无法找到“Wrenlow.chm”文件。检查文件确实在您的磁盘上存在。"
              "如果它不存在，您需要重新安装它。");
    EXPECT_EQ(DialogHelpWindow(), nullptr);
    d->close();
  }
  OverrideHelpAvailability({});
}

TEST_F(HelpGui, TipPanelsShowHelpPagesOfTheHelpFile) {
  QWidget parent;
  parent.resize(400, 400);
  parent.show();
  std::unique_ptr<ui::TipPane> pane = ui::makeTipPane();
  ASSERT_TRUE(pane->setHelpFile("Wrenlow.chm"));
  ASSERT_TRUE(pane->create(&parent, QRect(0, 0, 300, 400), ui::kTipButtonsHomeBack,
                           ui::TipHome{"", IDH_CREATE_ITS}, true));
  auto* view = qobject_cast<QWebEngineView*>(pane->window());
  ASSERT_NE(view, nullptr);
  ASSERT_NE(pane->toolBar(), nullptr);
  pane->navigateHome();
  EXPECT_TRUE(until(view, "location.href.endsWith('html/create_its.htm')"));
}

TEST_F(HelpGui, HelpTopicsWithoutADesktopHandlerOpenOurOwnWindow) {
  for (const char* type : {"application/vnd.ms-htmlhelp", "application/x-chm"})
    if (!shell::DefaultHandler(type).empty())
      GTEST_SKIP() << "the desktop has a handler for " << type;
  frame_->show();
  ASSERT_TRUE(frame_->routeCommand(ID_HELP_TOPICS));
  QPointer<htmlhelp::ReaderWindow> window = HelpTopicsWindow();
  ASSERT_FALSE(window.isNull());
  EXPECT_TRUE(until(window->host().browser(), "location.href.endsWith('html/welcome.htm')"));
  // The help file's contents and index beside the page.
  EXPECT_GT(window->contentsTree()->topLevelItemCount(), 0);
  EXPECT_GT(window->indexTree()->topLevelItemCount(), 0);
  ASSERT_TRUE(frame_->routeCommand(ID_HELP_TOPICS));
  EXPECT_EQ(HelpTopicsWindow(), window.data());  // reused
  EXPECT_EQ(prompter_.count(), 0u);
  window->close();
}

// Pictures for review, taken from the screen (the web view draws outside
// the widget): the start page, the about and welcome windows, the decompile
// dialog with its help window beside it, a control pop-up, and a GBK page of
// a corpus file through its:.
TEST_F(HelpGui, Screenshots) {
  const QByteArray dir = qgetenv("WRENLOW_SHOT_DIR");
  if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
    GTEST_SKIP() << "set WRENLOW_SHOT_DIR and use an X display to take the pictures";
  auto save = [&](const char* name, QRect area) {
    QTest::qWait(1500);
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(
        0, area.x(), area.y(), area.width(), area.height());
    EXPECT_TRUE(picture.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name)) << name;
  };
  frame_->move(20, 20);
  ASSERT_NE(showStartPage(), nullptr);
  save("main_start_page.png", frame_->frameGeometry());

  frame_->routeCommand(ID_HELP_ABOUT);
  ASSERT_NE(AboutWindow(), nullptr);
  save("about.png", AboutWindow()->frameGeometry());
  AboutWindow()->close();

  frame_->routeCommand(ID_HELP_GETTING_STARTED);
  ASSERT_NE(frame_->welcomeWindow, nullptr);
  save("welcome.png", frame_->welcomeWindow->frameGeometry());
  frame_->welcomeWindow->close();

  HelpAvailability beside;
  beside.checkDone = beside.noDialogWindowType = true;
  OverrideHelpAvailability(beside);
  htmlhelp::QtHtmlHelp& viewer = htmlhelp::installHtmlHelp();
  CDecompileDlg dialog(frame_);
  ASSERT_TRUE(dialog.create());
  QDialog* d = dialog.window();
  d->move(40, 120);
  d->show();
  QTest::qWait(200);
  dlg::findControl<QAbstractButton>(d, IDC_TIPS)->click();
  ASSERT_NE(DialogHelpWindow(), nullptr);
  save("decompile_with_help.png", d->frameGeometry().united(DialogHelpWindow()->frameGeometry()));
  auto* source = dlg::findControl<QComboBox>(d, IDC_DECOMPILE_SOURCE);
  source->lineEdit()->setFocus();
  QTest::keyClick(source->lineEdit(), Qt::Key_F1);
  ASSERT_NE(viewer.popup(), nullptr);
  save("control_popup.png", d->frameGeometry().united(viewer.popup()->frameGeometry()));
  viewer.popup()->close();
  d->close();
  OverrideHelpAvailability({});

  QWidget page;
  page.setWindowTitle(QStringLiteral("its: GBK page"));
  page.setGeometry(60, 60, 800, 600);
  page.show();
  CHHCtrl host;
  ASSERT_TRUE(host.Create(&page, QRect(0, 0, 800, 600), 0, HHHome::none(), false));
  ASSERT_TRUE(host.SetHelpFile(std::string(WRENLOW_CORPUS_DIR) + "/7zcn_7-zip.chm"));
  ASSERT_TRUE(pagewait::loads(host, [&] { host.NavigateInternal("/cmdline/commands/add.htm"); }));
  save("gbk_page_its.png", page.frameGeometry());
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  browser::registerSchemes();
  QApplication app(argc, argv);
  htmlhelp::installHtmlHelp();
  ui::installHelpPagePanes();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
