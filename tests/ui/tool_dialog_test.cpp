// The tool dialog on a window built in the test, so that every number is the
// test's own: controls named by their ids as the template builder names them.
#include "ui/tool_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <vector>

#include "common/messages.h"
#include "ui/round_button.h"

namespace {

constexpr int kList = 102;
constexpr int kCombo = 1025;
constexpr int kEdit = 1030;
constexpr int kBrowse = 1021;

QDialog* makeWindow(QWidget* parent = nullptr, int extraButtons = 0) {
  auto* d = new QDialog(parent);
  d->resize(300, 200);
  auto* list = new QListWidget(d);
  list->setObjectName(QString::number(kList));
  list->setGeometry(10, 10, 200, 150);
  list->addItems({"one", "two", "three"});
  auto* ok = new QPushButton("确定", d);
  ok->setObjectName("1");
  ok->setGeometry(220, 10, 70, 20);
  auto* cancel = new QPushButton("取消", d);
  cancel->setObjectName("2");
  cancel->setGeometry(220, 40, 70, 20);
  auto* browse = new QPushButton("浏览(&B)...", d);
  browse->setObjectName(QString::number(kBrowse));
  browse->setGeometry(220, 70, 20, 30);  // higher than wide
  auto* combo = new QComboBox(d);
  combo->setObjectName(QString::number(kCombo));
  combo->setEditable(true);
  combo->addItems({"xyzzy", "abcdef", "abcxyz"});
  combo->setEditText(QString());
  combo->setGeometry(10, 165, 200, 24);
  auto* edit = new QLineEdit(d);
  edit->setObjectName(QString::number(kEdit));
  edit->setGeometry(220, 110, 70, 20);
  for (int i = 0; i < extraButtons; ++i) {
    auto* b = new QPushButton(QString::number(i), d);
    b->setObjectName(QString::number(2000 + i));
    b->setGeometry(10 + (i % 6) * 30, 100 + (i / 6) * 30, 28, 22);
  }
  return d;
}

// Records the virtual operations in the order they arrive.
class RecordingDialog : public CToolDialog {
 public:
  RecordingDialog(QWidget* parent = nullptr) : CToolDialog(0, parent) {}
  std::vector<std::string> calls;
  int okCount = 0;
  bool stayOpenOnFirstOk = false;
  bool refuseOk = false;
  bool withItems = true;

 protected:
  void onInit() override {
    calls.push_back("init");
    if (!withItems) return;
    addResizeItem(control(kList), 0, 1, 0, 1);   // stretches both ways
    addResizeItem(control(1), 1, 1, 0, 0);       // follows the right edge
    addResizeItem(control(kCombo), 0, 1, 1, 1);  // along the bottom, stretching
    addResizeItem(control(kEdit), 0.5f, 0.5f, 0.5f, 0.5f);
    addCompletionCombo(kCombo);
  }
  void onOK() override {
    ++okCount;
    calls.push_back("ok");
    if (stayOpenOnFirstOk && okCount == 1) stayOpen = true;
  }
  bool commandFilter(int id, int code) override {
    calls.push_back("filter " + std::to_string(id) + " " + std::to_string(code));
    return !(refuseOk && id == 1);
  }
  void onCommand(int id) override { calls.push_back("command " + std::to_string(id)); }
  void onSelChange(int id) override { calls.push_back("selchange " + std::to_string(id)); }
  void onDoubleClick(int id) override { calls.push_back("dblclk " + std::to_string(id)); }
  void onEditChange(int id) override { calls.push_back("editchange " + std::to_string(id)); }
  void onHelp(QWidget* item) override {
    calls.push_back("help " + item->objectName().toStdString());
  }
  void onContextMenu(QWidget* w) override {
    calls.push_back("context " + w->objectName().toStdString());
  }
  void onTrainingCard(int w, long l) override {
    calls.push_back("tcard " + std::to_string(w) + " " + std::to_string(l));
  }
};

bool contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

}  // namespace

TEST(ResizeItemList, GrowsByFiveAndReusesRemovedSlots) {
  ResizeItemList items;
  std::vector<QWidget> widgets(7);
  for (int i = 0; i < 5; ++i) items.add(&widgets[i], {});
  EXPECT_EQ(items.capacity(), 5);
  items.add(&widgets[5], {});
  EXPECT_EQ(items.capacity(), 10);
  EXPECT_TRUE(items.remove(&widgets[1]));
  EXPECT_FALSE(items.remove(&widgets[1]));
  ResizeItem* again = items.add(&widgets[6], {});
  EXPECT_EQ(items.capacity(), 10);
  // The new item took the emptied second slot.
  std::vector<QWidget*> order;
  items.forEach([&](ResizeItem& it) { order.push_back(it.control); });
  ASSERT_EQ(order.size(), 6u);
  EXPECT_EQ(order[1], &widgets[6]);
  EXPECT_EQ(again->control, &widgets[6]);
}

TEST(ToolDialog, ProportionalLayoutAndMinimumSize) {
  RecordingDialog dlg;
  dlg.attach(makeWindow());
  QDialog* w = dlg.window();
  EXPECT_TRUE(dlg.layoutSuppressed());  // recorded only when centred
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
  EXPECT_FALSE(dlg.layoutSuppressed());
  EXPECT_EQ(dlg.initialClientRect().size(), QSize(300, 200));
  EXPECT_EQ(w->minimumSize(), QSize(300, 200));

  w->resize(333, 207);
  QTRY_COMPARE(w->size(), QSize(333, 207));
  EXPECT_EQ(dlg.control(kList)->geometry(), QRect(10, 10, 233, 157));
  EXPECT_EQ(dlg.control(1)->geometry().topLeft(), QPoint(253, 10));
  EXPECT_EQ(dlg.control(kCombo)->geometry(), QRect(10, 172, 233, 24));
  // Halves truncate: 33 x 0.5 = 16, 7 x 0.5 = 3.
  EXPECT_EQ(dlg.control(kEdit)->geometry(), QRect(236, 113, 70, 20));

  // Shrinking below the opening size is refused; nothing moves from its recorded place.
  w->resize(250, 150);
  QTRY_COMPARE(w->size(), QSize(300, 200));
  EXPECT_EQ(dlg.control(kList)->geometry(), QRect(10, 10, 200, 150));
  EXPECT_EQ(dlg.control(1)->geometry().topLeft(), QPoint(220, 10));
}

TEST(ToolDialog, RestoreInitialLayoutAndRemovedItems) {
  RecordingDialog dlg;
  dlg.attach(makeWindow());
  QDialog* w = dlg.window();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
  w->resize(400, 260);
  QTRY_COMPARE(w->size(), QSize(400, 260));
  EXPECT_EQ(dlg.control(kList)->width(), 300);
  dlg.restoreInitialLayout();
  QTRY_COMPARE(w->size(), QSize(300, 200));
  EXPECT_EQ(dlg.control(kList)->geometry(), QRect(10, 10, 200, 150));
  EXPECT_EQ(dlg.control(1)->geometry().topLeft(), QPoint(220, 10));
  EXPECT_FALSE(dlg.layoutSuppressed());

  // A removed item stays where it is.
  dlg.removeResizeItem(dlg.control(kList));
  w->resize(350, 220);
  QTRY_COMPARE(w->size(), QSize(350, 220));
  EXPECT_EQ(dlg.control(kList)->geometry(), QRect(10, 10, 200, 150));
  EXPECT_EQ(dlg.control(1)->geometry().topLeft(), QPoint(270, 10));
}

TEST(ToolDialog, CentresOverTheParentInsideTheWorkArea) {
  QWidget parent;
  const QRect work = QApplication::primaryScreen()->availableGeometry();
  parent.setGeometry(work.right() - 150, work.top() + 100, 300, 200);
  parent.show();
  RecordingDialog dlg(&parent);
  dlg.attach(makeWindow(&parent));
  dlg.window()->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.window()));
  const QRect r = dlg.window()->frameGeometry();
  EXPECT_EQ(r.right() + 1, work.right() + 1);  // pushed left until it fits
  EXPECT_EQ(dlg.initialWindowRect().topLeft(), r.topLeft());
}

TEST(ToolDialog, TypeAheadCompletion) {
  RecordingDialog dlg;
  dlg.attach(makeWindow());
  dlg.window()->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.window()));
  auto* combo = qobject_cast<QComboBox*>(dlg.control(kCombo));
  QLineEdit* le = combo->lineEdit();
  le->setFocus();
  QTest::keyClicks(le, "ab");
  EXPECT_EQ(le->text(), QStringLiteral("abcdef"));
  EXPECT_EQ(le->selectedText(), QStringLiteral("cdef"));
  // Backspace removes the completed part and never completes again.
  QTest::keyClick(le, Qt::Key_Backspace);
  EXPECT_EQ(le->text(), QStringLiteral("ab"));
  QTest::keyClick(le, Qt::Key_Backspace);
  EXPECT_EQ(le->text(), QStringLiteral("a"));
  // Typing again completes again; no entry begins with "aq".
  QTest::keyClick(le, 'b');
  EXPECT_EQ(le->text(), QStringLiteral("abcdef"));
  le->setText(QStringLiteral("a"));
  le->setCursorPosition(1);
  QTest::keyClick(le, 'q');
  EXPECT_EQ(le->text(), QStringLiteral("aq"));
  EXPECT_TRUE(contains(dlg.calls, "editchange 1025"));
}

TEST(ToolDialog, CompletionOnlyForRegisteredCombosAndAtMostSixteen) {
  RecordingDialog dlg;
  dlg.withItems = false;
  dlg.attach(makeWindow());
  auto* le = qobject_cast<QComboBox*>(dlg.control(kCombo))->lineEdit();
  dlg.window()->show();
  le->setFocus();
  QTest::keyClicks(le, "ab");
  EXPECT_EQ(le->text(), QStringLiteral("ab"));  // not registered: no completion
  for (int i = 0; i < 16; ++i) EXPECT_EQ(dlg.addCompletionCombo(3000 + i), i);
  EXPECT_EQ(dlg.addCompletionCombo(4000), -1);
}

TEST(ToolDialog, StayOpenThenClose) {
  RecordingDialog dlg;
  dlg.stayOpenOnFirstOk = true;
  dlg.attach(makeWindow());
  bool openAfterFirst = false;
  QTimer::singleShot(0, [&] {
    qobject_cast<QPushButton*>(dlg.control(1))->click();
    openAfterFirst = dlg.window()->isVisible();
    qobject_cast<QPushButton*>(dlg.control(1))->click();
  });
  EXPECT_EQ(dlg.DoModal(), 1);
  EXPECT_TRUE(openAfterFirst);
  EXPECT_EQ(dlg.okCount, 2);
  EXPECT_FALSE(dlg.stayOpen);
  EXPECT_EQ(dlg.window(), nullptr);  // the window lives only inside DoModal
}

TEST(ToolDialog, CancelEscapeAndIgnoreCancel) {
  {
    RecordingDialog dlg;
    dlg.attach(makeWindow());
    QTimer::singleShot(0, [&] { QTest::keyClick(dlg.window(), Qt::Key_Escape); });
    EXPECT_EQ(dlg.DoModal(), 2);
  }
  {
    RecordingDialog dlg;
    dlg.ignoreCancel = true;
    dlg.attach(makeWindow());
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
      QTest::keyClick(dlg.window(), Qt::Key_Escape);
      qobject_cast<QPushButton*>(dlg.control(2))->click();
      dlg.window()->close();
      stillOpen = dlg.window()->isVisible();
      dlg.endDialog(7);
    });
    EXPECT_EQ(dlg.DoModal(), 7);
    EXPECT_TRUE(stillOpen);
  }
}

TEST(ToolDialog, CommandFilterStopsAllHandling) {
  RecordingDialog dlg;
  dlg.refuseOk = true;
  dlg.attach(makeWindow());
  dlg.window()->show();
  qobject_cast<QPushButton*>(dlg.control(1))->click();
  EXPECT_TRUE(dlg.window()->isVisible());
  EXPECT_EQ(dlg.okCount, 0);
  EXPECT_FALSE(contains(dlg.calls, "command 1"));
  EXPECT_TRUE(contains(dlg.calls, "filter 1 0"));
}

TEST(ToolDialog, VirtualOperationsFedFromSignals) {
  QWidget parent;
  parent.show();
  RecordingDialog dlg(&parent);
  dlg.attach(makeWindow(&parent));
  QDialog* w = dlg.window();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w));

  qobject_cast<QPushButton*>(dlg.control(kBrowse))->click();
  // Button click: the filter first, then on command.
  auto it = std::find(dlg.calls.begin(), dlg.calls.end(), "filter 1021 0");
  ASSERT_NE(it, dlg.calls.end());
  EXPECT_EQ(*(it + 1), "command 1021");

  auto* list = qobject_cast<QListWidget*>(dlg.control(kList));
  list->setCurrentRow(1);
  EXPECT_TRUE(contains(dlg.calls, "selchange 102"));
  emit list->itemDoubleClicked(list->item(1));
  EXPECT_TRUE(contains(dlg.calls, "dblclk 102"));

  qobject_cast<QLineEdit*>(dlg.control(kEdit))->setText("x");
  EXPECT_TRUE(contains(dlg.calls, "filter 1030 768"));
  EXPECT_TRUE(contains(dlg.calls, "editchange 1030"));

  auto* combo = qobject_cast<QComboBox*>(dlg.control(kCombo));
  emit combo->activated(1);
  EXPECT_TRUE(contains(dlg.calls, "selchange 1025"));

  // F1 asks about the window's own focus control, which setFocus records
  // whether or not the window is active (on a display without a window
  // manager another test's window may hold the input focus).
  dlg.control(kEdit)->setFocus();
  ASSERT_EQ(w->focusWidget(), dlg.control(kEdit));
  QTest::keyClick(w, Qt::Key_F1);
  EXPECT_TRUE(contains(dlg.calls, "help 1030"));

  QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(250, 20),
                         w->mapToGlobal(QPoint(250, 20)));
  QApplication::sendEvent(w, &menu);
  EXPECT_TRUE(contains(dlg.calls, "context 1"));

  dlg.trainingCard(12, 34);
  EXPECT_TRUE(contains(dlg.calls, "tcard 12 34"));
}

TEST(ToolDialog, DoModalGivesFocusBackToTheParent) {
  QWidget parent;
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  RecordingDialog dlg(&parent);
  dlg.attach(makeWindow(&parent));
  QTimer::singleShot(0, [&] { qobject_cast<QPushButton*>(dlg.control(2))->click(); });
  EXPECT_EQ(dlg.DoModal(), 2);
  QTRY_VERIFY(parent.isActiveWindow());
}

TEST(ToolDialog, PaintedRoundButtonsAtMostTen) {
  RecordingDialog dlg;
  dlg.attach(makeWindow(nullptr, 12));
  EXPECT_EQ(dlg.paintedButtonCount(), CToolDialog::kMaxPaintedButtons);
  // The first buttons are the template's: OK, Cancel, Browse.
  EXPECT_EQ(dlg.paintedButton(0)->button(), dlg.control(1));
  // Browse was higher than wide: now a 20 x 20 circle with a round region.
  QWidget* browse = dlg.control(kBrowse);
  EXPECT_EQ(browse->size(), QSize(20, 20));
  EXPECT_FALSE(dlg.paintedButton(2)->geometry().wide);
  EXPECT_FALSE(browse->mask().contains(QPoint(0, 0)));
  EXPECT_TRUE(browse->mask().contains(QPoint(10, 10)));
  // The eleventh and later push buttons stay ordinary.
  EXPECT_TRUE(dlg.control(2009)->mask().isEmpty());
  EXPECT_FALSE(dlg.control(2006)->mask().isEmpty());
}

TEST(ToolDialog, MissingTemplateMakesDoModalFail) {
  CToolDialog dlg(31999, nullptr);
  EXPECT_EQ(dlg.DoModal(), -1);
}

namespace {

class OwnerRecorder : public Prompter {
 public:
  std::string text;
  void* owner = nullptr;
  unsigned flags = 0;
  int ask(std::string_view t, unsigned f) override {
    text = t;
    flags = f;
    owner = currentMessageOwner();
    return IDRETRY;
  }
};

}  // namespace

TEST(ToolDialog, DialogMessageIsOwnedByTheDialog) {
  OwnerRecorder rec;
  ScopedPrompter scope(rec);
  RecordingDialog dlg;
  dlg.attach(makeWindow());
  EXPECT_EQ(dlg.showDialogMessage(20482, "a.chm", MB_RETRYCANCEL), IDRETRY);
  EXPECT_EQ(rec.text, "不能打开“a.chm”。");
  EXPECT_EQ(rec.owner, dlg.window());
  EXPECT_EQ(rec.flags, MB_RETRYCANCEL);
  EXPECT_EQ(dlg.getControlText(kEdit), "");
  qobject_cast<QLineEdit*>(dlg.control(kEdit))->setText(QStringLiteral("目标"));
  EXPECT_EQ(dlg.getControlText(kEdit), "目标");
  EXPECT_EQ(dlg.getControlText(1), "确定");
}
