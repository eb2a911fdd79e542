// The sortable report list on real widgets: texts on request, header sorting,
// ownership of the rows and the full-row selection of owner drawing.
#include "ui/sort_list_ctrl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QImage>
#include <QTest>
#include <memory>

#include "platform/dialogs/dialog_builder.h"
#include "res/ids.h"

namespace {

SortListRow* row(const char* a, const char* b, int index) {
  auto* r = new SortListRow;
  r->text[0] = a;
  if (b) r->text[1] = b;
  r->index = index;
  return r;
}

// Appends a row with texts on request in columns 0 and 1.
void append(CSortListCtrl& list, const char* a, const char* b) {
  const int i = list.InsertItem(list.GetItemCount());
  list.SetItemData(i, row(a, b, i));
  list.SetItemTextCallback(i, 0);
  list.SetItemTextCallback(i, 1);
}

std::vector<std::string> column0(const CSortListCtrl& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.GetItemCount(); ++i) out.push_back(list.GetItemText(i, 0).toStdString());
  return out;
}

TEST(SortListCtrl, TakesThePlaceOfTheTemplatesListWithItsStyle) {
  auto dialog = dlg::createDialog(IDD_HELP_REGISTRY);
  ASSERT_TRUE(dialog);
  QWidget* old = dlg::findControl<QWidget>(dialog.get(), IDC_LIST);
  ASSERT_TRUE(old);
  const QRect where = old->geometry();
  auto* list = new CSortListCtrl(true, true);
  ASSERT_TRUE(list->SubclassDlgItem(IDC_LIST, dialog.get()));
  EXPECT_EQ(dlg::findControl<CSortListCtrl>(dialog.get(), IDC_LIST), list);
  EXPECT_EQ(dialog->findChildren<QWidget*>(QString::number(IDC_LIST)).size(), 1);
  EXPECT_EQ(list->geometry(), where);
  EXPECT_EQ(dlg::controlId(list), IDC_LIST);
  EXPECT_TRUE(list->showSelectionAlways());
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_FALSE(CSortListCtrl(true, true).SubclassDlgItem(4711, dialog.get()));
}

TEST(SortListCtrl, CellsAskTheRowsRecordAndAreCutToTheBuffer) {
  CSortListCtrl list(true, true);
  list.InsertColumn(0, "a", 50);
  list.InsertColumn(1, "b", 50);
  list.InsertColumn(2, "c", 50);
  const int i = list.InsertItem(0);
  SortListRow* r = row("名字.chm", nullptr, 0);
  r->text[2] = std::string(400, 'x');
  list.SetItemData(i, r);
  EXPECT_EQ(list.GetItemText(i, 0), "");  // not yet on request
  list.SetItemTextCallback(i, 0);
  list.SetItemTextCallback(i, 1);
  list.SetItemTextCallback(i, 2);
  EXPECT_FALSE(list.SetItemTextCallback(i, 4));
  EXPECT_EQ(list.GetItemText(i, 0), QString::fromUtf8("名字.chm"));
  EXPECT_EQ(list.GetItemText(i, 1), "");  // absent text
  EXPECT_EQ(list.GetItemText(i, 2).size(), CSortListCtrl::kTextBuffer - 1);
  // The record is read at every request: a changed text shows at once.
  r->text[0] = "new.chm";
  EXPECT_EQ(list.GetItemText(i, 0), "new.chm");
  EXPECT_EQ(list.GetItemData(i), r);
  EXPECT_EQ(list.GetItemData(5), nullptr);
}

TEST(SortListCtrl, HeaderClicksSortAscendingThenReverseAndSelectionFollows) {
  CSortListCtrl list(true, true);
  list.InsertColumn(0, "文件", 100);
  list.InsertColumn(1, "路径", 100);
  append(list, "b.chm", "C:\\z");
  append(list, "A.chm", "C:\\y");
  append(list, "c.chm", "C:\\X");
  list.SelectRow(0);  // b.chm
  list.SortItems(0, true);
  EXPECT_EQ(column0(list), (std::vector<std::string>{"A.chm", "b.chm", "c.chm"}));
  EXPECT_EQ(list.GetSelectedRow(), 1);
  EXPECT_EQ(list.GetItemData(list.GetSelectedRow())->index, 0);

  emit list.header()->sectionClicked(0);  // the same column: reversed
  EXPECT_EQ(column0(list), (std::vector<std::string>{"c.chm", "b.chm", "A.chm"}));
  EXPECT_FALSE(list.sortAscending());
  emit list.header()->sectionClicked(1);  // another column: ascending, case ignored
  EXPECT_EQ(list.sortColumn(), 1);
  EXPECT_TRUE(list.sortAscending());
  EXPECT_EQ(column0(list), (std::vector<std::string>{"c.chm", "A.chm", "b.chm"}));
  emit list.header()->sectionClicked(1);
  EXPECT_EQ(column0(list), (std::vector<std::string>{"b.chm", "A.chm", "c.chm"}));
}

TEST(SortListCtrl, AListThatIsNotSortableKeepsItsOrder) {
  CSortListCtrl list(false, true);
  list.InsertColumn(0, "a", 100);
  append(list, "b", nullptr);
  append(list, "a", nullptr);
  emit list.header()->sectionClicked(0);
  list.SortItems(0, true);
  EXPECT_EQ(column0(list), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(list.sortColumn(), -1);
}

TEST(SortListCtrl, AListThatDoesNotOwnItsRowsLeavesTheRecordsAlone) {
  SortListRow a, b;
  a.text[0] = "a";
  b.text[0] = "b";
  {
    CSortListCtrl list(true, false);
    list.InsertColumn(0, "a", 100);
    list.SetItemData(list.InsertItem(0), &a);
    list.SetItemData(list.InsertItem(1), &b);
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_FALSE(list.DeleteItem(3));
    EXPECT_EQ(list.GetItemData(0), &b);
  }  // destroying the list must not free b (a stack object)
  EXPECT_EQ(*b.text[0], "b");
}

// Owner drawing paints the selection across the whole row, also right of the
// last column, and keeps it without focus only when the list shows its
// selection always.
TEST(SortListCtrl, OwnerDrawnRowsShowTheSelectionAcrossTheirFullWidth) {
  QDialog host;
  host.resize(400, 200);
  auto* list = new CSortListCtrl(true, true, &host);
  list->setGeometry(0, 0, 400, 200);
  list->InsertColumn(0, "a", 80);
  list->InsertColumn(1, "b", 80);
  append(*list, "one", "x");
  append(*list, "two", "y");
  list->SetOwnerDraw();
  list->SelectRow(1);
  host.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
  list->clearFocus();

  const QRect rowRect = list->visualRect(list->model()->index(1, 0));
  const QPoint probe(380, rowRect.center().y());  // right of both columns
  const QColor highlight = list->palette().color(QPalette::Active, QPalette::Highlight);
  const QColor base = list->palette().color(QPalette::Base);
  auto pixel = [&] { return list->viewport()->grab().toImage().pixelColor(probe); };

  list->setShowSelectionAlways(true);
  list->viewport()->repaint();
  EXPECT_EQ(pixel(), highlight);
  list->setShowSelectionAlways(false);
  list->viewport()->repaint();
  EXPECT_EQ(pixel(), base);
  // The unselected row stays in the window colour.
  EXPECT_EQ(list->viewport()->grab().toImage().pixelColor(
                380, list->visualRect(list->model()->index(0, 0)).center().y()),
            base);
}

}  // namespace
