#include "platform/dialogs/file_dialog_fit.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>
#include <algorithm>

namespace dlg {
namespace {

constexpr int kMinWidth = 760;
constexpr int kMinHeight = 460;

}  // namespace

void fitFileDialogColumns(QFileDialog& dialog) {
  auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!tree) return;  // the desktop's own dialog
  dialog.setViewMode(QFileDialog::Detail);
  {
    QHeaderView* header = tree->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column)
      header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  }
  dialog.resize(std::max(dialog.width(), kMinWidth), std::max(dialog.height(), kMinHeight));
}

}  // namespace dlg
