#include "chmfiles/html_text.h"

#include <array>
#include <cstdint>

#include "platform/system/codepage.h"

namespace {

// The HTML 4 names of U+00A0 to U+00FF, in order.
constexpr std::array<const char*, 96> kLatin1Names = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

struct NamedChar {
  const char* name;
  char32_t c;
};
constexpr NamedChar kOtherNames[] = {
    {"amp", '&'},       {"lt", '<'},        {"gt", '>'},        {"quot", '"'},
    {"apos", '\''},     {"OElig", 0x152},   {"oelig", 0x153},   {"Scaron", 0x160},
    {"scaron", 0x161},  {"Yuml", 0x178},    {"fnof", 0x192},    {"ensp", 0x2002},
    {"emsp", 0x2003},   {"thinsp", 0x2009}, {"zwnj", 0x200C},   {"zwj", 0x200D},
    {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},  {"rsquo", 0x2019},
    {"sbquo", 0x201A},  {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"bdquo", 0x201E},
    {"dagger", 0x2020}, {"Dagger", 0x2021}, {"bull", 0x2022},   {"hellip", 0x2026},
    {"permil", 0x2030}, {"prime", 0x2032},  {"lsaquo", 0x2039}, {"rsaquo", 0x203A},
    {"euro", 0x20AC},   {"trade", 0x2122},  {"larr", 0x2190},   {"rarr", 0x2192},
};

bool isAsciiAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

char32_t characterReference(std::string_view s, std::size_t& length) {
  length = 0;
  if (!s.empty() && s[0] == '#') {
    const bool hex = s.size() > 1 && (s[1] == 'x' || s[1] == 'X');
    std::size_t pos = hex ? 2 : 1;
    std::uint32_t value = 0;
    const std::size_t start = pos;
    for (; pos < s.size() && pos - start < 8; ++pos) {
      const char c = s[pos];
      int digit = -1;
      if (c >= '0' && c <= '9') digit = c - '0';
      if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      if (digit < 0) break;
      value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    if (pos == start || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
      return 0;
    if (pos < s.size() && s[pos] == ';') ++pos;
    length = pos;
    return value;
  }
  std::size_t end = 0;
  while (end < s.size() && end < 10 && isAsciiAlnum(s[end])) ++end;
  if (end == 0) return 0;
  const std::string_view name = s.substr(0, end);
  char32_t c = 0;
  for (std::size_t i = 0; i < kLatin1Names.size() && c == 0; ++i)
    if (name == kLatin1Names[i]) c = static_cast<char32_t>(0xA0 + i);
  for (const NamedChar& n : kOtherNames)
    if (c == 0 && name == n.name) c = n.c;
  if (c == 0) return 0;
  length = end < s.size() && s[end] == ';' ? end + 1 : end;
  return c;
}

std::string decodeCharacterReferences(std::string_view text, unsigned codePage) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    std::size_t length = 0;
    const char32_t c = characterReference(text.substr(i + 1), length);
    if (c == 0) {
      out += '&';
      continue;
    }
    std::string utf8;
    cp::appendUtf8(utf8, c);
    std::string bytes = codePage == cp::kUtf8 ? utf8 : cp::fromUtf8(utf8, codePage);
    // Only a character that comes back unchanged is one the code page holds;
    // any other keeps its reference.
    if (codePage != cp::kUtf8 && cp::toUtf8(bytes, codePage) != utf8) {
      out += '&';
      continue;
    }
    out += bytes;
    i += length;
  }
  return out;
}
