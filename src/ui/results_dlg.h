#pragma once
// The results dialog (template 140): a status line, a progress bar, a
// read-only text that collects one line per processed item, and a Close
// button. A subclass overrides Run with the operation; Run starts at the
// dialog's first paint, exactly once, with Close hidden until it returns.
// Run calls appendLine for each result and step (the pump) after each item,
// and reads cancelled between items: Escape and closing the window set it.
//
// The dialog is also a ResultSink, so an operation written against the sink
// runs inside it unchanged. Once the run is over, command 1018 (its key from
// the main window's accelerators, Alt+S) saves the results box to a UTF-8
// text file the user picks.
#include <QObject>
#include <QPointer>
#include <string>
#include <string_view>
#include <vector>

#include "common/prompt.h"

class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;
class CRndBtn;

class CResultsDlg : public QObject, public ResultSink {
 public:
  explicit CResultsDlg(QWidget* parent = nullptr);
  ~CResultsDlg() override;

  // Builds the window from its template (what OnInitDialog does). False when
  // the template is missing.
  bool create();
  // Runs the dialog modally; 1 after Close, 2 when the window was closed.
  int DoModal();

  // ResultSink.
  void appendLine(std::string_view line) override;
  void setRange(int lower, int upper) override;
  void step() override { pump(); }
  bool cancelled() override { return cancelled_; }

  // Steps the progress bar, then handles the events waiting for the dialog;
  // an Escape among them sets cancelled.
  void pump();
  void setCancelled(bool c) { cancelled_ = c; }
  void setStepSize(int s) { stepSize_ = s; }
  // Sets the status line to the prefix followed by `item`.
  void setStatus(std::string_view item);
  const std::string& statusPrefix() const { return statusPrefix_; }
  bool ran() const { return ran_; }

  QDialog* window() const { return window_; }
  QProgressBar* progressBar() const { return bar_; }
  QPushButton* closeButton() const { return close_; }
  QLabel* statusLine() const { return status_; }
  // The report as it stands, each line ending in "\r\n".
  const std::string& report() const { return report_; }
  // The result text's tab stops, in pixels from the left.
  std::vector<qreal> tabStops() const;
  // The text as the text box shows it.
  std::string shownText() const;
  // Asks for a file name and writes the results box there in UTF-8, one
  // line per result. False when the user cancelled or the file could not be
  // written (which is reported).
  bool saveResults();

 protected:
  virtual void Run() {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void startRun();
  bool belongsToWindow(QObject* o) const;
  void insertText(const QString& text);
  // Moves the tab stops right where a column of text is wider than before.
  void fitTabStops(const QString& text);

  QPointer<QWidget> parent_;
  QPointer<QDialog> window_;
  QWidget* text_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* close_ = nullptr;
  QLabel* status_ = nullptr;
  CRndBtn* rndClose_ = nullptr;
  std::string statusPrefix_;
  std::string report_;
  std::string lastLine_;
  std::vector<int> columnWidths_;  // widest text seen in each tab column
  bool ran_ = false;
  bool cancelled_ = false;
  bool running_ = false;
  bool closePending_ = false;
  bool ending_ = false;
  int stepSize_ = 1;
};
