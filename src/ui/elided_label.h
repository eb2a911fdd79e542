#pragma once
// A static text that shows a long text on one line, cut in the middle with
// "…" to the label's width (again whenever the label is resized), and the
// whole text as its tool tip. For paths: both the start and the file name
// stay in view.
#include <QString>

class QLabel;

namespace ui {

void SetElidedText(QLabel* label, const QString& text);
// The whole text last given to SetElidedText (empty when none was).
QString ElidedLabelFullText(const QLabel* label);

}  // namespace ui
