#pragma once
// The message functions every part of the program reports through. They take
// a string-table id, optionally insert one argument at the "%s" of the text,
// and ask the current Prompter, which shows the text with the caption and
// owner of the message-box context. The GUI installs a prompter that shows
// Qt message boxes; without one, messages go to standard error and the
// default button answers.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "common/prompt.h"
#include "res/text_format.h"

// Where message boxes belong. The owner is an opaque window handle the GUI
// sets (a QWidget*); operations never look inside it.
struct MessageBoxContext {
  void* owner = nullptr;
  std::string caption;      // empty until the main window exists
  bool doubleByte = false;  // whether the texts may hold multi-byte characters
};

// The process-wide context (single GUI thread).
MessageBoxContext& messageBoxContext();

// Sets owner, caption and the double-byte flag in one go.
void SetMessageBoxContext(void* owner, std::string_view caption, bool doubleByte);

// The prompter messages go to; never null (a standard-error prompter when none
// is installed).
Prompter& currentPrompter();

// Installs a prompter (nullptr: back to the standard-error one) and returns
// the one it replaces.
Prompter* setCurrentPrompter(Prompter* prompter);

// Installs a prompter for the life of the object, then restores the previous.
class ScopedPrompter {
 public:
  explicit ScopedPrompter(Prompter& prompter) : previous_(setCurrentPrompter(&prompter)) {}
  ~ScopedPrompter() { setCurrentPrompter(previous_); }
  ScopedPrompter(const ScopedPrompter&) = delete;
  ScopedPrompter& operator=(const ScopedPrompter&) = delete;

 private:
  Prompter* previous_;
};

// Show message: the text of string id, the context's caption and owner.
int ShowMessage(unsigned id, unsigned flags);

// Show formatted message: string id as a format with one "%s".
int ShowFormattedMessage(unsigned id, std::string_view arg, unsigned flags);

// Show dialog message: as the formatted message, owned by the given window
// (an opaque handle, as the context's owner) for this one message.
int ShowDialogMessage(void* dialog, unsigned id, std::string_view arg, unsigned flags);

// A text that is not in the string table (a prompt read from a file, ...).
int ShowMessageText(std::string_view text, unsigned flags);

// The button ids of the MB_* button type, in the order they are shown.
std::vector<int> messageButtons(unsigned flags);

// The button that answers when the user just presses Enter (MB_DEFBUTTONn;
// the first button when n is beyond the buttons).
int defaultMessageButton(unsigned flags);

// The text of a message-box button (IDOK → "确定", IDCANCEL → "取消",
// IDYES → "是(&Y)", ...), with its mnemonic.
std::string messageButtonText(int id);

// The owner messages go to right now: the context's owner, or the dialog of a
// ShowDialogMessage while it asks.
void* currentMessageOwner();
