#include "recompile/recompile_names.h"

#include <map>

#include "chmfiles/binary_tables_format.h"
#include "chmfiles/byte_source.h"
#include "chmfiles/system_file.h"
#include "its/element_walk.h"
#include "its/text_helpers.h"

namespace {

constexpr std::string_view kHeldBackName = "Property";
constexpr std::uint32_t kHeldBackSize = 4;

class NameLister final : public ElementAction {
 public:
  explicit NameLister(RecompileNames& out) : out_(out) {}

  bool enterLevel(const std::string& subPath) override {
    levels_[subPath] = Level{};
    return true;
  }
  void leaveLevel(const std::string& subPath) override {
    const Level level = levels_[subPath];
    levels_.erase(subPath);
    if (level.heldBack && level.listed > 0) add(subPath + "\\" + std::string(kHeldBackName));
  }
  WalkStep storage(const WalkElement&) override { return WalkStep::Continue; }
  WalkStep stream(const WalkElement& element) override {
    ++out_.streams;
    Level& level = levels_[element.subPath];
    if (!element.subPath.empty() && element.name == kHeldBackName &&
        element.size == kHeldBackSize) {
      level.heldBack = true;
      return WalkStep::Continue;
    }
    if (level.heldBack) {
      add(element.subPath + "\\" + std::string(kHeldBackName));
      level.heldBack = false;
    }
    add(element.path());
    ++level.listed;
    return WalkStep::Continue;
  }

 private:
  struct Level {
    bool heldBack = false;
    int listed = 0;
  };
  void add(std::string path) { out_.entries.push_back({std::move(path), false}); }

  RecompileNames& out_;
  std::map<std::string, Level> levels_;
};

}  // namespace

bool RecompileNames::holds(std::string_view path) const {
  for (const Entry& e : entries)
    if (!e.taken && e.path == path) return true;
  return false;
}

bool RecompileNames::take(std::string_view path) {
  for (Entry& e : entries) {
    if (!e.taken && e.path == path) {
      e.taken = true;
      return true;
    }
  }
  return false;
}

std::vector<std::string> RecompileNames::remaining() const {
  std::vector<std::string> out;
  for (const Entry& e : entries)
    if (!e.taken) out.push_back(e.path);
  return out;
}

bool listRecompileNames(itss::IStorage* root, RecompileNames& out) {
  NameLister lister(out);
  return walkElements(root, std::string(), lister);
}

void factsFromSourceName(std::string_view source, RecompileFacts& facts) {
  // The file's own extension decides, never a folder's name or text in the
  // middle of the name ("docs.its_backup/help.chm" is a compiled help file).
  const std::string_view name = fileNamePart(source);
  facts.isCollectionFile =
      extensionIs(name, ".chi") || extensionIs(name, ".chw") || extensionIs(name, ".chq");
  facts.isIts = extensionIs(name, ".its");
}

void factsFromNames(const RecompileNames& names, RecompileFacts& facts) {
  facts.hasAssociativeLinks = names.holds("$WWAssociativeLinks\\Property");
  facts.hasKeywordLinks = names.holds("$WWKeywordLinks\\Property");
  facts.hasFullText = names.holds("$FIftiMain");
  facts.hasIvb = names.holds("#IVB");
  facts.hasWindows = names.holds("#WINDOWS");
}

void factsFromTables(itss::IStorage* root, RecompileFacts& facts) {
  std::vector<std::uint8_t> bytes;
  // The keyword tree's header counts its keywords.
  if (itss::SUCCEEDED(readStreamBytes(root, "$WWKeywordLinks/BTree", kwtree::kHeaderSize, bytes)))
    facts.hasKeywordTree = le32At(bytes, kwtree::kHdrKeywords) != 0;
  // The binary contents starts with the offset of its first entry, which
  // lies past its header.
  bytes.clear();
  if (itss::SUCCEEDED(readStreamBytes(root, "#TOCIDX", tocidx::kHdrFirstEntry + 4, bytes)))
    facts.hasContentsTree = le32At(bytes, tocidx::kHdrFirstEntry) != 0;
}

void factsFromSystem(itss::IStorage* root, RecompileFacts& facts) {
  SystemStream system;
  if (!system.open(root)) return;
  facts.systemVersion = system.version();
  std::uint16_t code = 0, length = 0;
  while (system.next(code, length)) {
    if (code == kSysBinaryIndex)
      facts.binaryIndexValue = recordValue(system.readData());
    else if (code == kSysBinaryToc)
      facts.binaryContentsValue = recordValue(system.readData());
    else if (!system.skipData())
      break;
  }
}

void dropUnneededTables(const RecompileFacts& f, RecompileNames& names) {
  const bool tablesUsed = f.isCollectionFile || f.hasAssociativeLinks || f.hasKeywordLinks ||
                          f.hasFullText || f.binaryIndexValue != 0 || f.binaryContentsValue != 0;
  if (f.isIts || !tablesUsed) {
    for (const char* table : {"#TOPICS", "#URLSTR", "#URLTBL", "$OBJINST", "#IDXHDR"})
      names.take(table);
    if (f.isIts || (!f.hasIvb && !f.hasWindows && f.systemVersion < 3)) names.take("#STRINGS");
    if (f.isIts) names.take("#SYSTEM");
  } else if (f.systemVersion >= 3) {
    names.take("#IDXHDR");
  }
}
