#include "platform/system/codepage.h"

#include <iconv.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <memory>
#include <utility>

namespace cp {

namespace {

// Language ids whose code page differs between sub-languages; everything else
// is decided by the primary language (the low ten bits).
struct LcidCodePage {
  std::uint32_t lcid;
  unsigned codePage;
};
constexpr LcidCodePage kExactLcids[] = {
    {0x0404, 950},  {0x0804, 936},  {0x0c04, 950},  {0x1004, 936},  {0x1404, 950},  {0x041a, 1250},
    {0x081a, 1250}, {0x0c1a, 1251}, {0x101a, 1250}, {0x141a, 1250}, {0x181a, 1250}, {0x1c1a, 1251},
    {0x201a, 1251}, {0x042c, 1254}, {0x082c, 1251}, {0x0443, 1254}, {0x0843, 1251},
};

struct PrimaryCodePage {
  std::uint16_t primary;
  unsigned codePage;
};
constexpr PrimaryCodePage kPrimaryLanguages[] = {
    {0x01, 1256},  // Arabic
    {0x02, 1251},  // Bulgarian
    {0x03, 1252},  // Catalan
    {0x04, 950},   // Chinese (Taiwan, Hong Kong, Macao; PRC and Singapore above)
    {0x05, 1250},  // Czech
    {0x06, 1252},  // Danish
    {0x07, 1252},  // German
    {0x08, 1253},  // Greek
    {0x09, 1252},  // English
    {0x0a, 1252},  // Spanish
    {0x0b, 1252},  // Finnish
    {0x0c, 1252},  // French
    {0x0d, 1255},  // Hebrew
    {0x0e, 1250},  // Hungarian
    {0x0f, 1252},  // Icelandic
    {0x10, 1252},  // Italian
    {0x11, 932},   // Japanese
    {0x12, 949},   // Korean
    {0x13, 1252},  // Dutch
    {0x14, 1252},  // Norwegian
    {0x15, 1250},  // Polish
    {0x16, 1252},  // Portuguese
    {0x17, 1252},  // Romansh
    {0x18, 1250},  // Romanian
    {0x19, 1251},  // Russian
    {0x1b, 1250},  // Slovak
    {0x1c, 1250},  // Albanian
    {0x1d, 1252},  // Swedish
    {0x1e, 874},   // Thai
    {0x1f, 1254},  // Turkish
    {0x20, 1256},  // Urdu
    {0x21, 1252},  // Indonesian
    {0x22, 1251},  // Ukrainian
    {0x23, 1251},  // Belarusian
    {0x24, 1250},  // Slovenian
    {0x25, 1257},  // Estonian
    {0x26, 1257},  // Latvian
    {0x27, 1257},  // Lithuanian
    {0x29, 1256},  // Persian
    {0x2a, 1258},  // Vietnamese
    {0x2d, 1252},  // Basque
    {0x2f, 1251},  // Macedonian
    {0x36, 1252},  // Afrikaans
    {0x38, 1252},  // Faroese
    {0x3e, 1252},  // Malay
    {0x3f, 1251},  // Kazakh
    {0x40, 1251},  // Kyrgyz
    {0x41, 1252},  // Swahili
    {0x44, 1251},  // Tatar
    {0x50, 1251},  // Mongolian
    {0x56, 1252},  // Galician
};

struct CharsetCodePage {
  int charset;
  unsigned codePage;
};
constexpr CharsetCodePage kCharsets[] = {
    {0, 1252},    // ANSI_CHARSET
    {128, 932},   // SHIFTJIS_CHARSET
    {129, 949},   // HANGUL_CHARSET
    {130, 1361},  // JOHAB_CHARSET
    {134, 936},   // GB2312_CHARSET
    {136, 950},   // CHINESEBIG5_CHARSET
    {161, 1253},  // GREEK_CHARSET
    {162, 1254},  // TURKISH_CHARSET
    {163, 1258},  // VIETNAMESE_CHARSET
    {177, 1255},  // HEBREW_CHARSET
    {178, 1256},  // ARABIC_CHARSET
    {186, 1257},  // BALTIC_CHARSET
    {204, 1251},  // RUSSIAN_CHARSET
    {222, 874},   // THAI_CHARSET
    {238, 1250},  // EASTEUROPE_CHARSET
};

struct IconvNames {
  unsigned codePage;
  const char* decode;  // bytes → Unicode
  const char* encode;  // Unicode → bytes
};
// 936 is decoded as GB18030, which holds every two-byte character of the
// Windows table (GBK alone lacks a few, e.g. A8BF); it is encoded as CP936 so
// that only characters of the Windows table are written.
constexpr IconvNames kIconvNames[] = {
    {874, "CP874", "CP874"},    {932, "CP932", "CP932"},    {936, "GB18030", "CP936"},
    {949, "CP949", "CP949"},    {950, "CP950", "CP950"},    {1250, "CP1250", "CP1250"},
    {1251, "CP1251", "CP1251"}, {1252, "CP1252", "CP1252"}, {1253, "CP1253", "CP1253"},
    {1254, "CP1254", "CP1254"}, {1255, "CP1255", "CP1255"}, {1256, "CP1256", "CP1256"},
    {1257, "CP1257", "CP1257"}, {1258, "CP1258", "CP1258"}, {1361, "JOHAB", "JOHAB"},
};

const IconvNames* namesFor(unsigned codePage) {
  for (const auto& n : kIconvNames) {
    if (n.codePage == codePage) return &n;
  }
  return nullptr;
}

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// Length of the valid UTF-8 sequence at text[pos], or 0 when it is not one.
std::size_t utf8SequenceLength(std::string_view text, std::size_t pos) {
  const auto b0 = static_cast<unsigned char>(text[pos]);
  if (b0 < 0x80) return 1;
  std::size_t len;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    if (b0 == 0xE0) lo = 0xA0;  // overlong
    if (b0 == 0xED) hi = 0x9F;  // surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    if (b0 == 0xF0) lo = 0x90;  // overlong
    if (b0 == 0xF4) hi = 0x8F;  // beyond U+10FFFF
  } else {
    return 0;
  }
  if (text.size() - pos < len) return 0;
  for (std::size_t i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(text[pos + i]);
    if (i == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return 0;
  }
  return len;
}

char32_t decodeUtf8At(std::string_view text, std::size_t pos, std::size_t len) {
  const auto b0 = static_cast<unsigned char>(text[pos]);
  if (len == 1) return b0;
  char32_t c = b0 & (0x7F >> len);
  for (std::size_t i = 1; i < len; ++i)
    c = (c << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
  return c;
}

// Conversion descriptors are costly to open; each thread keeps the ones it used.
class IconvCache {
 public:
  ~IconvCache() {
    for (auto& [key, cd] : open_) iconv_close(cd);
  }
  iconv_t get(const char* to, const char* from) {
    const std::string key = std::string(to) + '\n' + from;
    auto it = open_.find(key);
    if (it != open_.end()) {
      iconv(it->second, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
      return it->second;
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return cd;
    open_.emplace(key, cd);
    return cd;
  }

 private:
  std::map<std::string, iconv_t> open_;
};

iconv_t descriptor(const char* to, const char* from) {
  thread_local IconvCache cache;
  return cache.get(to, from);
}

// Decodes with iconv; returns false at the first bad byte when strict.
bool decodeWith(std::string_view bytes, unsigned codePage, bool strict, std::string& out) {
  const IconvNames* names = namesFor(codePage);
  iconv_t cd = names ? descriptor("UTF-8", names->decode) : reinterpret_cast<iconv_t>(-1);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // Unknown code page: ASCII passes, every other byte is bad.
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) < 0x80) {
        out += c;
      } else if (strict) {
        return false;
      } else {
        out += kReplacement;
      }
    }
    return true;
  }
  char* in = const_cast<char*>(bytes.data());  // iconv's interface is not const-correct
  std::size_t inLeft = bytes.size();
  std::array<char, 4096> chunk;
  while (inLeft > 0) {
    char* o = chunk.data();
    std::size_t oLeft = chunk.size();
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    out.append(chunk.data(), chunk.size() - oLeft);
    if (r != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ (bad sequence) or EINVAL (cut off at the end): one byte is bad.
    if (strict) return false;
    if (codePage == 936 && static_cast<unsigned char>(*in) == 0x80) {
      out += "\xE2\x82\xAC";  // the euro sign, a single byte in the Windows table only
    } else {
      out += kReplacement;
    }
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return true;
}

}  // namespace

unsigned codePageForLcid(std::uint32_t lcid) {
  for (const auto& e : kExactLcids) {
    if (e.lcid == (lcid & 0xFFFF)) return e.codePage;
  }
  const auto primary = static_cast<std::uint16_t>(lcid & 0x3FF);
  for (const auto& e : kPrimaryLanguages) {
    if (e.primary == primary) return e.codePage;
  }
  return 0;
}

unsigned codePageForCharset(int charset) {
  for (const auto& e : kCharsets) {
    if (e.charset == charset) return e.codePage;
  }
  return 0;
}

const char* iconvName(unsigned codePage) {
  const IconvNames* n = namesFor(codePage);
  return n ? n->decode : nullptr;
}

bool isSupported(unsigned codePage) { return codePage == kUtf8 || namesFor(codePage) != nullptr; }

bool isDoubleByte(unsigned codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 ||
         codePage == 1361;
}

bool isLeadByte(unsigned codePage, unsigned char b) {
  switch (codePage) {
    case 932:
      return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
      return b >= 0x81 && b <= 0xFE;
    case 1361:
      return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
    case kUtf8:
      return b >= 0xC2 && b <= 0xF4;
    default:
      return false;
  }
}

std::size_t charLength(std::string_view text, std::size_t pos, unsigned codePage) {
  if (pos >= text.size()) return 0;
  if (codePage == kUtf8) {
    const std::size_t n = utf8SequenceLength(text, pos);
    return n == 0 ? 1 : n;
  }
  if (isLeadByte(codePage, static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() &&
      text[pos + 1] != '\0') {
    return 2;
  }
  return 1;
}

std::size_t previousChar(std::string_view text, std::size_t pos, unsigned codePage) {
  if (pos == 0) return 0;
  if (pos > text.size()) pos = text.size();
  if (codePage == kUtf8) {
    // UTF-8 synchronises by itself: back over continuation bytes, then check.
    std::size_t start = pos - 1;
    while (start > 0 && pos - start < 4 &&
           (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
      --start;
    }
    const std::size_t n = utf8SequenceLength(text, start);
    return (n != 0 && start + n == pos) ? start : pos - 1;
  }
  std::size_t at = 0;
  for (;;) {
    const std::size_t next = at + charLength(text, at, codePage);
    if (next >= pos) return at;
    at = next;
  }
}

bool isValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = utf8SequenceLength(bytes, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string toUtf8(std::string_view bytes, unsigned codePage) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  if (codePage == kUtf8) {
    for (std::size_t i = 0; i < bytes.size();) {
      const std::size_t n = utf8SequenceLength(bytes, i);
      if (n == 0) {
        out += kReplacement;
        ++i;
      } else {
        out.append(bytes.substr(i, n));
        i += n;
      }
    }
    return out;
  }
  decodeWith(bytes, codePage, false, out);
  return out;
}

std::optional<std::string> toUtf8Strict(std::string_view bytes, unsigned codePage) {
  if (codePage == kUtf8) {
    if (!isValidUtf8(bytes)) return std::nullopt;
    return std::string(bytes);
  }
  std::string out;
  if (!decodeWith(bytes, codePage, true, out)) return std::nullopt;
  return out;
}

std::string fromUtf8(std::string_view utf8, unsigned codePage) {
  if (codePage == kUtf8) return toUtf8(utf8, kUtf8);
  const IconvNames* names = namesFor(codePage);
  iconv_t cd = names ? descriptor(names->encode, "UTF-8") : reinterpret_cast<iconv_t>(-1);
  std::string out;
  out.reserve(utf8.size());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    for (std::size_t i = 0; i < utf8.size();) {
      const auto b = static_cast<unsigned char>(utf8[i]);
      out += b < 0x80 ? static_cast<char>(b) : '?';
      i += charLength(utf8, i, kUtf8);
    }
    return out;
  }
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  std::array<char, 4096> chunk;
  while (inLeft > 0) {
    char* o = chunk.data();
    std::size_t oLeft = chunk.size();
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    out.append(chunk.data(), chunk.size() - oLeft);
    if (r != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    // A character the code page lacks, or bad UTF-8: one "?" for it.
    out += '?';
    const std::size_t skip = charLength(std::string_view(in, inLeft), 0, kUtf8);
    in += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

std::u16string utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t n = utf8SequenceLength(utf8, i);
    char32_t c = 0xFFFD;
    if (n != 0) c = decodeUtf8At(utf8, i, n);
    i += n == 0 ? 1 : n;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    appendUtf8(out, c);
  }
  return out;
}

unsigned detectCodePage(std::string_view bytes) {
  uchardet_t detector = uchardet_new();
  if (!detector) return 0;
  unsigned found = 0;
  if (uchardet_handle_data(detector, bytes.data(), bytes.size()) == 0) {
    uchardet_data_end(detector);
    const std::string_view name = uchardet_get_charset(detector);
    // The detector's names for the encodings help files are written in.
    static constexpr std::pair<std::string_view, unsigned> kNames[] = {
        {"UTF-8", kUtf8},       {"GB18030", 936},       {"GB2312", 936},
        {"GBK", 936},           {"BIG5", 950},          {"SHIFT_JIS", 932},
        {"EUC-KR", 949},        {"UHC", 949},           {"WINDOWS-1250", 1250},
        {"WINDOWS-1251", 1251}, {"WINDOWS-1252", 1252}, {"WINDOWS-1253", 1253},
        {"WINDOWS-1254", 1254}, {"WINDOWS-1255", 1255}, {"WINDOWS-1256", 1256},
        {"WINDOWS-1257", 1257}, {"WINDOWS-1258", 1258}, {"ISO-8859-1", 1252},
        {"TIS-620", 874},       {"WINDOWS-874", 874}};
    for (const auto& [label, codePage] : kNames) {
      if (name.size() == label.size() &&
          std::equal(name.begin(), name.end(), label.begin(),
                     [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 32 : a) == b; })) {
        found = codePage;
      }
    }
  }
  uchardet_delete(detector);
  return found;
}

unsigned chooseCodePage(std::uint32_t lcid, std::optional<int> charset,
                        std::span<const std::string_view> samples) {
  unsigned chosen = codePageForLcid(lcid);
  bool fromCharset = false;
  if (charset && *charset != 0) {
    // ANSI (0) is what many compilers write whatever the language; only a
    // specific charset says something about the text.
    if (const unsigned fromFont = codePageForCharset(*charset); fromFont != 0) {
      chosen = fromFont;
      fromCharset = true;
    }
  }
  if (chosen == 0) chosen = 1252;
  if (samples.empty()) return chosen;
  auto decodesAll = [&](unsigned codePage) {
    for (std::string_view s : samples) {
      if (!toUtf8Strict(s, codePage)) return false;
    }
    return true;
  };
  std::string joined;
  std::size_t highBytes = 0;
  for (std::string_view s : samples) {
    for (char c : s) highBytes += static_cast<unsigned char>(c) >= 0x80;
    joined.append(s).push_back('\n');
  }
  const bool decodes = decodesAll(chosen);
  // A single-byte page decodes nearly any bytes, so decoding proves nothing
  // there: with enough text beyond ASCII the detector may overrule the
  // language id, but only with an encoding that decodes every sample and only
  // for a multi-byte one (a mistaken Western page would merely swap accents).
  if (highBytes >= kMinDetectBytes &&
      (!decodes || (!fromCharset && !isDoubleByte(chosen) && chosen != kUtf8))) {
    const unsigned detected = detectCodePage(joined);
    if (detected != 0 && detected != chosen && (isDoubleByte(detected) || detected == kUtf8) &&
        decodesAll(detected))
      return detected;
  }
  if (decodes) return chosen;
  if (highBytes > 0 && decodesAll(kUtf8)) return kUtf8;
  for (unsigned candidate : {936u, 950u, 932u, 949u}) {
    if (candidate != chosen && decodesAll(candidate)) return candidate;
  }
  return chosen;
}

std::size_t decodeUtf8(std::string_view in, std::size_t pos, char32_t& cp) {
  auto b = static_cast<unsigned char>(in[pos]);
  std::size_t len;
  if (b < 0x80) {
    cp = b;
    return 1;
  } else if ((b & 0xE0) == 0xC0) {
    len = 2;
    cp = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    len = 3;
    cp = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0) {
    len = 4;
    cp = b & 0x07;
  } else {
    return 0;
  }
  if (pos + len > in.size()) return 0;
  for (std::size_t i = 1; i < len; ++i) {
    auto c = static_cast<unsigned char>(in[pos + i]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  static const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace cp
