#pragma once
// A reader of "$FIftiMain", the full-text search index, held whole in memory:
// the header, the B-tree of words (index nodes over a chain of leaves) and
// the location lists the leaves point at. It finds the topics (#TOPICS
// numbers) that hold a word; it never trusts an offset, count or size it
// reads, and never allocates by one.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chmfiles/byte_source.h"
#include "chmfiles/fulltext_format.h"
#include "chmfiles/topic_tables.h"
#include "platform/itss/storage.h"

namespace fts {
// Tree depths beyond this are not followed: a 4 KiB node holds dozens of
// words, so eight levels index more words than any file holds.
constexpr unsigned kMaxDepth = 8;
// The stream is read whole; an index claiming more is not read.
constexpr std::size_t kMaxIndexBytes = 512u << 20;
}  // namespace fts

// One entry of a leaf: a word in one context (body or title).
struct FullTextWord {
  std::string word;  // bytes in the help file's code page, as stored
  bool title = false;
  std::uint32_t topicCount = 0;
  std::uint32_t listOffset = 0;
  std::uint32_t listSize = 0;
};

class FullTextReader {
 public:
  // bytes must outlive the reader.
  explicit FullTextReader(Bytes bytes);

  // Whether the header is one this reader understands (sizes in range, codes
  // with scale 2).
  bool valid() const { return valid_; }
  std::uint32_t codePage() const { return codePage_; }
  std::uint32_t lcid() const { return lcid_; }
  std::uint32_t topicCount() const { return topics_; }

  // The #TOPICS numbers, ascending and each once, of the topics holding a
  // word equal to word (or starting with it, with prefix), letters A-Z
  // compared without case. titlesOnly: only the words of topic titles.
  // word is in the file's code page.
  std::vector<std::uint32_t> find(std::string_view word, bool prefix, bool titlesOnly) const;

  // Every leaf entry in chain order; stops early when visit returns false.
  void forEachWord(const std::function<bool(const FullTextWord&)>& visit) const;

  // The topics of one location list: each topic's number, its places skipped.
  // Empty for a list that runs past its bytes or the file.
  std::vector<std::uint32_t> topicsOf(const FullTextWord& entry) const;

 private:
  std::optional<std::uint32_t> firstLeaf(std::string_view key) const;
  // Calls visit for the entries of the leaf at offset; the offset of the next
  // leaf, 0 at the end of the chain or on damage.
  std::uint32_t walkLeaf(std::uint32_t offset,
                         const std::function<bool(const FullTextWord&)>& visit, bool& stop) const;
  bool nodeInRange(std::uint32_t offset) const;

  Bytes bytes_;
  bool valid_ = false;
  std::uint32_t topics_ = 0, root_ = 0, leaves_ = 0, nodeSize_ = 0, codePage_ = 0, lcid_ = 0;
  unsigned depth_ = 0;
  unsigned roots_[3] = {};  // topic gaps, place counts, places
};

// Letters A-Z folded to a-z; every other byte as it is.
std::string foldAscii(std::string_view text);

struct SearchHit {
  std::uint32_t topic = 0;
  std::string title;  // UTF-8
  std::string local;  // UTF-8
};

struct SearchOptions {
  bool prefix = false;
  bool titlesOnly = false;
};

enum class SearchStatus { kOk, kNoIndex, kDamaged };

// A help file's full-text index read once and searched many times. root
// must stay open while the object lives.
class HelpFileSearch {
 public:
  explicit HelpFileSearch(itss::IStorage* root);
  SearchStatus status() const { return status_; }
  // The topics holding every one of words (UTF-8), in #TOPICS order with
  // their titles and pages.
  SearchStatus search(const std::vector<std::string>& words, const SearchOptions& options,
                      std::vector<SearchHit>& hits);

 private:
  std::vector<std::uint8_t> bytes_;
  std::optional<FullTextReader> reader_;
  SearchStatus status_ = SearchStatus::kNoIndex;
  unsigned helpCodePage_ = 1252, wordCodePage_ = 1252;
  std::vector<TopicEntry> topics_;
  TopicLookup lookup_;
};

// The same for one search.
SearchStatus searchHelpFile(itss::IStorage* root, const std::vector<std::string>& words,
                            const SearchOptions& options, std::vector<SearchHit>& hits);
