#pragma once
// Qt's own dialogs (file and folder pickers, the print dialog, the standard
// buttons) in Simplified Chinese, as the rest of the program is: loads Qt's
// translations for zh_CN from Qt's translations folder. Call once after the
// application object exists.

namespace dlg {

// False when Qt's Chinese translations are not installed; Qt's dialogs then
// stay in English.
bool installQtTranslations();

}  // namespace dlg
