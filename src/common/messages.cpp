#include "common/messages.h"

#include <cstdio>

#include "res/strings.h"

namespace {

// Without a GUI (command line, tests that install nothing) a message is
// written to standard error and answered by its default button.
class StderrPrompter final : public Prompter {
 public:
  int ask(std::string_view text, unsigned flags) override {
    const std::string& caption = messageBoxContext().caption;
    if (!caption.empty()) std::fprintf(stderr, "%s: ", caption.c_str());
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    return defaultMessageButton(flags);
  }
};

StderrPrompter stderrPrompter;
Prompter* installed = nullptr;
void* dialogOwner = nullptr;  // set while ShowDialogMessage asks

}  // namespace

MessageBoxContext& messageBoxContext() {
  static MessageBoxContext context;
  return context;
}

void SetMessageBoxContext(void* owner, std::string_view caption, bool doubleByte) {
  MessageBoxContext& c = messageBoxContext();
  c.owner = owner;
  c.caption = caption;
  c.doubleByte = doubleByte;
}

Prompter& currentPrompter() { return installed ? *installed : stderrPrompter; }

Prompter* setCurrentPrompter(Prompter* prompter) {
  Prompter* previous = installed;
  installed = prompter;
  return previous;
}

int ShowMessage(unsigned id, unsigned flags) { return currentPrompter().ask(LoadStr(id), flags); }

int ShowFormattedMessage(unsigned id, std::string_view arg, unsigned flags) {
  return currentPrompter().ask(FormatMessageText(LoadStr(id), arg), flags);
}

int ShowDialogMessage(void* dialog, unsigned id, std::string_view arg, unsigned flags) {
  void* previous = dialogOwner;
  dialogOwner = dialog;
  const int answer = ShowFormattedMessage(id, arg, flags);
  dialogOwner = previous;
  return answer;
}

int ShowMessageText(std::string_view text, unsigned flags) {
  return currentPrompter().ask(text, flags);
}

void* currentMessageOwner() { return dialogOwner ? dialogOwner : messageBoxContext().owner; }

std::vector<int> messageButtons(unsigned flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
      return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
      return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
      return {IDYES, IDNO};
    case MB_RETRYCANCEL:
      return {IDRETRY, IDCANCEL};
    default:
      return {IDOK};
  }
}

std::string messageButtonText(int id) {
  constexpr unsigned kCancelText = 21000;  // "取消", shared with the progress window
  switch (id) {
    case IDOK:
      return "确定";
    case IDCANCEL:
      return LoadStr(kCancelText);
    case IDABORT:
      return "中止(&A)";
    case IDRETRY:
      return "重试(&R)";
    case IDIGNORE:
      return "忽略(&I)";
    case IDYES:
      return "是(&Y)";
    case IDNO:
      return "否(&N)";
    default:
      return {};
  }
}

int defaultMessageButton(unsigned flags) {
  const std::vector<int> buttons = messageButtons(flags);
  const std::size_t index = (flags & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons.front();
}
