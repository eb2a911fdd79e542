#pragma once
// Texts of sitemap files in UTF-8: the file's bytes taken as UTF-8 when they
// are valid UTF-8, else in the help file's code page, then their character
// references decoded. The compiler and the readers of contents and index
// both read names and links this way.
#include <string>
#include <string_view>

// A sitemap text (bytes as written in the file) in UTF-8.
std::string sitemapTextToUtf8(std::string_view raw, unsigned codePage);

// The same text in the help file's code page; a reference to a character
// the code page lacks stays as written.
std::string sitemapTextInCodePage(std::string_view raw, unsigned codePage);
