#pragma once
// Pop-up texts: the text file inside a help file that holds one short text
// per control topic, each under a line ".topic <number>" and running to the
// next such line. Plain text; no Qt.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace htmlhelp {

// The text of topic in the file's bytes, trimmed of blank lines at either
// end; nothing when the file has no such topic. Topics named by a symbol
// instead of a number are passed over (there is no header to resolve them).
std::optional<std::string> findPopupText(std::string_view file, std::uint32_t topic);

}  // namespace htmlhelp
