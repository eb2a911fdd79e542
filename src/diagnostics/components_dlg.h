#pragma once
// CComponentsDlg: the component and help file finder (dialog 135) in its four
// modes. The whole search runs while the dialog initialises, before it first
// shows, with a progress window in front that pumps events and offers
// Cancel; the dialog then shows what was found, sorted by the first column.
// From the list the user opens a file's folder or deletes the file (a
// registered component's registration goes with it).
#include <memory>
#include <optional>
#include <vector>

#include "finders/component_tables.h"
#include "platform/system/fixed_drives.h"
#include "ui/flex_dialog.h"
#include "ui/progress_wnd.h"

class CSortListCtrl;
class CRndBtn;

class CComponentsDlg : public CNSFlexDialog {
 public:
  explicit CComponentsDlg(finders::FinderMode mode, QWidget* parent = nullptr);
  ~CComponentsDlg() override;

  finders::FinderMode mode() const { return mode_; }
  CSortListCtrl* list() const { return list_; }
  CProgressWnd& progress() { return progress_; }
  bool searchCancelled() const { return cancelled_; }
  // Folders the search skipped because they could not be opened.
  std::uint32_t unopenedFolders() const { return unopenedFolders_; }

  // The drives the search walks: the machine's fixed drives unless a caller
  // sets others before the dialog is created.
  std::optional<std::vector<drives::FixedDrive>> drivesToSearch;

  // Buttons 1031 and 103.
  void OnExplore();
  void OnDelete();
  void OnTips();

 protected:
  bool OnInitDialog() override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void runSearch();
  void controlHelp(QWidget* widget);
  void insertColumns();

  finders::FinderMode mode_;
  CSortListCtrl* list_ = nullptr;
  std::vector<CRndBtn*> buttons_;
  CProgressWnd progress_;
  bool cancelled_ = false;
  std::uint32_t unopenedFolders_ = 0;
};

// Menu commands 32782, 32783, 32778 and 32779: the dialog in its mode, modal,
// owned by the main window.
void HtmlHelpComponentsCommand(QWidget* owner);
void WinHelpComponentsCommand(QWidget* owner);
void HtmlHelpFilesCommand(QWidget* owner);
void WinHelpFilesCommand(QWidget* owner);
