#pragma once
// One web origin per help file. Pages of a help file are served under an
// address of their own, kOriginScheme + "://" + host + internal path, where
// the host is a name made up for the file when it is first shown (the
// file's path never appears in the address). The browser keeps pages of
// different hosts apart: one help file's pages cannot read another's pages,
// storage or bytes. The table from hosts to files lives as long as the
// process. Plain text in, plain text out: no Qt.
#include <optional>
#include <string>
#include <string_view>

namespace browser {

// The scheme of the per-file addresses (a scheme with hosts).
inline constexpr const char* kOriginScheme = "helpfile";

// The file an address names, as the table keys it: the canonical path when
// the file exists (links and "." or ".." steps resolved), else the absolute
// path as written.
std::string canonicalHelpFile(const std::string& helpFile);

// The host of a help file's origin, made on first use: 16 random
// hexadecimal digits, the same for every spelling of the file's path.
std::string originHost(const std::string& helpFile);

// The canonical help file behind a host; nothing for a host never made.
std::optional<std::string> helpFileOfHost(std::string_view host);

// The help file that a name inside an its: address means when a page of
// fromFile follows it: an absolute name as it is, a relative one beside
// fromFile (help files link to the files they are merged with by bare
// name). "" for a relative name without fromFile.
std::string resolveLinkedHelpFile(const std::string& name, const std::string& fromFile);

}  // namespace browser
