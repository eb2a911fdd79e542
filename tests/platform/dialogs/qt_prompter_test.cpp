#include "platform/dialogs/qt_prompter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>

#include "common/messages.h"

namespace {

struct SeenBox {
  QStringList buttons;
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QWidget* parent = nullptr;
  QString defaultButton;
};

// Waits for the message box the prompter opens, notes what it shows and
// clicks the button with the given text.
void answerNextBox(SeenBox& seen, const QString& click) {
  auto* timer = new QTimer;
  auto* clock = new QElapsedTimer;
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, clock, &seen, click] {
    QMessageBox* box = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) box = b;
    }
    if (!box) {
      if (clock->elapsed() > 10000) {  // no box came: give up rather than wait forever
        timer->stop();
        timer->deleteLater();
        delete clock;
      }
      return;
    }
    timer->stop();
    // The order the user sees: by position from the left.
    const QList<QAbstractButton*> buttons = box->buttons();
    std::vector<QAbstractButton*> ordered(buttons.begin(), buttons.end());
    std::sort(ordered.begin(), ordered.end(), [](QAbstractButton* a, QAbstractButton* b) {
      return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
    });
    for (QAbstractButton* b : ordered) seen.buttons << b->text();
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    seen.parent = box->parentWidget();
    if (box->defaultButton()) seen.defaultButton = box->defaultButton()->text();
    for (QAbstractButton* b : box->buttons()) {
      if (b->text() == click) b->click();
    }
    timer->deleteLater();
    delete clock;
  });
  timer->start(20);
}

TEST(QtPrompter, ShowsChineseButtonsInWindowsOrderAndReturnsTheClickedOne) {
  dlg::QtPrompter prompter;
  ScopedPrompter scope(prompter);
  QWidget owner;
  owner.show();
  SetMessageBoxContext(&owner, "Wrenlow", true);
  SeenBox seen;
  answerNextBox(seen, "否(&N)");
  const int answer =
      ShowMessageText("确实要删除吗？", MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON2);
  SetMessageBoxContext(nullptr, "", false);
  EXPECT_EQ(answer, IDNO);
  EXPECT_EQ(seen.buttons, (QStringList{"是(&Y)", "否(&N)", "取消"}));
  EXPECT_EQ(seen.title, "Wrenlow");
  EXPECT_EQ(seen.text, "确实要删除吗？");
  EXPECT_EQ(seen.icon, QMessageBox::Warning);
  EXPECT_EQ(seen.parent, &owner);
  EXPECT_EQ(seen.defaultButton, "否(&N)");
}

TEST(QtPrompter, AbortRetryIgnoreAndAGoneOwner) {
  dlg::QtPrompter prompter;
  ScopedPrompter scope(prompter);
  auto* gone = new QWidget;
  void* handle = gone;
  delete gone;
  SetMessageBoxContext(handle, "", false);
  SeenBox seen;
  answerNextBox(seen, "重试(&R)");
  const int answer = ShowMessageText("x", MB_ABORTRETRYIGNORE | MB_ICONERROR);
  SetMessageBoxContext(nullptr, "", false);
  EXPECT_EQ(answer, IDRETRY);
  EXPECT_EQ(seen.buttons, (QStringList{"中止(&A)", "重试(&R)", "忽略(&I)"}));
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.parent, nullptr);
  // No caption set yet (a message before the main window exists): the
  // program's title, not the executable's name that Qt would put there.
  EXPECT_EQ(seen.title, "Wrenlow");
  EXPECT_EQ(dlg::liveWidget(handle), nullptr);
}

TEST(QtPrompter, InstalledPrompterIsTheCurrentOne) {
  Prompter* before = setCurrentPrompter(nullptr);
  dlg::installQtPrompter();
  EXPECT_NE(dynamic_cast<dlg::QtPrompter*>(&currentPrompter()), nullptr);
  setCurrentPrompter(before);
}

}  // namespace
