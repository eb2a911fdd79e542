#include "app/open_file_dialog.h"

#include <QFile>
#include <QFileDialog>

#include "common/browse_open_file.h"
#include "platform/dialogs/file_dialog_fit.h"
#include "platform/dialogs/qt_prompter.h"

void installOpenFileDialog() {
  setOpenFileDialog([](void* owner, std::string_view initial, std::string& out) {
    // Any file, which must exist; Qt's dialog leaves the current folder alone
    // and has no read-only box.
    QFileDialog dialog(dlg::liveWidget(owner));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QString text = QString::fromUtf8(initial.data(), static_cast<qsizetype>(initial.size()));
    // A pattern typed as the file name lists the files it matches, as in
    // the Windows dialog.
    if (text.contains('*') || text.contains('?')) {
      dialog.setNameFilter(text);
    } else if (!text.isEmpty()) {
      dialog.selectFile(text);
    }
    dlg::fitFileDialogColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    out = QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
    return true;
  });
}
