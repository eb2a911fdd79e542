#pragma once
// CBrowseChm: the file-open dialog for compiled help files. Below the file
// list it shows the selected file's window title (#SYSTEM code 3) after the
// label "标题:", in the static control 100; a path is read only once in a row.
#include <QFileDialog>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <string>

class QWidget;

class CBrowseChm : public QObject {
 public:
  explicit CBrowseChm(QWidget* parent = nullptr);

  // Shows the dialog. defaultExtension: ".chm" when null; filterId: string
  // 20998 when 0 (the viewer passes 4041). On OK the chosen full path replaces
  // path and the result is true; on Cancel path is unchanged.
  bool Prompt(std::string& path, const char* defaultExtension = nullptr, unsigned filterId = 0,
              bool allowDirectoryChange = false);

  // The preview for a selected path (what the selection change runs).
  void preview(const std::string& path);

  // The title in #SYSTEM code 3 of the file, converted to UTF-8 from the
  // file's code page; empty when the file is no storage or has no title.
  static std::string readTitle(const std::string& path);

  // Filled while Prompt runs; tests use them.
  QFileDialog* dialog() const { return dialog_; }
  QLabel* titleLabel() const { return title_; }
  int titleReads() const { return reads_; }

 private:
  QPointer<QWidget> parent_;
  QPointer<QFileDialog> dialog_;
  QPointer<QLabel> title_;
  std::string lastPath_;
  std::string lastTitle_;
  int reads_ = 0;
};

// A Windows filter text ("name|*.a;*.b||") as Qt filters ("name (*.a *.b)").
QString qtFileFilter(const std::string& windowsFilter);
