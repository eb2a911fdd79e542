// The hover hook tells a window which of its controls the mouse is over.
#include "ui/hover_hook.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <vector>

namespace {

class Watched : public QWidget {
 public:
  std::vector<std::pair<QWidget*, QEvent::Type>> hovers;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == kHoverEventType) {
      auto* h = static_cast<HoverEvent*>(e);
      hovers.emplace_back(h->target(), h->mouseEvent());
      return true;
    }
    return QWidget::event(e);
  }
};

void mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button = Qt::NoButton) {
  QMouseEvent e(type, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), button, button, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

TEST(HoverHook, ReportsControlsOfTheWindowOnly) {
  Watched window;
  auto* inner = new QWidget(&window);
  auto* edit = new QLineEdit(inner);  // a grandchild counts too
  auto* button = new QPushButton(&window);
  QWidget outside;

  ASSERT_TRUE(InstallHoverHook(&window));
  mouse(edit, QEvent::MouseMove);
  mouse(button, QEvent::MouseButtonPress, Qt::LeftButton);
  mouse(button, QEvent::MouseButtonRelease, Qt::RightButton);
  mouse(button, QEvent::MouseButtonPress, Qt::MiddleButton);  // not a hooked button
  mouse(&window, QEvent::MouseMove);                          // the window itself
  mouse(&outside, QEvent::MouseMove);
  ASSERT_EQ(window.hovers.size(), 3u);
  EXPECT_EQ(window.hovers[0], std::make_pair(static_cast<QWidget*>(edit), QEvent::MouseMove));
  EXPECT_EQ(window.hovers[1].first, button);
  EXPECT_EQ(window.hovers[2].second, QEvent::MouseButtonRelease);

  RemoveHoverHook();
  EXPECT_EQ(hoverHookWindow(), nullptr);
  mouse(edit, QEvent::MouseMove);
  EXPECT_EQ(window.hovers.size(), 3u);
}

}  // namespace
