#include "its/text_helpers.h"

#include "common/string_utils.h"

std::size_t findChar(std::string_view text, char c, unsigned codePage) {
  for (std::size_t i = 0; i < text.size(); i += cp::charLength(text, i, codePage)) {
    if (text[i] == c) return i;
  }
  return std::string_view::npos;
}

std::size_t findLastChar(std::string_view text, char c, unsigned codePage) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); i += cp::charLength(text, i, codePage)) {
    if (text[i] == c) found = i;
  }
  return found;
}

std::size_t findNoCase(std::string_view text, std::string_view pattern, unsigned codePage) {
  if (pattern.empty()) return 0;
  for (std::size_t i = 0; i < text.size(); i += cp::charLength(text, i, codePage)) {
    if (StartsWithNoCase(text.substr(i), pattern)) return i;
  }
  return std::string_view::npos;
}

bool sameNoCase(std::string_view a, std::string_view b) { return EqualsNoCase(a, b); }

void slashes(std::string& text, unsigned codePage) {
  for (std::size_t i = 0; i < text.size(); i += cp::charLength(text, i, codePage)) {
    if (text[i] == '\\') text[i] = '/';
  }
}

bool extensionIs(std::string_view path, std::string_view ext) {
  const std::size_t dot = path.rfind('.');  // "." is never part of a multi-byte character
  return dot != std::string_view::npos && EqualsNoCase(path.substr(dot), ext);
}

std::string_view fileNamePart(std::string_view path, unsigned codePage) {
  if (const std::size_t b = findLastChar(path, '\\', codePage); b != std::string_view::npos) {
    path.remove_prefix(b + 1);
  }
  std::size_t cut = findLastChar(path, '/', codePage);
  if (cut == std::string_view::npos) cut = findLastChar(path, ':', codePage);
  if (cut != std::string_view::npos) path.remove_prefix(cut + 1);
  return path;
}

std::string thousands(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

const char* pluralSuffix(std::uint32_t n) { return n == 1 ? "" : " "; }
