// From the sitemap files to the binary contents and index: links resolved
// to #TOPICS numbers, texts decoded.
#include <algorithm>
#include <map>
#include <set>

#include "chmfiles/sitemap.h"
#include "chmfiles/sitemap_text.h"
#include "common/string_utils.h"
#include "compile/binary_tables.h"
#include "platform/system/codepage.h"

namespace {

std::string folded(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// "a\b/./../c.htm#x" → "a/c.htm#x"; the fragment and query are kept.
std::string normalLink(std::string_view link) {
  std::string s(link);
  for (char& c : s)
    if (c == '\\') c = '/';
  const std::size_t cut = s.find_first_of("#?");
  const std::string tail = cut == std::string::npos ? std::string() : s.substr(cut);
  if (cut != std::string::npos) s.resize(cut);
  if (s.find(':') != std::string::npos) return s + tail;  // a URL or another file
  return RemoveDotSegments(s) + tail;
}

class Linker {
 public:
  Linker(std::vector<TopicRecord>& topics, unsigned codePage)
      : topics_(topics), codePage_(codePage) {
    for (std::size_t i = 0; i < topics.size(); ++i)
      byLink_.emplace(folded(topics[i].file), static_cast<std::uint32_t>(i));
  }

  // Sitemap bytes → UTF-8 with character references decoded: the file's
  // own encoding when it is UTF-8.
  std::string utf8(std::string_view raw) const { return utf8(raw, codePage_); }
  static std::string utf8(std::string_view raw, unsigned codePage) {
    return sitemapTextToUtf8(raw, codePage);
  }
  // The same text in the help file's code page; a reference to a character
  // the code page lacks stays a reference.
  std::string helpText(std::string_view raw) const { return sitemapTextInCodePage(raw, codePage_); }

  // The topic of a link; title is the entry's name in the help file's code
  // page. named: the topic must carry this title (a contents entry).
  std::uint32_t topic(std::string_view local, const std::string& title, bool named) {
    const std::string link = cp::fromUtf8(normalLink(utf8(local)), codePage_);
    const std::string key = folded(link);
    auto it = byLink_.find(key);
    if (it == byLink_.end()) {
      it = byLink_.emplace(key, add(link, title)).first;
      return it->second;
    }
    TopicRecord& t = topics_[it->second];
    if (!named || title.empty()) return it->second;
    if (!t.title) {
      t.title = title;
      return it->second;
    }
    if (*t.title == title) return it->second;
    auto [n, fresh] = byName_.emplace(key + '\0' + title, 0);
    if (fresh) n->second = add(link, title);
    return n->second;
  }

  std::vector<TocNode> contents(const std::vector<SitemapEntry>& level) {
    std::vector<TocNode> out;
    for (const SitemapEntry& e : level) {
      TocNode n;
      n.name = helpText(e.name);
      if (!e.local.empty()) n.topic = topic(e.local, n.name, true);
      n.children = contents(e.children);
      out.push_back(std::move(n));
    }
    return out;
  }

  std::vector<IndexNode> index(const std::vector<SitemapEntry>& level) {
    std::vector<IndexNode> out;
    for (const SitemapEntry& e : level) {
      IndexNode n;
      // An entry's keyword is its "Keyword" value when it has one; its
      // "Name" is then the title of its page.
      n.keyword = utf8(e.keyword.empty() ? e.name : e.keyword);
      if (n.keyword.empty()) continue;
      const std::string title = helpText(e.name.empty() ? e.keyword : e.name);
      for (const std::string& l : e.locals) n.topics.push_back(topic(l, title, false));
      if (!e.seeAlso.empty() && n.topics.empty()) n.seeAlso = utf8(e.seeAlso);
      n.children = index(e.children);
      out.push_back(std::move(n));
    }
    return out;
  }

 private:
  std::uint32_t add(const std::string& link, const std::string& title) {
    topics_.push_back({link, title.empty() ? std::nullopt : std::optional<std::string>(title), 0});
    return static_cast<std::uint32_t>(topics_.size() - 1);
  }

  std::vector<TopicRecord>& topics_;
  unsigned codePage_;
  std::map<std::string, std::uint32_t> byLink_, byName_;
};

// A page's keyword, nested at its commas, on the page's topic.
IndexNode pageKeyword(std::string_view utf8, std::uint32_t topic) {
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= utf8.size()) {
    std::size_t end = utf8.find(',', pos);
    if (end == std::string_view::npos) end = utf8.size();
    std::string_view part = utf8.substr(pos, end - pos);
    while (!part.empty() && (part.front() == ' ' || part.front() == '\t')) part.remove_prefix(1);
    while (!part.empty() && (part.back() == ' ' || part.back() == '\t')) part.remove_suffix(1);
    if (!part.empty()) parts.emplace_back(part);
    pos = end + 1;
  }
  // As deep as an index file may nest: the levels beyond stay in the last
  // one's text.
  if (parts.size() > kMaxIndexDepth) {
    for (std::size_t i = kMaxIndexDepth; i < parts.size(); ++i)
      parts[kMaxIndexDepth - 1] += ", " + parts[i];
    parts.resize(kMaxIndexDepth);
  }
  IndexNode leaf;
  leaf.keyword = parts.empty() ? std::string() : parts.back();
  leaf.topics.push_back(topic);
  for (std::size_t i = parts.size(); i-- > 1;) {
    IndexNode parent;
    parent.keyword = parts[i - 1];
    parent.children.push_back(std::move(leaf));
    leaf = std::move(parent);
  }
  return leaf;
}

// Each word of each page once, in page order.
void addPageWords(const std::vector<PageWords>& pages, bool alinks, std::vector<IndexNode>& out) {
  for (const PageWords& p : pages) {
    std::set<std::string> seen;
    for (const std::string& raw : alinks ? p.words.alinks : p.words.keywords) {
      const std::string word = Linker::utf8(raw, p.codePage);
      if (!seen.insert(word).second) continue;
      if (alinks) {
        out.push_back({word, {p.topic}, std::nullopt, {}});
      } else if (IndexNode n = pageKeyword(word, p.topic); !n.keyword.empty()) {
        out.push_back(std::move(n));
      }
    }
  }
}

}  // namespace

BinaryTables buildBinaryTables(const SitemapSources& sources, std::vector<TopicRecord>& topics,
                               StringPool& strings) {
  BinaryTables out;
  Linker linker(topics, sources.codePage);
  if (sources.contents) {
    const std::vector<TocNode> tree =
        linker.contents(parseSitemap(*sources.contents, kMaxSitemapDepth, &out.contentsTooDeep));
    if (!tree.empty()) {
      out.contents = buildTocIndex(tree, strings);
      for (const auto& [topic, offset] : out.contents->topicEntries)
        topics[topic].tocOffset = offset;
    }
  }
  std::vector<IndexNode> keywords, alinks;
  if (sources.index)
    keywords = linker.index(parseSitemap(*sources.index, kMaxIndexDepth, &out.indexTooDeep));
  out.sitemapIndex = !keywords.empty();
  addPageWords(sources.pages, false, keywords);
  addPageWords(sources.pages, true, alinks);
  out.keywords = buildKeywordLinks(keywords, sources.codePage, sources.lcid);
  out.associative = buildKeywordLinks(alinks, sources.codePage, sources.lcid);
  return out;
}
