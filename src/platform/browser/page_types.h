#pragma once
// What a file inside a help file is, for the browser: its MIME type from the
// extension, and the charset to announce for HTML that declares none.
#include <string>
#include <string_view>

namespace browser {

// The MIME type of an internal path by its extension (letters in any case);
// "application/octet-stream" for extensions the table does not know.
const char* mimeTypeForPath(std::string_view path);

// Whether the MIME type is one whose bytes are text in some charset.
bool isTextMime(std::string_view mime);

// The charset name browsers know for a Windows code page ("GBK" for 936,
// "Big5" for 950, "windows-1252", ...), or "" for code pages without one.
const char* webCharsetName(unsigned codePage);

// Whether an HTML document settles its own charset: a byte-order mark, or a
// <meta> with "charset=" within the first 1024 bytes (where browsers look).
bool htmlDeclaresCharset(std::string_view html);

// The Content-Type to answer with: the MIME type, and for text that does not
// settle its own charset, ";charset=" and the help file's.
std::string contentTypeFor(std::string_view path, std::string_view bytes, unsigned codePage);

}  // namespace browser
