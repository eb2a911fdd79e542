#pragma once
// The help panes of dialogs and of the start page: training-card links
// ("Corrie:" and "Tamblin:" + "TCard(...)") become training-card events for
// the window that contains the pane, pages take the window's colours, and
// parts of a page can be hidden by the ids of their DIVs.
#include <span>
#include <string>
#include <string_view>

#include "platform/browser/hh_ctrl.h"
#include "platform/browser/tcard_link.h"

class CHHPaneCtrl : public CHHCtrl {
  Q_OBJECT

 public:
  // 0: the page's own colours; 1: window colours; 2: button-face colours.
  enum ColourMode { kPageColours = 0, kWindowColours = 1, kButtonColours = 2 };
  int colourMode = kPageColours;

  void OnBeforeNavigate(const std::string& url, unsigned flags, const std::string& targetFrame,
                        const std::string& postData, const std::string& headers,
                        bool& cancel) override;
  void OnDocumentComplete(const std::string& url) override;

  // Hides every DIV of the page whose id contains text (case-sensitive).
  // E_FAIL without a browser.
  itss::HRESULT HideById(const std::string& text);

  // The colours mode 1 or 2 puts on the page: "#RRGGBB" background, text.
  std::pair<std::string, std::string> pageColours() const;

 protected:
  // The link prefixes this host answers.
  virtual std::span<const std::string_view> linkPrefixes() const;
  // Cancels the navigation when url is a training-card link and delivers
  // its message once the browser's callback has returned (a tool dialog
  // that the message opens must not run inside it).
  void handleLink(const std::string& url, bool& cancel);
};

// The about page: "Tamblin:" links only, and the version banner in the DIV
// whose id is VERSION.
class CAboutHHCtrl : public CHHPaneCtrl {
  Q_OBJECT

 public:
  void OnDocumentComplete(const std::string& url) override;

 protected:
  std::span<const std::string_view> linkPrefixes() const override;
};
