#pragma once
// The compiler's writers of the binary contents ("#TOCIDX") and the binary
// index ("$WWKeywordLinks/"): the trees of the project's sitemap files, with
// their links already turned into #TOPICS numbers, laid out the way viewers
// walk them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compile/html_scan.h"
#include "compile/table_writers.h"

// One entry of the contents: a topic (its #TOPICS number) or a heading
// without a page, whose name goes to #STRINGS.
struct TocNode {
  std::string name;  // bytes in the help file's code page
  std::optional<std::uint32_t> topic;
  std::vector<TocNode> children;
};

struct TocIndex {
  std::string bytes;  // "#TOCIDX"
  // For each topic an entry names, the offset of the first such entry, in
  // the entries' order: what #TOPICS records as the topic's place in the
  // contents.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> topicEntries;
};

// "#TOCIDX": a 4096-byte header, the entries depth first (20 bytes, 28 with
// children), then the topic number of every entry with a page, then one
// 16-byte record per such entry.
TocIndex buildTocIndex(const std::vector<TocNode>& roots, StringPool& strings);

// One keyword of the index, as the sitemap nests it; texts in UTF-8.
struct IndexNode {
  std::string keyword;
  std::vector<std::uint32_t> topics;  // #TOPICS numbers, in sitemap order
  std::optional<std::string> seeAlso;
  std::vector<IndexNode> children;
};

// The files of "$WWKeywordLinks/" (or "$WWAssociativeLinks/"); all empty
// but property when there are no keywords.
struct KeywordLinks {
  std::string btree, data, map, property;
  std::uint32_t keywords = 0;
};

// Keywords are sorted among their siblings in the order viewers look them
// up in, equal siblings merged, and sub-keywords stored under their full
// "parent, child" text.
KeywordLinks buildKeywordLinks(const std::vector<IndexNode>& roots, unsigned codePage,
                               std::uint32_t lcid);

// The keywords and associative-link names one page carries.
struct PageWords {
  std::uint32_t topic = 0;
  unsigned codePage = 1252;  // the page's own
  PageLinkWords words;
};

// What the compiler hands over for the tables: the sitemap files' bytes
// (nothing when the project does not ask for the table), the pages' words
// and the help file's language.
struct SitemapSources {
  std::optional<std::string> contents, index;
  std::vector<PageWords> pages;
  unsigned codePage = 1252;
  std::uint32_t lcid = 0x409;
};

struct BinaryTables {
  std::optional<TocIndex> contents;
  // The index file's keywords (with a binary index) merged with the pages'
  // keywords, and the pages' associative-link names: both written always,
  // as an empty store when there are none, since viewers look up the
  // pages' links there whether or not the index is binary.
  KeywordLinks keywords, associative;
  bool sitemapIndex = false;  // keywords hold an index file's entries
  // The contents or index file nested its lists deeper than they are read.
  bool contentsTooDeep = false, indexTooDeep = false;
};

// Builds both tables. A link to a page among topics takes that page's
// number; any other link (a place in a page, a file of another help file, a
// URL) becomes a topic of its own. A contents entry whose name differs from
// its page's title gets a topic of its own too, so that viewers, which show
// an entry by its topic's title, show the name the contents gives it.
// topics grows by these; each topic's contents offset is filled in. A
// page keyword "parent, child" files the page under child below parent,
// as index files nest them; associative-link names are not nested.
BinaryTables buildBinaryTables(const SitemapSources& sources, std::vector<TopicRecord>& topics,
                               StringPool& strings);
