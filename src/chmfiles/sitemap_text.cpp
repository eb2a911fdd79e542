#include "chmfiles/sitemap_text.h"

#include "platform/system/codepage.h"

std::string decodeEntities(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] != '&') {
      out += utf8[i];
      continue;
    }
    const std::size_t semi = utf8.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) {
      out += '&';
      continue;
    }
    const std::string_view name = utf8.substr(i + 1, semi - i - 1);
    char32_t code = 0;
    if (name == "amp")
      code = '&';
    else if (name == "lt")
      code = '<';
    else if (name == "gt")
      code = '>';
    else if (name == "quot")
      code = '"';
    else if (name == "apos")
      code = '\'';
    else if (name == "nbsp")
      code = 0xA0;
    else if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      const std::string digits(name.substr(hex ? 2 : 1));
      if (!digits.empty() && digits.size() <= 7 &&
          digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") ==
              std::string::npos)
        code = static_cast<char32_t>(std::stoul(digits, nullptr, hex ? 16 : 10));
      if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0;
    }
    if (code == 0) {
      out += '&';
      continue;
    }
    cp::appendUtf8(out, code);
    i = semi;
  }
  return out;
}

std::string sitemapTextToUtf8(std::string_view raw, unsigned codePage) {
  return decodeEntities(cp::isValidUtf8(raw) ? std::string(raw) : cp::toUtf8(raw, codePage));
}
