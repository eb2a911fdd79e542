#include "platform/browser/tcard_link.h"

#include "common/string_utils.h"

namespace browser {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::size_t skipBlanks(std::string_view s, std::size_t at) {
  while (at < s.size() && isBlank(s[at])) ++at;
  return at;
}

// The end of the number ParseInt reads at `at`: sign and decimal digits, or
// "0x" and hexadecimal digits. The whole number is passed over, so that a
// negative or hexadecimal first argument keeps its second one.
std::size_t skipNumber(std::string_view s, std::size_t at) {
  if (at + 1 < s.size() && s[at] == '0' && (s[at + 1] == 'x' || s[at + 1] == 'X')) {
    at += 2;
    while (at < s.size() && isHexDigit(s[at])) ++at;
    return at;
  }
  if (at < s.size() && (s[at] == '-' || s[at] == '+')) ++at;
  while (at < s.size() && isDigit(s[at])) ++at;
  return at;
}

}  // namespace

TCardLink parseTCardLink(std::string_view url, std::span<const std::string_view> prefixes) {
  TCardLink link;
  std::string_view rest;
  bool matched = false;
  for (std::string_view prefix : prefixes)
    if (StartsWithNoCase(url, prefix)) {
      rest = url.substr(prefix.size());
      matched = true;
      break;
    }
  if (!matched) return link;
  link.kind = TCardLink::Ignored;
  if (!StartsWithNoCase(rest, "TCard")) return link;
  const std::size_t open = rest.find('(', 5);
  if (open == std::string_view::npos) {
    link.kind = TCardLink::Malformed;
    return link;
  }
  link.kind = TCardLink::Card;
  std::size_t at = skipBlanks(rest, open + 1);
  link.first = ParseInt(rest.substr(at));
  at = skipBlanks(rest, skipNumber(rest, at));
  if (at >= rest.size() || rest[at] != ',') return link;
  at = skipBlanks(rest, at + 1);
  if (at < rest.size() && isDigit(rest[at])) {
    link.second = ParseInt(rest.substr(at));
    return link;
  }
  const std::size_t close = rest.find(')', at);
  link.secondIsText = true;
  link.text = std::string(
      rest.substr(at, close == std::string_view::npos ? std::string_view::npos : close - at));
  return link;
}

}  // namespace browser
