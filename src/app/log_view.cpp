#include "app/log_view.h"

#include <QPainter>
#include <QTimer>

#include "app/main_frame.h"
#include "app/tool_commands.h"
#include "platform/browser/hh_pane_ctrl.h"
#include "platform/browser/tcard_event.h"
#include "res/help_tables.h"
#include "res/ids.h"
#include "ui/program_help.h"

namespace {

// The start page's link numbers and the commands they stand for.
constexpr struct {
  int link;
  int command;
} kLinks[] = {
    {TCARD_DECOMPILE, ID_DECOMPILE},
    {TCARD_RECOMPILE, ID_RECOMPILE},
    {TCARD_HTMLHELP_REGISTRY, ID_HTMLHELP_REGISTRY},
    {TCARD_WINHELP_REGISTRY, ID_WINHELP_REGISTRY},
    {TCARD_HTMLHELP_COMPONENTS, ID_FIND_HTMLHELP_COMPONENTS},
    {TCARD_WINHELP_COMPONENTS, ID_FIND_WINHELP_COMPONENTS},
    {TCARD_HTMLHELP_FILES, ID_FIND_HTMLHELP_FILES},
    {TCARD_WINHELP_FILES, ID_FIND_WINHELP_FILES},
};

}  // namespace

// The start page's buttons: Home, Back, Forward and Print.
constexpr unsigned kStartPageButtons =
    HHBTN_MASK_HOME | HHBTN_MASK_BACK | HHBTN_MASK_FORWARD | HHBTN_MASK_PRINT;

CLogView::~CLogView() = default;

CLogView::CLogView(CMainFrame* frame) : QWidget(frame), frame_(frame) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  for (const ToolCommand& tool : toolCommands()) {
    if (tool.owner != CommandOwner::View) continue;
    ToolFunction run = tool.run;
    int id = tool.id;
    commands_.on(id, [this, run, id] {
      emit toolHandlerRan(id);
      if (run) run(frame_);
    });
  }
}

void CLogView::OnTCard(int link) {
  if (link == TCARD_VIEW_CHM || link == TCARD_CREATE_ITS) {
    frame_->routeCommand(link == TCARD_VIEW_CHM ? ID_VIEW_CHM : ID_CREATE_ITS);
    return;
  }
  for (const auto& l : kLinks)
    if (l.link == link) {
      commands_.run(l.command);
      return;
    }
}

bool CLogView::event(QEvent* e) {
  if (e->type() == browser::kTCardEventType) {
    OnTCard(static_cast<browser::TCardEvent*>(e)->wParam());
    return true;
  }
  return QWidget::event(e);
}

void CLogView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Active, QPalette::Button));
  // The start page is made after the paint, not inside it (a web view must
  // not be created while the view paints); a failed try is repeated at the
  // next paint.
  if (!creationPending_ && !(startPage_ && startPage_->hasWindow())) {
    creationPending_ = true;
    QTimer::singleShot(0, this, [this] {
      creationPending_ = false;
      createStartPage();
    });
  }
}

void CLogView::createStartPage() {
  if (CheckHelpAvailability().winHelpFallback) return;
  if (startPage_ && startPage_->hasWindow()) return;
  auto page = std::make_unique<CHHPaneCtrl>();
  if (!page->SetHelpFile(res::kHelpFile) ||
      !page->Create(this, rect(), kStartPageButtons, HHHome::number(IDH_START_PAGE), true))
    return;
  page->NavigateTopic(IDH_START_PAGE);
  startPage_ = std::move(page);
  show();
}

void CLogView::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (startPage_ && startPage_->hasWindow()) startPage_->Move(rect());
}
