#pragma once
// CSortListCtrl: the report list of the help registry editor and the finders.
// Every row carries a SortListRow whose texts the list asks for when it
// paints a cell (cells are "supplied on request"), a click on a column header
// sorts by that column (a second click reverses the direction), and owner
// drawing paints whole rows in the selection colours. The list never reads
// or writes anything outside its rows.
#include <QHeaderView>
#include <QString>
#include <QTreeView>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The record behind one row: up to four column texts (UTF-8, any of them
// absent) and the row number at which the row was inserted.
struct SortListRow {
  static constexpr int kTexts = 4;
  std::array<std::optional<std::string>, kTexts> text;
  std::int32_t index = 0;
};

class CSortListCtrl : public QTreeView {
  Q_OBJECT

 public:
  // The characters (terminating zero included) of the buffer in which the
  // list asks for a cell's text: longer texts are cut to fit.
  static constexpr int kTextBuffer = 260;

  // sortable: header clicks and SortItems sort; ownsRows: the list frees a
  // row's SortListRow when the row goes.
  CSortListCtrl(bool sortable, bool ownsRows, QWidget* parent = nullptr);
  ~CSortListCtrl() override;

  // Takes the place of the list control `id` of a dialog built from a
  // template: same parent, rectangle, id, tab order and selection style
  // (single selection, selection always shown). The template's widget is
  // deleted. False when the dialog has no such control.
  bool SubclassDlgItem(int id, QWidget* dialog);

  // Columns: `format` is the text alignment of the column's cells.
  int InsertColumn(int column, const QString& title, int width,
                   Qt::Alignment format = Qt::AlignLeft);
  int columnCountShown() const;

  // Inserts an empty row at `row` (clamped to the row count); returns its
  // position.
  int InsertItem(int row);
  // Attaches a record to a row. An owning list frees the one it replaces.
  bool SetItemData(int row, SortListRow* data);
  SortListRow* GetItemData(int row) const;
  // Marks a cell as supplied on request (the row's record gives its text).
  bool SetItemTextCallback(int row, int column);
  bool DeleteItem(int row);
  void DeleteAllItems();
  int GetItemCount() const;

  // The text the list shows in a cell: the record's text, cut to the
  // buffer, for a cell supplied on request; empty otherwise.
  QString GetItemText(int row, int column) const;

  // Sorts every row by a column's texts (case ignored, in the user's
  // locale), descending when !ascending, and marks the column in the
  // header. Does nothing unless the list is sortable.
  void SortItems(int column, bool ascending);
  int sortColumn() const { return sortColumn_; }
  bool sortAscending() const { return sortAscending_; }
  bool sortable() const { return sortable_; }

  // Owner drawing: rows painted across their full width.
  void SetOwnerDraw(bool on = true);
  bool ownerDraw() const { return ownerDraw_; }
  // Selected rows keep the highlight while the list has no focus.
  void setShowSelectionAlways(bool on) { showSelectionAlways_ = on; }
  bool showSelectionAlways() const { return showSelectionAlways_; }

  // The selected row, or -1.
  int GetSelectedRow() const;
  void SelectRow(int row);

  // The header's marker: the triangle sized from the header font's blank.
  static int triangleMargin(int blankWidth) { return 6 * blankWidth; }

 protected:
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

 private:
  class Model;
  class Header;
  void headerClicked(int column);

  Model* model_;
  Header* header_;
  bool sortable_;
  bool ownsRows_;
  bool ownerDraw_ = false;
  bool showSelectionAlways_ = false;
  int sortColumn_ = -1;
  bool sortAscending_ = true;
};
