#include "diagnostics/components_dlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QPushButton>
#include <string>

#include "common/messages.h"
#include "finders/finder_search.h"
#include "platform/shell/shell.h"
#include "res/help_tables.h"
#include "res/ids.h"
#include "res/strings.h"
#include "res/text_format.h"
#include "ui/program_help.h"
#include "ui/round_button.h"
#include "ui/sort_list_ctrl.h"

using finders::FinderMode;

namespace {

// The search's side of the progress window: the window appears when the
// drive walk begins, owns message boxes and the focus while it runs, and
// hands both back when it closes.
class ProgressBinding : public finders::FinderProgress {
 public:
  ProgressBinding(CComponentsDlg& dialog, CProgressWnd& progress)
      : dialog_(dialog), progress_(progress) {}

  void begin(std::uint32_t units, const std::string& message) override {
    progress_.create(&dialog_, true);
    progress_.setRange(0, static_cast<int>(units), 1);
    progress_.setText("%s", message.c_str());
    if (QWidget* w = progress_.window()) {
      w->show();
      owner_ = messageBoxContext().owner;
      SetMessageBoxContext(w, messageBoxContext().caption, messageBoxContext().doubleByte);
      w->activateWindow();
      w->setFocus();
    }
  }
  void setMessage(const std::string& message) override { progress_.setText("%s", message.c_str()); }
  void step() override { progress_.step(); }
  void pump() override { progress_.pump(); }
  bool cancelled() override { return progress_.cancelled; }
  void end() override {
    if (progress_.window())
      SetMessageBoxContext(owner_, messageBoxContext().caption, messageBoxContext().doubleByte);
    progress_.destroy();
    dialog_.activateWindow();
    dialog_.setFocus();
  }

 private:
  CComponentsDlg& dialog_;
  CProgressWnd& progress_;
  void* owner_ = nullptr;
};

}  // namespace

CComponentsDlg::CComponentsDlg(FinderMode mode, QWidget* parent)
    : CNSFlexDialog(IDD_COMPONENTS, parent), mode_(mode) {}

CComponentsDlg::~CComponentsDlg() = default;

bool CComponentsDlg::OnInitDialog() {
  if (!CNSFlexDialog::OnInitDialog()) return false;
  addControl(IDC_LIST, Anchor::stretch(), Anchor::stretch());
  addControl(IDC_EXPLORE, Anchor::fixed(), Anchor::move());
  addControl(IDC_DELETE, Anchor::fixed(), Anchor::move());
  addControl(IDC_TIPS, Anchor::fixed(), Anchor::move());
  addControl(IDCANCEL, Anchor::move(), Anchor::move());
  setSizeGripEnabled(true);

  for (int id : {IDCANCEL, IDC_EXPLORE, IDC_DELETE, IDC_TIPS}) {
    auto* button = qobject_cast<QPushButton*>(control(id));
    if (!button) continue;
    auto* round = new CRndBtn(this);
    round->attach(button);
    buttons_.push_back(round);
    switch (id) {
      case IDCANCEL:
        connect(button, &QPushButton::clicked, this, &QDialog::reject);
        break;
      case IDC_EXPLORE:
        connect(button, &QPushButton::clicked, this, [this] { OnExplore(); });
        break;
      case IDC_DELETE:
        connect(button, &QPushButton::clicked, this, [this] { OnDelete(); });
        break;
      default:
        connect(button, &QPushButton::clicked, this, [this] { OnTips(); });
        break;
    }
  }
  list_ = new CSortListCtrl(true, true, this);
  if (!list_->SubclassDlgItem(IDC_LIST, this)) return false;

  switch (mode_) {
    case FinderMode::WinHelpComponents:
      setWindowTitle(LoadStr(IDS_WINHELP_COMPONENTS_TITLE));
      break;
    case FinderMode::HtmlHelpFiles:
      setWindowTitle(LoadStr(IDS_HTMLHELP_FILES_TITLE));
      break;
    case FinderMode::WinHelpFiles:
      setWindowTitle(LoadStr(IDS_WINHELP_FILES_TITLE));
      break;
    default:
      break;  // the template's caption
  }
  insertColumns();
  runSearch();
  // Folders the walk could not open are told in the caption, without a
  // question in the way of the list.
  if (unopenedFolders_ > 0)
    setWindowTitle(windowTitle() + "  " +
                   QString::fromUtf8(FormatMessageText(LoadStr(IDS_FOLDERS_SKIPPED),
                                                       std::to_string(unopenedFolders_))));
  list_->SetOwnerDraw(true);
  list_->SortItems(0, true);
  return true;
}

void CComponentsDlg::insertColumns() {
  const int b = list_->width() / 4;
  const bool components = finders::isComponentMode(mode_);
  const int ids[4] = {components ? IDS_COL_COMPONENT : IDS_COL_FILE,
                      components ? IDS_COL_VERSION : IDS_COL_EXTENSION, IDS_COL_DATE, IDS_COL_PATH};
  const int widths[4] = {components ? b - 20 : b - 30, components ? b - 40 : b - 90, b - 10,
                         components ? b + 70 : b + 130};
  for (int c = 0; c < 4; ++c) list_->InsertColumn(c, QString::fromUtf8(LoadStr(ids[c])), widths[c]);
}

void CComponentsDlg::runSearch() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  finders::FinderSearch search(mode_);
  ProgressBinding binding(*this, progress_);
  search.run(drivesToSearch ? *drivesToSearch : finders::finderDrives(), binding);
  cancelled_ = search.cancelled();
  unopenedFolders_ = search.unopenedFolders();
  for (finders::FinderRow& found : search.rows()) {
    auto* row = new SortListRow;
    for (int c = 0; c < 4; ++c) row->text[c] = std::move(found.text[c]);
    row->index = static_cast<std::int32_t>(found.index);
    const int at = list_->InsertItem(list_->GetItemCount());
    list_->SetItemData(at, row);
    for (int c = 0; c < 4; ++c) list_->SetItemTextCallback(at, c);
  }
  QApplication::restoreOverrideCursor();
}

void CComponentsDlg::OnExplore() {
  const int row = list_->GetSelectedRow();
  const SortListRow* data = row >= 0 ? list_->GetItemData(row) : nullptr;
  if (!data) {
    ShowDialogMessage(this, IDS_SELECT_ENTRY_FIRST, {}, MB_ICONWARNING);
    return;
  }
  const std::string path = data->text[3].value_or(std::string());
  // A path without a folder part names nothing to open.
  if (path.find('/') != std::string::npos) shell::ShowItemInFolder(path);
  setFocus();
}

void CComponentsDlg::OnDelete() {
  const int row = list_->GetSelectedRow();
  const SortListRow* data = row >= 0 ? list_->GetItemData(row) : nullptr;
  if (!data) {
    ShowDialogMessage(this, IDS_SELECT_ENTRY_FIRST, {}, MB_ICONWARNING);
    return;
  }
  const std::string path = data->text[3].value_or(std::string());
  if (ShowDialogMessage(this, IDS_CONFIRM_DELETE, path, MB_YESNO) != IDYES) return;
  if (!finders::deleteFoundFile(path)) {
    ShowDialogMessage(this, IDS_CANNOT_DELETE, path, MB_ICONEXCLAMATION);
    return;
  }
  list_->DeleteItem(row);
}

void CComponentsDlg::OnTips() { ShowDialogTopic(res::FinderTopic(static_cast<int>(mode_)), this); }

void CComponentsDlg::controlHelp(QWidget* widget) {
  // The pop-up of the control under the mouse or with the focus: the list
  // stands for its own header and viewport.
  while (widget && widget != this && widget->parentWidget() != this)
    widget = widget->parentWidget();
  if (!widget || widget == this) return;
  ShowControlHelp(res::FinderControlHelp(static_cast<int>(mode_)), widget);
}

void CComponentsDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    controlHelp(QApplication::focusWidget());
    return;
  }
  CNSFlexDialog::keyPressEvent(event);
}

void CComponentsDlg::contextMenuEvent(QContextMenuEvent* event) {
  controlHelp(childAt(event->pos()));
}

namespace {

void runFinder(QWidget* owner, FinderMode mode) {
  CComponentsDlg dialog(mode, owner);
  dialog.DoModal();
}

}  // namespace

void HtmlHelpComponentsCommand(QWidget* owner) { runFinder(owner, FinderMode::HtmlHelpComponents); }
void WinHelpComponentsCommand(QWidget* owner) { runFinder(owner, FinderMode::WinHelpComponents); }
void HtmlHelpFilesCommand(QWidget* owner) { runFinder(owner, FinderMode::HtmlHelpFiles); }
void WinHelpFilesCommand(QWidget* owner) { runFinder(owner, FinderMode::WinHelpFiles); }
