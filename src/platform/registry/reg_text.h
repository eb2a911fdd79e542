#pragma once
// Text helpers of the hive files: UTF-8/UTF-16 conversion, the escapes of
// Wine's registry format, and the letter-case folding used for key and value
// names.
#include <cstdint>
#include <string>
#include <string_view>

namespace reg {

// UTF-8 to UTF-16 code units; an invalid byte is taken as the code point of
// its value so that nothing is lost.
std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

// Name folding for comparisons: names keep their case but compare without it.
std::string foldName(std::string_view utf8);

// Writes text the way Wine's server does: non-ASCII code units as \x escapes,
// control characters as C or octal escapes, and a backslash before '\' and
// before each of the two characters in `quote` ("\"\"" for values, "[]" for
// key names).
std::string escapeText(std::u16string_view text, std::string_view quote);

// Reads an escaped text from `in` starting at `pos` up to (not including) the
// unescaped character `end`. On success `pos` points at `end`. Bytes of
// UTF-8 sequences are decoded; a malformed one is taken byte by byte.
bool unescapeText(std::string_view in, std::size_t& pos, char end, std::u16string& out);

}  // namespace reg
