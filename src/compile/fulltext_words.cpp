#include "compile/fulltext_words.h"

#include <array>
#include <cstdint>

#include "chmfiles/html_text.h"
#include "common/string_utils.h"
#include "platform/system/codepage.h"

namespace {

enum class CharKind { Separator, Letter, Single, Apostrophe, Dot, Comma, Ignored };

bool in(char32_t c, char32_t first, char32_t last) { return c >= first && c <= last; }

bool isDigit(char32_t c) { return in(c, '0', '9') || in(c, 0xFF10, 0xFF19); }

bool isAsciiAlnum(char32_t c) { return in(c, 'a', 'z') || in(c, 'A', 'Z') || in(c, '0', '9'); }

// Characters that stand as words of their own: Han ideographs, kana,
// bopomofo, CJK radicals.
bool isSingleWordChar(char32_t c) {
  return in(c, 0x2E80, 0x2FDF) || in(c, 0x3040, 0x30FF) || in(c, 0x3100, 0x312F) ||
         in(c, 0x31A0, 0x31FF) || in(c, 0x3400, 0x4DBF) || in(c, 0x4E00, 0x9FFF) ||
         in(c, 0xF900, 0xFAFF) || in(c, 0xFF66, 0xFF9F) || in(c, 0x20000, 0x3FFFF);
}

// Hangul syllables and jamo: letters of words of their own script, which
// end where Latin letters or digits begin ("PrintScreen을" is two words).
bool isHangul(char32_t c) {
  return in(c, 0x1100, 0x11FF) || in(c, 0x3130, 0x318F) || in(c, 0xA960, 0xA97F) ||
         in(c, 0xAC00, 0xD7FF) || in(c, 0xFFA0, 0xFFDC);
}

// Punctuation, symbols, spaces and controls beyond ASCII.
bool isSymbol(char32_t c) {
  return in(c, 0x80, 0xBF) || c == 0xD7 || c == 0xF7 || in(c, 0x2000, 0x2BFF) ||
         in(c, 0x2E00, 0x2E7F) || in(c, 0x3000, 0x303F) || in(c, 0xE000, 0xF8FF) ||
         in(c, 0xFE10, 0xFE6F) || in(c, 0xFF00, 0xFF0F) || in(c, 0xFF1A, 0xFF20) ||
         in(c, 0xFF3B, 0xFF40) || in(c, 0xFF5B, 0xFF65) || in(c, 0xFFF0, 0xFFFF) ||
         in(c, 0x1F000, 0x1FAFF);
}

CharKind kindOf(char32_t c) {
  if (c < 0x80) {
    if (isAsciiAlnum(c) || c == '_') return CharKind::Letter;
    if (c == '\'') return CharKind::Apostrophe;
    if (c == '.') return CharKind::Dot;
    if (c == ',') return CharKind::Comma;
    return CharKind::Separator;
  }
  // Soft hyphen, zero-width joiners and the byte order mark do not split.
  if (c == 0xAD || c == 0x200C || c == 0x200D || c == 0xFEFF) return CharKind::Ignored;
  if (c == 0x2019) return CharKind::Apostrophe;  // ’
  if (isSingleWordChar(c)) return CharKind::Single;
  if (isSymbol(c)) return CharKind::Separator;
  return CharKind::Letter;
}

// Lower case for the scripts whose case the readers fold, and full-width
// Latin letters and digits as ASCII.
char32_t folded(char32_t c) {
  if (in(c, 'A', 'Z') || in(c, 0xC0, 0xDE)) return c == 0xD7 ? c : c + 0x20;
  if (c < 0x100) return c;
  if (in(c, 0xFF10, 0xFF19)) return c - 0xFF10 + '0';
  if (in(c, 0xFF21, 0xFF3A)) return c - 0xFF21 + 'a';
  if (in(c, 0xFF41, 0xFF5A)) return c - 0xFF41 + 'a';
  if (c == 0x130) return 'i';
  if (c == 0x178) return 0xFF;
  // Latin Extended-A: upper and lower case alternate, starting even up to
  // U+0137, odd from U+0139 to U+0148, even again to U+0177, odd after.
  if (in(c, 0x100, 0x137) || in(c, 0x14A, 0x177)) return c | 1;
  if (in(c, 0x139, 0x148) || in(c, 0x179, 0x17E)) return (c & 1) ? c + 1 : c;
  if (in(c, 0x1E00, 0x1E95) || in(c, 0x1EA0, 0x1EFF)) return c | 1;
  if (in(c, 0x391, 0x3A9) && c != 0x3A2) return c + 0x20;  // Greek
  if (in(c, 0x410, 0x42F)) return c + 0x20;                // Cyrillic
  if (in(c, 0x400, 0x40F)) return c + 0x50;
  return c;
}

// Builds words from characters, one at a time.
class WordSplitter {
 public:
  explicit WordSplitter(std::vector<std::string>& out) : out_(out) {}

  void push(char32_t c) {
    switch (kindOf(c)) {
      case CharKind::Ignored:
        return;
      case CharKind::Letter:
        if (!word_.empty() && isHangul(c) != hangul_) end();  // the script changes
        if (pending_ == ',' && !isDigit(c))
          end();  // "1,a" is two words
        else if (pending_ == '.')
          word_ += '.';
        pending_ = 0;
        if (word_.empty()) {
          startsWithDigit_ = isDigit(c);
          hangul_ = isHangul(c);
        }
        cp::appendUtf8(word_, folded(c));
        return;
      case CharKind::Single:
        end();
        cp::appendUtf8(word_, c);
        end();
        return;
      case CharKind::Apostrophe:
        // Kept only while a letter follows, and then dropped.
        if (!word_.empty() && pending_ == 0) {
          pending_ = '\'';
          return;
        }
        end();
        return;
      case CharKind::Dot:
      case CharKind::Comma:
        // "3.14", "1.2.3", "2.0.xml"; "1,000,000" is "1000000".
        if (!word_.empty() && startsWithDigit_ && pending_ == 0) {
          pending_ = c == '.' ? '.' : ',';
          return;
        }
        end();
        return;
      case CharKind::Separator:
        end();
        return;
    }
  }

  void end() {
    if (!word_.empty()) out_.push_back(std::move(word_));
    word_.clear();
    pending_ = 0;
  }

 private:
  std::vector<std::string>& out_;
  std::string word_;
  char pending_ = 0;  // an apostrophe, dot or comma that joins only if a letter follows
  bool startsWithDigit_ = false;
  bool hangul_ = false;  // the word is Hangul
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

std::size_t findNoCase(std::string_view text, std::string_view pattern, std::size_t from) {
  for (std::size_t i = from; i + pattern.size() <= text.size(); ++i)
    if (StartsWithNoCase(text.substr(i), pattern)) return i;
  return std::string_view::npos;
}

// Feeds the text of html[from, to) to the splitter: character references
// decoded, bytes that are not UTF-8 taken as separators.
void feedText(std::string_view html, std::size_t from, std::size_t to, WordSplitter& words) {
  std::size_t pos = from;
  while (pos < to) {
    const unsigned char b = static_cast<unsigned char>(html[pos]);
    if (b == '&') {
      std::size_t length = 0;
      const char32_t c = characterReference(html.substr(pos + 1, to - pos - 1), length);
      if (c != 0) {
        words.push(c);
        pos += 1 + length;
        continue;
      }
    }
    if (b < 0x80) {
      words.push(b);
      ++pos;
      continue;
    }
    char32_t c = 0;
    const std::size_t n = cp::decodeUtf8(html.substr(0, to), pos, c);
    words.push(n == 0 ? U' ' : c);
    pos += n == 0 ? 1 : n;
  }
  words.end();
}

// The end of the tag that starts at html[pos] ('<'), just past its '>'.
std::size_t tagEnd(std::string_view html, std::size_t pos) {
  char quote = 0;
  for (++pos; pos < html.size(); ++pos) {
    const char c = html[pos];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      // Only a quote that opens an attribute value counts; a stray one in
      // broken markup would hide the rest of the page.
      if (html[pos - 1] == '=' || isSpace(html[pos - 1])) quote = c;
    } else if (c == '>') {
      return pos + 1;
    }
  }
  return html.size();
}

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

PageWords pageWords(std::string_view html) {
  PageWords result;
  WordSplitter body(result.body);
  WordSplitter title(result.title);
  std::size_t pos = 0;
  std::size_t textStart = 0;
  while (pos < html.size()) {
    const std::size_t lt = html.find('<', pos);
    if (lt == std::string_view::npos) break;
    const char next = lt + 1 < html.size() ? html[lt + 1] : '\0';
    if (!isAsciiLetter(next) && next != '/' && next != '!' && next != '?') {
      pos = lt + 1;  // a "<" in text
      continue;
    }
    feedText(html, textStart, lt, body);
    if (html.substr(lt, 4) == "<!--") {
      const std::size_t end = html.find("-->", lt + 4);
      pos = textStart = end == std::string_view::npos ? html.size() : end + 3;
      continue;
    }
    std::size_t nameEnd = lt + 1;
    while (nameEnd < html.size() && isAsciiAlnum(static_cast<unsigned char>(html[nameEnd])))
      ++nameEnd;
    const std::string_view name = html.substr(lt + 1, nameEnd - lt - 1);
    pos = textStart = tagEnd(html, lt);
    const bool isTitle = EqualsNoCase(name, "title");
    if (isTitle || EqualsNoCase(name, "script") || EqualsNoCase(name, "style")) {
      // Their content runs to the closing tag, whatever it holds.
      const std::string closing = "</" + std::string(name);
      std::size_t end = findNoCase(html, closing, pos);
      if (end == std::string_view::npos) end = html.size();
      if (isTitle && result.title.empty()) feedText(html, pos, end, title);
      pos = textStart = end == html.size() ? end : tagEnd(html, end);
    }
  }
  feedText(html, textStart, html.size(), body);
  return result;
}
