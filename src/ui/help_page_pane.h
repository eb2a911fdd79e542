#pragma once
// The tip panels' help page on the real help-page host: a CHHPaneCtrl
// behind the TipPane interface. installHelpPagePanes() makes every tip
// panel use it in place of the plain text stand-in.
namespace ui {

void installHelpPagePanes();

}  // namespace ui
