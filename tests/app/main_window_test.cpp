// The main window: its menu, accelerators, status bar and command routing.
// With WRENLOW_SHOT=<file> (on an X display) the test also saves a picture
// of the window with its Tools menu open.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QShortcut>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/log_doc.h"
#include "app/log_view.h"
#include "app/main_frame.h"
#include "app/qt_front_end.h"
#include "res/bitmaps.h"
#include "res/ids.h"
#include "tests/common/recording_prompter.h"
#include "tests/common/scratch_config.h"
#include "tests/tool_dialogs/modal_driver.h"
#include "ui/program_help.h"

namespace {

// The menu as text: items with their ids, "-" for separators, sub-menus
// in braces.
QString describe(const QList<QAction*>& actions) {
  QStringList parts;
  for (QAction* a : actions) {
    if (a->isSeparator())
      parts << QStringLiteral("-");
    else if (a->menu())
      parts << a->text() + QStringLiteral("{") + describe(a->menu()->actions()) +
                   QStringLiteral("}");
    else
      parts << a->text() + QStringLiteral("=") + QString::number(a->data().toInt());
  }
  return parts.join(QStringLiteral(" "));
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : frame_(new CMainFrame(doc_)) {}
  ~MainWindowTest() override { delete frame_.data(); }

  ScratchConfig scratch_;
  CLogDoc doc_;
  QPointer<CMainFrame> frame_;
};

TEST_F(MainWindowTest, MenuHoldsEveryItemAndSeparatorInOrder) {
  EXPECT_EQ(describe(frame_->menuBar()->actions()).toStdString(),
            "文件(&F){退出(&X)=32775} "
            "工具(&T){重新编译(&R)...=1007 反编译(&D)...=1006 创建 ITS 文件(&I)...=1004 - "
            "查找帮助注册表项(&H){HTML 帮助注册(&H)=32774 WinHelp 注册(&W)=32773} "
            "查找帮助文件(&F){HTML 帮助组件(&C)=32782 WinHelp 组件(&O)=32783 - "
            "HTML 帮助文件(&H)=32778 WinHelp 文件(&W)=32779} - 查看 CHM 文件(&E)...=32781} "
            "帮助(&H){帮助主题(&T)...=32771 入门(&S)...=32784 - 版本信息(&V)...=32777}");
  EXPECT_EQ(frame_->menuAction(ID_FILE_EXIT)->statusTip().toStdString(),
            "退出应用程序；提示保存文档");
  EXPECT_EQ(frame_->menuAction(ID_DECOMPILE)->statusTip().toStdString(),
            "编译一个 CHM 或 ITS 文件");
  EXPECT_EQ(frame_->menuAction(ID_SAVE_RESULTS), nullptr);  // no menu shows 1018
  EXPECT_EQ(frame_->windowTitle().toStdString(), "Wrenlow");
}

TEST_F(MainWindowTest, StatusBarShowsIdleTextIndicatorsAndPrompts) {
  frame_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_));
  EXPECT_EQ(frame_->messageText().toStdString(), "从工具菜单选择一个工具");
  EXPECT_EQ(frame_->capsIndicator()->text().toStdString(), "CAP");
  EXPECT_EQ(frame_->numIndicator()->text().toStdString(), "NUM");

  QMenu* tools = frame_->menuBar()->actions()[1]->menu();
  tools->popup(frame_->mapToGlobal(QPoint(40, 0)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(tools));
  // Highlighting the item as the keyboard or the pointer would (a pointer
  // warp on a display kept between runs may bring no hover at all).
  tools->setActiveAction(frame_->menuAction(ID_RECOMPILE));
  QTest::qWait(20);
  EXPECT_EQ(frame_->messageText().toStdString(), "重新编译一个 CHM 或 ITS 文件");
  tools->close();
  QTest::qWait(20);
  EXPECT_EQ(frame_->messageText().toStdString(), "从工具菜单选择一个工具");
}

TEST_F(MainWindowTest, CommandsRouteToTheirHandlers) {
  // Tools open modal dialogs: each is closed as soon as it shows.
  modal::ModalWatcher closer(modal::closeModal);
  QSignalSpy routed(frame_, &CMainFrame::commandRouted);
  QSignalSpy ran(frame_->view(), &CLogView::toolHandlerRan);
  for (int id : {ID_CREATE_ITS, ID_DECOMPILE, ID_RECOMPILE, ID_WINHELP_REGISTRY,
                 ID_HTMLHELP_REGISTRY, ID_FIND_HTMLHELP_FILES, ID_FIND_WINHELP_FILES,
                 ID_FIND_HTMLHELP_COMPONENTS, ID_FIND_WINHELP_COMPONENTS})
    EXPECT_TRUE(frame_->routeCommand(id)) << id;
  EXPECT_EQ(ran.count(), 9);
  for (int id : {ID_HELP_TOPICS, ID_HELP_ABOUT, ID_HELP_GETTING_STARTED, ID_VIEW_CHM})
    EXPECT_TRUE(frame_->routeCommand(id)) << id;
  EXPECT_EQ(ran.count(), 9);  // the frame's, not the view's
  EXPECT_FALSE(frame_->routeCommand(ID_SAVE_RESULTS));
  EXPECT_FALSE(frame_->routeCommand(4242));
}

TEST_F(MainWindowTest, AcceleratorsAndAltSInert) {
  // Tools open modal dialogs: each is closed as soon as it shows.
  modal::ModalWatcher closer(modal::closeModal);
  QSignalSpy routed(frame_, &CMainFrame::commandRouted);
  std::map<QString, QShortcut*> shortcuts;
  for (QShortcut* s : frame_->findChildren<QShortcut*>()) shortcuts[s->key().toString()] = s;
  ASSERT_EQ(shortcuts.size(), 4u);
  for (auto [keys, id] :
       {std::pair{"Ctrl+Shift+D", ID_DECOMPILE}, std::pair{"Ctrl+Shift+R", ID_RECOMPILE},
        std::pair{"Ctrl+Shift+V", ID_VIEW_CHM}}) {
    ASSERT_TRUE(shortcuts.count(QString::fromLatin1(keys))) << keys;
    emit shortcuts[QString::fromLatin1(keys)]->activated();
    ASSERT_FALSE(routed.isEmpty());
    EXPECT_EQ(routed.takeLast().at(0).toInt(), id);
  }
  emit shortcuts[QStringLiteral("Alt+S")]->activated();
  ASSERT_EQ(routed.count(), 1);
  EXPECT_EQ(routed.at(0).at(0).toInt(), ID_SAVE_RESULTS);
  EXPECT_FALSE(routed.at(0).at(1).toBool());  // nothing handles it
}

TEST_F(MainWindowTest, StartPageLinks) {
  // Tools open modal dialogs: each is closed as soon as it shows.
  modal::ModalWatcher closer(modal::closeModal);
  QSignalSpy routed(frame_, &CMainFrame::commandRouted);
  QSignalSpy ran(frame_->view(), &CLogView::toolHandlerRan);
  const int expected[] = {ID_DECOMPILE,
                          ID_RECOMPILE,
                          ID_HTMLHELP_REGISTRY,
                          ID_WINHELP_REGISTRY,
                          ID_FIND_HTMLHELP_COMPONENTS,
                          ID_FIND_WINHELP_COMPONENTS,
                          ID_FIND_HTMLHELP_FILES,
                          ID_FIND_WINHELP_FILES};
  for (int link = 10; link <= 17; ++link) frame_->view()->OnTCard(link);
  ASSERT_EQ(ran.count(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ran.at(i).at(0).toInt(), expected[i]);
  EXPECT_EQ(routed.count(), 0);  // called directly, not routed
  frame_->view()->OnTCard(18);
  ASSERT_EQ(routed.count(), 1);
  EXPECT_EQ(routed.at(0).at(0).toInt(), ID_VIEW_CHM);
  frame_->view()->OnTCard(9);
  frame_->view()->OnTCard(20);
  EXPECT_EQ(routed.count(), 1);
  EXPECT_EQ(ran.count(), 8);
  // 19 goes through the main window to the Tools menu's Create ITS handler.
  frame_->view()->OnTCard(19);
  ASSERT_EQ(routed.count(), 2);
  EXPECT_EQ(routed.at(1).at(0).toInt(), ID_CREATE_ITS);
  EXPECT_EQ(ran.count(), 9);
}

TEST_F(MainWindowTest, ClosingNeverAsksAndExitCloses) {
  ScopedRecordingPrompter prompter;
  frame_->show();
  EXPECT_TRUE(frame_->routeCommand(ID_FILE_EXIT));
  EXPECT_FALSE(frame_->isVisible());
  EXPECT_EQ(prompter.count(), 0u);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(frame_.isNull());  // destroyed at once
}

// The caption carries the program icon, asks the frame to draw it, and is
// no longer painted once the window closes.
TEST_F(MainWindowTest, CaptionDrawsTheIconThroughTheFrameUntilClosed) {
  ASSERT_FALSE(frame_->windowIcon().isNull());
  CCaptionPainter* painter = frame_->captionPainter();
  ASSERT_NE(painter, nullptr);
  const int w = 300, h = painter->metrics().height;
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::black);  // the gradient is black at the left end
  const ui::CaptionPaintRequest request{w, h, &image, true};
  painter->paintRequestHandler(request);
  EXPECT_EQ(frame_->captionPaintRequests(), 1);
  int iconPixels = 0;
  for (int y = 1; y < painter->metrics().cySize - 1; ++y)
    for (int x = 2; x < painter->metrics().cxSize; ++x)
      if (image.pixel(x, y) != qRgb(0, 0, 0)) ++iconPixels;
  EXPECT_GT(iconPixels, 10);

  frame_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_));
  QTest::qWait(50);
  EXPECT_GT(frame_->captionPaintRequests(), 1);  // the window's own paint went through the frame
  QPointer<CCaptionPainter> watched(painter);
  frame_->close();
  ASSERT_FALSE(watched.isNull());
  EXPECT_TRUE(watched->disabled);
}

// Without the program's help file there is no start page: the view is the
// button face alone.
TEST_F(MainWindowTest, ViewShowsButtonFaceWithoutHelpFile) {
  HelpAvailability missing;
  missing.checkDone = missing.winHelpFallback = missing.noPopupTexts = true;
  OverrideHelpAvailability(missing);
  frame_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_));
  QImage image = frame_->view()->grab().toImage();
  QColor face = frame_->view()->palette().color(QPalette::Button);
  EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2).rgb(), face.rgb());
  QTest::qWait(50);
  EXPECT_EQ(frame_->view()->startPage(), nullptr);
  OverrideHelpAvailability({});
}

TEST(QtFrontEndTest, ExamineModeOpensTheViewerOnTheFile) {
  const std::string file = WRENLOW_CORPUS_DIR "/7zcn_7-zip.chm";
  int rows = -1;
  QTimer poll;
  int ticks = 0;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* tree = w->isVisible() ? w->findChild<QTreeWidget*>() : nullptr;
      if (tree || ++ticks > 300) {
        if (tree) rows = tree->topLevelItemCount();
        w->close();
      }
    }
  });
  poll.start(20);
  QtFrontEnd().runViewer(file);
  // The general node, the internal-files group and the file's own top level.
  EXPECT_GT(rows, 2);
}

// The program itself started on a help file (as the desktop's "Examine"
// entry starts it): the viewer comes up on the file with the program's icon
// on its window, read from the window system as a task bar would read it.
TEST(ProgramStart, ViewerStartedOnAFileHasTheProgramIcon) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X display";
  const auto run = [](const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
  };
  if (QStandardPaths::findExecutable(QStringLiteral("xwininfo")).isEmpty() ||
      QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
    GTEST_SKIP() << "xwininfo and xprop (x11-utils) are not installed";
  ScratchConfig scratch;
  QProcess program;
  program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  program.start(QStringLiteral(WRENLOW_PROGRAM),
                {QStringLiteral(WRENLOW_CORPUS_DIR "/7zcn_7-zip.chm")});
  ASSERT_TRUE(program.waitForStarted());
  // The viewer's window of this process (other tests may show viewers on
  // the same display at the same time).
  const QString title = QStringLiteral("CHM/ITS 文件查看器");
  const QString pid = QString::number(program.processId());
  QString icon;
  for (int waited = 0; waited < 30000 && icon.isEmpty(); waited += 200) {
    QTest::qWait(200);
    const QString tree = run(QStringLiteral("xwininfo"), {"-root", "-tree"});
    for (const QString& line : tree.split(QLatin1Char('\n'))) {
      if (!line.contains(QLatin1Char('"') + title + QLatin1Char('"'))) continue;
      const QString window = line.trimmed().section(QLatin1Char(' '), 0, 0);
      const QString props = run(QStringLiteral("xprop"), {"-id", window, "_NET_WM_PID"});
      if (props.trimmed() == QStringLiteral("_NET_WM_PID(CARDINAL) = ") + pid)
        icon = run(QStringLiteral("xprop"), {"-id", window, "_NET_WM_ICON"});
    }
  }
  ASSERT_FALSE(icon.isEmpty()) << "no viewer window of the program came up";
  program.terminate();
  program.waitForFinished(10000);
  // The program's own picture (a window manager may put a default icon of
  // its own on a window that has none).
  const res::Bitmap* own = res::findBitmap(IDR_MAINFRAME);
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(icon.contains(QStringLiteral("Icon (%1 x %2)").arg(own->width).arg(own->height)))
      << icon.left(200).toStdString();
}

TEST(QtFrontEndTest, MainWindowForNewOrReadableDocument) {
  ScratchConfig scratch;
  std::string notes = scratch.root() + "/notes.txt";
  ScratchConfig::write(notes, "text");
  QtFrontEnd frontEnd;
  EXPECT_FALSE(frontEnd.createMainWindow(scratch.root() + "/missing.txt"));
  EXPECT_EQ(frontEnd.mainWindow(), nullptr);
  ASSERT_TRUE(frontEnd.createMainWindow(notes));
  ASSERT_NE(frontEnd.frame(), nullptr);
  EXPECT_EQ(frontEnd.frame()->document().pathName(), notes);
  EXPECT_FALSE(frontEnd.frame()->document().isModified());
  frontEnd.showMainWindow();
  EXPECT_TRUE(frontEnd.frame()->isVisible());
  delete frontEnd.frame();
}

TEST_F(MainWindowTest, Screenshot) {
  QByteArray shot = qgetenv("WRENLOW_SHOT");
  if (shot.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
    GTEST_SKIP() << "set WRENLOW_SHOT and use an X display to take the picture";
  frame_->move(40, 40);
  frame_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_));
  QMenu* tools = frame_->menuBar()->actions()[1]->menu();
  QAction* toolsAction = frame_->menuBar()->actions()[1];
  frame_->menuBar()->setActiveAction(toolsAction);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(tools));
  QMenu* find = nullptr;
  for (QAction* a : tools->actions())
    if (a->menu() && a->text().startsWith(QStringLiteral("查找帮助文件"))) find = a->menu();
  ASSERT_NE(find, nullptr);
  tools->setActiveAction(find->menuAction());
  QTest::qWait(400);
  if (!find->isVisible())
    find->popup(tools->mapToGlobal(tools->actionGeometry(find->menuAction()).topRight()));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(find));
  find->setActiveAction(frame_->menuAction(ID_FIND_HTMLHELP_FILES));
  QTest::qWait(300);
  EXPECT_EQ(frame_->messageText().toStdString(), "查找 CHM、ITS 和其他帮助文件");
  QRect area = frame_->frameGeometry().united(tools->geometry()).united(find->geometry());
  QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(
      0, area.x() - 10, area.y() - 10, area.width() + 20, area.height() + 20);
  EXPECT_TRUE(picture.save(QString::fromLocal8Bit(shot)));
}

}  // namespace
