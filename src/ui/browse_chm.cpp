#include "ui/browse_chm.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

#include "chmfiles/help_code_page.h"
#include "chmfiles/system_file.h"
#include "its/its_storage.h"
#include "platform/system/codepage.h"
#include "res/dialog_template.h"
#include "res/ids.h"
#include "res/strings.h"

QString qtFileFilter(const std::string& windowsFilter) {
  QStringList filters;
  std::size_t pos = 0;
  while (pos < windowsFilter.size()) {
    const std::size_t bar = windowsFilter.find('|', pos);
    if (bar == std::string::npos || bar == pos) break;
    const std::size_t end = windowsFilter.find('|', bar + 1);
    const std::string name = windowsFilter.substr(pos, bar - pos);
    std::string patterns =
        windowsFilter.substr(bar + 1, end == std::string::npos ? std::string::npos : end - bar - 1);
    for (char& c : patterns)
      if (c == ';') c = ' ';
    filters << QString::fromStdString(name + " (" + patterns + ")");
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return filters.join(QStringLiteral(";;"));
}

namespace {

// The label of the picker's extension template (the static before the title).
QString templateLabel() {
  if (const res::DialogTemplate* t = res::findDialog(IDD_BROWSECHM_TITLE))
    for (const res::ControlTemplate& c : t->controls)
      if (c.kind == res::ControlKind::Static && c.id != IDC_BROWSECHM_TITLE)
        return QString::fromUtf8(c.text);
  return {};
}

}  // namespace

CBrowseChm::CBrowseChm(QWidget* parent) : parent_(parent) {}

std::string CBrowseChm::readTitle(const std::string& path) {
  ItsStorage storage;
  if (itss::FAILED(storage.open(path.c_str()))) {
    storage.close();
    return {};
  }
  std::string title;
  SystemStream system;
  if (system.open(storage.root())) {
    std::uint16_t code = 0, length = 0;
    while (system.next(code, length)) {
      if (code != kSysTitle) {
        system.skipData();
        continue;
      }
      title = recordText(system.readData());
      break;
    }
  }
  system.close();
  // Read in the code page that `info` and the report pages choose for the
  // file (its language, font and texts).
  if (!title.empty()) title = helpTextToUtf8(title, helpFileCodePage(storage.root()));
  storage.close();
  return title;
}

void CBrowseChm::preview(const std::string& path) {
  if (title_) title_->clear();
  if (path.empty()) return;
  // Only a title that was found is kept: a file that is still being written,
  // or a name typed halfway, is read again when it comes back.
  if (path != lastPath_) {
    ++reads_;
    std::string title = readTitle(path);
    if (title.empty()) {
      lastPath_.clear();
      lastTitle_.clear();
      return;
    }
    lastTitle_ = std::move(title);
    lastPath_ = path;
  }
  if (title_) title_->setText(QString::fromStdString(lastTitle_));
}

bool CBrowseChm::Prompt(std::string& path, const char* defaultExtension, unsigned filterId,
                        bool allowDirectoryChange) {
  (void)allowDirectoryChange;  // the dialog never changes the process's directory
  QFileDialog dialog(parent_);
  dialog_ = &dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::ReadOnly, true);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  std::string ext = defaultExtension ? defaultExtension : ".chm";
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  dialog.setDefaultSuffix(QString::fromStdString(ext));
  dialog.setNameFilter(qtFileFilter(LoadStr(filterId ? filterId : IDS_CHM_FILTER_DEFAULT)));
  if (!path.empty()) dialog.selectFile(QString::fromStdString(path));

  // The child template's part: the label and static 100 under the file list.
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(templateLabel(), &dialog), row, 0);
    auto* title = new QLabel(&dialog);
    title->setObjectName(QString::number(IDC_BROWSECHM_TITLE));
    title->setTextFormat(Qt::PlainText);
    grid->addWidget(title, row, 1, 1, grid->columnCount() - 1);
    title_ = title;
  }
  connect(&dialog, &QFileDialog::currentChanged, this,
          [this](const QString& p) { preview(p.toStdString()); });
  // A selection made without moving the current item (typing a name, or a
  // file chosen in code) changes the selected files only.
  for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>()) {
    if (!view->selectionModel()) continue;
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
      if (!dialog_) return;
      const QStringList files = dialog_->selectedFiles();
      preview(files.isEmpty() ? std::string() : files.first().toStdString());
    });
  }

  // A name typed (or put there by selectFile before the folder was listed)
  // previews as soon as it names an existing file.
  if (auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
    connect(edit, &QLineEdit::textChanged, this, [this] {
      if (!dialog_) return;
      const QStringList files = dialog_->selectedFiles();
      if (!files.isEmpty() && QFileInfo(files.first()).isFile())
        preview(files.first().toStdString());
    });
  }

  const bool ok = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  if (ok) path = dialog.selectedFiles().first().toStdString();
  dialog_ = nullptr;
  title_ = nullptr;
  return ok;
}
