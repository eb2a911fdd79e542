#pragma once
// Command 1004: the create-ITS dialog, then the results dialog in which the
// ITS file is made, under the wait cursor.
#include <string>

class QWidget;

void CreateItsCommand(QWidget* owner);

// The part after the dialog: runs project mode (projectPath set) or folder
// mode in a results dialog.
void RunCreateIts(QWidget* owner, const std::string& projectPath, const std::string& folderPath,
                  const std::string& itsName);
