#include "chmfiles/fulltext_reader.h"

#include <algorithm>
#include <unordered_set>

#include "chmfiles/help_code_page.h"
#include "chmfiles/topic_tables.h"
#include "platform/itss/bytes.h"
#include "platform/system/codepage.h"

using namespace fts;

namespace {

// Wider codes than this do not fit the 32-bit numbers they stand for.
constexpr unsigned kMaxCodeBits = 32;

std::uint16_t le16At(Bytes b, std::size_t at) {
  return at + 2 <= b.size() ? itss::le16(b.data() + at) : 0;
}

// Reads bits most significant first from a span; past its end, fails.
class BitReader {
 public:
  BitReader(Bytes bytes) : bytes_(bytes) {}
  bool bit(unsigned& out) {
    if (pos_ / 8 >= bytes_.size()) return false;
    out = (bytes_[pos_ / 8] >> (7 - pos_ % 8)) & 1;
    ++pos_;
    return true;
  }
  bool bits(unsigned count, std::uint64_t& out) {
    out = 0;
    for (unsigned i = 0; i < count; ++i) {
      unsigned b = 0;
      if (!bit(b)) return false;
      out = (out << 1) | b;
    }
    return true;
  }
  // A value in the scale-2 root code: p leading 1 bits and a 0; then root
  // bits when p is 0, else root + p - 1 bits below an implied top bit.
  bool scaleRoot(unsigned root, std::uint64_t& out) {
    unsigned ones = 0, b = 0;
    for (;;) {
      if (!bit(b)) return false;
      if (b == 0) break;
      if (++ones + root > kMaxCodeBits + 1) return false;
    }
    if (ones == 0) return bits(root, out);
    const unsigned width = root + ones - 1;
    if (!bits(width, out)) return false;
    out |= std::uint64_t{1} << width;
    return true;
  }
  void alignToByte() { pos_ = (pos_ + 7) / 8 * 8; }

 private:
  Bytes bytes_;
  std::size_t pos_ = 0;
};

// A number in the leaves' base-128 code, low seven bits first.
bool lowFirstEncint(Bytes b, std::size_t& at, std::uint32_t& out) {
  std::uint64_t value = 0;
  for (unsigned shift = 0; shift < 35; shift += 7) {
    if (at >= b.size()) return false;
    const std::uint8_t byte = b[at++];
    value |= std::uint64_t{byte & 0x7Fu} << shift;
    if (!(byte & 0x80)) {
      if (value > 0xFFFFFFFFu) return false;
      out = static_cast<std::uint32_t>(value);
      return true;
    }
  }
  return false;
}

// The word of an entry at node[at]: the length byte (unshared bytes + 1), the
// count of bytes shared with the previous word, the unshared bytes.
bool entryWord(Bytes node, std::size_t& at, std::string& word) {
  if (at + 2 > node.size()) return false;
  const std::size_t length = node[at], shared = node[at + 1];
  if (length == 0 || shared > word.size() || at + 2 + length - 1 > node.size()) return false;
  word.resize(shared);
  word.append(reinterpret_cast<const char*>(node.data() + at + 2), length - 1);
  at += 2 + length - 1;
  return true;
}

}  // namespace

std::string foldAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

FullTextReader::FullTextReader(Bytes bytes) : bytes_(bytes) {
  if (bytes.size() < kHeaderSize) return;
  topics_ = le32At(bytes, kHdrTopics);
  root_ = le32At(bytes, kHdrRoot);
  leaves_ = le32At(bytes, kHdrLeaves);
  depth_ = le16At(bytes, kHdrDepth);
  nodeSize_ = le32At(bytes, kHdrNodeSize);
  codePage_ = le32At(bytes, kHdrCodePage);
  lcid_ = le32At(bytes, kHdrLcid);
  for (unsigned i = 0; i < 3; ++i) {
    if (bytes[kHdrCodes + 2 * i] != kScale) return;
    roots_[i] = bytes[kHdrCodes + 2 * i + 1];
    if (roots_[i] > kMaxCodeBits) return;
  }
  valid_ = nodeSize_ >= 64 && nodeSize_ <= 0x10000 && depth_ >= 1 && depth_ <= kMaxDepth &&
           nodeInRange(root_);
}

bool FullTextReader::nodeInRange(std::uint32_t offset) const {
  return offset >= kHeaderSize && std::uint64_t{offset} + nodeSize_ <= bytes_.size();
}

std::optional<std::uint32_t> FullTextReader::firstLeaf(std::string_view key) const {
  // Each index entry holds the last word of the node below it: go down the
  // first child whose last word is not before key.
  std::uint32_t node = root_;
  for (unsigned level = depth_; level > 1; --level) {
    if (!nodeInRange(node)) return std::nullopt;
    const Bytes n = bytes_.subspan(node, nodeSize_);
    const std::uint16_t free = le16At(n, 0);
    if (free > nodeSize_ - kIndexHeaderSize) return std::nullopt;
    const std::size_t end = nodeSize_ - free;
    std::size_t at = kIndexHeaderSize;
    std::string word;
    std::optional<std::uint32_t> child;
    while (at < end) {
      if (!entryWord(n, at, word) || at + 6 > end) return std::nullopt;
      const std::uint32_t below = le32At(n, at);
      at += 6;
      if (foldAscii(word) >= key) {
        child = below;
        break;
      }
    }
    if (!child) return std::nullopt;  // key after every word
    node = *child;
  }
  return node;
}

std::uint32_t FullTextReader::walkLeaf(std::uint32_t offset,
                                       const std::function<bool(const FullTextWord&)>& visit,
                                       bool& stop) const {
  if (!nodeInRange(offset)) return 0;
  const Bytes n = bytes_.subspan(offset, nodeSize_);
  const std::uint16_t free = le16At(n, 6);
  if (free > nodeSize_ - kLeafHeaderSize) return 0;
  const std::size_t end = nodeSize_ - free;
  std::size_t at = kLeafHeaderSize;
  FullTextWord e;
  while (at < end) {
    if (!entryWord(n, at, e.word) || at >= end) return 0;
    e.title = n[at++] != 0;
    if (!lowFirstEncint(n.first(end), at, e.topicCount) || at + 6 > end) return 0;
    e.listOffset = le32At(n, at);
    at += 6;
    if (!lowFirstEncint(n.first(end), at, e.listSize)) return 0;
    if (!visit(e)) {
      stop = true;
      return 0;
    }
  }
  return le32At(n, 0);
}

void FullTextReader::forEachWord(const std::function<bool(const FullTextWord&)>& visit) const {
  if (!valid_) return;
  const std::optional<std::uint32_t> first = firstLeaf(std::string());
  if (!first) return;
  // The chain is followed at most once per node the stream can hold.
  const std::size_t maxNodes = bytes_.size() / nodeSize_;
  std::unordered_set<std::uint32_t> seen;
  bool stop = false;
  for (std::uint32_t leaf = *first; leaf != 0 && !stop && seen.size() < maxNodes;) {
    if (!seen.insert(leaf).second) break;
    leaf = walkLeaf(leaf, visit, stop);
  }
}

std::vector<std::uint32_t> FullTextReader::topicsOf(const FullTextWord& entry) const {
  std::vector<std::uint32_t> out;
  if (std::uint64_t{entry.listOffset} + entry.listSize > bytes_.size()) return out;
  // Each topic takes at least one byte, so a count above the list's size is
  // damage, not a reason to loop.
  if (entry.topicCount > entry.listSize) return out;
  BitReader bits(bytes_.subspan(entry.listOffset, entry.listSize));
  std::uint64_t topic = 0;
  for (std::uint32_t i = 0; i < entry.topicCount; ++i) {
    std::uint64_t gap = 0, places = 0, place = 0;
    if (!bits.scaleRoot(roots_[0], gap) || !bits.scaleRoot(roots_[1], places)) return {};
    topic += gap;
    if (topic > 0xFFFFFFFFu || places > std::uint64_t{entry.listSize} * 8) return {};
    for (std::uint64_t p = 0; p < places; ++p)
      if (!bits.scaleRoot(roots_[2], place)) return {};
    bits.alignToByte();
    out.push_back(static_cast<std::uint32_t>(topic));
  }
  return out;
}

std::vector<std::uint32_t> FullTextReader::find(std::string_view word, bool prefix,
                                                bool titlesOnly) const {
  std::vector<std::uint32_t> found;
  if (!valid_ || word.empty()) return found;
  const std::string key = foldAscii(word);
  const std::optional<std::uint32_t> first = firstLeaf(key);
  if (!first) return found;
  const std::size_t maxNodes = bytes_.size() / nodeSize_;
  std::unordered_set<std::uint32_t> seen;
  bool stop = false;
  auto visit = [&](const FullTextWord& e) {
    const std::string w = foldAscii(e.word);
    const bool matches = prefix ? w.compare(0, key.size(), key) == 0 : w == key;
    if (!matches) return w < key;  // before the key: go on; after it: done
    if (titlesOnly && !e.title) return true;
    const std::vector<std::uint32_t> topics = topicsOf(e);
    found.insert(found.end(), topics.begin(), topics.end());
    return true;
  };
  for (std::uint32_t leaf = *first; leaf != 0 && !stop && seen.size() < maxNodes;) {
    if (!seen.insert(leaf).second) break;
    leaf = walkLeaf(leaf, visit, stop);
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

namespace {

void keepCommon(std::vector<std::uint32_t>& topics, const std::vector<std::uint32_t>& found) {
  std::vector<std::uint32_t> both;
  std::set_intersection(topics.begin(), topics.end(), found.begin(), found.end(),
                        std::back_inserter(both));
  topics = std::move(both);
}

// Compilers that index text of double-byte code pages one character to a
// word (Chinese, Japanese) hold no word of two characters: a run of such
// characters that is not a word of its own is looked up character by
// character, every one of them required.
std::vector<std::uint32_t> findWord(const FullTextReader& reader, const std::string& word,
                                    unsigned codePage, const SearchOptions& options) {
  std::vector<std::uint32_t> topics = reader.find(word, options.prefix, options.titlesOnly);
  if (!topics.empty() || !cp::isDoubleByte(codePage)) return topics;
  std::vector<std::string> characters;
  for (std::size_t at = 0; at < word.size();) {
    const std::size_t length = cp::charLength(word, at, codePage);
    if (length < 2) return topics;  // not a run of double-byte characters
    characters.push_back(word.substr(at, length));
    at += length;
  }
  if (characters.size() < 2) return topics;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    const std::vector<std::uint32_t> found =
        reader.find(characters[i], options.prefix, options.titlesOnly);
    if (i == 0)
      topics = found;
    else
      keepCommon(topics, found);
  }
  return topics;
}

}  // namespace

HelpFileSearch::HelpFileSearch(itss::IStorage* root) : lookup_(root) {
  const itss::HRESULT hr = readStreamBytes(root, "$FIftiMain", kMaxIndexBytes, bytes_);
  // Some compilers leave an empty stream where a file has no index.
  if (hr == itss::STG_E_FILENOTFOUND || (itss::SUCCEEDED(hr) && bytes_.empty())) {
    status_ = SearchStatus::kNoIndex;
    return;
  }
  reader_.emplace(Bytes(bytes_.data(), bytes_.size()));
  if (itss::FAILED(hr) || !reader_->valid()) {
    status_ = SearchStatus::kDamaged;
    return;
  }
  helpCodePage_ = helpFileCodePage(root);
  // Words are stored in the index's code page where it names one we know.
  wordCodePage_ = cp::isSupported(reader_->codePage()) ? reader_->codePage() : helpCodePage_;
  readTopics(root, topics_);
  status_ = SearchStatus::kOk;
}

SearchStatus HelpFileSearch::search(const std::vector<std::string>& words,
                                    const SearchOptions& options, std::vector<SearchHit>& hits) {
  hits.clear();
  if (status_ != SearchStatus::kOk) return status_;
  std::vector<std::uint32_t> common;
  bool firstWord = true;
  for (const std::string& w : words) {
    const std::string stored = wordCodePage_ == cp::kUtf8 ? w : cp::fromUtf8(w, wordCodePage_);
    std::vector<std::uint32_t> topics = findWord(*reader_, stored, wordCodePage_, options);
    if (firstWord)
      common = std::move(topics);
    else
      keepCommon(common, topics);
    firstWord = false;
  }
  for (std::uint32_t t : common) {
    SearchHit hit;
    hit.topic = t;
    if (t < topics_.size()) {
      const TopicText text = joinTopic(topics_[t], lookup_);
      hit.title = helpTextToUtf8(text.title, helpCodePage_);
      hit.local = helpTextToUtf8(text.link, helpCodePage_);
    }
    hits.push_back(std::move(hit));
  }
  return SearchStatus::kOk;
}

SearchStatus searchHelpFile(itss::IStorage* root, const std::vector<std::string>& words,
                            const SearchOptions& options, std::vector<SearchHit>& hits) {
  return HelpFileSearch(root).search(words, options, hits);
}
