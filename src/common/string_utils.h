#pragma once
// Small string and path functions used throughout the program. Texts are the
// program's own UTF-8 strings; where a function looks at single characters it
// steps by whole UTF-8 sequences. Paths are native POSIX paths: "/" is the
// separator, and "\" is accepted as one where Windows-style paths arrive.
#include <cstdint>
#include <string>
#include <string_view>

// Skips leading blanks and tabs; "0x"/"0X" then hexadecimal digits up to the
// first non-digit; otherwise an optional sign and decimal digits. Arithmetic
// wraps at 32 bits; an empty text (or no digits) gives 0.
int ParseInt(std::string_view text);

// Whether text begins with prefix, comparing bytes with A–Z folded to a–z.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// Equal lengths and StartsWithNoCase.
bool EqualsNoCase(std::string_view a, std::string_view b);

// The hash under which the program files internal names: 32-bit wrapping,
// h = h * 43 + value for each byte (as a signed byte), where "/" counts 44, a
// byte up to 'Z' counts itself − 48 and any other byte itself − 80, so a
// letter counts the same in either case. An empty text or a hash of 0 gives 1.
std::uint32_t NameHash(std::string_view text);

// Appends "/" unless path already ends in "/", "\" or ":".
void AddBackslash(std::string& path);

// Removes trailing blanks, tabs, carriage returns and line feeds. None of
// these bytes can be part of a multi-byte character in UTF-8 or in the
// double-byte code pages, so no character is ever cut.
void TrimRight(std::string& text);

// Empty ext: cuts the path at the last "." of its file name; otherwise
// replaces the file name's extension (from its last ".") by ext, or appends
// ext when the name has none, adding the "." when ext lacks one. Dots in
// folder names are never taken for an extension.
void ChangeExtension(std::string& path, std::string_view ext);

// Creates the folder, creating missing parents first; "\" counts as "/".
// Returns whether the folder itself was created (an existing folder gives
// false, as it did for the program that first used this).
bool CreateFolderPath(std::string_view path);

// Whether name matches a file-name pattern in which "*" stands for any run of
// characters and "?" for one character, letters A–Z compared without case,
// as Windows matches wildcards.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Whether text holds "*" or "?".
bool HasWildcard(std::string_view text);

// The absolute form of path: relative to the current folder when it does not
// begin with "/", with "." elements, doubled "/" and ".." elements (against
// the element before them) taken out by text alone; symbolic links are left
// as they are, so the path still names what the user named.
std::string FullPathName(std::string_view path);

// The "/"-separated path without its empty and "." segments, each ".."
// taking away the segment before it (none above the start); no leading "/".
std::string RemoveDotSegments(std::string_view path);

// Whether two paths name the same file as this file system sees it: the
// same device and inode when both exist, else the same FullPathName text.
// Letter case counts, as it does on disk.
bool SamePath(std::string_view a, std::string_view b);

// Whether path lies below folder once symbolic links are followed: the
// longest existing part of each is resolved on disk, the rest taken by text.
// A file reached through a link that leads out of the folder is outside; the
// folder itself is not within itself.
bool IsWithinFolder(std::string_view path, std::string_view folder);

// The text as UTF-16 (bad UTF-8 bytes become U+FFFD).
std::u16string ToWide(std::string_view text);

// The text as it may stand in HTML, both between tags and inside a quoted
// attribute value: "&", "<", ">", double and single quotes become character
// references. Every other byte is kept, so UTF-8 passes through whole.
// With apostrophes false a single quote stays as it is: enough for a value
// quoted with double quotes, and what compilers write into sitemap files.
std::string HtmlEscape(std::string_view text, bool apostrophes = true);
