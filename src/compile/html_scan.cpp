#include "compile/html_scan.h"

#include <cctype>

#include "common/string_utils.h"
#include "platform/system/codepage.h"

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::size_t findNoCaseFrom(std::string_view text, std::string_view pattern, std::size_t from) {
  if (pattern.empty()) return from;
  for (std::size_t i = from; i + pattern.size() <= text.size(); ++i) {
    if (lower(text[i]) != lower(pattern[0])) continue;
    if (StartsWithNoCase(text.substr(i), pattern)) return i;
  }
  return std::string_view::npos;
}

std::string collapse(std::string_view s) {
  std::string out;
  bool blank = false;
  for (char c : s) {
    if (isSpace(c)) {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

std::string decodeAmp(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&' && s.substr(i, 5) == "&amp;") {
      out += '&';
      i += 4;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string stripped(std::string_view link) {
  while (!link.empty() && isSpace(link.front())) link.remove_prefix(1);
  while (!link.empty() && isSpace(link.back())) link.remove_suffix(1);
  const std::size_t cut = link.find_first_of("#?");
  return decodeAmp(link.substr(0, cut));
}

struct Attribute {
  std::string_view name, value;
};

// Attributes of the tag whose name ends at pos; pos moves past the tag.
std::vector<Attribute> readAttributes(std::string_view html, std::size_t& pos) {
  std::vector<Attribute> attrs;
  while (pos < html.size()) {
    while (pos < html.size() && isSpace(html[pos])) ++pos;
    if (pos >= html.size()) break;
    if (html[pos] == '>') {
      ++pos;
      break;
    }
    if (html[pos] == '/') {
      ++pos;
      continue;
    }
    const std::size_t nameStart = pos;
    while (pos < html.size() && !isSpace(html[pos]) && html[pos] != '=' && html[pos] != '>') ++pos;
    Attribute a{html.substr(nameStart, pos - nameStart), {}};
    while (pos < html.size() && isSpace(html[pos])) ++pos;
    if (pos < html.size() && html[pos] == '=') {
      ++pos;
      while (pos < html.size() && isSpace(html[pos])) ++pos;
      if (pos < html.size() && (html[pos] == '"' || html[pos] == '\'')) {
        const char quote = html[pos++];
        const std::size_t end = html.find(quote, pos);
        const std::size_t stop = end == std::string_view::npos ? html.size() : end;
        a.value = html.substr(pos, stop - pos);
        pos = end == std::string_view::npos ? html.size() : end + 1;
      } else {
        const std::size_t start = pos;
        while (pos < html.size() && !isSpace(html[pos]) && html[pos] != '>') ++pos;
        a.value = html.substr(start, pos - start);
      }
    }
    if (a.name.empty()) {
      ++pos;  // a stray character: step over it
      continue;
    }
    attrs.push_back(a);
  }
  return attrs;
}

// The name of the next tag from pos on ("/name" for an end tag), pos left
// just after the name; comments are passed over. Empty when no tag is left.
std::string_view nextTag(std::string_view html, std::size_t& pos) {
  while ((pos = html.find('<', pos)) != std::string_view::npos) {
    if (html.substr(pos, 4) == "<!--") {
      const std::size_t end = html.find("-->", pos + 4);
      if (end == std::string_view::npos) break;
      pos = end + 3;
      continue;
    }
    const std::size_t start = ++pos;
    if (pos < html.size() && html[pos] == '/') ++pos;
    const std::size_t nameStart = pos;
    while (pos < html.size() && (std::isalnum(static_cast<unsigned char>(html[pos])) != 0)) ++pos;
    if (pos > nameStart) return html.substr(start, pos - start);
  }
  pos = html.size();
  return {};
}

}  // namespace

std::optional<std::string> pageTitle(std::string_view html) {
  std::size_t open = findNoCaseFrom(html, "<title", 0);
  while (open != std::string_view::npos && open + 6 < html.size() && html[open + 6] != '>' &&
         !isSpace(html[open + 6]))
    open = findNoCaseFrom(html, "<title", open + 6);
  if (open == std::string_view::npos) return std::nullopt;
  const std::size_t start = html.find('>', open);
  if (start == std::string_view::npos) return std::nullopt;
  std::size_t end = findNoCaseFrom(html, "</title", start + 1);
  if (end == std::string_view::npos) end = html.size();
  return collapse(html.substr(start + 1, end - start - 1));
}

std::string pageCharset(std::string_view html) {
  // Declarations live in the head; a charset inside the text is not one.
  std::size_t pos = 0;
  const std::size_t headEnd = std::min(html.size(), findNoCaseFrom(html, "<body", 0));
  while ((pos = findNoCaseFrom(html, "<meta", pos)) != std::string_view::npos && pos < headEnd) {
    pos += 5;
    for (const Attribute& a : readAttributes(html, pos)) {
      std::string_view v = a.value;
      if (EqualsNoCase(a.name, "content")) {
        const std::size_t c = findNoCaseFrom(v, "charset=", 0);
        if (c == std::string_view::npos) continue;
        v = v.substr(c + 8);
      } else if (!EqualsNoCase(a.name, "charset")) {
        continue;
      }
      std::string name;
      for (char c : v) {
        if (isSpace(c) || c == ';' || c == '"' || c == '\'') break;
        name += lower(c);
      }
      if (!name.empty()) return name;
    }
  }
  return std::string();
}

unsigned codePageForCharsetName(std::string_view n) {
  const std::pair<const char*, unsigned> names[] = {
      {"utf-8", 65001},       {"utf8", 65001},        {"gb2312", 936},
      {"gbk", 936},           {"gb18030", 936},       {"x-gbk", 936},
      {"big5", 950},          {"big5-hkscs", 950},    {"shift_jis", 932},
      {"shift-jis", 932},     {"sjis", 932},          {"x-sjis", 932},
      {"windows-31j", 932},   {"euc-kr", 949},        {"ks_c_5601-1987", 949},
      {"windows-1250", 1250}, {"windows-1251", 1251}, {"windows-1252", 1252},
      {"windows-1253", 1253}, {"windows-1254", 1254}, {"windows-1255", 1255},
      {"windows-1256", 1256}, {"windows-1257", 1257}, {"windows-1258", 1258},
      {"iso-8859-1", 1252},   {"us-ascii", 1252},     {"latin1", 1252},
      {"windows-874", 874},   {"tis-620", 874},
  };
  for (const auto& [name, page] : names)
    if (EqualsNoCase(n, name)) return page;
  return 0;
}

unsigned pageCodePage(std::string_view html, unsigned fallback) {
  const unsigned declared = codePageForCharsetName(pageCharset(html));
  if (declared != 0) return declared;
  bool beyondAscii = false;
  for (char c : html) beyondAscii = beyondAscii || static_cast<unsigned char>(c) >= 0x80;
  return beyondAscii && cp::isValidUtf8(html) ? cp::kUtf8 : fallback;
}

void styleLinks(std::string_view css, std::vector<std::string>& out) {
  std::size_t pos = 0;
  while ((pos = findNoCaseFrom(css, "url(", pos)) != std::string_view::npos) {
    pos += 4;
    const std::size_t end = css.find(')', pos);
    if (end == std::string_view::npos) break;
    std::string_view v = css.substr(pos, end - pos);
    while (!v.empty() && isSpace(v.front())) v.remove_prefix(1);
    while (!v.empty() && isSpace(v.back())) v.remove_suffix(1);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    out.push_back(stripped(v));
    pos = end + 1;
  }
  pos = 0;
  while ((pos = findNoCaseFrom(css, "@import", pos)) != std::string_view::npos) {
    pos += 7;
    while (pos < css.size() && isSpace(css[pos])) ++pos;
    if (pos < css.size() && (css[pos] == '"' || css[pos] == '\'')) {
      const char quote = css[pos++];
      const std::size_t end = css.find(quote, pos);
      if (end == std::string_view::npos) break;
      out.push_back(stripped(css.substr(pos, end - pos)));
      pos = end + 1;
    }
  }
}

void pageLinks(std::string_view html, std::vector<std::string>& out) {
  std::size_t pos = 0;
  for (std::string_view tag; !(tag = nextTag(html, pos)).empty();) {
    if (tag.front() == '/') continue;
    const std::vector<Attribute> attrs = readAttributes(html, pos);
    for (const Attribute& a : attrs) {
      if (EqualsNoCase(a.name, "href") || EqualsNoCase(a.name, "src") ||
          EqualsNoCase(a.name, "background") || EqualsNoCase(a.name, "data")) {
        out.push_back(stripped(a.value));
      } else if (EqualsNoCase(a.name, "style")) {
        styleLinks(a.value, out);
      }
    }
    // A sitemap entry's <param name="Local" value="page.htm">.
    if (EqualsNoCase(tag, "param")) {
      bool local = false;
      for (const Attribute& a : attrs)
        local = local || (EqualsNoCase(a.name, "name") && EqualsNoCase(a.value, "Local"));
      for (const Attribute& a : attrs)
        if (local && EqualsNoCase(a.name, "value")) out.push_back(stripped(a.value));
    }
    if (EqualsNoCase(tag, "style") || EqualsNoCase(tag, "script")) {
      const std::string closing = "</" + std::string(tag);
      std::size_t end = findNoCaseFrom(html, closing, pos);
      if (end == std::string_view::npos) end = html.size();
      if (EqualsNoCase(tag, "style")) styleLinks(html.substr(pos, end - pos), out);
      pos = end;
    }
  }
}

bool isLocalLink(std::string_view link) {
  if (link.empty() || link.front() == '/' || link.front() == '\\') return false;
  for (std::size_t i = 0; i < link.size(); ++i) {
    const char c = link[i];
    if (c == ':') return false;  // a scheme or a drive letter
    if (c == '/' || c == '\\') break;
  }
  return true;
}

namespace {

// A value list of a link object or meta tag: "a; b;c" → a, b, c.
void splitWords(std::string_view value, std::vector<std::string>& out) {
  std::size_t pos = 0;
  while (pos <= value.size()) {
    std::size_t end = value.find(';', pos);
    if (end == std::string_view::npos) end = value.size();
    std::string_view w = value.substr(pos, end - pos);
    while (!w.empty() && isSpace(w.front())) w.remove_prefix(1);
    while (!w.empty() && isSpace(w.back())) w.remove_suffix(1);
    if (!w.empty()) out.emplace_back(w);
    pos = end + 1;
  }
}

std::string_view attribute(const std::vector<Attribute>& attrs, std::string_view name) {
  for (const Attribute& a : attrs)
    if (EqualsNoCase(a.name, name)) return a.value;
  return {};
}

// The class of the object that carries a page's keywords and link names.
constexpr std::string_view kLinkObjectClass = "clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e";

}  // namespace

PageLinkWords pageLinkWords(std::string_view html) {
  PageLinkWords out;
  bool inLinkObject = false;
  std::size_t pos = 0;
  for (std::string_view tag; !(tag = nextTag(html, pos)).empty();) {
    if (EqualsNoCase(tag, "/object")) {
      inLinkObject = false;
      continue;
    }
    if (!EqualsNoCase(tag, "meta") && !EqualsNoCase(tag, "object") && !EqualsNoCase(tag, "param"))
      continue;
    const std::vector<Attribute> attrs = readAttributes(html, pos);
    if (EqualsNoCase(tag, "object")) {
      inLinkObject = EqualsNoCase(attribute(attrs, "classid"), kLinkObjectClass);
    } else if (EqualsNoCase(tag, "meta")) {
      const std::string_view name = attribute(attrs, "name");
      if (EqualsNoCase(name, "MS-HKWD")) splitWords(attribute(attrs, "content"), out.keywords);
      if (EqualsNoCase(name, "MS-HAID")) splitWords(attribute(attrs, "content"), out.alinks);
    } else if (inLinkObject) {
      const std::string_view name = attribute(attrs, "name");
      if (EqualsNoCase(name, "Keyword")) splitWords(attribute(attrs, "value"), out.keywords);
      if (EqualsNoCase(name, "ALink Name")) splitWords(attribute(attrs, "value"), out.alinks);
    }
  }
  return out;
}
