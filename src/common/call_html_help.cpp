#include "common/call_html_help.h"

namespace {

struct Loader {
  HtmlHelpService* service = nullptr;
  bool failed = false;
};

Loader& loader() {
  static Loader l;
  return l;
}

}  // namespace

void setHtmlHelpService(HtmlHelpService* service) {
  loader().service = service;
  loader().failed = false;
}

std::intptr_t CallHtmlHelp(void* window, std::string_view file, unsigned command,
                           std::uintptr_t data) {
  Loader& l = loader();
  if (l.failed) return -1;
  if (!l.service) {
    l.failed = true;
    return -1;
  }
  return l.service->htmlHelp(window, file, command, data);
}
