#pragma once
// CViewerDlg: the CHM/ITS viewer (dialog 136). The tree on the left holds
// every storage and stream of the open file; selecting one shows it, or the
// report page built for it, in the page pane on the right. Report pages go
// to the private temporary folder and are deleted on New file and when the
// dialog object goes.
#include <QString>
#include <memory>
#include <string>

#include "its/its_storage.h"
#include "platform/browser/viewer_hh_ctrl.h"
#include "report/file_tree.h"
#include "report/report_pages.h"
#include "ui/flex_dialog.h"

class QTreeWidget;
class QTreeWidgetItem;

class CViewerDlg : public CNSFlexDialog {
 public:
  // file: the file to open at once (examine mode); empty asks for one.
  explicit CViewerDlg(QWidget* parent = nullptr, std::string file = {});
  ~CViewerDlg() override;

  // Button 1039: asks for another file and shows it.
  void OnNewFile();
  // The browser's Text button: the text view of the HTML page shown.
  void OnTextButton();

  QTreeWidget* tree() const;
  const FileTree& model() const { return model_; }
  const std::string& filePath() const { return path_; }
  bool fileOpen() const { return open_; }
  const std::vector<std::string>& tempPages() const;
  CViewerHHCtrl& host() { return host_; }

  // The work area the dialog fills: the screen's, its right edge limited to
  // 1024 and its bottom edge to 768.
  static QRect clampedWorkArea(const QRect& workArea);

 protected:
  bool OnInitDialog() override;
  void OnHelpInfo(QWidget* item) override;
  void OnContextMenu(QWidget* window) override;

 private:
  bool openFile(const std::string& path);
  void closeFile();
  void fillTree();
  void itemSelected(QTreeWidgetItem* item);
  void showPage(const PageResult& page);
  void showBinaryFile();
  void toolbarCommand(int id);
  // The open file's path in static 1037.
  void showPath();
  // The link under the mouse in static 1041, or its caption when none is.
  void showLink(const std::string& text);

  std::string path_;
  ItsStorage storage_;
  bool open_ = false;
  FileTree model_;
  std::unique_ptr<ReportPages> pages_;
  CViewerHHCtrl host_;
  bool suppressSelection_ = false;
  std::string home_;     // what the Home button shows
  QString linkCaption_;  // static 1041's own text, "链接:"
};

// Menu command 32781 and examine mode: the viewer, modal, owned by owner.
void ViewChmCommand(QWidget* owner);
int RunViewer(QWidget* owner, const std::string& file);
