#include "platform/dialogs/qt_prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <utility>
#include <vector>

#include "common/messages.h"
#include "common/out_of_memory.h"
#include "res/ids.h"
#include "res/strings.h"

namespace dlg {

namespace {

QMessageBox::Icon iconFor(unsigned flags) {
  switch (flags & MB_ICONMASK) {
    case MB_ICONERROR:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONWARNING:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// The button Escape (and the title bar's close button) stands for, as in
// Windows: Cancel when there is one, OK when it is alone, else none.
int escapeButtonFor(const std::vector<int>& ids) {
  for (int id : ids) {
    if (id == IDCANCEL) return IDCANCEL;
  }
  return ids.size() == 1 && ids.front() == IDOK ? IDOK : 0;
}

void closeOwner(void* owner) {
  if (QWidget* w = liveWidget(owner)) w->close();
}

}  // namespace

QWidget* liveWidget(void* handle) {
  if (!handle || !qApp) return nullptr;
  const QWidgetList widgets = QApplication::allWidgets();
  for (QWidget* w : widgets) {
    if (static_cast<void*>(w) == handle) return w;
  }
  return nullptr;
}

int QtPrompter::ask(std::string_view text, unsigned flags) {
  if (!qApp) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    return defaultMessageButton(flags);
  }
  QMessageBox box(liveWidget(currentMessageOwner()));
  box.setIcon(iconFor(flags));
  // Before the main window names the program (a message at start-up, or
  // the viewer started on a file) the caption is still the program's title.
  const std::string& caption = messageBoxContext().caption;
  box.setWindowTitle(
      QString::fromStdString(caption.empty() ? LoadStr(AFX_IDS_APP_TITLE) : caption));
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));

  const std::vector<int> ids = messageButtons(flags);
  const int defaultId = defaultMessageButton(flags);
  const int escapeId = escapeButtonFor(ids);
  std::vector<std::pair<QAbstractButton*, int>> buttons;
  for (int id : ids) {
    // One role for all keeps the buttons in the order they were added.
    QPushButton* button =
        box.addButton(QString::fromStdString(messageButtonText(id)), QMessageBox::ActionRole);
    button->setProperty("buttonId", id);
    buttons.emplace_back(button, id);
    if (id == defaultId) box.setDefaultButton(button);
    if (id == escapeId) box.setEscapeButton(button);
  }
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const auto& [button, id] : buttons) {
    if (button == clicked) return id;
  }
  // Closed without a button (the box or its owner went away).
  return escapeId != 0 ? escapeId : defaultId;
}

void installQtPrompter() {
  static QtPrompter prompter;
  setCurrentPrompter(&prompter);
  setOutOfMemoryCloseOwner(closeOwner);
}

}  // namespace dlg
