#pragma once
// The program's way to the HTML Help viewer. The viewer itself is a
// platform service that registers itself here; until one has registered,
// every call answers -1 (the viewer "cannot be loaded").
#include <cstdint>
#include <string_view>

// Commands the program sends.
constexpr unsigned HH_HELP_CONTEXT = 15;     // data: the topic's context number
constexpr unsigned HH_TP_HELP_WM_HELP = 17;  // data: pairs of control id and topic, ending 0, 0

class HtmlHelpService {
 public:
  virtual ~HtmlHelpService() = default;
  virtual std::intptr_t htmlHelp(void* window, std::string_view file, unsigned command,
                                 std::uintptr_t data) = 0;
};

// Installs the viewer (nullptr removes it). Installing one also clears the
// failed state of an earlier call.
void setHtmlHelpService(HtmlHelpService* service);

// The viewer's answer, or -1 when there is no viewer. Once a call has found
// no viewer, later calls answer -1 without looking again (until a service
// is installed).
std::intptr_t CallHtmlHelp(void* window, std::string_view file, unsigned command,
                           std::uintptr_t data);
