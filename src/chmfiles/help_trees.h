#pragma once
// The contents and the index of a compiled help file as trees of UTF-8
// texts, read from the binary tables ("#TOCIDX", "$WWKeywordLinks/BTree")
// when the file has them, else from its sitemap files. Byte decoders work on
// spans; every offset, count and depth they read is checked against the
// bytes present, so a damaged table gives a shorter tree, never a loop.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chmfiles/byte_source.h"
#include "chmfiles/topic_tables.h"
#include "platform/itss/storage.h"

struct TreeTopic {
  std::string title;  // UTF-8
  std::string local;  // the page, as the table or sitemap names it (UTF-8)
};

struct HelpTreeEntry {
  std::string name;  // UTF-8
  // A contents entry's page (none for a heading); an index keyword's pages.
  std::vector<TreeTopic> topics;
  std::string seeAlso;  // an index keyword that refers to another
  std::vector<HelpTreeEntry> children;
};

enum class TreeOrigin { kNone, kBinary, kSitemap };

struct HelpTree {
  TreeOrigin origin = TreeOrigin::kNone;
  std::string sitemapName;  // the sitemap file read, for kSitemap
  std::vector<HelpTreeEntry> entries;
};

// Trees are cut at this depth: entries nested deeper join the deepest level.
constexpr std::size_t kMaxTreeDepth = 64;

// #TOPICS numbers and #STRINGS offsets as UTF-8 texts.
class TopicNames {
 public:
  TopicNames(std::vector<TopicEntry> topics, TopicLookup& lookup, unsigned codePage)
      : topics_(std::move(topics)), lookup_(lookup), codePage_(codePage) {}

  // The title and page of a topic; none for a number past #TOPICS.
  std::optional<TreeTopic> topic(std::uint32_t number);
  // The #STRINGS text at offset.
  std::string text(std::uint32_t offset);
  // The title of the topic whose page is local (letters A-Z, "\" and "/",
  // and a leading "/" not counted); empty when none is.
  std::string titleOf(std::string_view local);
  unsigned codePage() const { return codePage_; }

 private:
  std::vector<TopicEntry> topics_;
  TopicLookup& lookup_;
  unsigned codePage_;
  std::optional<std::map<std::string, std::string>> byLocal_;
};

// A page name folded for comparison: "\" as "/", no leading "/", A-Z as a-z.
std::string foldedLocal(std::string_view local);

// "#TOCIDX": the entries from the first root entry, siblings by their next
// offsets, children from their first child.
std::vector<HelpTreeEntry> decodeTocIdx(Bytes tocidx, TopicNames& names);

// "$WWKeywordLinks/BTree" (or "$WWAssociativeLinks/BTree"): the keywords of
// the listing blocks in chain order, nested by their depth fields.
std::vector<HelpTreeEntry> decodeKeywordTree(Bytes btree, TopicNames& names);

// A sitemap file's tree; an index keyword's pages get their #TOPICS titles
// when names is given.
std::vector<HelpTreeEntry> sitemapTree(std::string_view html, unsigned codePage, TopicNames* names);

enum class TreeSourceChoice { kAny, kBinaryOnly, kSitemapOnly };

// The contents and the index of a help file. kAny takes the binary table
// when it has entries, else the sitemap file named by #SYSTEM (or the first
// window type), else the first ".hhc"/".hhk" at the top of the file.
HelpTree readContents(itss::IStorage* root, TreeSourceChoice choice = TreeSourceChoice::kAny);
HelpTree readIndex(itss::IStorage* root, TreeSourceChoice choice = TreeSourceChoice::kAny);
