#pragma once
// CHelpRegDlg: dialog 101, the help registry editor. One class serves the
// HTML Help and the WinHelp key; the mode comes from a process-wide flag
// that the menu command sets. The list is read when the dialog opens
// (registered files that no longer exist are offered for removal at once),
// edited in place, and written back by "保存并关闭(&S)" as the difference
// between the list and the snapshot taken at opening.
#include <QPointer>
#include <vector>

#include "helpreg/help_registry.h"
#include "ui/flex_dialog.h"

class CRndBtn;
class CSortListCtrl;

// The mode of the next help registry editor.
helpreg::Mode helpRegistryMode();
void setHelpRegistryMode(helpreg::Mode mode);

class CHelpRegDlg : public CNSFlexDialog {
  Q_OBJECT

 public:
  explicit CHelpRegDlg(QWidget* parent = nullptr);
  ~CHelpRegDlg() override;

  helpreg::Mode mode() const { return mode_; }
  CSortListCtrl* list() const { return list_; }
  const std::vector<helpreg::Entry>& snapshot() const { return snapshot_; }
  // The rows as the save would write them: name without the missing mark,
  // folder, in list order.
  std::vector<helpreg::Entry> editedEntries() const;

  void OnDelete();
  void OnAdd();
  void OnChange();

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  void fillList();
  void offerMissingCleanUp(const std::vector<helpreg::MissingFile>& missing);
  void appendRow(const std::string& name, const std::string& folder, int index);
  void helpFor(QWidget* child);
  void reportFailure(const helpreg::WriteResult& r);

  helpreg::Mode mode_;
  CSortListCtrl* list_ = nullptr;
  std::vector<helpreg::Entry> snapshot_;
  std::vector<QPointer<CRndBtn>> buttons_;
};

// Menu commands 32774 and 32773: the editor in HTML Help or WinHelp mode,
// modal over owner.
void HtmlHelpRegistryCommand(QWidget* owner);
void WinHelpRegistryCommand(QWidget* owner);
