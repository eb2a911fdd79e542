#pragma once
// The walk over every element of a storage, written once: the decompile run,
// the project reconstruction, the recompile name list and countStreams each
// drive it with their own action per element.
#include <cstdint>
#include <string>

#include "platform/itss/storage.h"

// One element met by the walk.
struct WalkElement {
  const std::string& subPath;  // the level's path from the root; empty at the root
  const std::string& name;     // the element's name (cut at 519 bytes)
  bool isStorage;              // a sub-storage; otherwise a stream of non-zero size
  std::uint32_t size;          // low 32 bits of the stream's size; 0 for a storage
  itss::IStorage* level;       // the storage holding the element (the root or a sub-storage)

  // subPath "\" name, or just the name at the root.
  std::string path() const;
  // Names beginning with "$" or "#" are the file's system entries.
  bool isSystemName() const { return !name.empty() && (name[0] == '$' || name[0] == '#'); }
};

enum class WalkStep {
  Continue,  // a storage: go into it; a stream: go on with the next element
  Skip,      // a storage: pass over it without going in; a stream: as Continue
  EndLevel,  // end the level holding the element; the enclosing level goes on
};

class ElementAction {
 public:
  virtual ~ElementAction() = default;
  // Called when a level is about to be enumerated (subPath empty at the
  // root); false ends the level before anything of it is opened.
  virtual bool enterLevel(const std::string& subPath) {
    (void)subPath;
    return true;
  }
  // Called after the elements of a level (entered or not) were visited.
  virtual void leaveLevel(const std::string& subPath) { (void)subPath; }
  virtual WalkStep storage(const WalkElement& element) = 0;
  virtual WalkStep stream(const WalkElement& element) = 0;
};

// Walks the level at subPath (empty: the root) and every sub-storage below
// it. A sub-storage that cannot be opened or enumerated ends its level
// quietly. Streams of size 0 and elements of other kinds are passed over.
// Returns false only when the level at subPath itself cannot be enumerated.
bool walkElements(itss::IStorage* root, const std::string& subPath, ElementAction& action);
