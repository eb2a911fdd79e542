#pragma once
// What the compiler reads from a page: its title, the character set it
// declares and the files it links to (pages, images, style sheets, scripts,
// frames). A forgiving scan over bytes, not a parser: it never fails, and
// texts come back as the page's own bytes.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text of the first <title> element, runs of white space made one blank
// and trimmed; nothing when the page has no title element.
std::optional<std::string> pageTitle(std::string_view html);

// The charset named by a <meta charset> or <meta http-equiv content> tag,
// lower case ("gb2312", "utf-8"); empty when none.
std::string pageCharset(std::string_view html);

// The code page of a charset name, 0 when unknown.
unsigned codePageForCharsetName(std::string_view name);

// The code page a page's bytes are in: the charset it declares, else UTF-8
// when the bytes are valid UTF-8 beyond ASCII, else fallback.
unsigned pageCodePage(std::string_view html, unsigned fallback);

// The link targets of a page's href, src, background and data attributes and
// of url(...) in its style sheets, in page order, as written (entities
// &amp; decoded), with their "#fragment" and "?query" removed.
void pageLinks(std::string_view html, std::vector<std::string>& out);
// The same for a style sheet: url(...) and @import "...".
void styleLinks(std::string_view css, std::vector<std::string>& out);

// Whether a link names a file inside the help file rather than a URL of
// another scheme ("http:", "mailto:", "javascript:", "ms-its:", ...), an
// absolute path or a bare fragment.
bool isLocalLink(std::string_view link);

// What a page adds to the help file's keyword index and to its associative
// links: the "Keyword" and "ALink Name" values of the link objects
// (<object classid="clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e">) and the
// contents of "MS-HKWD" and "MS-HAID" meta tags. Each value is a list split
// at ';'; the words come back trimmed, as the page's own bytes, in page
// order. Comments are passed over.
struct PageLinkWords {
  std::vector<std::string> keywords, alinks;
};
PageLinkWords pageLinkWords(std::string_view html);
