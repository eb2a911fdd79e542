#include "platform/registry/reg_text.h"

#include <cstdio>

#include "platform/system/codepage.h"

namespace reg {

namespace {

void appendUtf16(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::u16string toUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp;
    std::size_t n = cp::decodeUtf8(utf8, i, cp);
    if (n == 0) {
      cp = static_cast<unsigned char>(utf8[i]);
      n = 1;
    }
    appendUtf16(out, cp);
    i += n;
  }
  return out;
}

std::string toUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::string foldName(std::string_view utf8) {
  std::string out(utf8);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string escapeText(std::u16string_view text, std::string_view quote) {
  static const char escapes[33] = ".......abtnvfr.............e....";
  std::string out;
  out.reserve(text.size() + 8);
  char buf[16];
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    bool nextIsHex =
        i + 1 < text.size() && text[i + 1] < 128 && hexDigit(static_cast<char>(text[i + 1])) >= 0;
    bool nextIsOctal = i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7';
    if (c > 127) {
      std::snprintf(buf, sizeof buf, nextIsHex ? "\\x%04x" : "\\x%x", static_cast<unsigned>(c));
      out += buf;
    } else if (c < 32) {
      if (escapes[c] != '.') {
        out += '\\';
        out += escapes[c];
      } else {
        std::snprintf(buf, sizeof buf, nextIsOctal ? "\\%03o" : "\\%o", static_cast<unsigned>(c));
        out += buf;
      }
    } else {
      char a = static_cast<char>(c);
      if (a == '\\' || quote.find(a) != std::string_view::npos) out += '\\';
      out += a;
    }
  }
  return out;
}

bool unescapeText(std::string_view in, std::size_t& pos, char end, std::u16string& out) {
  while (pos < in.size()) {
    char c = in[pos];
    if (c == end) return true;
    if (c == '\n') return false;
    if (c != '\\') {
      char32_t cp;
      std::size_t n = cp::decodeUtf8(in, pos, cp);
      if (n == 0) {
        cp = static_cast<unsigned char>(c);
        n = 1;
      }
      appendUtf16(out, cp);
      pos += n;
      continue;
    }
    if (++pos >= in.size()) return false;
    c = in[pos];
    switch (c) {
      case 'a':
        out += u'\a';
        ++pos;
        break;
      case 'b':
        out += u'\b';
        ++pos;
        break;
      case 'e':
        out += char16_t{0x1B};
        ++pos;
        break;
      case 'f':
        out += u'\f';
        ++pos;
        break;
      case 'n':
        out += u'\n';
        ++pos;
        break;
      case 'r':
        out += u'\r';
        ++pos;
        break;
      case 't':
        out += u'\t';
        ++pos;
        break;
      case 'v':
        out += u'\v';
        ++pos;
        break;
      case 'x': {
        ++pos;
        unsigned v = 0;
        int digits = 0;
        while (digits < 4 && pos < in.size() && hexDigit(in[pos]) >= 0) {
          v = v * 16 + static_cast<unsigned>(hexDigit(in[pos++]));
          ++digits;
        }
        if (digits == 0)
          out += u'x';
        else
          out += static_cast<char16_t>(v);
        break;
      }
      default:
        if (c >= '0' && c <= '7') {
          unsigned v = 0;
          int digits = 0;
          while (digits < 3 && pos < in.size() && in[pos] >= '0' && in[pos] <= '7') {
            v = v * 8 + static_cast<unsigned>(in[pos++] - '0');
            ++digits;
          }
          out += static_cast<char16_t>(v);
        } else {
          char32_t cp;
          std::size_t n = cp::decodeUtf8(in, pos, cp);
          if (n == 0) {
            cp = static_cast<unsigned char>(c);
            n = 1;
          }
          appendUtf16(out, cp);
          pos += n;
        }
    }
  }
  return false;
}

}  // namespace reg
