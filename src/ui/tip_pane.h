#pragma once
// The help page shown in a tip dialog's panel: a help-file host with a small
// tool bar (Home, Back, ...) and a page below it. The platform's help page
// control registers a factory here; until one has, a plain pane stands in
// that shows the page's text read straight from the help file.
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

namespace ui {

// The page the Home button returns to: a path inside the help file, or a
// topic number looked up in the file's map when the path is empty.
struct TipHome {
  std::string page;
  int topic = 0;
};

// Tool-bar buttons: bit i stands for command kTipFirstCommand + i.
constexpr unsigned kTipButtonsHomeBack = 3;
constexpr int kTipFirstCommand = 0xFF00;
constexpr int kTipLastCommand = 0xFFFF;

class TipPane {
 public:
  virtual ~TipPane() = default;
  // Finds and loads the help file; false when it cannot be loaded.
  virtual bool setHelpFile(const std::string& name) = 0;
  // Makes the tool bar and the page as children of parent inside rect.
  virtual bool create(QWidget* parent, const QRect& rect, unsigned buttonMask, const TipHome& home,
                      bool captions) = 0;
  // Shows the home page.
  virtual void navigateHome() = 0;
  // The window holding the page, and the tool bar (null without one): both
  // children of the parent given to create.
  virtual QWidget* window() const = 0;
  virtual QWidget* toolBar() const = 0;
  // A tool-bar command (kTipFirstCommand and up).
  virtual void toolbarCommand(int id) = 0;
};

using TipPaneFactory = std::function<std::unique_ptr<TipPane>()>;

// Installs the factory of the real help page control (an empty function
// brings back the plain stand-in).
void setTipPaneFactory(TipPaneFactory factory);
std::unique_ptr<TipPane> makeTipPane();

// The Experience setting: tool-bar captions are shown unless it is 2.
void setTipExperience(int experience);
int tipExperience();

}  // namespace ui
