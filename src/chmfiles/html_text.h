#pragma once
// HTML character references in texts taken from pages and sitemap files.
#include <cstddef>
#include <string>
#include <string_view>

// The character of an HTML character reference, given the text after its
// "&" (e.g. "eacute;" or "#x4E2D;"): the HTML 4 names and decimal or hex
// numbers, the ";" optional as browsers read it; 0 when it is none. length
// becomes the number of bytes it takes, ";" included.
char32_t characterReference(std::string_view afterAmp, std::size_t& length);

// The text with its character references decoded, text and result being
// bytes in the code page (cp::kUtf8 for UTF-8). A reference to a character
// the code page cannot hold stays as written.
std::string decodeCharacterReferences(std::string_view text, unsigned codePage);
