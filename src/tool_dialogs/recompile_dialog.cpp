#include "tool_dialogs/recompile_dialog.h"

#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>

#include "common/history_list.h"
#include "common/string_utils.h"
#include "platform/browser/hh_pane_ctrl.h"
#include "platform/dialogs/dialog_builder.h"
#include "platform/registry/registry.h"
#include "platform/system/sysdirs.h"
#include "res/help_tables.h"
#include "res/ids.h"
#include "res/strings.h"
#include "ui/browse_chm.h"
#include "ui/hover_hook.h"
#include "ui/program_help.h"

namespace {

constexpr const char* kCompilerKeys[] = {
    "Software\\Microsoft\\HTML Help Workshop\\Compiled Files",
    "Software\\Microsoft\\HTML Help Workshop\\Compressed HTML",
};
constexpr std::size_t kValueBuffer = 260;
constexpr const char* kFolderHistory = "Recompile Folders";
constexpr int kFolderHistoryMax = 15;
// Tips for a dialog constructed more than this before the last OK.
constexpr std::uint32_t kTimedInfoMs = 60000;

// The construction tick of the last recompile dialog closed with OK.
std::uint32_t lastOkTick = 0;

std::uint32_t tickCount() {
  static QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return static_cast<std::uint32_t>(clock.elapsed());
}

class ComboFill final : public ComboTarget {
 public:
  explicit ComboFill(QComboBox* combo) : combo_(combo) {}
  void addString(std::string_view text) override {
    combo_->addItem(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
  }
  void select(int index) override { combo_->setCurrentIndex(index); }

 private:
  QComboBox* combo_;
};

}  // namespace

CHistoryList& recompileFolderHistory() { return GetHistoryList(kFolderHistory, kFolderHistoryMax); }

std::vector<std::string> registeredCompiledFiles() {
  std::vector<std::string> out;
  for (const char* keyName : kCompilerKeys) {
    reg::HKEY key = nullptr;
    if (reg::RegOpenKeyEx(reg::HKEY_CURRENT_USER, keyName, 0, reg::KEY_READ, &key) !=
        reg::ERROR_SUCCESS)
      continue;
    for (reg::DWORD i = 0;; ++i) {
      std::string name;
      std::vector<std::uint8_t> data;
      reg::DWORD type = 0;
      if (reg::RegEnumValue(key, i, &name, &type, &data) != reg::ERROR_SUCCESS) break;
      if (data.size() > kValueBuffer) continue;
      std::string path(data.begin(), data.end());
      if (const std::size_t nul = path.find('\0'); nul != std::string::npos) path.resize(nul);
      if (path.empty()) continue;
      path = sysdirs::nativePath(path);
      bool known = false;
      for (const std::string& p : out) known = known || EqualsNoCase(p, path);
      if (!known) out.push_back(path);
    }
    reg::RegCloseKey(key);
  }
  return out;
}

CRecompileDlg::CRecompileDlg(bool withTips, QWidget* parent)
    : CToolDialog(withTips ? IDD_RECOMPILE_TIPS : IDD_RECOMPILE, parent),
      withTips_(withTips),
      constructedTick_(tickCount()) {
  hoverTimer_.setSingleShot(true);
  hoverTimer_.setInterval(kHoverDelayMs);
  QObject::connect(&hoverTimer_, &QTimer::timeout, this, [this] { showTip(pendingControl_); });
}

CRecompileDlg::~CRecompileDlg() { closing(); }

void CRecompileDlg::closing() {
  if (hoverHookWindow() && hoverHookWindow() == window()) RemoveHoverHook();
  hoverTimer_.stop();
}

bool CRecompileDlg::wantsTimedInfo(std::uint32_t constructedTick, std::uint32_t lastOk) {
  return constructedTick + kTimedInfoMs < lastOk;
}

std::string CRecompileDlg::text(int controlId) const { return getControlText(controlId); }

void CRecompileDlg::setText(int controlId, const std::string& value) {
  if (auto* combo = qobject_cast<QComboBox*>(control(controlId)))
    combo->setEditText(QString::fromStdString(value));
}

bool CRecompileDlg::checked(int controlId) const {
  auto* box = qobject_cast<QCheckBox*>(control(controlId));
  return box && box->isChecked();
}

void CRecompileDlg::onInit() {
  if (auto* source = qobject_cast<QComboBox*>(control(IDC_RECOMPILE_SOURCE))) {
    for (const std::string& path : registeredCompiledFiles())
      source->addItem(QString::fromStdString(path));
    source->setEditText(QString());
  }
  if (auto* target = qobject_cast<QComboBox*>(control(IDC_RECOMPILE_TARGET))) {
    ComboFill fill(target);
    recompileFolderHistory().FillCombo(fill);
    target->setEditText(QString());
  }
  // The drop boxes start cleared: several readers on Linux show only the
  // sitemap files, so a file keeps them unless asked otherwise.
  for (int id : {IDC_RECOMPILE_COLLECTION, IDC_RECOMPILE_DROP_INDEX, IDC_RECOMPILE_DROP_CONTENTS})
    if (auto* box = qobject_cast<QCheckBox*>(control(id)))
      box->setChecked(id == IDC_RECOMPILE_COLLECTION);
  if (withTips_) {
    // Every control reports the mouse and the focus to the dialog.
    // The help page takes the place of static 1056.
    auto page = std::make_unique<CHHPaneCtrl>();
    page->colourMode = CHHPaneCtrl::kButtonColours;
    if (page->CreateInPlace(window(), IDC_RECOMPILE_TIP_PAGE, 0, HHHome::none(), false) &&
        page->SetHelpFile(res::kHelpFile)) {
      QObject::connect(page.get(), &CHHCtrl::documentCompleted, this,
                       [this](const QString&, bool ok) {
                         if (ok && tipPage_ && wantsTimedInfo(constructedTick_, lastOkTick))
                           tipPage_->HideById("ItTimedInfo");
                       });
      tipPage_ = std::move(page);
    }
    // The mouse over any control, and the focus, report to the dialog.
    InstallHoverHook(window());
    for (QWidget* child : window()->findChildren<QWidget*>()) {
      child->setMouseTracking(true);
      child->installEventFilter(this);
    }
    showTip(IDC_RECOMPILE_SOURCE);
  }
  updateOk();
}

void CRecompileDlg::updateOk() {
  if (QWidget* ok = control(IDOK))
    ok->setEnabled(!text(IDC_RECOMPILE_SOURCE).empty() && !text(IDC_RECOMPILE_TARGET).empty());
}

void CRecompileDlg::onEditChange(int controlId) {
  if (controlId == IDC_RECOMPILE_SOURCE || controlId == IDC_RECOMPILE_TARGET) updateOk();
}

void CRecompileDlg::onSelChange(int controlId) {
  if (controlId == IDC_RECOMPILE_SOURCE) {
    auto* source = qobject_cast<QComboBox*>(control(IDC_RECOMPILE_SOURCE));
    if (!source || source->currentIndex() < 0) return;
    const std::string chosen = source->currentText().toStdString();
    // A target without a "." is taken for a folder and kept.
    const std::string target = text(IDC_RECOMPILE_TARGET);
    if (target.empty() || target.find('.') != std::string::npos)
      setText(IDC_RECOMPILE_TARGET, chosen);
  }
  updateOk();
}

void CRecompileDlg::onCommand(int controlId) {
  if (withTips_ && control(controlId) && qobject_cast<QAbstractButton*>(control(controlId)))
    showTip(controlId);
  if (controlId == IDC_TIPS) {
    ShowDialogTopic(IDH_RECOMPILE, window());
  } else if (controlId == IDC_BROWSE_SOURCE) {
    std::string path = text(IDC_RECOMPILE_SOURCE);
    CBrowseChm browse(window());
    if (browse.Prompt(path, nullptr, IDS_CHM_FILTER)) {
      // By default a file is recompiled in place.
      setText(IDC_RECOMPILE_SOURCE, path);
      setText(IDC_RECOMPILE_TARGET, path);
    }
  } else if (controlId == IDC_BROWSE_TARGET) {
    QFileDialog picker(window(), QString::fromUtf8(LoadStr(IDS_RECOMPILE_FOLDER_TITLE)));
    picker.setOption(QFileDialog::DontUseNativeDialog, true);
    picker.setOption(QFileDialog::ShowDirsOnly, true);
    picker.setFileMode(QFileDialog::Directory);
    picker.setDirectory(QStringLiteral("/"));
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty()) return;
    const QString folder = picker.selectedFiles().first();
    if (auto* target = qobject_cast<QComboBox*>(control(IDC_RECOMPILE_TARGET))) {
      if (target->findText(folder, Qt::MatchFixedString) < 0) {
        target->addItem(folder);
        recompileFolderHistory().AddRecent(folder.toStdString());
      }
    }
    setText(IDC_RECOMPILE_TARGET, folder.toStdString());
  }
  updateOk();
}

void CRecompileDlg::onOK() {
  const std::string source = text(IDC_RECOMPILE_SOURCE);
  const std::string target = text(IDC_RECOMPILE_TARGET);
  struct stat st {};
  const bool wildcard = HasWildcard(source);
  if (!wildcard && ::stat(source.c_str(), &st) != 0) {
    showDialogMessage(IDS_CANNOT_OPEN, source.c_str(), MB_ICONWARNING);
    if (QWidget* w = control(IDC_RECOMPILE_SOURCE)) w->setFocus();
    stayOpen = true;
    return;
  }
  // A target that does not exist counts as a folder: it will be made.
  const bool targetIsFolder = ::stat(target.c_str(), &st) != 0 || S_ISDIR(st.st_mode);
  if (wildcard && !targetIsFolder) {
    showDialogMessage(IDS_WILDCARD_NEEDS_FOLDER, nullptr, MB_ICONWARNING);
    if (QWidget* w = control(IDC_RECOMPILE_TARGET)) w->setFocus();
    stayOpen = true;
    return;
  }
  request.source = source;
  request.target = target;
  request.options.collectionPart = checked(IDC_RECOMPILE_COLLECTION);
  request.options.dropSitemapIndex = checked(IDC_RECOMPILE_DROP_INDEX);
  request.options.dropSitemapContents = checked(IDC_RECOMPILE_DROP_CONTENTS);
  lastOkTick = constructedTick_;
}

int CRecompileDlg::controlIdOf(QWidget* widget) const {
  // The combo boxes' edits and list views belong to their combo box.
  for (QWidget* w = widget; w && w != window(); w = w->parentWidget()) {
    bool ok = false;
    const int id = w->objectName().toInt(&ok);
    if (ok && res::FindRecompileTip(id)) return id;
  }
  return 0;
}

void CRecompileDlg::hovered(QWidget* widget, bool now) {
  const int id = controlIdOf(widget);
  if (id == 0) return;
  if (now) {
    hoverTimer_.stop();
    showTip(id);
    return;
  }
  if (id == tipControl_ || (id == pendingControl_ && hoverTimer_.isActive())) return;
  pendingControl_ = id;
  hoverTimer_.start();
}

void CRecompileDlg::showTip(int controlId) {
  const res::ControlTip* tip = res::FindRecompileTip(controlId);
  if (!withTips_ || !tip) return;
  tipControl_ = controlId;
  if (auto* heading = qobject_cast<QLabel*>(control(IDC_RECOMPILE_TIP_HEADING)))
    heading->setText(QString::fromUtf8(LoadStr(static_cast<unsigned>(tip->heading))));
  if (tip->topic == shownTopic_) return;
  shownTopic_ = tip->topic;
  if (tipPage_) tipPage_->NavigateTopic(static_cast<std::uint32_t>(tip->topic));
}

bool CRecompileDlg::onMessage(QEvent* event) {
  if (event->type() == kHoverEventType) {
    hovered(static_cast<HoverEvent*>(event)->target(), false);
    return true;
  }
  if (event->type() == QEvent::Hide) closing();
  return false;
}

bool CRecompileDlg::eventFilter(QObject* watched, QEvent* event) {
  if (withTips_ && watched != window()) {
    auto* widget = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
      case QEvent::FocusIn:
        hovered(widget, true);
        break;
      default:
        break;
    }
  }
  // The base dialog watches its window and the edits of combo boxes.
  if (watched == window() || qobject_cast<QLineEdit*>(watched))
    return CToolDialog::eventFilter(watched, event);
  return false;
}
