#pragma once
// The words of a page for the full-text index: the text of its <title> and
// of its body, with tags, comments, scripts and style sheets left out and
// character references decoded, split into words as the search readers
// split a query:
// - a word is a run of letters, digits and "_"; an apostrophe inside a word
//   is dropped ("don't" → "dont"); in a word that starts with a digit a "."
//   joins its parts ("3.14", "1.2.3") and a "," between digits is dropped
//   ("1,000" → "1000");
// - a word ends where Hangul meets other letters or digits;
// - each Han character, kana and the like is a word of its own, since
//   Chinese and Japanese text has no blanks between words; the readers find
//   a phrase of them through the word positions;
// - words are folded to lower case, full-width Latin letters and digits to
//   their ASCII forms.
// Words come back in UTF-8, in text order, so that their index in the list is
// their position.
#include <string>
#include <string_view>
#include <vector>

struct PageWords {
  std::vector<std::string> title;
  std::vector<std::string> body;
};

// The words of a page whose bytes are UTF-8.
PageWords pageWords(std::string_view utf8Html);
