#pragma once
// The code page in which a help file's texts and pages are read: what
// `info`, the report pages and the "its:" pages all use, so that the three
// never disagree about one file. Chosen from the #SYSTEM language and font
// records and from the texts themselves, with a charset detector for files
// whose language id lies.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/itss/storage.h"

// What the file says about its language: the LCID of #SYSTEM code 4, the
// charset of the default font (code 16, "face,size,charset"), and as samples
// the #SYSTEM texts and the first texts of "#STRINGS" (titles, file names).
struct LanguageEvidence {
  std::uint32_t lcid = 0;
  std::optional<int> charset;
  std::vector<std::string> samples;
};

// The charset of a default-font text; none when it has fewer than three fields.
std::optional<int> fontCharset(std::string_view fontText);

// Reads the evidence from root; empty evidence when there is none.
LanguageEvidence readLanguageEvidence(itss::IStorage* root);

// The code page chosen from the evidence (cp::chooseCodePage; 1252 when
// nothing is known).
unsigned chooseHelpCodePage(const LanguageEvidence& evidence);

// Both steps for a help file's root storage.
unsigned helpFileCodePage(itss::IStorage* root);

// A text of the help file in UTF-8. Titles are often copied from the topics'
// HTML as they were, so a text that is valid UTF-8 beyond ASCII stays as it
// is whatever the file's code page says; others are converted.
std::string helpTextToUtf8(std::string_view bytes, unsigned codePage);

// A name of one of the help file's files (as #SYSTEM or #WINDOWS give it) in
// UTF-8: decoded in the code page, unless that names no file while the bytes
// taken as UTF-8 do; isFile says which names are files. (Short names in a
// double-byte code page are often valid UTF-8 too: "目录" in GBK reads as
// two Latin letters.)
std::string helpNameToUtf8(std::string_view bytes, unsigned codePage,
                           const std::function<bool(const std::string&)>& isFile);
