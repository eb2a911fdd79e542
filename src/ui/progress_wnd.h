#pragma once
// A small free-standing window with a text area, a progress bar and a Cancel
// button, whose title shows the percentage done. The finders own one for the
// duration of a search and pump it between items; Escape and Cancel set the
// cancelled flag the search reads at its checkpoints.
#include <QFont>
#include <QPointer>
#include <QWidget>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

class CProgressWnd : public QObject {
 public:
  CProgressWnd();
  ~CProgressWnd() override;

  // Builds and shows the window over `parent` (the active main window when
  // null). False when no window could be made.
  bool create(QWidget* parent = nullptr, bool smooth = false);
  void destroy();

  void setRange(int lower, int upper, int step);
  int setPosition(int position);  // returns the previous position of the bar
  int step();
  void setText(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void pump(bool escapeCancels = true, bool exclusive = false);

  bool cancelled = false;
  bool noCancelButton = false;
  int position = 0;
  int lastPercent = 0;
  int stepSize = 1;
  int upper = 100;
  int lower = 0;
  int textLines = 4;
  std::string title;
  QFont font;

  QWidget* window() const { return window_; }
  QLabel* textControl() const { return text_; }
  QProgressBar* progressBar() const { return bar_; }
  QPushButton* cancelButton() const { return cancel_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void layout();
  bool belongsToWindow(QObject* o) const;

  QPointer<QWidget> window_;
  QLabel* text_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* cancel_ = nullptr;
  bool pumping_ = false;
  bool pumpEscapeCancels_ = false;
  bool pumpExclusive_ = false;
};
