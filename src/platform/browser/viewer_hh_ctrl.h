#pragma once
// The viewer's page pane: the host with the Text button (0xFF05), which is
// on only while the page is an HTML file inside a help file, and the page's
// status text in the viewer's static 1041.
#include <functional>
#include <string>

#include "platform/browser/hh_ctrl.h"

class CViewerHHCtrl : public CHHCtrl {
  Q_OBJECT

 public:
  CViewerHHCtrl();

  // The help file the viewer shows.
  std::string viewedFile;
  // Takes the status text (the link under the mouse, empty when there is
  // none) when set; without it the text goes into static 1041 as it is.
  std::function<void(const std::string& text)> statusHandler;

  void OnDocumentComplete(const std::string& url) override;
  void OnStatusTextChange(const std::string& text) override;
};
