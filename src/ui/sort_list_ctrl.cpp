#include "ui/sort_list_ctrl.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <utility>

#include "platform/dialogs/dialog_builder.h"
#include "res/dialog_template.h"
#include "ui/sys_colors.h"

namespace {

// Pixels between a cell's edge and its text, as the list view leaves them.
constexpr int kCellPadding = 6;

QString cutToBuffer(const std::string& text) {
  QString s = QString::fromUtf8(text);
  if (s.size() > CSortListCtrl::kTextBuffer - 1) s.truncate(CSortListCtrl::kTextBuffer - 1);
  return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// The rows, in list order. A row's cells are empty unless marked as supplied
// on request.

class CSortListCtrl::Model : public QAbstractTableModel {
 public:
  struct Row {
    SortListRow* data = nullptr;
    unsigned onRequest = 0;  // bit n: column n asks the record
  };
  struct Column {
    QString title;
    Qt::Alignment format;
  };

  explicit Model(bool ownsRows, QObject* parent) : QAbstractTableModel(parent), owns_(ownsRows) {}
  ~Model() override {
    for (Row& r : rows_) release(r);
  }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::DisplayRole) return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && index.column() < columnCount())
      return QVariant::fromValue(columns_[index.column()].format | Qt::AlignVCenter);
    return {};
  }

  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (o != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    if (role == Qt::DisplayRole) return columns_[section].title;
    if (role == Qt::TextAlignmentRole)
      return QVariant::fromValue(columns_[section].format | Qt::AlignVCenter);
    return {};
  }

  // The answer to the list's request for a cell's text.
  QString cellText(int row, int column) const {
    const Row& r = rows_[row];
    if (column < 0 || column >= SortListRow::kTexts || !(r.onRequest & (1u << column)) || !r.data)
      return {};
    const auto& text = r.data->text[column];
    return text ? cutToBuffer(*text) : QString();
  }

  int insertColumn(int column, const QString& title, Qt::Alignment format) {
    column = std::clamp(column, 0, columnCount());
    beginInsertColumns({}, column, column);
    columns_.insert(columns_.begin() + column, Column{title, format});
    endInsertColumns();
    return column;
  }

  int insertRow(int row) {
    row = std::clamp(row, 0, rowCount());
    beginInsertRows({}, row, row);
    rows_.insert(rows_.begin() + row, Row{});
    endInsertRows();
    return row;
  }

  bool removeRowAt(int row) {
    if (row < 0 || row >= rowCount()) return false;
    beginRemoveRows({}, row, row);
    release(rows_[row]);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    return true;
  }

  void clear() {
    beginResetModel();
    for (Row& r : rows_) release(r);
    rows_.clear();
    endResetModel();
  }

  Row* row(int i) { return i >= 0 && i < rowCount() ? &rows_[i] : nullptr; }
  const Row* row(int i) const { return i >= 0 && i < rowCount() ? &rows_[i] : nullptr; }

  void setData(int i, SortListRow* data) {
    Row& r = rows_[i];
    if (owns_ && r.data != data) delete r.data;
    r.data = data;
    emit dataChanged(index(i, 0), index(i, std::max(0, columnCount() - 1)));
  }

  void markOnRequest(int i, int column) {
    rows_[i].onRequest |= 1u << column;
    emit dataChanged(index(i, column), index(i, column));
  }

  // Orders the rows by a column's record texts; the selection and the
  // current row follow their rows.
  void sortBy(int column, bool ascending) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    auto key = [column](const Row& r) -> QString {
      if (column < 0 || column >= SortListRow::kTexts || !r.data || !r.data->text[column])
        return {};
      return QString::fromUtf8(*r.data->text[column]);
    };
    std::vector<int> order(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::vector<QString> keys;
    keys.reserve(rows_.size());
    for (const Row& r : rows_) keys.push_back(key(r));
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      const int c = collator.compare(keys[a], keys[b]);
      return ascending ? c < 0 : c > 0;
    });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPos(order.size());
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
      newPos[order[i]] = static_cast<int>(i);
      sorted.push_back(rows_[order[i]]);
    }
    rows_ = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& i : before) after.push_back(index(newPos[i.row()], i.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  }

 private:
  void release(Row& r) {
    if (owns_) delete r.data;
    r.data = nullptr;
  }

  bool owns_;
  std::vector<Row> rows_;
  std::vector<Column> columns_;
};

// ---------------------------------------------------------------------------
// The header paints its titles itself and marks the sorted column with an
// outlined triangle.

class CSortListCtrl::Header : public QHeaderView {
 public:
  explicit Header(CSortListCtrl& list) : QHeaderView(Qt::Horizontal, &list), list_(list) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }

 protected:
  void paintSection(QPainter* p, const QRect& rect, int section) const override {
    if (!rect.isValid()) return;
    p->save();
    p->fillRect(rect, ui::sysColor(ui::COLOR_BTNFACE));
    // A raised edge: light above and left, shadow below and right.
    p->setPen(ui::sysColor(ui::COLOR_BTNHIGHLIGHT));
    p->drawLine(rect.topLeft(), rect.topRight());
    p->drawLine(rect.topLeft(), rect.bottomLeft());
    p->setPen(ui::sysColor(ui::COLOR_BTNSHADOW));
    p->drawLine(rect.bottomLeft(), rect.bottomRight());
    p->drawLine(rect.topRight(), rect.bottomRight());

    const int blank = fontMetrics().horizontalAdvance(QLatin1Char(' '));
    QRect textRect = rect.adjusted(kCellPadding, 0, -kCellPadding, 0);
    const bool sorted = section == list_.sortColumn_;
    if (sorted) textRect.setRight(rect.right() - triangleMargin(blank));
    const QString title = model() ? model()->headerData(section, Qt::Horizontal).toString() : "";
    const auto align = static_cast<Qt::Alignment>(
        model() ? model()->headerData(section, Qt::Horizontal, Qt::TextAlignmentRole).toInt()
                : int(Qt::AlignLeft | Qt::AlignVCenter));
    p->setPen(palette().color(QPalette::ButtonText));
    p->drawText(textRect, int(align) | Qt::TextSingleLine,
                fontMetrics().elidedText(title, Qt::ElideRight, textRect.width()));
    if (sorted) paintTriangle(*p, rect, blank);
    p->restore();
  }

 private:
  // Apex up for ascending, down for descending, in the middle of the margin
  // right of the title.
  void paintTriangle(QPainter& p, const QRect& rect, int blank) const {
    const int half = std::max(2, blank);
    const int height = std::max(3, blank + blank / 2);
    const int cx = rect.right() - triangleMargin(blank) / 2;
    const int top = rect.top() + (rect.height() - height) / 2;
    const int bottom = top + height;
    const QColor light = ui::sysColor(ui::COLOR_BTNHIGHLIGHT);
    const QColor shadow = ui::sysColor(ui::COLOR_BTNSHADOW);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (list_.sortAscending_) {
      p.setPen(shadow);
      p.drawLine(cx, top, cx - half, bottom);
      p.setPen(light);
      p.drawLine(cx, top, cx + half, bottom);
      p.drawLine(cx - half, bottom, cx + half, bottom);
    } else {
      p.setPen(shadow);
      p.drawLine(cx - half, top, cx + half, top);
      p.drawLine(cx - half, top, cx, bottom);
      p.setPen(light);
      p.drawLine(cx + half, top, cx, bottom);
    }
  }

  CSortListCtrl& list_;
};

// ---------------------------------------------------------------------------

CSortListCtrl::CSortListCtrl(bool sortable, bool ownsRows, QWidget* parent)
    : QTreeView(parent),
      model_(new Model(ownsRows, this)),
      header_(new Header(*this)),
      sortable_(sortable),
      ownsRows_(ownsRows) {
  setHeader(header_);
  setModel(model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTextElideMode(Qt::ElideRight);
  connect(header_, &QHeaderView::sectionClicked, this, [this](int c) { headerClicked(c); });
}

CSortListCtrl::~CSortListCtrl() {
  // The view lets go of the model before the rows are freed.
  setModel(nullptr);
  delete model_;
}

bool CSortListCtrl::SubclassDlgItem(int id, QWidget* dialog) {
  QWidget* old = dlg::findControl<QWidget>(dialog, id);
  if (!old) return false;
  QWidget* parent = old->parentWidget();
  setParent(parent);
  setGeometry(old->geometry());
  setFont(old->font());
  setObjectName(old->objectName());
  setProperty("controlId", old->property("controlId"));
  const auto* tmpl = res::findDialog(dialog->property("dialogId").toInt());
  if (tmpl) {
    for (const res::ControlTemplate& c : tmpl->controls) {
      if (c.id != id) continue;
      setSelectionMode((c.style & res::style::LVS_SINGLESEL)
                           ? QAbstractItemView::SingleSelection
                           : QAbstractItemView::ExtendedSelection);
      setShowSelectionAlways((c.style & res::style::LVS_SHOWSELALWAYS) != 0);
    }
  }
  // Keep the control's place in the tab order.
  QWidget* next = old->nextInFocusChain();
  old->setObjectName(QString());
  old->hide();
  if (next && next != old) QWidget::setTabOrder(this, next);
  delete old;
  show();
  return true;
}

int CSortListCtrl::InsertColumn(int column, const QString& title, int width, Qt::Alignment format) {
  const int at = model_->insertColumn(column, title, format);
  header_->resizeSection(at, std::max(0, width));
  return at;
}

int CSortListCtrl::columnCountShown() const { return model_->columnCount(); }

int CSortListCtrl::InsertItem(int row) { return model_->insertRow(row); }

bool CSortListCtrl::SetItemData(int row, SortListRow* data) {
  if (!model_->row(row)) return false;
  model_->setData(row, data);
  return true;
}

SortListRow* CSortListCtrl::GetItemData(int row) const {
  const Model::Row* r = model_->row(row);
  return r ? r->data : nullptr;
}

bool CSortListCtrl::SetItemTextCallback(int row, int column) {
  if (!model_->row(row) || column < 0 || column >= SortListRow::kTexts) return false;
  model_->markOnRequest(row, column);
  return true;
}

bool CSortListCtrl::DeleteItem(int row) { return model_->removeRowAt(row); }

void CSortListCtrl::DeleteAllItems() { model_->clear(); }

int CSortListCtrl::GetItemCount() const { return model_->rowCount(); }

QString CSortListCtrl::GetItemText(int row, int column) const {
  if (!model_->row(row)) return {};
  return model_->cellText(row, column);
}

void CSortListCtrl::SortItems(int column, bool ascending) {
  if (!sortable_) return;
  sortColumn_ = column;
  sortAscending_ = ascending;
  model_->sortBy(column, ascending);
  header_->viewport()->update();
}

void CSortListCtrl::headerClicked(int column) {
  if (!sortable_) return;
  SortItems(column, column == sortColumn_ ? !sortAscending_ : true);
}

void CSortListCtrl::SetOwnerDraw(bool on) {
  ownerDraw_ = on;
  viewport()->update();
}

int CSortListCtrl::GetSelectedRow() const {
  if (!selectionModel()) return -1;
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void CSortListCtrl::SelectRow(int row) {
  if (!model_->row(row)) {
    clearSelection();
    return;
  }
  const QModelIndex i = model_->index(row, 0);
  selectionModel()->setCurrentIndex(
      i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CSortListCtrl::drawRow(QPainter* p, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  if (!ownerDraw_) {
    QTreeView::drawRow(p, option, index);
    return;
  }
  const int row = index.row();
  const QRect rowRect(0, option.rect.top(), std::max(viewport()->width(), header_->length()),
                      option.rect.height());
  const bool focused = hasFocus();
  const bool selected = selectionModel() && selectionModel()->isRowSelected(row, {}) &&
                        (focused || showSelectionAlways_);
  const QPalette& pal = palette();
  p->save();
  p->fillRect(rowRect, selected ? pal.color(QPalette::Active, QPalette::Highlight)
                                : pal.color(QPalette::Base));
  p->setPen(selected ? pal.color(QPalette::Active, QPalette::HighlightedText)
                     : pal.color(QPalette::Text));
  int imageRight = 0;
  const QVariant image = model_->data(model_->index(row, 0), Qt::DecorationRole);
  if (image.canConvert<QIcon>()) {
    const QIcon icon = image.value<QIcon>();
    if (!icon.isNull()) {
      const int y = rowRect.top() + (rowRect.height() - 16) / 2;
      icon.paint(p, QRect(header_->sectionViewportPosition(0) + 2, y, 16, 16));
      imageRight = 18;
    }
  }
  for (int c = 0; c < model_->columnCount(); ++c) {
    if (header_->isSectionHidden(c)) continue;
    const int x = header_->sectionViewportPosition(c);
    const int w = header_->sectionSize(c);
    QRect cell(x, rowRect.top(), w, rowRect.height());
    cell.adjust(kCellPadding + (c == 0 ? imageRight : 0), 0, -kCellPadding, 0);
    if (cell.width() <= 0) continue;
    const auto align = static_cast<Qt::Alignment>(
        model_->data(model_->index(row, c), Qt::TextAlignmentRole).toInt());
    const QString text = model_->cellText(row, c);
    p->drawText(cell, int(align) | Qt::TextSingleLine,
                QFontMetrics(font()).elidedText(text, Qt::ElideRight, cell.width()));
  }
  if (focused && currentIndex().isValid() && currentIndex().row() == row) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rowRect.adjusted(0, 0, -1, -1);
    focus.backgroundColor = selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, p, this);
  }
  p->restore();
}
