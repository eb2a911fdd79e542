#include "ui/help_page_pane.h"

#include "platform/browser/hh_pane_ctrl.h"
#include "ui/tip_pane.h"

namespace ui {
namespace {

class HelpPagePane : public TipPane {
 public:
  bool setHelpFile(const std::string& name) override { return host_.SetHelpFile(name); }

  bool create(QWidget* parent, const QRect& rect, unsigned buttonMask, const TipHome& home,
              bool captions) override {
    const HHHome hostHome = !home.page.empty() ? HHHome::url(home.page)
                            : home.topic != 0
                                ? HHHome::number(static_cast<std::uint32_t>(home.topic))
                                : HHHome::none();
    return host_.Create(parent, rect, buttonMask, hostHome, captions);
  }

  void navigateHome() override { host_.OnToolbarCommand(ID_HHBTN_HOME); }
  QWidget* window() const override { return host_.browser(); }
  QWidget* toolBar() const override { return host_.toolbar(); }
  void toolbarCommand(int id) override { host_.OnToolbarCommand(id); }

 private:
  CHHPaneCtrl host_;
};

}  // namespace

void installHelpPagePanes() {
  setTipPaneFactory([] { return std::unique_ptr<TipPane>(std::make_unique<HelpPagePane>()); });
}

}  // namespace ui
