#pragma once
// The open-file dialog for any file: the GUI installs the dialog, so this
// layer stays free of windows.
#include <functional>
#include <string>
#include <string_view>

// Shows the dialog with `initial` as the file name (no filter list, the file
// must exist, the current folder is not changed). The chosen path goes to
// `out`; false when the user cancels or no dialog is installed.
bool BrowseOpenFile(void* owner, std::string_view initial, std::string& out);

using OpenFileDialog = std::function<bool(void* owner, std::string_view initial, std::string& out)>;
void setOpenFileDialog(OpenFileDialog dialog);
