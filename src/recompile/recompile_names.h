#pragma once
// What a recompile copies from a source: the paths of its non-empty streams
// ("\" between the levels) in the source's directory order, the facts that
// decide which internal files the new file can do without, and the rules
// that leave those out.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/itss/storage.h"

struct RecompileNames {
  // Paths still to copy, in list order; a taken path is marked, not erased,
  // so that walking the list in its order stays linear.
  struct Entry {
    std::string path;
    bool taken = false;
  };
  std::vector<Entry> entries;
  // Every non-empty stream of the source, the progress range of the job.
  std::int32_t streams = 0;

  // Whether an untaken path equals path exactly.
  bool holds(std::string_view path) const;
  // Marks the untaken path equal to path as taken; whether there was one.
  bool take(std::string_view path);
  std::vector<std::string> remaining() const;
};

// Lists every non-empty stream of the storage, sub-storages included. Inside
// a sub-storage a 4-byte stream named exactly "Property" is held back and
// listed just before the next stream of its sub-storage; when the sub-storage
// holds no other stream it is the whole of an empty link index and is left
// out, otherwise it is listed at the end of its sub-storage. False when the
// root cannot be enumerated.
bool listRecompileNames(itss::IStorage* root, RecompileNames& out);

// The facts of a source that the drop rules read.
struct RecompileFacts {
  bool isIts = false;             // the source's file name ends in ".its"
  bool isCollectionFile = false;  // the source's file name ends in ".chi", ".chw" or ".chq"
  std::uint32_t systemVersion = 0;
  std::uint32_t binaryIndexValue = 0;     // #SYSTEM record 7
  std::uint32_t binaryContentsValue = 0;  // #SYSTEM record 11
  bool hasAssociativeLinks = false;
  bool hasKeywordLinks = false;
  bool hasFullText = false;
  bool hasIvb = false;
  bool hasWindows = false;
  // The binary tables that stand in for the sitemap files are really there:
  // a keyword tree with keywords, a binary contents with an entry.
  bool hasKeywordTree = false;
  bool hasContentsTree = false;
};

// Sets isIts and isCollectionFile from the extension of the source's file
// name, letters compared without case.
void factsFromSourceName(std::string_view source, RecompileFacts& facts);
// Sets the five has… flags from the listed names.
void factsFromNames(const RecompileNames& names, RecompileFacts& facts);
// Sets hasKeywordTree and hasContentsTree from the headers of
// "$WWKeywordLinks/BTree" and "#TOCIDX".
void factsFromTables(itss::IStorage* root, RecompileFacts& facts);
// Reads the version and records 7 and 11 of the storage's "#SYSTEM" (all 0
// when it is missing).
void factsFromSystem(itss::IStorage* root, RecompileFacts& facts);

// Takes out of names the internal files the new file does not need: the
// topic and URL tables when nothing in the file uses them (and every table
// of an ITS file), or "#IDXHDR" when "#SYSTEM" holds a copy of it.
void dropUnneededTables(const RecompileFacts& facts, RecompileNames& names);
