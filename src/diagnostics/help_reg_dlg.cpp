#include "diagnostics/help_reg_dlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <set>

#include "common/browse_open_file.h"
#include "common/messages.h"
#include "common/string_utils.h"
#include "diagnostics/edit_reg_dlg.h"
#include "diagnostics/missing_files_dlg.h"
#include "platform/dialogs/dialog_builder.h"
#include "platform/registry/reg_text.h"
#include "platform/system/sysdirs.h"
#include "res/help_tables.h"
#include "res/ids.h"
#include "res/strings.h"
#include "ui/program_help.h"
#include "ui/round_button.h"
#include "ui/sort_list_ctrl.h"
#include "ui/sys_colors.h"

namespace {

helpreg::Mode gMode = helpreg::Mode::HtmlHelp;

// Column 0's width is h - 120 and column 1's h + 120, h being half the
// list's width less 4 pixels.
constexpr int kColumnShift = 120;
constexpr int kListFrame = 4;

// The painted buttons of dialog 101.
constexpr int kRoundButtons[] = {IDCANCEL, IDC_REG_CHANGE, IDC_DELETE, IDC_REG_ADD, IDOK, IDC_TIPS};

struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

std::string joinNames(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : "\r\n") + n;
  return out;
}

}  // namespace

helpreg::Mode helpRegistryMode() { return gMode; }
void setHelpRegistryMode(helpreg::Mode mode) { gMode = mode; }

CHelpRegDlg::CHelpRegDlg(QWidget* parent) : CNSFlexDialog(IDD_HELP_REGISTRY, parent), mode_(gMode) {
  setObjectName(QStringLiteral("HelpRegDlg"));
}

CHelpRegDlg::~CHelpRegDlg() = default;

bool CHelpRegDlg::OnInitDialog() {
  WaitCursor wait;
  if (!CNSFlexDialog::OnInitDialog()) return false;
  addControl(IDC_LIST, Anchor::stretch(), Anchor::stretch());
  addControl(IDC_REG_CHANGE, Anchor::move(), Anchor::fixed());
  addControl(IDC_DELETE, Anchor::move(), Anchor::fixed());
  addControl(IDC_REG_ADD, Anchor::move(), Anchor::fixed());
  addControl(IDOK, Anchor::fixed(), Anchor::move());
  addControl(IDCANCEL, Anchor::fixed(), Anchor::move());
  addControl(IDC_TIPS, Anchor::move(), Anchor::move());
  setSizeGripEnabled(true);

  for (int id : kRoundButtons) {
    auto* b = qobject_cast<QPushButton*>(control(id));
    if (!b) continue;
    auto* round = new CRndBtn(this);
    round->attach(b);
    buttons_.emplace_back(round);
  }
  auto clicked = [this](int id, void (CHelpRegDlg::*handler)()) {
    if (auto* b = qobject_cast<QAbstractButton*>(control(id)))
      connect(b, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
  };
  clicked(IDC_DELETE, &CHelpRegDlg::OnDelete);
  clicked(IDC_REG_ADD, &CHelpRegDlg::OnAdd);
  clicked(IDC_REG_CHANGE, &CHelpRegDlg::OnChange);
  if (auto* b = qobject_cast<QAbstractButton*>(control(IDC_TIPS)))
    connect(b, &QAbstractButton::clicked, this,
            [this] { ShowDialogTopic(res::RegistryTopic(mode_ == helpreg::Mode::WinHelp), this); });

  list_ = new CSortListCtrl(true, true);
  list_->SubclassDlgItem(IDC_LIST, this);
  const int half = (list_->width() - kListFrame) / 2;
  list_->InsertColumn(0, QString::fromUtf8(LoadStr(IDS_COL_FILE)), half - kColumnShift);
  list_->InsertColumn(1, QString::fromUtf8(LoadStr(IDS_COL_PATH)), half + kColumnShift);
  fillList();
  list_->SetOwnerDraw();
  list_->SortItems(0, true);
  if (mode_ == helpreg::Mode::WinHelp)
    setWindowTitle(QString::fromUtf8(LoadStr(IDS_WINHELP_REGISTRY_TITLE)));
  return true;
}

void CHelpRegDlg::appendRow(const std::string& name, const std::string& folder, int index) {
  const int row = list_->InsertItem(list_->GetItemCount());
  auto* data = new SortListRow;
  data->text[0] = name;
  data->text[1] = folder;
  data->index = index;
  list_->SetItemData(row, data);
  list_->SetItemTextCallback(row, 0);
  list_->SetItemTextCallback(row, 1);
}

void CHelpRegDlg::fillList() {
  helpreg::Listing listing = helpreg::readEntries(mode_, helpreg::FixedDrives::current());
  snapshot_ = listing.entries;
  std::size_t next = 0;
  for (std::size_t i = 0; i < listing.entries.size(); ++i) {
    const helpreg::Entry& e = listing.entries[i];
    const bool missing = next < listing.missing.size() && listing.missing[next].row == i;
    if (missing) ++next;
    appendRow(missing ? helpreg::withMissingSuffix(e.name) : e.name, e.folder, static_cast<int>(i));
  }
  if (!listing.missing.empty()) offerMissingCleanUp(listing.missing);
}

// Dialog 138 over the main window; on "删除(&D)" the missing values go from
// the registry at once, from the highest row down, so that the row numbers
// recorded while filling stay valid (the list is not sorted yet).
void CHelpRegDlg::offerMissingCleanUp(const std::vector<helpreg::MissingFile>& missing) {
  CMissingFilesDlg question(missing, parentWidget());
  if (question.DoModal() != IDOK) return;
  std::vector<std::string> names;
  for (auto m = missing.rbegin(); m != missing.rend(); ++m) {
    const SortListRow* row = list_->GetItemData(static_cast<int>(m->row));
    if (row && row->text[0]) names.push_back(helpreg::stripMissingSuffix(*row->text[0]));
  }
  const helpreg::WriteResult r = helpreg::deleteValues(mode_, names);
  if (!r.keyOpened) {
    // Nothing removed: the rows stay marked.
    if (!r.refusal.empty()) reportFailure(r);
    return;
  }
  // Sets and one pass over the snapshot: thousands of missing files cost
  // no more than reading them did.
  const std::set<std::string> failed(r.failed.begin(), r.failed.end());
  std::set<std::string> removed;  // folded names
  for (auto m = missing.rbegin(); m != missing.rend(); ++m) {
    const int rowNumber = static_cast<int>(m->row);
    const SortListRow* row = list_->GetItemData(rowNumber);
    if (!row || !row->text[0]) continue;
    const std::string name = helpreg::stripMissingSuffix(*row->text[0]);
    if (failed.contains(name)) continue;  // the value is still there: its row stays marked
    removed.insert(reg::foldName(name));
    list_->DeleteItem(rowNumber);
  }
  // The first snapshot entry of each removed name goes.
  std::erase_if(snapshot_,
                [&](const helpreg::Entry& e) { return removed.erase(reg::foldName(e.name)) > 0; });
  if (!r.failed.empty()) reportFailure(r);
}

void CHelpRegDlg::OnDelete() {
  const int row = list_->GetSelectedRow();
  if (row < 0) {
    ShowDialogMessage(this, IDS_SELECT_ENTRY_FIRST, {}, MB_ICONWARNING);
    return;
  }
  list_->DeleteItem(row);
}

void CHelpRegDlg::OnAdd() {
  std::string chosen;
  const char* pattern = mode_ == helpreg::Mode::HtmlHelp ? "*.chm" : "*.hlp";
  if (!BrowseOpenFile(this, pattern, chosen)) return;
  const helpreg::Entry e = helpreg::entryForFile(chosen);
  appendRow(e.name, e.folder, list_->GetItemCount());
  list_->SortItems(0, true);
}

void CHelpRegDlg::OnChange() {
  const int row = list_->GetSelectedRow();
  if (row < 0) {
    ShowDialogMessage(this, IDS_SELECT_ENTRY_FIRST, {}, MB_ICONWARNING);
    return;
  }
  const SortListRow* data = list_->GetItemData(row);
  const std::string name = data && data->text[0] ? *data->text[0] : std::string();
  const std::string folder = data && data->text[1] ? *data->text[1] : std::string();
  CEditRegDlg edit(name, folder, this);
  if (edit.DoModal() != IDOK) return;
  list_->DeleteItem(row);
  // Not sorted again: the changed entry shows as the last row.
  appendRow(name, edit.folder(), list_->GetItemCount());
}

std::vector<helpreg::Entry> CHelpRegDlg::editedEntries() const {
  std::vector<helpreg::Entry> out;
  for (int i = 0; i < list_->GetItemCount(); ++i) {
    const SortListRow* row = list_->GetItemData(i);
    if (!row) continue;
    out.push_back(
        {helpreg::stripMissingSuffix(row->text[0].value_or("")), row->text[1].value_or("")});
  }
  return out;
}

// A save that cannot write everything says so and keeps the dialog open
// with its rows, so nothing typed is lost; the snapshot becomes what the
// registry now holds, so that a second try writes only what is still
// missing.
void CHelpRegDlg::OnOK() {
  if (!UpdateData(true) || !Validate(0)) return;
  const std::vector<helpreg::Change> plan = helpreg::planSave(snapshot_, editedEntries());
  if (plan.empty()) {
    done(QDialog::Accepted);
    return;
  }
  const helpreg::WriteResult r = helpreg::applyChanges(mode_, plan);
  if (r.ok()) {
    done(QDialog::Accepted);
    return;
  }
  reportFailure(r);
  if (r.keyOpened) snapshot_ = helpreg::readEntries(mode_, helpreg::FixedDrives::current()).entries;
}

void CHelpRegDlg::reportFailure(const helpreg::WriteResult& r) {
  if (!r.refusal.empty()) {
    ShowDialogMessage(this, IDS_WINE_SERVER_RUNNING, sysdirs::winePrefix(), MB_ICONWARNING);
    return;
  }
  if (!r.keyOpened) {
    ShowDialogMessage(this, IDS_CANNOT_OPEN_REGISTRY, {}, MB_ICONWARNING);
    return;
  }
  const std::string text = fillFormat(LoadStr(IDS_REGISTRY_NAMES_FAILED),
                                      {LoadStr(IDS_CANNOT_OPEN_REGISTRY), joinNames(r.failed)});
  // Owned by the editor for this one message.
  MessageBoxContext& context = messageBoxContext();
  void* owner = context.owner;
  context.owner = this;
  ShowMessageText(text, MB_ICONWARNING);
  context.owner = owner;
}

void CHelpRegDlg::helpFor(QWidget* child) {
  QWidget* target = child;
  // A click inside the list lands on its viewport or header.
  while (target && target != this && dlg::controlId(target) <= 0) target = target->parentWidget();
  ShowControlHelp(res::kHelpRegistryHelp, target ? target : this);
}

bool CHelpRegDlg::event(QEvent* e) {
  if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1) {
    helpFor(focusWidget());  // the child that has the focus in this dialog
    return true;
  }
  if (e->type() == QEvent::ContextMenu) {
    helpFor(childAt(static_cast<QContextMenuEvent*>(e)->pos()));
    return true;
  }
  return CNSFlexDialog::event(e);
}

void CHelpRegDlg::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ui::sysColor(ui::COLOR_BTNFACE));
}

void HtmlHelpRegistryCommand(QWidget* owner) {
  setHelpRegistryMode(helpreg::Mode::HtmlHelp);
  CHelpRegDlg dialog(owner);
  dialog.DoModal();
}

void WinHelpRegistryCommand(QWidget* owner) {
  setHelpRegistryMode(helpreg::Mode::WinHelp);
  CHelpRegDlg dialog(owner);
  dialog.DoModal();
}
