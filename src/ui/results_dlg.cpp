#include "ui/results_dlg.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTextEdit>
#include <QTextOption>
#include <algorithm>
#include <iterator>

#include "common/messages.h"
#include "platform/dialogs/file_dialog_fit.h"
#include "platform/system/atomic_file.h"
#include "res/ids.h"
#include "res/menus.h"
#include "res/strings.h"
#include "ui/round_button.h"
#include "ui/template_window.h"

namespace {

constexpr int kTemplate = IDD_RESULTS;
constexpr int kProgress = IDC_RESULTS_PROGRESS;
constexpr int kText = IDC_RESULTS_TEXT;
constexpr int kStatus = IDC_RESULTS_STATUS;
constexpr int kClose = IDOK;

// Report lines are tab-separated columns: a file name, its sizes before and
// after, the bytes saved and the percentage. The tab stops are never closer
// than these widths in digits, and move right when a column of a
// line already shown is wider, so that the columns of all lines line up.
constexpr int kMinColumnChars[] = {24, 22, 26};
constexpr int kOtherColumnChars = 8;
constexpr int kColumnGapChars = 2;

}  // namespace

CResultsDlg::CResultsDlg(QWidget* parent) : parent_(parent) {}

CResultsDlg::~CResultsDlg() {
  if (window_) delete window_.data();
}

bool CResultsDlg::create() {
  bool thickFrame = false;
  QDialog* w = ui::buildTemplateWindow(kTemplate, parent_, &thickFrame);
  if (!w) return false;
  window_ = w;
  // A caption but no system menu: no close box, though the window manager's
  // close request (Alt+F4) still arrives as a close event.
  w->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  w->setFixedSize(w->size());
  text_ = w->findChild<QWidget*>(QString::number(kText));
  // One report line is one line on the screen: no wrapping, scrolled sideways.
  if (auto* plain = qobject_cast<QPlainTextEdit*>(text_)) {
    plain->setLineWrapMode(QPlainTextEdit::NoWrap);
    plain->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    fitTabStops(QString());
  }
  bar_ = w->findChild<QProgressBar*>(QString::number(kProgress));
  close_ = w->findChild<QPushButton*>(QString::number(kClose));
  status_ = w->findChild<QLabel*>(QString::number(kStatus));
  if (status_) statusPrefix_ = status_->text().toStdString() + " ";
  if (bar_) {
    bar_->setRange(0, 100);
    bar_->setValue(0);
  }
  if (close_) {
    rndClose_ = new CRndBtn(this);
    rndClose_->attach(close_);
    connect(close_, &QPushButton::clicked, this, [this] {
      if (!running_ && window_) {
        ending_ = true;
        window_->done(kClose);
        ending_ = false;
      }
    });
  }
  // The main window's key for command 1018 reaches the modal dialog here.
  for (const res::Accelerator& a : res::findAccelerators(IDR_MAINFRAME)) {
    if (a.command != ID_SAVE_RESULTS) continue;
    Qt::KeyboardModifiers mods;
    if (a.modifiers & res::accel::CONTROL) mods |= Qt::ControlModifier;
    if (a.modifiers & res::accel::SHIFT) mods |= Qt::ShiftModifier;
    if (a.modifiers & res::accel::ALT) mods |= Qt::AltModifier;
    auto* save = new QShortcut(QKeySequence(QKeyCombination(mods, Qt::Key(a.key))), w);
    save->setObjectName(QString::number(ID_SAVE_RESULTS));
    connect(save, &QShortcut::activated, this, [this] {
      if (!running_) saveResults();
    });
  }
  w->installEventFilter(this);
  return true;
}

int CResultsDlg::DoModal() {
  if (!window_ && !create()) return -1;
  const int code = window_->exec();
  delete window_.data();
  text_ = nullptr;
  bar_ = nullptr;
  close_ = nullptr;
  status_ = nullptr;
  if (parent_) {
    parent_->activateWindow();
    parent_->setFocus();
  }
  return code == kClose ? kClose : IDCANCEL;
}

void CResultsDlg::insertText(const QString& text) {
  if (auto* plain = qobject_cast<QPlainTextEdit*>(text_)) {
    plain->moveCursor(QTextCursor::End);
    plain->ensureCursorVisible();
    plain->insertPlainText(text);
    plain->moveCursor(QTextCursor::End);
    plain->ensureCursorVisible();
  } else if (auto* rich = qobject_cast<QTextEdit*>(text_)) {
    rich->moveCursor(QTextCursor::End);
    rich->ensureCursorVisible();
    rich->insertPlainText(text);
    rich->moveCursor(QTextCursor::End);
    rich->ensureCursorVisible();
  }
}

void CResultsDlg::appendLine(std::string_view line) {
  lastLine_ = line;
  report_.append(line);
  report_ += "\r\n";
  // The text box keeps lines without carriage returns.
  QString shown = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
  shown.remove(QLatin1Char('\r'));
  fitTabStops(shown);
  insertText(shown);
  insertText(QStringLiteral("\n"));
}

void CResultsDlg::fitTabStops(const QString& text) {
  auto* plain = qobject_cast<QPlainTextEdit*>(text_);
  if (!plain) return;
  const QFontMetrics metrics(plain->font());
  // The width of a digit: a CJK font's average character is an ideograph,
  // twice as wide as the digits and Latin names that fill the columns.
  const int average = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
  bool wider = columnWidths_.empty();
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    const QStringList fields = line.split(QLatin1Char('\t'));
    // The last field ends the line: it needs no stop.
    for (qsizetype i = 0; i + 1 < fields.size(); ++i) {
      const int width = metrics.horizontalAdvance(fields[i]);
      const auto column = static_cast<std::size_t>(i);
      if (column >= columnWidths_.size()) columnWidths_.resize(column + 1, 0);
      if (width > columnWidths_[column]) {
        columnWidths_[column] = width;
        wider = true;
      }
    }
  }
  if (!wider) return;
  QList<QTextOption::Tab> tabs;
  qreal position = 0;
  const std::size_t columns = std::max(columnWidths_.size(), std::size(kMinColumnChars));
  for (std::size_t i = 0; i < columns; ++i) {
    const int minimum =
        (i < std::size(kMinColumnChars) ? kMinColumnChars[i] : kOtherColumnChars) * average;
    const int measured = i < columnWidths_.size() ? columnWidths_[i] : 0;
    position += std::max(minimum, measured + kColumnGapChars * average);
    tabs.append(QTextOption::Tab(position, QTextOption::LeftTab));
  }
  QTextOption option = plain->document()->defaultTextOption();
  option.setTabs(tabs);
  option.setWrapMode(QTextOption::NoWrap);
  plain->document()->setDefaultTextOption(option);
}

std::vector<qreal> CResultsDlg::tabStops() const {
  std::vector<qreal> out;
  if (auto* plain = qobject_cast<QPlainTextEdit*>(text_))
    for (const QTextOption::Tab& tab : plain->document()->defaultTextOption().tabs())
      out.push_back(tab.position);
  return out;
}

std::string CResultsDlg::shownText() const {
  if (auto* plain = qobject_cast<QPlainTextEdit*>(text_)) return plain->toPlainText().toStdString();
  if (auto* rich = qobject_cast<QTextEdit*>(text_)) return rich->toPlainText().toStdString();
  return {};
}

bool CResultsDlg::saveResults() {
  if (!window_) return false;
  QFileDialog dialog(window_, QString::fromUtf8(LoadStr(ID_SAVE_RESULTS)));
  dialog.setObjectName(QStringLiteral("SaveResults"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QString::fromUtf8(LoadStr(IDS_RESULTS_FILE_FILTER)));
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  dlg::fitFileDialogColumns(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  const QString path = dialog.selectedFiles().constFirst();
  // Written whole or not at all: a failed save never leaves half a file in
  // place of one the user had, and a read-only file is left alone.
  const std::string local = QFile::encodeName(path).toStdString();
  std::string text = shownText();
  if (!text.empty() && text.back() != '\n') text += '\n';
  if (!sysfile::writeFileAtomically(local, text)) {
    ShowFormattedMessage(sysfile::isReadOnly(local) ? IDS_FILE_READ_ONLY : IDS_CANNOT_CREATE_FILE,
                         local, MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}

void CResultsDlg::setRange(int lower, int upper) {
  if (!bar_) return;
  // An empty range would turn Qt's bar into a busy indicator; keep it still.
  if (upper <= lower) {
    bar_->setRange(0, 1);
    bar_->setValue(0);
  } else {
    bar_->setRange(lower, upper);
    bar_->setValue(lower);
  }
  stepSize_ = 1;
}

void CResultsDlg::setStatus(std::string_view item) {
  if (status_) status_->setText(QString::fromStdString(statusPrefix_ + std::string(item)));
}

void CResultsDlg::pump() {
  if (bar_) {
    // A step past the end starts the bar over, as a progress control does.
    int v = bar_->value() + stepSize_;
    if (v > bar_->maximum()) v = bar_->minimum() + (v - bar_->maximum()) - 1;
    bar_->setValue(v);
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool CResultsDlg::belongsToWindow(QObject* o) const {
  for (; o; o = o->parent())
    if (o == window_) return true;
  return false;
}

void CResultsDlg::startRun() {
  if (!window_) return;
  running_ = true;
  qApp->installEventFilter(this);
  Run();
  qApp->removeEventFilter(this);
  running_ = false;
  // An operation that reports its own cancellation (the same line, for the
  // command line) must not get it twice.
  if (cancelled_ && lastLine_ != LoadStr(IDS_CANCELLED_LINE))
    appendLine(LoadStr(IDS_CANCELLED_LINE));
  if (close_) close_->show();
  if (closePending_ && window_) {
    ending_ = true;
    window_->done(IDCANCEL);
    ending_ = false;
  }
}

bool CResultsDlg::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (running_ && (type == QEvent::KeyPress || type == QEvent::ShortcutOverride) &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && belongsToWindow(watched)) {
    if (type == QEvent::KeyPress) cancelled_ = true;
    return true;
  }
  if (watched != window_) return false;
  if (type == QEvent::Paint && !ran_) {
    // The first paint starts the operation, once; it runs right after this
    // paint has been delivered so that the dialog is on the screen meanwhile.
    ran_ = true;
    if (close_) close_->hide();
    QMetaObject::invokeMethod(this, &CResultsDlg::startRun, Qt::QueuedConnection);
    return false;
  }
  if (type == QEvent::Close && !ending_) {
    cancelled_ = true;
    if (running_) {
      closePending_ = true;
    } else {
      ending_ = true;
      window_->done(IDCANCEL);
      ending_ = false;
    }
    event->ignore();
    return true;
  }
  if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
      !running_) {
    ending_ = true;
    window_->done(IDCANCEL);
    ending_ = false;
    return true;
  }
  return false;
}
