#include "chmfiles/sitemap.h"

#include <optional>

#include "common/string_utils.h"

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

struct Tag {
  std::string name;  // without a leading "/"
  bool closing = false;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::optional<std::string> attribute(std::string_view key) const {
    for (const auto& [k, v] : attributes)
      if (EqualsNoCase(k, key)) return v;
    return std::nullopt;
  }
};

class Scanner {
 public:
  explicit Scanner(std::string_view html) : html_(html) {}

  // The next tag, skipping text and comments; false at the end.
  bool next(Tag& tag) {
    for (;;) {
      pos_ = html_.find('<', pos_);
      if (pos_ == std::string_view::npos) return false;
      if (html_.substr(pos_, 4) == "<!--") {
        const std::size_t end = html_.find("-->", pos_ + 4);
        pos_ = end == std::string_view::npos ? html_.size() : end + 3;
        continue;
      }
      ++pos_;
      tag = Tag();
      if (pos_ < html_.size() && html_[pos_] == '/') {
        tag.closing = true;
        ++pos_;
      }
      while (pos_ < html_.size() && !isSpace(html_[pos_]) && html_[pos_] != '>' &&
             html_[pos_] != '/')
        tag.name += html_[pos_++];
      if (tag.name.empty()) continue;
      attributes(tag);
      return true;
    }
  }

 private:
  void skipSpace() {
    while (pos_ < html_.size() && isSpace(html_[pos_])) ++pos_;
  }
  void attributes(Tag& tag) {
    for (;;) {
      skipSpace();
      if (pos_ >= html_.size()) return;
      if (html_[pos_] == '>') {
        ++pos_;
        return;
      }
      // A "<" here starts the next tag of a tag left open.
      if (html_[pos_] == '<') return;
      std::string key;
      while (pos_ < html_.size() && !isSpace(html_[pos_]) && html_[pos_] != '=' &&
             html_[pos_] != '>' && html_[pos_] != '<')
        key += html_[pos_++];
      if (key.empty()) {
        ++pos_;  // a stray "=" or "/"
        continue;
      }
      skipSpace();
      std::string value;
      if (pos_ < html_.size() && html_[pos_] == '=') {
        ++pos_;
        skipSpace();
        if (pos_ < html_.size() && (html_[pos_] == '"' || html_[pos_] == '\'')) {
          const char quote = html_[pos_++];
          std::size_t end = html_.find(quote, pos_);
          if (end == std::string_view::npos) end = html_.size();
          value = html_.substr(pos_, end - pos_);
          pos_ = end < html_.size() ? end + 1 : end;
        } else {
          while (pos_ < html_.size() && !isSpace(html_[pos_]) && html_[pos_] != '>')
            value += html_[pos_++];
        }
      }
      tag.attributes.emplace_back(std::move(key), std::move(value));
    }
  }

  std::string_view html_;
  std::size_t pos_ = 0;
};

}  // namespace

std::vector<SitemapEntry> parseSitemap(std::string_view html, std::size_t maxDepth, bool* tooDeep) {
  if (maxDepth == 0) maxDepth = 1;
  if (tooDeep) *tooDeep = false;
  std::vector<SitemapEntry> top;
  // The lists being filled, innermost last. A <UL> opens the children of the
  // last entry of the innermost list (or that list again when it is empty);
  // right after a </UL> it reopens the list just closed, as compilers read
  // "<UL>...</UL><UL>...</UL>": one list, not the second inside the first.
  std::vector<std::vector<SitemapEntry>*> lists{&top};
  std::size_t ignoredDepth = 0;                 // <UL> levels beyond the limit
  SitemapEntry* open = nullptr;                 // the entry whose <PARAM>s are being read
  bool inOtherObject = false;                   // an <OBJECT> of another type
  std::vector<SitemapEntry>* closed = nullptr;  // by a </UL> with no entry since
  Tag tag;
  Scanner scanner(html);
  while (scanner.next(tag)) {
    const std::string& n = tag.name;
    if (EqualsNoCase(n, "OBJECT")) {
      open = nullptr;
      closed = nullptr;
      inOtherObject = false;
      if (tag.closing) continue;
      const auto type = tag.attribute("type");
      if (type && EqualsNoCase(*type, "text/sitemap")) {
        lists.back()->emplace_back();
        open = &lists.back()->back();
      } else {
        inOtherObject = true;
      }
    } else if (EqualsNoCase(n, "PARAM") && !tag.closing) {
      if (!open || inOtherObject) continue;
      const auto key = tag.attribute("name");
      const auto value = tag.attribute("value");
      if (!key || !value) continue;
      if (EqualsNoCase(*key, "Name") && open->name.empty())
        open->name = *value;
      else if (EqualsNoCase(*key, "Keyword") && open->keyword.empty())
        open->keyword = *value;
      else if ((EqualsNoCase(*key, "Local") || EqualsNoCase(*key, "URL")) && open->local.empty())
        open->local = *value;
      if (EqualsNoCase(*key, "Local") && !value->empty())
        open->locals.push_back(*value);
      else if (EqualsNoCase(*key, "See Also") && open->seeAlso.empty())
        open->seeAlso = *value;
    } else if (EqualsNoCase(n, "UL")) {
      open = nullptr;  // a list ends any entry left open
      if (!tag.closing) {
        if (lists.size() >= maxDepth) {
          ++ignoredDepth;
          if (tooDeep) *tooDeep = true;
        } else {
          std::vector<SitemapEntry>* inner = lists.back();
          lists.push_back(closed ? closed : inner->empty() ? inner : &inner->back().children);
          closed = nullptr;
        }
      } else if (ignoredDepth > 0) {
        --ignoredDepth;
      } else if (lists.size() > 1) {
        closed = lists.back();
        lists.pop_back();
      }
    } else if (EqualsNoCase(n, "LI")) {
      open = nullptr;
    }
  }
  return top;
}
