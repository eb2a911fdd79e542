#pragma once
// Training-card links: a help page asks the window that shows it to do
// something with a link of the form prefix + "TCard(" number [, number or
// text] ")". The parse is plain text; the hosts turn the result into a
// training-card message for their window.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace browser {

struct TCardLink {
  enum Kind {
    NotALink,   // no prefix: the navigation goes ahead
    Ignored,    // the prefix without "TCard": cancelled, nothing else
    Malformed,  // "TCard" without "(": cancelled, the help file is reported
    Card,       // cancelled, the message is sent
  };
  Kind kind = NotALink;
  std::int32_t first = 0;
  std::int32_t second = 0;  // when the second argument is a number
  bool secondIsText = false;
  std::string text;  // the second argument when it is text
};

// Parses url against the prefixes (each with its ":", letters compared
// without case).
TCardLink parseTCardLink(std::string_view url, std::span<const std::string_view> prefixes);

}  // namespace browser
