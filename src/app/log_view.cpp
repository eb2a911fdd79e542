#include "app/log_view.h"

#include <QPainter>

#include "app/main_frame.h"
#include "app/tool_commands.h"
#include "res/ids.h"

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
  if (link == TCARD_VIEW_CHM) {
    frame_->routeCommand(ID_VIEW_CHM);
    return;
  }
  for (const auto& l : kLinks)
    if (l.link == link) {
      commands_.run(l.command);
      return;
    }
}

void CLogView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Active, QPalette::Button));
}
