#pragma once
// Windows code pages on Linux. The program's own texts are UTF-8; texts inside
// a help file are bytes in the code page of the file's language. This module
// maps a language id (LCID) or a font charset to a code page, steps through
// text by characters, and converts between a code page and UTF-8 with iconv.
//
// Bytes that do not convert: every byte that cannot start a valid character of
// the source code page becomes one U+FFFD and decoding resumes at the next
// byte, so a stray lead byte never swallows the ASCII character after it.
// Characters that the target code page lacks become "?" (as the Windows
// converter's default character).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace cp {

constexpr unsigned kUtf8 = 65001;

// The ANSI code page of a language id, or 0 when the language is unknown.
unsigned codePageForLcid(std::uint32_t lcid);

// The code page of a GDI font charset (134 GB2312 → 936, 136 → 950, 128 → 932,
// 129 → 949, 0 → 1252, ...), or 0 for charsets without one (DEFAULT, SYMBOL,
// OEM and unknown values).
unsigned codePageForCharset(int charset);

// The iconv name used to decode a code page, or nullptr when it is unsupported.
const char* iconvName(unsigned codePage);

// Whether the code page is one iconv handles here.
bool isSupported(unsigned codePage);

// Whether the code page encodes characters in one or two bytes (932, 936, 949,
// 950, 1361).
bool isDoubleByte(unsigned codePage);

// Whether byte is a lead byte of a two-byte character in the code page.
bool isLeadByte(unsigned codePage, unsigned char byte);

// The length in bytes of the character that starts at text[pos] (at least 1,
// never past the end). UTF-8 sequences and double-byte characters are kept
// whole; a malformed sequence counts one byte per character.
std::size_t charLength(std::string_view text, std::size_t pos, unsigned codePage = kUtf8);

// The start of the character that ends just before pos (pos > 0), found by
// stepping forward from the start as the code page requires.
std::size_t previousChar(std::string_view text, std::size_t pos, unsigned codePage = kUtf8);

// Decodes one UTF-8 sequence at in[pos]; returns its length, or 0 when the
// bytes there are not a well-formed sequence (overlong, surrogate, past U+10FFFF).
std::size_t decodeUtf8(std::string_view in, std::size_t pos, char32_t& cp);
// Appends one code point as UTF-8.
void appendUtf8(std::string& out, char32_t c);

// Bytes in the code page → UTF-8, every bad byte as U+FFFD. UTF-8 input
// (kUtf8) is checked the same way.
std::string toUtf8(std::string_view bytes, unsigned codePage);

// As toUtf8, but nothing when a single byte does not convert.
std::optional<std::string> toUtf8Strict(std::string_view bytes, unsigned codePage);

// UTF-8 → bytes in the code page; characters it lacks become "?".
std::string fromUtf8(std::string_view utf8, unsigned codePage);

// Whether bytes are valid UTF-8.
bool isValidUtf8(std::string_view bytes);

// UTF-8 → UTF-16, every bad byte as U+FFFD.
std::u16string utf8ToUtf16(std::string_view utf8);

// UTF-16 → UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

// The code page a charset detector names for the bytes (UTF-8, the CJK
// double-byte pages, the Windows single-byte pages), or 0 when it names none
// of these.
unsigned detectCodePage(std::string_view bytes);

// Samples with fewer bytes beyond ASCII than this are too little for the
// detector.
constexpr std::size_t kMinDetectBytes = 8;

// The code page in which to read a help file's texts. Starts from the LCID;
// a font charset (#SYSTEM code 16) that names a specific code page overrides
// it (a file marked 0x409 whose font is GB2312 holds GBK text; ANSI and
// DEFAULT charsets prove nothing). With samples of the file's texts: when
// the page came from the LCID alone and is single-byte, or the samples do not
// decode in it, a charset detector's multi-byte answer (UTF-8, 936, 950, 932,
// 949) wins when it decodes them all (a file marked 0x409 with GBK texts and
// no font record). Failing that, samples that do not decode take the first
// of UTF-8 (valid with a character beyond ASCII), 936, 950, 932, 949 that
// decodes them all. Unknown everything → 1252.
unsigned chooseCodePage(std::uint32_t lcid, std::optional<int> charset,
                        std::span<const std::string_view> samples = {});

}  // namespace cp
