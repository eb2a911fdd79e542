// The tip panel on real windows with a recording page host, and the anchored
// dialog's layout, Apply and validation.
#include "ui/tip_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>

#include "common/prompt.h"
#include "res/ids.h"
#include "res/strings.h"
#include "ui/flex_dialog.h"

namespace {

struct PaneLog {
  bool helpFileLoads = true;
  std::string helpFile;
  QRect rect;
  unsigned mask = 0;
  bool captions = false;
  int homes = 0;
  std::vector<int> commands;
};

class RecordingPane : public ui::TipPane {
 public:
  explicit RecordingPane(PaneLog& log) : log_(log) {}
  ~RecordingPane() override {
    delete page_.data();
    delete bar_.data();
  }
  bool setHelpFile(const std::string& name) override {
    log_.helpFile = name;
    return log_.helpFileLoads;
  }
  bool create(QWidget* parent, const QRect& rect, unsigned mask, const ui::TipHome&,
              bool captions) override {
    log_.rect = rect;
    log_.mask = mask;
    log_.captions = captions;
    bar_ = new QWidget(parent);
    bar_->setGeometry(rect.left(), rect.top(), rect.width(), 28);
    page_ = new QWidget(parent);
    page_->setGeometry(rect.adjusted(0, 30, 0, 0));
    return true;
  }
  void navigateHome() override { ++log_.homes; }
  QWidget* window() const override { return page_; }
  QWidget* toolBar() const override { return bar_; }
  void toolbarCommand(int id) override { log_.commands.push_back(id); }

 private:
  PaneLog& log_;
  QPointer<QWidget> page_, bar_;
};

class TipDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::setTipPaneFactory([this] { return std::make_unique<RecordingPane>(log); });
  }
  void TearDown() override { ui::setTipPaneFactory({}); }
  PaneLog log;
};

// The create-ITS template (fixed size) as a tip dialog.
class FixedTipDialog : public CTipDialog {
 public:
  FixedTipDialog() : CTipDialog(IDD_CREATE_ITS) { centreOnOpen = false; }
  void press(int id) { command(id, kClicked); }
};

QString buttonText(CToolDialog& d) {
  return static_cast<QPushButton*>(d.control(IDC_TIPS))->text();
}

QRect work() { return QApplication::primaryScreen()->availableGeometry(); }

TEST_F(TipDialogTest, OpenThenCloseRestoresWidthAndControls) {
  FixedTipDialog d;
  ASSERT_TRUE(d.create());
  d.window()->move(work().left(), work().top() + 20);
  d.window()->show();
  const QSize before = d.window()->size();
  const QRect okBefore = d.control(IDOK)->geometry();

  d.press(IDC_TIPS);
  ASSERT_TRUE(d.panelOpen());
  EXPECT_EQ(log.helpFile, "Wrenlow.chm");
  EXPECT_EQ(log.mask, 3u);
  EXPECT_TRUE(log.captions);
  EXPECT_EQ(log.homes, 1);
  EXPECT_EQ(log.rect,
            QRect(QPoint(before.width(), 2), QPoint(before.width() + 299, before.height() - 13)));
  EXPECT_EQ(d.window()->size(), QSize(before.width() + 306, before.height()));
  EXPECT_EQ(d.window()->pos(), QPoint(work().left(), work().top() + 20));
  EXPECT_EQ(buttonText(d), QString::fromUtf8(LoadStr(IDS_HIDE_HELP)));

  // Tool-bar commands go to the pane and do not reach on-command.
  d.press(0xFF01);
  EXPECT_EQ(log.commands, std::vector<int>{0xFF01});

  d.press(IDC_TIPS);
  EXPECT_FALSE(d.panelOpen());
  EXPECT_EQ(d.tipControl(), nullptr);
  EXPECT_EQ(d.window()->size(), before);
  EXPECT_EQ(d.control(IDOK)->geometry(), okBefore);
  EXPECT_EQ(buttonText(d), QString::fromUtf8(LoadStr(IDS_SHOW_HELP)));
  EXPECT_TRUE(d.resizeItems().empty());
}

TEST_F(TipDialogTest, NearTheRightEdgeMovesLeftByTheOverlapPlusTwo) {
  FixedTipDialog d;
  ASSERT_TRUE(d.create());
  d.window()->show();
  const int width = d.window()->frameGeometry().width();
  const int left = work().right() + 1 - width - 50;  // 50 pixels of room, 256 missing
  d.window()->move(left, work().top() + 10);
  d.press(IDC_TIPS);
  ASSERT_TRUE(d.panelOpen());
  EXPECT_EQ(d.window()->x(), left - (306 - 50) - 2);
  EXPECT_EQ(d.window()->frameGeometry().right() + 1, work().right() + 1 - 2);
}

TEST_F(TipDialogTest, UnloadableHelpFileLeavesThePanelClosed) {
  log.helpFileLoads = false;
  FixedTipDialog d;
  ASSERT_TRUE(d.create());
  const QSize before = d.window()->size();
  d.press(IDC_TIPS);
  EXPECT_FALSE(d.panelOpen());
  EXPECT_EQ(d.window()->size(), before);
  EXPECT_EQ(buttonText(d), QString::fromUtf8(LoadStr(IDS_SHOW_HELP)));
}

// A resizable dialog with a control on the right edge: the pane stretches
// while open, and closing after an enlargement still takes the pane off whole.
class ResizableTipDialog : public CTipDialog {
 public:
  ResizableTipDialog() : CTipDialog(0) { centreOnOpen = false; }
  void press(int id) { command(id, kClicked); }

 protected:
  void onInit() override { addResizeItem(control(IDOK), 1, 1, 0, 0); }
};

TEST_F(TipDialogTest, ResizableDialogGrowsThePaneAndShrinksBack) {
  auto* w = new QDialog;
  w->resize(400, 200);
  auto* ok = new QPushButton("确定", w);
  ok->setObjectName("1");
  ok->setGeometry(320, 10, 70, 24);
  auto* tips = new QPushButton("显示帮助(&H) >>", w);
  tips->setObjectName(QString::number(IDC_TIPS));
  tips->setGeometry(320, 40, 70, 24);
  ResizableTipDialog d;
  d.attach(w);
  w->move(work().topLeft() + QPoint(10, 10));
  w->show();

  d.press(IDC_TIPS);
  ASSERT_TRUE(d.panelOpen());
  EXPECT_EQ(ok->geometry(), QRect(320, 10, 70, 24));
  w->resize(706 + 40, 230);
  // The wait ends early only on success; the checks below tell a timeout.
  (void)QTest::qWaitFor([&] { return ok->x() != 320; });
  EXPECT_EQ(d.tipControl()->window()->width(), 340);
  EXPECT_EQ(d.tipControl()->toolBar()->height(), 28);  // stretches across only
  EXPECT_EQ(ok->x(), 360);

  d.press(IDC_TIPS);
  EXPECT_EQ(w->size(), QSize(400, 230));
  EXPECT_EQ(ok->geometry(), QRect(320, 10, 70, 24));
  // The opening size is again the one before the panel: growing moves OK.
  w->resize(420, 230);
  (void)QTest::qWaitFor([&] { return ok->x() != 320; });
  EXPECT_EQ(ok->x(), 340);
}

// ---------------------------------------------------------------------------

class FlexTest : public CNSFlexDialog {
 public:
  FlexTest() : CNSFlexDialog(IDD_COMPONENTS, nullptr, 7) {}
  bool valid = true;
  int validated = -1;
  using CNSFlexDialog::onApply;

 protected:
  bool OnInitDialog() override {
    CNSFlexDialog::OnInitDialog();
    addControl(IDC_LIST, Anchor::stretch(), Anchor::stretch());
    addControl(IDCANCEL, Anchor::move(), Anchor::move());
    addControl(IDC_EXPLORE, Anchor::fixed(), Anchor::move());
    addControl(IDC_DELETE, Anchor(0.5f, 0.5f), Anchor::fixed());
    addControl(4242, Anchor::move(), Anchor::move());  // no such control
    return true;
  }
  bool Validate(int argument) override {
    validated = argument;
    return valid;
  }
};

TEST(FlexDialog, AnchorsMoveControlsByTheGrowth) {
  FlexTest d;
  ASSERT_TRUE(d.create());
  d.show();
  const QRect list = d.control(IDC_LIST)->geometry();
  const QRect close = d.control(IDCANCEL)->geometry();
  const QRect explore = d.control(IDC_EXPLORE)->geometry();
  const QRect del = d.control(IDC_DELETE)->geometry();
  const QSize start = d.size();

  // A shown window hears of its new size from the X server later.
  d.resize(start.width() + 101, start.height() + 40);
  (void)QTest::qWaitFor([&] { return d.control(IDC_LIST)->geometry() != list; });
  EXPECT_EQ(d.control(IDC_LIST)->geometry(), list.adjusted(0, 0, 101, 40));
  EXPECT_EQ(d.control(IDCANCEL)->geometry(), close.translated(101, 40));
  EXPECT_EQ(d.control(IDC_EXPLORE)->geometry(), explore.translated(0, 40));
  EXPECT_EQ(d.control(IDC_DELETE)->geometry(), del.translated(50, 0));  // 50.5 truncated

  // Smaller than the opening size counts as no growth.
  QResizeEvent shrink(QSize(start.width() - 50, start.height() - 50), d.size());
  QApplication::sendEvent(&d, &shrink);
  EXPECT_EQ(d.control(IDC_LIST)->geometry(), list);
}

TEST(FlexDialog, ApplyAndOkRunValidation) {
  FlexTest d;
  auto* apply = new QPushButton("应用", &d);
  apply->setObjectName(QString::number(CNSFlexDialog::kApplyId));
  ASSERT_TRUE(d.create());
  EXPECT_FALSE(apply->isEnabled());
  d.setModified(true);
  EXPECT_TRUE(apply->isEnabled());

  d.valid = false;
  apply->click();
  EXPECT_EQ(d.validated, 7);
  EXPECT_TRUE(d.modified());
  d.valid = true;
  d.setValidationArgument(9);
  apply->click();
  EXPECT_EQ(d.validated, 9);
  EXPECT_FALSE(apply->isEnabled());

  d.valid = false;
  d.show();
  d.accept();
  EXPECT_TRUE(d.isVisible());
  d.valid = true;
  d.accept();
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST(FlexDialog, UnknownTemplate) {
  CNSFlexDialog d(9999);
  EXPECT_FALSE(d.create());
  EXPECT_EQ(d.DoModal(), -1);
}

}  // namespace

// The stand-in page host on a real compiled file: the home page, a relative
// link inside the file and Back.
TEST(StandInTipPane, ShowsPagesOfTheHelpFileAndGoesBack) {
  std::unique_ptr<ui::TipPane> pane = ui::makeTipPane();
  // A name found nowhere (Wrenlow.chm itself is found in the build folder).
  EXPECT_FALSE(pane->setHelpFile("/nonexistent/NoSuchHelpFile.chm"));
  ASSERT_TRUE(pane->setHelpFile(WRENLOW_CORPUS_DIR "/7zcn_7-zip.chm"));
  QWidget host;
  ASSERT_TRUE(pane->create(&host, QRect(0, 2, 300, 400), ui::kTipButtonsHomeBack,
                           {"/cmdline/index.htm", 0}, true));
  ASSERT_NE(pane->toolBar(), nullptr);
  EXPECT_EQ(pane->window()->y(), 2 + 43 + 2);
  pane->navigateHome();
  auto* page = qobject_cast<QTextBrowser*>(pane->window());
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(page->toPlainText().startsWith("命令行版本用户手册"));
  emit page->anchorClicked(QUrl("syntax.htm"));
  EXPECT_TRUE(page->toPlainText().startsWith("语法"));
  pane->toolbarCommand(ui::kTipFirstCommand + 1);
  EXPECT_TRUE(page->toPlainText().startsWith("命令行版本用户手册"));
}
