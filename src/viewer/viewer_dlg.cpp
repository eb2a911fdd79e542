#include "viewer/viewer_dlg.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QTreeWidget>
#include <QUrl>

#include "common/messages.h"
#include "res/bitmaps.h"
#include "res/help_tables.h"
#include "res/ids.h"
#include "ui/browse_chm.h"
#include "ui/elided_label.h"
#include "ui/program_help.h"
#include "ui/round_button.h"
#include "ui/ui_math.h"

namespace {

constexpr unsigned kToolbarButtons = 0x2F;  // Home, Back, Forward, Print, Text
constexpr int kTextButton = 0xFF05;
constexpr int kPlaceholderMargin = 6;  // pixels between the page pane and the right edge
constexpr int kMaxRight = 1024;
constexpr int kMaxBottom = 768;

// The five images of bitmap 137.
std::vector<QIcon> treeImages() {
  std::vector<QIcon> icons;
  const res::Bitmap* bitmap = res::findBitmap(IDB_TREE_IMAGES);
  if (!bitmap) return icons;
  const QPixmap strip(bitmap->xpm.data());
  for (int x = 0; x + bitmap->imageWidth <= bitmap->width; x += bitmap->imageWidth)
    icons.emplace_back(strip.copy(x, 0, bitmap->imageWidth, bitmap->height));
  return icons;
}

class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

CViewerDlg::CViewerDlg(QWidget* parent, std::string file)
    : CNSFlexDialog(IDD_VIEWER, parent), path_(std::move(file)) {
  setObjectName(QStringLiteral("ViewerDlg"));
}

CViewerDlg::~CViewerDlg() {
  if (pages_) pages_->deleteTempPages();
  closeFile();
}

QTreeWidget* CViewerDlg::tree() const {
  return qobject_cast<QTreeWidget*>(control(IDC_VIEWER_TREE));
}

const std::vector<std::string>& CViewerDlg::tempPages() const {
  static const std::vector<std::string> none;
  return pages_ ? pages_->tempPages() : none;
}

QRect CViewerDlg::clampedWorkArea(const QRect& area) {
  QRect r = area;
  // Windows rectangles end before right and bottom; QRect's right() is the
  // last pixel inside.
  if (r.x() + r.width() > kMaxRight) r.setWidth(std::max(0, kMaxRight - r.x()));
  if (r.y() + r.height() > kMaxBottom) r.setHeight(std::max(0, kMaxBottom - r.y()));
  return r;
}

bool CViewerDlg::openFile(const std::string& path) {
  closeFile();
  if (itss::FAILED(storage_.open(path.c_str()))) return false;
  open_ = true;
  return true;
}

void CViewerDlg::closeFile() {
  if (open_) storage_.close();
  open_ = false;
}

bool CViewerDlg::OnInitDialog() {
  if (!CNSFlexDialog::OnInitDialog()) return false;
  addControl(IDOK, Anchor::fixed(), Anchor::move());
  addControl(IDC_VIEWER_NEWFILE, Anchor::fixed(), Anchor::move());
  addControl(IDC_TIPS, Anchor::fixed(), Anchor::move());
  addControl(IDC_VIEWER_TREE, Anchor::fixed(), Anchor::stretch());
  addControl(IDC_VIEWER_LINK, Anchor::stretch(), Anchor::move());

  if (path_.empty()) {
    CBrowseChm browse(this);
    if (!browse.Prompt(path_, nullptr, IDS_CHM_FILTER)) {
      QMetaObject::invokeMethod(
          this, [this] { done(QDialog::Rejected); }, Qt::QueuedConnection);
      return true;
    }
  }
  WaitCursor wait;
  QTreeWidget* view = tree();
  if (view) {
    view->setHeaderHidden(true);
    view->setIconSize(QSize(16, 16));
  }

  QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    const QSize before = size();
    const QRect area = clampedWorkArea(screen->availableGeometry());
    setGeometry(area);
    // The anchors move the controls now, not at the first show.
    QResizeEvent resized(size(), before);
    resizeEvent(&resized);
    // Centred over the owner (the screen when there is none), kept on the
    // screen's work area.
    const QRect work = screen->availableGeometry();
    const QRect ref = parentWidget() ? parentWidget()->window()->frameGeometry() : work;
    const ui::Point at = ui::centreInWorkArea(
        area.width(), area.height(), {ref.left(), ref.top(), ref.right() + 1, ref.bottom() + 1},
        {work.left(), work.top(), work.right() + 1, work.bottom() + 1});
    move(at.x, at.y);
  }
  // The push buttons are round, as in the program's other dialogs.
  for (int id : {IDC_VIEWER_NEWFILE, IDOK, IDC_TIPS})
    if (auto* b = qobject_cast<QPushButton*>(control(id))) (new CRndBtn(this))->attach(b);
  if (QWidget* placeholder = control(IDC_VIEWER_BROWSER); placeholder && view) {
    QRect r = placeholder->geometry();
    r.setRight(width() - kPlaceholderMargin - 1);
    r.setBottom(view->geometry().bottom());
    placeholder->setGeometry(r);
  }

  if (!openFile(path_)) {
    ShowDialogMessage(this, IDS_CANNOT_OPEN, path_, MB_ICONWARNING);
    QMetaObject::invokeMethod(
        this, [this] { done(QDialog::Rejected); }, Qt::QueuedConnection);
    return true;
  }
  host_.lastButtonId = kTextButton;
  host_.commandHandler = [this](int id) { toolbarCommand(id); };
  if (auto* link = qobject_cast<QLabel*>(control(IDC_VIEWER_LINK))) {
    linkCaption_ = link->text();
    host_.statusHandler = [this](const std::string& text) { showLink(text); };
  }
  host_.CreateInPlace(this, IDC_VIEWER_BROWSER, kToolbarButtons, HHHome::url(""), true);
  host_.SetHelpFile(path_);
  host_.viewedFile = path_;
  showPath();
  pages_ = std::make_unique<ReportPages>(storage_.root(), path_);

  if (auto* b = qobject_cast<QPushButton*>(control(IDC_VIEWER_NEWFILE)))
    connect(b, &QPushButton::clicked, this, [this] { OnNewFile(); });
  if (auto* b = qobject_cast<QPushButton*>(control(IDC_TIPS)))
    connect(b, &QPushButton::clicked, this, [this] { ShowDialogTopic(IDH_VIEWER, this); });
  if (view) {
    connect(view, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { itemSelected(item); });
  }
  fillTree();
  return true;
}

void CViewerDlg::OnHelpInfo(QWidget* item) { ShowControlHelp(res::kViewerHelp, item); }

void CViewerDlg::OnContextMenu(QWidget* window) { ShowControlHelp(res::kViewerHelp, window); }

void CViewerDlg::fillTree() {
  QTreeWidget* view = tree();
  if (!view || !open_) return;
  model_.fill(storage_.root(), path_);
  static const std::vector<QIcon> icons = treeImages();
  std::vector<QTreeWidgetItem*> made(model_.items().size(), nullptr);
  for (std::size_t i = 0; i < model_.items().size(); ++i) {
    const TreeItem& item = model_.items()[i];
    const std::string& entry = model_.paths()[item.path];
    QTreeWidgetItem* w =
        item.parent < 0 ? new QTreeWidgetItem(view) : new QTreeWidgetItem(made[item.parent]);
    w->setText(0, QString::fromUtf8(itemText(entry)));
    w->setData(0, Qt::UserRole, static_cast<qulonglong>(item.path));
    if (item.image >= 0 && static_cast<std::size_t>(item.image) < icons.size())
      w->setIcon(0, icons[item.image]);
    made[i] = w;
  }
}

void CViewerDlg::itemSelected(QTreeWidgetItem* item) {
  if (suppressSelection_ || !item) return;
  // After a failed New file the old tree may still be shown while its file
  // is closed: its items then lead nowhere.
  if (!open_ || !pages_) return;
  const auto index = item->data(0, Qt::UserRole).toULongLong();
  if (index >= model_.paths().size()) return;
  const ItemSelection s = selectItem(model_.paths()[index]);
  std::unique_ptr<WaitCursor> wait;
  if (s.action != ItemAction::kNavigate && s.action != ItemAction::kBinaryFile)
    wait = std::make_unique<WaitCursor>();
  switch (s.action) {
    case ItemAction::kGeneralInfo:
      showPage(pages_->generalInfo());
      break;
    case ItemAction::kStrings:
      showPage(pages_->strings());
      break;
    case ItemAction::kUrlStr:
      showPage(pages_->urlStr());
      break;
    case ItemAction::kIvb:
      showPage(pages_->ivb());
      break;
    case ItemAction::kIdxHeader:
      showPage(pages_->idxHeader());
      break;
    case ItemAction::kSystem:
      showPage(pages_->system());
      break;
    case ItemAction::kWindows:
      showPage(pages_->windows());
      break;
    case ItemAction::kTopics:
      showPage(pages_->topics());
      break;
    case ItemAction::kContents:
      showPage(pages_->contents(s.path));
      break;
    case ItemAction::kTextFile:
      showPage(pages_->textFile(s.path));
      break;
    case ItemAction::kNavigate: {
      std::string internal = "/" + s.path;
      for (char& c : internal)
        if (c == '\\') c = '/';
      host_.NavigateInternal(internal);
      home_ = "its:" + path_ + "::" + internal;
      break;
    }
    case ItemAction::kBinaryFile:
      showBinaryFile();
      break;
  }
}

void CViewerDlg::showPage(const PageResult& page) {
  switch (page.outcome) {
    case PageOutcome::kShow:
      host_.Navigate(page.path);
      home_ = page.path;
      break;
    case PageOutcome::kShowNoHome:
      host_.Navigate(page.path);
      break;
    case PageOutcome::kBinaryFile:
      showBinaryFile();
      break;
    case PageOutcome::kNothing:
      break;
  }
}

void CViewerDlg::showBinaryFile() {
  // Without the program's help file there is no page to show: navigating
  // anyway would look for the page inside the file being viewed.
  if (host_.SetHelpFile(res::kHelpFile)) host_.NavigateInternal(res::kBinaryFilePage);
  host_.SetHelpFile(path_);
}

void CViewerDlg::toolbarCommand(int id) {
  if (id == kTextButton) {
    OnTextButton();
    return;
  }
  // Home is the last page made the home page by a selection.
  if (id == ID_HHBTN_HOME) {
    if (!home_.empty()) host_.Navigate(home_);
    return;
  }
  host_.OnToolbarCommand(id);
}

void CViewerDlg::OnTextButton() {
  if (!pages_) return;
  const std::string url = host_.CurrentLocation();
  if (url.find(".htm") == std::string::npos) return;
  const std::size_t colon = url.rfind(':');
  if (colon == std::string::npos) return;
  std::string path =
      QUrl::fromPercentEncoding(QByteArray::fromStdString(url.substr(colon + 1))).toStdString();
  // A fragment names a place in the page, not a file.
  if (const std::size_t hash = path.find('#'); hash != std::string::npos) path.resize(hash);
  showPage(pages_->textView(path));
}

void CViewerDlg::showPath() {
  if (auto* name = qobject_cast<QLabel*>(control(IDC_VIEWER_FILENAME)))
    ui::SetElidedText(name, QString::fromStdString(path_));
}

void CViewerDlg::showLink(const std::string& text) {
  auto* link = qobject_cast<QLabel*>(control(IDC_VIEWER_LINK));
  if (!link) return;
  // The link under the mouse replaces the caption; with the mouse off every
  // link the caption comes back. A long address is cut in the middle.
  ui::SetElidedText(link, text.empty() ? linkCaption_ : QString::fromStdString(text));
  if (text.empty()) link->setToolTip(QString());
}

void CViewerDlg::OnNewFile() {
  for (;;) {
    std::string chosen;
    CBrowseChm browse(this);
    if (!browse.Prompt(chosen, nullptr, IDS_CHM_FILTER)) return;
    // A file that cannot be opened leaves the open one open and shown.
    {
      ItsStorage probe;
      if (itss::FAILED(probe.open(chosen.c_str()))) {
        ShowDialogMessage(this, IDS_CANNOT_OPEN, chosen, MB_ICONWARNING);
        continue;
      }
    }
    closeFile();
    model_.clear();
    if (pages_) pages_->deleteTempPages();
    QTreeWidget* view = tree();
    if (view) {
      suppressSelection_ = true;
      view->clear();
      suppressSelection_ = false;
    }
    if (!openFile(chosen)) {
      // Gone or changed since the probe: nothing is shown.
      path_.clear();
      showPath();
      ShowDialogMessage(this, IDS_CANNOT_OPEN, chosen, MB_ICONWARNING);
      continue;
    }
    WaitCursor wait;
    path_ = chosen;
    host_.SetHelpFile(path_);
    host_.viewedFile = path_;
    showPath();
    if (pages_)
      pages_->reset(storage_.root(), path_);
    else
      pages_ = std::make_unique<ReportPages>(storage_.root(), path_);
    if (view) {
      fillTree();
      view->setFocus();
    }
    return;
  }
}

int RunViewer(QWidget* owner, const std::string& file) {
  CViewerDlg dialog(owner, file);
  const int result = dialog.DoModal();
  // Message boxes belong to the main window again.
  SetMessageBoxContext(owner, messageBoxContext().caption, messageBoxContext().doubleByte);
  return result;
}

void ViewChmCommand(QWidget* owner) { RunViewer(owner, std::string()); }
