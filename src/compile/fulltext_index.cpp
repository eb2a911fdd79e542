#include "compile/fulltext_index.h"

#include <algorithm>
#include <array>
#include <bit>

#include "chmfiles/fulltext_format.h"
#include "compile/fulltext_words.h"
#include "platform/itss/bytes.h"
#include "platform/system/codepage.h"

using itss::appendLe16;
using itss::appendLe32;

namespace {

using namespace fts;

constexpr std::size_t kNodeSize = 0x1000;
// Longer words are no words a reader would look for (encoded data, long
// identifiers); a node entry also has to fit a one-byte length.
constexpr std::size_t kMaxWordBytes = 100;
constexpr unsigned kMaxRoot = 30;
constexpr std::uint32_t kHeaderSeven = 7;  // the value every writer puts there

void putLe32At(std::string& s, std::size_t at, std::uint32_t v) {
  itss::putLe32(reinterpret_cast<std::uint8_t*>(s.data() + at), v);
}
void putLe16At(std::string& s, std::size_t at, std::uint16_t v) {
  itss::putLe16(reinterpret_cast<std::uint8_t*>(s.data() + at), v);
}

// The counts and sizes in leaf entries are base-128 numbers like the
// container's ENCINTs, but with the low seven bits first.
void appendLowFirstEncint(std::string& out, std::uint64_t v) {
  do {
    const auto low = static_cast<std::uint8_t>(v & 0x7F);
    v >>= 7;
    out += static_cast<char>(v != 0 ? low | 0x80 : low);
  } while (v != 0);
}

std::size_t commonPrefix(std::string_view a, std::string_view b) {
  std::size_t n = 0;
  while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
  return n;
}

// The root that codes a set of values in the fewest bits, from how many
// values have each bit length.
unsigned bestRoot(const std::array<std::uint64_t, 65>& byLength) {
  unsigned best = 1;
  std::uint64_t bestBits = UINT64_MAX;
  for (unsigned root = 1; root <= kMaxRoot; ++root) {
    std::uint64_t total = 0;
    for (unsigned length = 0; length < byLength.size(); ++length) {
      const std::uint64_t value = length == 0 ? 0 : std::uint64_t{1} << (length - 1);
      total += byLength[length] * scaleRootBits(value, root);
    }
    if (total < bestBits) {
      bestBits = total;
      best = root;
    }
  }
  return best;
}

// Nodes of one level of the tree, filled one entry at a time.
class NodeWriter {
 public:
  NodeWriter(std::string& out, bool leaf) : out_(out), leaf_(leaf) { start(); }

  // The bytes a word's entry starts with: lengths and the unshared part.
  std::string wordPart(std::string_view word) const {
    const std::size_t shared =
        count_ == 0 ? 0 : std::min<std::size_t>(commonPrefix(last_, word), 255);
    std::string e;
    e += static_cast<char>(word.size() - shared + 1);
    e += static_cast<char>(shared);
    e.append(word.substr(shared));
    return e;
  }

  // Adds an entry made by make(wordPart); starts a new node when it does not
  // fit.
  template <typename Make>
  void add(std::string_view word, Make make) {
    std::string entry = make(wordPart(word));
    if (node_.size() + entry.size() > kNodeSize) {
      finish();
      start();
      entry = make(wordPart(word));
    }
    node_ += entry;
    last_ = word;
    ++count_;
  }

  // Writes the last node; the (last word, offset) of every node.
  std::vector<std::pair<std::string, std::uint32_t>> close() {
    if (count_ > 0 || nodes_.empty()) finish();
    return std::move(nodes_);
  }
  std::uint64_t freeBytes() const { return free_; }

 private:
  void start() {
    node_.clear();
    if (leaf_) {
      appendLe32(node_, 0);  // the next leaf, set when it is written
      appendLe16(node_, 0);
      appendLe16(node_, 0);
    } else {
      appendLe16(node_, 0);
    }
    count_ = 0;
  }
  void finish() {
    const auto offset = static_cast<std::uint32_t>(out_.size());
    const auto freeBytes = static_cast<std::uint16_t>(kNodeSize - node_.size());
    putLe16At(node_, leaf_ ? 6 : 0, freeBytes);
    free_ += freeBytes;
    node_.resize(kNodeSize, '\0');
    if (leaf_ && !nodes_.empty()) putLe32At(out_, nodes_.back().second, offset);
    out_ += node_;
    nodes_.emplace_back(last_, offset);
  }

  std::string& out_;
  bool leaf_;
  std::string node_, last_;
  std::size_t count_ = 0;
  std::uint64_t free_ = 0;
  std::vector<std::pair<std::string, std::uint32_t>> nodes_;
};

}  // namespace

unsigned scaleRootBits(std::uint64_t value, unsigned root) {
  if (value < (std::uint64_t{1} << root)) return root + 1;
  const unsigned length = static_cast<unsigned>(std::bit_width(value));
  return 2 * length - root;
}

void BitWriter::bits(std::uint64_t value, unsigned count) {
  while (count > 0) {
    --count;
    byte_ = (byte_ << 1) | static_cast<unsigned>((value >> count) & 1);
    if (++used_ == 8) {
      out_ += static_cast<char>(byte_);
      byte_ = used_ = 0;
    }
  }
}

void BitWriter::scaleRoot(std::uint64_t value, unsigned root) {
  if (value < (std::uint64_t{1} << root)) {
    bits(0, 1);
    bits(value, root);
    return;
  }
  const unsigned length = static_cast<unsigned>(std::bit_width(value));
  for (unsigned i = root; i < length; ++i) bits(1, 1);
  bits(0, 1);
  bits(value, length - 1);
}

void BitWriter::flush() {
  if (used_ > 0) bits(0, 8 - used_);
}

const std::string& FullTextIndex::inCodePage(const std::string& utf8Word) {
  auto it = converted_.find(utf8Word);
  if (it != converted_.end()) return it->second;
  std::string word;
  bool ascii = true;
  for (char c : utf8Word) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii || codePage_ == cp::kUtf8) {
    word = utf8Word;
  } else {
    // A word the code page cannot spell is left out rather than indexed as
    // question marks.
    word = cp::fromUtf8(utf8Word, codePage_);
    if (cp::toUtf8(word, codePage_) != utf8Word) word.clear();
  }
  return converted_.emplace(utf8Word, std::move(word)).first->second;
}

void FullTextIndex::addPage(std::uint32_t topic, std::string_view html, unsigned pageCodePage) {
  PageWords words =
      pageWords(pageCodePage == cp::kUtf8 ? std::string(html) : cp::toUtf8(html, pageCodePage));
  // Stop words take no place either: the words around them count as
  // neighbours, as in the original compiler's files, which keeps the place
  // gaps small.
  for (auto* list : {&words.title, &words.body}) {
    std::erase_if(*list, [&](const std::string& w) { return stopWords_.count(w) != 0; });
    for (std::string& w : *list) w = inCodePage(w);
  }
  addWords(topic, words.title, words.body);
}

void FullTextIndex::addStopWords(std::string_view text, unsigned codePage) {
  const PageWords words =
      pageWords(codePage == cp::kUtf8 ? std::string(text) : cp::toUtf8(text, codePage));
  stopWords_.insert(words.body.begin(), words.body.end());
}

void FullTextIndex::addWords(std::uint32_t topic, const std::vector<std::string>& title,
                             const std::vector<std::string>& body) {
  add(topic, title, true);
  add(topic, body, false);
}

void FullTextIndex::add(std::uint32_t topic, const std::vector<std::string>& words, bool title) {
  for (std::size_t place = 0; place < words.size(); ++place) {
    const std::string& w = words[place];
    if (w.empty() || w.size() > kMaxWordBytes) continue;
    auto [it, fresh] = ids_.emplace(w, static_cast<std::uint32_t>(words_.size()));
    if (fresh) words_.push_back({w, {}, {}});
    std::vector<Hits>& hits = title ? words_[it->second].title : words_[it->second].body;
    if (hits.empty() || hits.back().topic != topic) hits.push_back({topic, {}});
    hits.back().places.push_back(static_cast<std::uint32_t>(place));
    ++occurrences_;
    occurrenceBytes_ += w.size();
  }
}

std::string FullTextIndex::build(std::uint32_t topicCount, std::uint32_t lcid) const {
  std::vector<const Word*> sorted;
  sorted.reserve(words_.size());
  for (const Word& w : words_) sorted.push_back(&w);
  std::sort(sorted.begin(), sorted.end(),
            [](const Word* a, const Word* b) { return a->text < b->text; });

  // The roots that code this file's numbers best.
  std::array<std::uint64_t, 65> topicGaps{}, counts{}, placeGaps{};
  for (const Word* w : sorted) {
    for (const auto* list : {&w->title, &w->body}) {
      std::uint32_t previous = 0;
      for (const Hits& h : *list) {
        ++topicGaps[std::bit_width(h.topic - previous)];
        previous = h.topic;
        ++counts[std::bit_width(h.places.size())];
        std::uint32_t before = 0;
        for (std::uint32_t p : h.places) {
          ++placeGaps[std::bit_width(p - before)];
          before = p;
        }
      }
    }
  }
  const unsigned topicRoot = bestRoot(topicGaps), countRoot = bestRoot(counts),
                 placeRoot = bestRoot(placeGaps);

  // Every location list first, then the leaves side by side: the lists are
  // dense bit codes the compressor cannot shrink, while neighbouring leaves
  // share much it can match at short distances.
  std::string out(kHeaderSize, '\0');
  struct Placed {
    const Word* word;
    bool title;
    std::uint32_t offset;
    std::size_t size;
  };
  std::vector<Placed> placed;
  for (const Word* w : sorted) {
    for (const bool title : {false, true}) {
      const std::vector<Hits>& hits = title ? w->title : w->body;
      if (hits.empty()) continue;
      const auto offset = static_cast<std::uint32_t>(out.size());
      BitWriter bits(out);
      std::uint32_t previous = 0;
      for (const Hits& h : hits) {
        bits.scaleRoot(h.topic - previous, topicRoot);
        previous = h.topic;
        bits.scaleRoot(h.places.size(), countRoot);
        std::uint32_t before = 0;
        for (std::uint32_t p : h.places) {
          bits.scaleRoot(p - before, placeRoot);
          before = p;
        }
        bits.flush();
      }
      placed.push_back({w, title, offset, out.size() - offset});
    }
  }
  NodeWriter leaves(out, true);
  std::uint64_t entryBytes = 0;
  std::size_t longest = 0;
  for (const Placed& l : placed) {
    const std::string& text = l.word->text;
    leaves.add(text, [&](std::string entry) {
      entry += static_cast<char>(l.title ? 1 : 0);
      appendLowFirstEncint(entry, (l.title ? l.word->title : l.word->body).size());
      appendLe32(entry, l.offset);
      appendLe16(entry, 0);
      appendLowFirstEncint(entry, l.size);
      return entry;
    });
    entryBytes += text.size();
    longest = std::max(longest, text.size());
  }
  const std::uint64_t entries = placed.size();
  std::vector<std::pair<std::string, std::uint32_t>> level = leaves.close();
  const auto leafCount = static_cast<std::uint32_t>(level.size());
  std::uint16_t depth = 1;
  while (level.size() > 1) {
    NodeWriter index(out, false);
    for (const auto& [word, offset] : level) {
      const std::uint32_t child = offset;
      index.add(word, [child](std::string entry) {
        appendLe32(entry, child);
        appendLe16(entry, 0);
        return entry;
      });
    }
    level = index.close();
    ++depth;
  }
  const std::uint32_t root = level.front().second;

  putLe32At(out, kHdrMagic, kMagic);
  putLe32At(out, kHdrTopics, topicCount);
  putLe32At(out, kHdrRoot, root);
  putLe32At(out, kHdrLeaves, leafCount);
  putLe32At(out, kHdrRootAgain, root);
  putLe16At(out, kHdrDepth, depth);
  putLe32At(out, kHdrSeven, kHeaderSeven);
  const unsigned roots[] = {topicRoot, countRoot, placeRoot};
  for (std::size_t i = 0; i < 3; ++i) {
    out[kHdrCodes + 2 * i] = static_cast<char>(kScale);
    out[kHdrCodes + 2 * i + 1] = static_cast<char>(roots[i]);
  }
  putLe32At(out, kHdrNodeSize, kNodeSize);
  putLe32At(out, kHdrLongestWord, static_cast<std::uint32_t>(longest));
  putLe32At(out, kHdrWords, static_cast<std::uint32_t>(occurrences_));
  putLe32At(out, kHdrEntries, static_cast<std::uint32_t>(entries));
  putLe32At(out, kHdrEntryBytes, static_cast<std::uint32_t>(entryBytes));
  putLe32At(out, kHdrWordBytes, static_cast<std::uint32_t>(occurrenceBytes_));
  putLe32At(out, kHdrLeafFree, static_cast<std::uint32_t>(leaves.freeBytes()));
  putLe32At(out, kHdrLastTopic, topicCount == 0 ? 0 : topicCount - 1);
  putLe32At(out, kHdrCodePage, codePage_);
  putLe32At(out, kHdrLcid, lcid);
  return out;
}
