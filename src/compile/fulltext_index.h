#pragma once
// "$FIftiMain", the full-text search index of a compiled help file.
//
// Layout: a 1024-byte header, the word-location lists, then the nodes of a
// B-tree over the words, each node 4096 bytes: the leaves in word order, then
// each level of index nodes above them. Leaf nodes hold the words in byte order, each
// sharing its leading bytes with the word before it in the node, one entry
// per word and context: a word found in titles and bodies has two entries,
// the body's first, so that a reader that stops at the first finds the pages
// that mention it. An entry gives the number of topics the word occurs in and
// where its location list lies. Index nodes hold the last word of each node
// below them. A location list gives, for each topic in turn, the topic number
// (as a difference from the previous one), the number of places and the
// places (word positions, as differences), each in the file's scale-and-root
// bit code, the bits of each topic padded to a byte.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class FullTextIndex {
 public:
  // Words are stored in the help file's code page.
  explicit FullTextIndex(unsigned codePage) : codePage_(codePage) {}

  // Adds the words of a page, topic numbers in increasing order. The page's
  // bytes are in pageCodePage.
  void addPage(std::uint32_t topic, std::string_view html, unsigned pageCodePage);

  // Words of a text (a stop list) that pages added later leave out, without
  // a place of their own.
  void addStopWords(std::string_view text, unsigned codePage);

  // Adds words given in the help file's code page, in text order; an empty
  // word holds its place without being indexed.
  void addWords(std::uint32_t topic, const std::vector<std::string>& title,
                const std::vector<std::string>& body);

  // The stream for a file of topicCount topics.
  std::string build(std::uint32_t topicCount, std::uint32_t lcid) const;

 private:
  struct Hits {
    std::uint32_t topic;
    std::vector<std::uint32_t> places;
  };
  struct Word {
    std::string text;
    std::vector<Hits> title, body;
  };
  void add(std::uint32_t topic, const std::vector<std::string>& words, bool title);
  const std::string& inCodePage(const std::string& utf8Word);

  unsigned codePage_;
  std::unordered_map<std::string, std::uint32_t> ids_;
  std::vector<Word> words_;
  std::unordered_map<std::string, std::string> converted_;  // UTF-8 word → code page
  std::unordered_set<std::string> stopWords_;               // UTF-8
  std::uint64_t occurrences_ = 0, occurrenceBytes_ = 0;
};

// The scale-and-root code of a value with scale 2 and the given root, as the
// index writes it: a value below 2^root is a 0 bit and root bits; a larger
// one of n significant bits is n - root 1 bits, a 0 bit and its n - 1 low
// bits. Bits most significant first.
class BitWriter {
 public:
  explicit BitWriter(std::string& out) : out_(out) {}
  void bits(std::uint64_t value, unsigned count);
  void scaleRoot(std::uint64_t value, unsigned root);
  // Pads the last byte with 0 bits.
  void flush();

 private:
  std::string& out_;
  unsigned byte_ = 0, used_ = 0;
};

// The bits scaleRoot takes for a value.
unsigned scaleRootBits(std::uint64_t value, unsigned root);
