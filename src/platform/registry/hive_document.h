#pragma once
// One hive file in Wine's registry format, held so that writing it back
// reproduces every line that was not changed: the header, comments, key
// time stamps, "#" attribute lines, values of types we do not interpret and
// lines we do not understand are all kept as they were read.
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace reg {

// A value as the registry holds it: strings as UTF-16LE bytes, like Windows.
struct StoredValue {
  std::string name;  // UTF-8, empty for the default value ("@")
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

// One change of a batch: the value `value.name` is deleted (`remove`) or
// set to `value`.
struct ValueChange {
  bool remove = false;
  StoredValue value;
};

class HiveDocument {
 public:
  struct Node;
  struct Line {
    std::string raw;  // the text as read (several physical lines for continued hex)
    bool isValue = false;
    bool dirty = false;  // the value changed; `raw` is regenerated on writing
    StoredValue value;
  };
  struct Section {
    std::string path;         // UTF-8, components separated by '\'
    std::string header;       // the "[...] time" line as read; empty for a new section
    std::vector<Line> lines;  // everything after the header up to the next one
    bool generated = false;
    Node* node = nullptr;  // set for sections this program added
    // The lines holding values, and each value's line by folded name (the
    // first one wins), built when first needed and dropped when lines are
    // added or removed.
    mutable bool indexed = false;
    mutable std::vector<std::size_t> valueLines;
    mutable std::unordered_map<std::string, std::size_t> byName;
  };
  struct Node {
    std::string name;
    Node* parent = nullptr;
    std::map<std::string, std::unique_ptr<Node>> children;  // by folded name
    Section* section = nullptr;
    Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    // Takes the sub-keys apart without recursion: a file may nest keys far
    // deeper than the stack would allow.
    ~Node();
  };

  // An empty hive with the header Wine writes, relative to `root`
  // ("\\User\\S-1-5-21-0-0-0-1000" or "\\Machine").
  static HiveDocument empty(std::string_view root);

  // Parses a hive file. Returns false (and leaves the document empty) when
  // the text is not a registry file of version 2 or a key line is malformed.
  bool parse(std::string_view text);
  std::string serialize() const;

  // Key lookup by a path of '\'-separated components (case ignored).
  Node* find(std::string_view path);
  // Finds or creates the key and its parents; `created` tells whether the
  // last component was new.
  Node* create(std::string_view path, bool& created);
  // Gives a key its own key line, so that it exists in the file even
  // without values or sub-keys.
  void keep(Node* node) {
    if (!node->section) addSection(node);
  }
  // Removes a key without sub-keys and its values.
  bool removeKey(Node* node);

  const StoredValue* getValue(const Node* node, std::string_view name) const;
  std::vector<const StoredValue*> values(const Node* node) const;
  std::size_t valueCount(const Node* node) const;
  // The index-th value in file order, or null.
  const StoredValue* valueAt(const Node* node, std::size_t index) const;
  // True when something changed.
  bool setValue(Node* node, const StoredValue& value);
  bool deleteValue(Node* node, std::string_view name);
  // Applies the changes in order, in time linear in the key's lines plus
  // the changes. `done` receives for each change whether it found (delete)
  // or changed (set) its value. True when something changed.
  bool changeValues(Node* node, const std::vector<ValueChange>& changes, std::vector<bool>& done);

  Node* root() { return root_.get(); }

 private:
  Section* addSection(Node* node);
  static void buildIndex(const Section& s);
  static const Line* lineOf(const Section& s, std::string_view name);
  static std::string pathOf(const Node* node);

  std::string preamble_;                                   // everything before the first key line
  std::list<Section> sections_;                            // in file order
  std::unique_ptr<Node> root_ = std::make_unique<Node>();  // stable across moves
};

// Parses the data part of a value line ("...", str(n):"...", dword:, hex:,
// hex(n):). Returns false when it is not one of those forms.
bool parseValueData(std::string_view text, std::uint32_t& type, std::vector<std::uint8_t>& data);
// The value's line as Wine writes it, with its final newline.
std::string formatValue(const StoredValue& value);

// Splits a registry path into components, ignoring empty ones.
std::vector<std::string> splitPath(std::string_view path);

}  // namespace reg
