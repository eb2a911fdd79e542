#include "platform/dialogs/dialog_builder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTreeWidget>
#include <cstdint>
#include <vector>

#include "res/bitmaps.h"
#include "res/ids.h"

namespace dlg {

namespace {

using res::ControlKind;
using res::ControlTemplate;
namespace st = res::style;

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

bool has(std::uint32_t style, std::uint32_t bits) { return (style & bits) == bits; }

// Windows' MulDiv: a × b / c rounded to the nearest integer, halves away from 0.
int mulDiv(int a, int b, int c) {
  const long long p = static_cast<long long>(a) * b;
  const long long q = p >= 0 ? (p + c / 2) / c : (p - c / 2) / c;
  return static_cast<int>(q);
}

// A text with its "&" mnemonic marks taken out ("&&" is a literal "&").
QString withoutMnemonics(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

// Whether a control of this kind can take the keyboard focus at all.
bool focusable(ControlKind kind) {
  switch (kind) {
    case ControlKind::Static:
    case ControlKind::GroupBox:
    case ControlKind::Progress:
    case ControlKind::Icon:
      return false;
    default:
      return true;
  }
}

QWidget* makeStatic(const ControlTemplate& c, QWidget* parent) {
  auto* label = new QLabel(parent);
  // Windows statics wrap at word breaks and draw from the top.
  label->setWordWrap(true);
  Qt::Alignment align = Qt::AlignTop | Qt::AlignLeft;
  if (has(c.style, st::SS_CENTER)) align = Qt::AlignTop | Qt::AlignHCenter;
  if (has(c.style, st::SS_RIGHT)) align = Qt::AlignTop | Qt::AlignRight;
  label->setAlignment(align);
  if (has(c.style, st::SS_SUNKEN)) {
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  } else if (has(c.style, st::WS_BORDER)) {
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
  }
  label->setTextFormat(Qt::PlainText);
  label->setText(QString::fromUtf8(c.text ? c.text : ""));
  return label;
}

QWidget* makeEdit(const ControlTemplate& c, QWidget* parent) {
  const QString text = QString::fromUtf8(c.text ? c.text : "");
  if (has(c.style, st::ES_MULTILINE)) {
    auto* edit = new QPlainTextEdit(parent);
    edit->setPlainText(text);
    edit->setReadOnly(has(c.style, st::ES_READONLY));
    edit->setVerticalScrollBarPolicy(has(c.style, st::WS_VSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                  : Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(has(c.style, st::WS_HSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                    : Qt::ScrollBarAlwaysOff);
    // A multi-line edit wraps its lines unless it scrolls sideways.
    const bool scrollsSideways = has(c.style, st::WS_HSCROLL) || has(c.style, st::ES_AUTOHSCROLL);
    edit->setLineWrapMode(scrollsSideways ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    if (!has(c.style, st::WS_BORDER)) edit->setFrameStyle(QFrame::NoFrame);
    return edit;
  }
  auto* edit = new QLineEdit(text, parent);
  edit->setReadOnly(has(c.style, st::ES_READONLY));
  edit->setFrame(has(c.style, st::WS_BORDER));
  if (has(c.style, st::ES_PASSWORD)) edit->setEchoMode(QLineEdit::Password);
  if (has(c.style, st::ES_NUMBER)) {
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
  }
  return edit;
}

QWidget* makeCombo(const ControlTemplate& c, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  // CBS_DROPDOWNLIST (3) contains the CBS_DROPDOWN bit (2); only the former is a pure list.
  const bool listOnly = (c.style & 0x3) == st::CBS_DROPDOWNLIST;
  combo->setEditable(!listOnly);
  combo->setInsertPolicy(QComboBox::NoInsert);
  if (has(c.style, st::CBS_SORT)) combo->setInsertPolicy(QComboBox::InsertAlphabetically);
  return combo;
}

QWidget* makeListBox(const ControlTemplate& c, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setSortingEnabled(has(c.style, st::LBS_SORT));
  if (has(c.style, st::LBS_NOSEL)) {
    list->setSelectionMode(QAbstractItemView::NoSelection);
  } else if (has(c.style, st::LBS_EXTENDEDSEL)) {
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  } else {
    list->setSelectionMode(QAbstractItemView::SingleSelection);
  }
  return list;
}

// List views are report lists here: a QTreeWidget without a root decoration.
QWidget* makeListView(const ControlTemplate& c, QWidget* parent) {
  auto* view = new QTreeWidget(parent);
  view->setRootIsDecorated(false);
  view->setUniformRowHeights(true);
  view->setAllColumnsShowFocus(true);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(has(c.style, st::LVS_SINGLESEL) ? QAbstractItemView::SingleSelection
                                                         : QAbstractItemView::ExtendedSelection);
  view->setHeaderHidden(!has(c.style, st::LVS_REPORT));
  return view;
}

QWidget* makeTreeView(const ControlTemplate& c, QWidget* parent) {
  auto* view = new QTreeWidget(parent);
  view->setHeaderHidden(true);
  view->setColumnCount(1);
  view->setRootIsDecorated(has(c.style, st::TVS_LINESATROOT));
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  return view;
}

QWidget* makeControl(const ControlTemplate& c, QWidget* parent) {
  const QString text = QString::fromUtf8(c.text ? c.text : "");
  switch (c.kind) {
    case ControlKind::Static:
      return makeStatic(c, parent);
    case ControlKind::GroupBox:
      return new QGroupBox(text, parent);
    case ControlKind::PushButton: {
      auto* button = new QPushButton(text, parent);
      button->setDefault(has(c.style, st::BS_DEFPUSHBUTTON));
      return button;
    }
    case ControlKind::CheckBox:
      return new QCheckBox(text, parent);
    case ControlKind::RadioButton:
      return new QRadioButton(text, parent);
    case ControlKind::Edit:
      return makeEdit(c, parent);
    case ControlKind::ComboBox:
      return makeCombo(c, parent);
    case ControlKind::ListBox:
      return makeListBox(c, parent);
    case ControlKind::ListView:
      return makeListView(c, parent);
    case ControlKind::TreeView:
      return makeTreeView(c, parent);
    case ControlKind::Progress: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(0, 100);  // the range a new progress control starts with
      bar->setValue(0);
      bar->setTextVisible(false);
      return bar;
    }
    case ControlKind::Icon: {
      auto* icon = new QLabel(parent);
      icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      const QIcon appIcon = programIcon();
      if (!appIcon.isNull()) icon->setPixmap(appIcon.pixmap(32, 32));
      return icon;
    }
    case ControlKind::Custom: {
      auto* host = new QWidget(parent);
      host->setProperty("className", QString::fromUtf8(c.className ? c.className : ""));
      return host;
    }
  }
  return new QWidget(parent);
}

}  // namespace

QFont dialogFont(const res::DialogTemplate& tmpl) {
  QFont font(QString::fromUtf8(kDialogFontFamily));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(tmpl.fontPointSize > 0 ? tmpl.fontPointSize : 9);
  return font;
}

BaseUnits baseUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return BaseUnits{(width / 26 + 1) / 2, metrics.height()};
}

QRect toPixels(const BaseUnits& u, int x, int y, int cx, int cy) {
  return QRect(mulDiv(x, u.x, 4), mulDiv(y, u.y, 8), mulDiv(cx, u.x, 4), mulDiv(cy, u.y, 8));
}

QSize toPixels(const BaseUnits& u, int cx, int cy) {
  return QSize(mulDiv(cx, u.x, 4), mulDiv(cy, u.y, 8));
}

BaseUnits buildDialog(QWidget& widget, const res::DialogTemplate& tmpl) {
  const QFont font = dialogFont(tmpl);
  const BaseUnits units = baseUnits(font);
  widget.setFont(font);
  widget.setProperty("dialogId", tmpl.id);
  widget.setObjectName(QStringLiteral("dialog%1").arg(tmpl.id));
  if (tmpl.title) widget.setWindowTitle(QString::fromUtf8(tmpl.title));

  const QSize size = toPixels(units, tmpl.cx, tmpl.cy);
  if (has(tmpl.style, st::WS_THICKFRAME) || has(tmpl.style, st::WS_CHILD)) {
    widget.resize(size);
  } else {
    widget.setFixedSize(size);
  }

  auto* dialog = qobject_cast<QDialog*>(&widget);
  QButtonGroup* radioGroup = nullptr;
  // Labels whose mnemonic moves the focus to the next control that can take it.
  std::vector<QLabel*> pendingBuddies;
  for (const ControlTemplate& c : tmpl.controls) {
    QWidget* control = makeControl(c, &widget);
    control->setProperty("controlId", c.id);
    if (c.id != -1) control->setObjectName(QString::number(c.id));
    control->setGeometry(toPixels(units, c.x, c.y, c.cx, c.cy));

    if (focusable(c.kind)) {
      control->setFocusPolicy(has(c.style, st::WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
      for (QLabel* label : pendingBuddies) label->setBuddy(control);
      pendingBuddies.clear();
    }
    if (c.kind == ControlKind::Static && !has(c.style, st::SS_NOPREFIX)) {
      auto* label = static_cast<QLabel*>(control);
      if (label->text().contains(u'&')) pendingBuddies.push_back(label);
    }

    // Radio buttons form one group from a WS_GROUP control to the next.
    if (has(c.style, st::WS_GROUP)) radioGroup = nullptr;
    if (c.kind == ControlKind::RadioButton) {
      if (!radioGroup) {
        radioGroup = new QButtonGroup(&widget);
        radioGroup->setExclusive(true);
      }
      auto* radio = static_cast<QRadioButton*>(control);
      radio->setAutoExclusive(false);
      radioGroup->addButton(radio, c.id);
    }

    if (has(c.style, st::WS_DISABLED)) control->setEnabled(false);
    if (has(c.style, st::WS_INVISIBLE)) control->setVisible(false);

    // OK and Cancel end the dialog unless the dialog's own code takes them over
    // (a subclass overrides accept() and reject()).
    if (dialog && c.kind == ControlKind::PushButton && (c.id == kIdOk || c.id == kIdCancel)) {
      auto* button = static_cast<QPushButton*>(control);
      if (c.id == kIdOk) {
        QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::accept);
      } else {
        QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::reject);
      }
    }
  }
  // A mnemonic with nothing after it to focus is shown as plain text.
  for (QLabel* label : pendingBuddies) label->setText(withoutMnemonics(label->text()));
  return units;
}

std::unique_ptr<QDialog> createDialog(int templateId, QWidget* parent) {
  const res::DialogTemplate* tmpl = res::findDialog(templateId);
  if (!tmpl) return nullptr;
  auto dialog = std::make_unique<QDialog>(parent);
  buildDialog(*dialog, *tmpl);
  return dialog;
}

int controlId(const QObject* control) {
  if (!control) return -1;
  const QVariant id = control->property("controlId");
  return id.isValid() ? id.toInt() : -1;
}

QIcon programIcon() {
  const QIcon set = QApplication::windowIcon();
  if (!set.isNull() && !set.availableSizes().isEmpty()) return set;
  if (const res::Bitmap* icon = res::findBitmap(IDR_MAINFRAME))
    return QIcon(QPixmap(icon->xpm.data()));
  return set;
}

}  // namespace dlg
