#include "platform/browser/viewer_hh_ctrl.h"

#include <QWidget>

#include "platform/dialogs/dialog_builder.h"
#include "platform/dialogs/window_text.h"

CViewerHHCtrl::CViewerHHCtrl() { lastButtonId = ID_HHBTN_TEXT; }

void CViewerHHCtrl::OnDocumentComplete(const std::string& url) {
  const bool htmlInside =
      url.find(".htm") != std::string::npos && url.find("::") != std::string::npos;
  EnableButton(ID_HHBTN_TEXT, htmlInside);
}

void CViewerHHCtrl::OnStatusTextChange(const std::string& text) {
  if (statusHandler) return statusHandler(text);
  if (QWidget* status = dlg::findControl(container(), IDC_VIEWER_LINK))
    SetWindowTextUtf8(status, text);
}
