#include "app/qt_front_end.h"

#include <QApplication>

#include "finders/temp_cleanup.h"
#include "platform/dialogs/dialog_builder.h"
#include "platform/dialogs/qt_translations.h"
#include "res/ids.h"
#include "res/strings.h"
#include "viewer/viewer_dlg.h"

void InstallProgramLook() {
  QApplication::setWindowIcon(dlg::programIcon());
  dlg::installQtTranslations();
}

void QtFrontEnd::runViewer(const std::string& file) { RunViewer(nullptr, file); }

bool QtFrontEnd::createMainWindow(const std::string& file) {
  document_ = std::make_unique<CLogDoc>();
  bool ok = file.empty() ? document_->OnNewDocument() : document_->OnOpenDocument(file);
  if (!ok) return false;
  frame_ = new CMainFrame(*document_);
  return true;
}

void QtFrontEnd::showMainWindow() {
  if (frame_) frame_->show();
}

void QtFrontEnd::runTemporaryFileCheck() { finders::RunLeftoverCheck(finders::leftoverFolder()); }
