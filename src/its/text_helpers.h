#pragma once
// Path and text helpers. Texts are UTF-8 unless a code page is given; scans
// step by whole characters (UTF-8 sequences, or the double-byte characters of
// 932/936/949/950 texts from help files, whose second byte may be a "\"), so a
// character is never split and never taken for a separator.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/system/codepage.h"

// Position of the first c, or npos.
std::size_t findChar(std::string_view text, char c, unsigned codePage = cp::kUtf8);

// Position of the last c, or npos.
std::size_t findLastChar(std::string_view text, char c, unsigned codePage = cp::kUtf8);

// The first position where pattern matches, A–Z compared without case, or npos.
// An empty pattern matches at 0.
std::size_t findNoCase(std::string_view text, std::string_view pattern,
                       unsigned codePage = cp::kUtf8);

// Equal length and equal without regard to the case of A–Z.
bool sameNoCase(std::string_view a, std::string_view b);

// Every "\" becomes "/", in place.
void slashes(std::string& text, unsigned codePage = cp::kUtf8);

// Whether the text from the last "." of the path equals ext (".chm") without case.
bool extensionIs(std::string_view path, std::string_view ext);

// The file name of a path: the text after the last "\"; then after the last
// "/" of that or, when it has none, after its last ":"; else the whole path.
std::string_view fileNamePart(std::string_view path, unsigned codePage = cp::kUtf8);

// The decimal digits of n with "," between groups of three from the right.
std::string thousands(std::uint64_t n);

// What follows a count: nothing for 1, a blank otherwise.
const char* pluralSuffix(std::uint32_t n);
