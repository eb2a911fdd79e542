#include "app/qt_front_end.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "res/dialog_template.h"
#include "res/ids.h"
#include "res/strings.h"
#include "viewer/viewer_dlg.h"

void RunExamineWindow(const std::string& file) {
  QDialog dialog;
  const res::DialogTemplate* t = res::findDialog(IDD_VIEWER);
  dialog.setWindowTitle(QString::fromUtf8(t ? t->title : LoadStr(AFX_IDS_APP_TITLE)));
  auto* layout = new QVBoxLayout(&dialog);
  auto* name = new QLabel(QString::fromStdString(file), &dialog);
  name->setObjectName(QStringLiteral("ExamineFile"));
  name->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(name);
  auto* buttons = new QDialogButtonBox(&dialog);
  buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  dialog.resize(480, dialog.sizeHint().height());
  dialog.exec();
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

void QtFrontEnd::runTemporaryFileCheck() {
  // Leftover temporary files of help programs are looked for here once the
  // clean-up tool is part of the program.
}
