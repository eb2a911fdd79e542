#include "ui/elided_label.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QVariant>
#include <algorithm>

namespace ui {
namespace {

constexpr const char* kFullText = "elidedFullText";

void elide(QLabel* label) {
  const QString full = label->property(kFullText).toString();
  // An indent of -1 asks QLabel for its default: half an "x" beside a frame,
  // nothing without one. Taken as a number it would widen the text by a pixel.
  int indent = label->indent();
  if (indent < 0)
    indent =
        label->frameWidth() > 0 ? label->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0;
  const int width = label->contentsRect().width() - 2 * label->margin() - indent;
  label->setText(label->fontMetrics().elidedText(full, Qt::ElideMiddle, std::max(0, width)));
}

// Cuts the text again when the label's width or font changes.
class ElideOnResize final : public QObject {
 public:
  explicit ElideOnResize(QLabel* label) : QObject(label) {
    setObjectName(QStringLiteral("ElideOnResize"));
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize || event->type() == QEvent::FontChange)
      elide(static_cast<QLabel*>(watched));
    return false;
  }
};

}  // namespace

void SetElidedText(QLabel* label, const QString& text) {
  if (!label) return;
  label->setWordWrap(false);
  label->setTextFormat(Qt::PlainText);
  label->setProperty(kFullText, text);
  label->setToolTip(text);
  if (!label->findChild<ElideOnResize*>(QStringLiteral("ElideOnResize"),
                                        Qt::FindDirectChildrenOnly))
    label->installEventFilter(new ElideOnResize(label));
  elide(label);
}

QString ElidedLabelFullText(const QLabel* label) {
  return label ? label->property(kFullText).toString() : QString();
}

}  // namespace ui
