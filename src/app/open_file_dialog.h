#pragma once
// Binds BrowseOpenFile (common/browse_open_file.h) to Qt's open-file dialog.
void installOpenFileDialog();
