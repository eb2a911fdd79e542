#pragma once
// The Qt windows of the application object: the viewer in examine mode, the
// main frame with its document and view in normal mode.
#include <QPointer>
#include <memory>

#include "app/log_doc.h"
#include "app/main_frame.h"
#include "app/tool_set_app.h"

// What every window of the program shares, set once after the application
// object exists: the program icon (also the viewer's, when it runs alone)
// and Qt's own dialogs in Chinese.
void InstallProgramLook();

class QtFrontEnd : public AppFrontEnd {
 public:
  void runViewer(const std::string& file) override;
  bool createMainWindow(const std::string& file) override;
  void* mainWindow() override { return frame_.data(); }
  void showMainWindow() override;
  void runTemporaryFileCheck() override;

  CMainFrame* frame() const { return frame_.data(); }

 private:
  std::unique_ptr<CLogDoc> document_;
  QPointer<CMainFrame> frame_;
};
