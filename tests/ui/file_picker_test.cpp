// The program's file picker as a user meets it: Qt's own parts of it in
// Chinese when Qt's translations are installed, and its detail list wide
// enough that no file size is cut short.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <string>

#include "platform/dialogs/qt_translations.h"
#include "res/ids.h"
#include "ui/browse_chm.h"

TEST(FilePicker, QtsOwnTextsInChineseAndSizesShownWhole) {
  if (!dlg::installQtTranslations())
    GTEST_SKIP() << "Qt's Chinese translations (qt6-translations-l10n) are not installed";
  QStringList buttons, labels, cutSizes;
  int sizesSeen = 0;
  bool seen = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* picker = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!picker || !picker->isVisible() || seen) return;
    auto* list = picker->findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* model = picker->findChild<QFileSystemModel*>();
    if (!list || !model) return;
    const QModelIndex folder = list->rootIndex();
    // Wait for the folder's listing and its sizes.
    if (model->rowCount(folder) < 5) return;
    seen = true;
    QTest::qWait(300);
    for (QAbstractButton* b : picker->findChild<QDialogButtonBox*>()->buttons())
      buttons << b->text();
    for (QLabel* l : picker->findChildren<QLabel*>())
      if (l->isVisible()) labels << l->text();
    const QHeaderView* header = list->header();
    const QFontMetrics metrics(list->font());
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    for (int row = 0; row < model->rowCount(folder); ++row) {
      const QModelIndex size = model->index(row, 1, folder);
      const QString text = size.data().toString();
      if (text.isEmpty()) continue;
      ++sizesSeen;
      // The text and the margins the style leaves on either side of it.
      if (metrics.horizontalAdvance(text) + 2 * margin > header->sectionSize(1)) cutSizes << text;
    }
    picker->reject();
  });
  poll.start(50);
  CBrowseChm browse;
  std::string path = WRENLOW_CORPUS_DIR "/7zcn_7-zip.chm";
  EXPECT_FALSE(browse.Prompt(path, nullptr, IDS_CHM_FILTER));
  ASSERT_TRUE(seen);
  EXPECT_TRUE(buttons.contains(QStringLiteral("打开(&O)")) ||
              buttons.contains(QStringLiteral("打开")))
      << buttons.join(QLatin1Char('|')).toStdString();
  EXPECT_TRUE(buttons.contains(QStringLiteral("取消"))) << buttons.join('|').toStdString();
  EXPECT_TRUE(labels.contains(QStringLiteral("查找范围：")) &&
              labels.contains(QStringLiteral("文件名称(&N)：")))
      << labels.join(QLatin1Char('|')).toStdString();
  EXPECT_GT(sizesSeen, 4);
  EXPECT_TRUE(cutSizes.isEmpty()) << cutSizes.join(QLatin1Char('|')).toStdString();
}
