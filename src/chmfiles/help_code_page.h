#pragma once
// The code page in which a help file's texts and pages are read: what
// `info`, the report pages and the its: pages all use, so that the three
// never disagree about one file.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/itss/storage.h"

// What #SYSTEM says about the language: the LCID of code 4, the charset of
// the default font (code 16, "face,size,charset"), and the text records as
// samples for the decode check.
struct LanguageEvidence {
  std::uint32_t lcid = 0;
  std::optional<int> charset;
  std::vector<std::string> samples;
};

// Reads the evidence from the "#SYSTEM" of root; empty evidence when there
// is none.
LanguageEvidence readLanguageEvidence(itss::IStorage* root);

// The code page chosen from the evidence (1252 when nothing is known).
unsigned chooseHelpCodePage(const LanguageEvidence& evidence);

// Both steps for a help file's root storage.
unsigned helpFileCodePage(itss::IStorage* root);
