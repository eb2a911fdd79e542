#include "chmfiles/page_scan.h"

#include <set>

#include "chmfiles/help_code_page.h"
#include "chmfiles/help_trees.h"
#include "chmfiles/html_text.h"
#include "chmfiles/topic_tables.h"
#include "platform/system/codepage.h"

namespace {

bool isWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Whether html at pos opens the element name (letters without case) and the
// name ends there.
bool opensElement(std::string_view html, std::size_t pos, std::string_view name) {
  if (pos + 1 + name.size() > html.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = html[pos + 1 + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != name[i]) return false;
  }
  const std::size_t after = pos + 1 + name.size();
  return after == html.size() || !isWordByte(html[after]);
}

// The position just after the first case-blind match of needle at or after
// pos, or the end.
std::size_t skipPast(std::string_view html, std::size_t pos, std::string_view needle) {
  const std::string folded = foldAscii(html.substr(pos));
  const std::size_t at = folded.find(needle);
  return at == std::string::npos ? html.size() : pos + at + needle.size();
}

}  // namespace

std::string pageText(std::string_view html) {
  std::string out;
  out.reserve(html.size());
  std::size_t pos = 0;
  while (pos < html.size()) {
    const std::size_t lt = html.find('<', pos);
    if (lt == std::string_view::npos) {
      out.append(html.substr(pos));
      break;
    }
    out.append(html.substr(pos, lt - pos));
    out += ' ';
    if (html.substr(lt, 4) == "<!--") {
      pos = skipPast(html, lt + 4, "-->");
    } else if (opensElement(html, lt, "script")) {
      pos = skipPast(html, lt + 7, "</script");
      pos = skipPast(html, pos, ">");
    } else if (opensElement(html, lt, "style")) {
      pos = skipPast(html, lt + 6, "</style");
      pos = skipPast(html, pos, ">");
    } else {
      const std::size_t gt = html.find('>', lt);
      pos = gt == std::string_view::npos ? html.size() : gt + 1;
    }
  }
  return decodeCharacterReferences(out, cp::kUtf8);
}

bool textHoldsWord(std::string_view text, std::string_view word, bool prefix) {
  if (word.empty()) return false;
  const std::string haystack = foldAscii(text), needle = foldAscii(word);
  const bool latinStart = isWordByte(needle.front()), latinEnd = isWordByte(needle.back());
  for (std::size_t at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + 1)) {
    if (latinStart && at > 0 && isWordByte(haystack[at - 1])) continue;
    const std::size_t end = at + needle.size();
    if (!prefix && latinEnd && end < haystack.size() && isWordByte(haystack[end])) continue;
    return true;
  }
  return false;
}

SearchStatus scanHelpPages(itss::IStorage* root, const std::vector<std::string>& words,
                           const SearchOptions& options, std::vector<SearchHit>& hits,
                           const ScanProgress& progress) {
  hits.clear();
  std::vector<TopicEntry> topics;
  if (!readTopics(root, topics) || topics.empty()) return SearchStatus::kDamaged;
  const unsigned codePage = helpFileCodePage(root);
  TopicLookup lookup(root);
  std::set<std::string> seen;  // each page once
  for (std::size_t i = 0; i < topics.size(); ++i) {
    if (progress && !progress(i, topics.size())) break;
    const TopicText t = joinTopic(topics[i], lookup);
    SearchHit hit{static_cast<std::uint32_t>(i), helpTextToUtf8(t.title, codePage),
                  helpTextToUtf8(t.link, codePage)};
    // Pages of this file only: not addresses, not other files' pages.
    if (hit.local.empty() || hit.local.find(':') != std::string::npos ||
        !seen.insert(foldedLocal(hit.local)).second)
      continue;
    std::string text;
    if (options.titlesOnly) {
      text = hit.title;
    } else {
      std::vector<std::uint8_t> bytes;
      std::string path = hit.local;
      if (const std::size_t cut = path.find_first_of("#?"); cut != std::string::npos)
        path.resize(cut);
      if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
      // Stream names are UTF-8 whatever the file's code page.
      readStreamBytes(root, path.c_str(), kMaxScannedPage, bytes);
      text = pageText(helpTextToUtf8(std::string(bytes.begin(), bytes.end()), codePage));
    }
    bool all = true;
    for (const std::string& w : words) all = all && textHoldsWord(text, w, options.prefix);
    if (all) hits.push_back(std::move(hit));
  }
  if (progress) progress(topics.size(), topics.size());
  return SearchStatus::kOk;
}
