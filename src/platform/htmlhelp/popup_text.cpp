#include "platform/htmlhelp/popup_text.h"

#include "common/string_utils.h"

namespace htmlhelp {
namespace {

bool isBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

}  // namespace

std::optional<std::string> findPopupText(std::string_view file, std::uint32_t topic) {
  std::optional<std::string> text;
  bool inTopic = false;
  std::size_t start = 0;
  while (start < file.size()) {
    std::size_t end = file.find('\n', start);
    if (end == std::string_view::npos) end = file.size();
    std::string_view line = file.substr(start, end - start);
    start = end + 1;
    if (StartsWithNoCase(line, ".topic")) {
      if (inTopic) break;
      const std::string_view rest = line.substr(6);
      const std::size_t at = rest.find_first_not_of(" \t");
      if (at == std::string_view::npos || rest[at] < '0' || rest[at] > '9') continue;
      if (static_cast<std::uint32_t>(ParseInt(rest)) != topic) continue;
      inTopic = true;
      text.emplace();
      continue;
    }
    if (!inTopic) continue;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (text->empty() && isBlankLine(line)) continue;
    *text += line;
    *text += '\n';
  }
  if (text) {
    while (!text->empty() && (text->back() == '\n' || text->back() == ' ' || text->back() == '\t'))
      text->pop_back();
  }
  return text;
}

}  // namespace htmlhelp
