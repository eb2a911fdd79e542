#include "platform/registry/hive_document.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "platform/registry/reg_text.h"

namespace reg {

namespace {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegMultiSz = 7;

std::string_view trimEnd(std::string_view s) {
  while (!s.empty() &&
         (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
    s.remove_suffix(1);
  return s;
}

bool isBlank(std::string_view s) { return trimEnd(s).empty(); }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Wine continues only hex data, on indented lines of hex bytes and commas.
// Taking any other line (a key line, a value line, a blank one) as a
// continuation would let a damaged line swallow the key after it once a
// new key or value has been written behind it.
bool isHexContinuation(std::string_view line) {
  bool digit = false;
  for (char c : line) {
    if (hexValue(c) >= 0)
      digit = true;
    else if (c != ',' && c != ' ' && c != '\t' && c != '\\' && c != '\r' && c != '\n')
      return false;
  }
  return digit;
}

bool isStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

std::vector<std::uint8_t> utf16Bytes(std::u16string_view text) {
  std::vector<std::uint8_t> out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return out;
}

// Parses a number of hex digits up to `stop`; false when there are none or
// the value does not fit 32 bits.
bool parseHexNumber(std::string_view s, std::size_t& pos, std::uint32_t& out) {
  std::uint64_t v = 0;
  std::size_t start = pos;
  while (pos < s.size() && hexValue(s[pos]) >= 0) {
    v = v * 16 + static_cast<unsigned>(hexValue(s[pos++]));
    if (v > 0xFFFFFFFFu) return false;
  }
  out = static_cast<std::uint32_t>(v);
  return pos > start;
}

bool parseQuoted(std::string_view s, std::size_t pos, std::u16string& out) {
  if (pos >= s.size() || s[pos] != '"') return false;
  ++pos;
  if (!unescapeText(s, pos, '"', out)) return false;
  return trimEnd(s.substr(pos + 1)).empty();
}

bool parseHexBytes(std::string_view s, std::size_t pos, std::vector<std::uint8_t>& out) {
  bool expectByte = true;
  while (pos < s.size()) {
    char c = s[pos];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\\') {
      ++pos;
      continue;
    }
    if (c == ',') {
      if (expectByte) return false;
      expectByte = true;
      ++pos;
      continue;
    }
    if (!expectByte || hexValue(c) < 0) return false;
    unsigned v = static_cast<unsigned>(hexValue(c));
    ++pos;
    if (pos < s.size() && hexValue(s[pos]) >= 0)
      v = v * 16 + static_cast<unsigned>(hexValue(s[pos++]));
    out.push_back(static_cast<std::uint8_t>(v));
    expectByte = false;
  }
  return out.empty() || !expectByte;
}

std::string timeLines() {
  // Seconds since 1970 on the key line, and the FILETIME (100 ns since 1601)
  // on the "#time" line, as Wine writes them.
  std::timespec ts{};
  std::timespec_get(&ts, TIME_UTC);
  std::uint64_t ft = (static_cast<std::uint64_t>(ts.tv_sec) + 11644473600ull) * 10000000ull +
                     static_cast<std::uint64_t>(ts.tv_nsec) / 100;
  char buf[80];
  std::snprintf(buf, sizeof buf, " %lld\n#time=%x%08x\n", static_cast<long long>(ts.tv_sec),
                static_cast<unsigned>(ft >> 32), static_cast<unsigned>(ft & 0xFFFFFFFFu));
  return buf;
}

}  // namespace

std::vector<std::string> splitPath(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool parseValueData(std::string_view text, std::uint32_t& type, std::vector<std::uint8_t>& data) {
  data.clear();
  std::u16string str;
  if (!text.empty() && text[0] == '"') {
    if (!parseQuoted(text, 0, str)) return false;
    type = kRegSz;
    str.push_back(0);
    data = utf16Bytes(str);
    return true;
  }
  if (text.starts_with("str(")) {
    std::size_t pos = 4;
    if (!parseHexNumber(text, pos, type) || text.substr(pos, 2) != "):") return false;
    if (!parseQuoted(text, pos + 2, str)) return false;
    str.push_back(0);
    data = utf16Bytes(str);
    return true;
  }
  if (text.starts_with("dword:")) {
    std::size_t pos = 6;
    std::uint32_t v;
    if (!parseHexNumber(text, pos, v) || !trimEnd(text.substr(pos)).empty()) return false;
    type = kRegDword;
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return true;
  }
  if (text.starts_with("hex:")) {
    type = kRegBinary;
    return parseHexBytes(text, 4, data);
  }
  if (text.starts_with("hex(")) {
    std::size_t pos = 4;
    if (!parseHexNumber(text, pos, type) || text.substr(pos, 2) != "):") return false;
    return parseHexBytes(text, pos + 2, data);
  }
  return false;
}

std::string formatValue(const StoredValue& value) {
  std::string out;
  if (value.name.empty()) {
    out = "@=";
  } else {
    out = "\"" + escapeText(toUtf16(value.name), "\"\"") + "\"=";
  }
  const auto& d = value.data;
  if (isStringType(value.type) && d.size() >= 2 && d.size() % 2 == 0 && d[d.size() - 1] == 0 &&
      d[d.size() - 2] == 0) {
    std::u16string text;
    for (std::size_t i = 0; i + 2 < d.size(); i += 2)
      text.push_back(static_cast<char16_t>(d[i] | (d[i + 1] << 8)));
    if (value.type != kRegSz) {
      char buf[24];
      std::snprintf(buf, sizeof buf, "str(%x):", static_cast<unsigned>(value.type));
      out += buf;
    }
    out += "\"" + escapeText(text, "\"\"") + "\"\n";
    return out;
  }
  if (value.type == kRegDword && d.size() == 4) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "dword:%08x\n",
                  static_cast<unsigned>(d[0] | (d[1] << 8) | (d[2] << 16) |
                                        (static_cast<std::uint32_t>(d[3]) << 24)));
    return out + buf;
  }
  char buf[24];
  if (value.type == kRegBinary)
    out += "hex:";
  else {
    std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(value.type));
    out += buf;
  }
  std::size_t count = out.size();
  for (std::size_t i = 0; i < d.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", d[i]);
    out += buf;
    count += 2;
    if (i + 1 < d.size()) {
      out += ',';
      if (++count > 76) {
        out += "\\\n  ";
        count = 2;
      }
    }
  }
  out += '\n';
  return out;
}

HiveDocument HiveDocument::empty(std::string_view root) {
  HiveDocument doc;
  doc.preamble_ = "WINE REGISTRY Version 2\n;; All keys relative to " +
                  escapeText(toUtf16(root), "") + "\n\n#arch=win64\n";
  return doc;
}

bool HiveDocument::parse(std::string_view text) {
  preamble_.clear();
  sections_.clear();
  root_->children.clear();
  root_->section = nullptr;

  std::vector<std::string_view> lines;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find('\n', pos);
    end = end == std::string_view::npos ? text.size() : end + 1;
    lines.push_back(text.substr(pos, end - pos));
    pos = end;
  }
  if (lines.empty() || !lines[0].starts_with("WINE REGISTRY Version 2")) return false;

  std::size_t i = 0;
  for (; i < lines.size() && !lines[i].starts_with("["); ++i) preamble_ += lines[i];

  Section* current = nullptr;
  bool ok = true;
  while (i < lines.size() && ok) {
    std::string_view line = lines[i];
    if (line.starts_with("[")) {
      std::size_t pos = 1;
      std::u16string name;
      if (!unescapeText(line, pos, ']', name)) {
        ok = false;
        break;
      }
      Section& s = sections_.emplace_back();
      s.header = std::string(line);
      bool created;
      std::string path = toUtf8(name);
      Node* node = create(path, created);
      s.path = pathOf(node);
      if (!node->section) node->section = &s;  // a repeated key's later lines are kept as read
      current = &s;
      ++i;
      continue;
    }
    Line l;
    l.raw = std::string(line);
    ++i;
    if (line.starts_with("\"") || line.starts_with("@")) {
      // A hex value may continue on the next lines after a trailing '\'.
      // The logical line grows in place: each continuation costs its own length.
      std::string logical(line);
      while (i < lines.size()) {
        const std::size_t end = trimEnd(logical).size();
        if (end == 0 || logical[end - 1] != '\\' || !isHexContinuation(lines[i])) break;
        logical.resize(end - 1);
        logical += lines[i];
        l.raw += lines[i];
        ++i;
      }
      std::string_view lv = logical;
      std::size_t pos = 0;
      std::u16string name;
      bool named = true;
      if (lv[0] == '@') {
        pos = 1;
      } else {
        pos = 1;
        named = unescapeText(lv, pos, '"', name);
        ++pos;
      }
      if (named && pos < lv.size() && lv[pos] == '=') {
        l.value.name = toUtf8(name);
        l.isValue = parseValueData(lv.substr(pos + 1), l.value.type, l.value.data);
      }
    }
    current->lines.push_back(std::move(l));
  }
  if (!ok) {
    preamble_.clear();
    sections_.clear();
    root_->children.clear();
    return false;
  }
  return true;
}

std::string HiveDocument::serialize() const {
  std::string out = preamble_;
  bool previousGenerated = false;
  for (const Section& s : sections_) {
    // Like Wine, a key we added is written for its values, or while it has
    // no sub-keys; a key that only leads to others is implied by their paths.
    if (s.generated && s.node && !s.node->children.empty() &&
        std::none_of(s.lines.begin(), s.lines.end(), [](const Line& l) { return l.isValue; }))
      continue;
    if (s.generated || previousGenerated) {
      if (!out.ends_with("\n")) out += '\n';
      if (!out.ends_with("\n\n")) out += '\n';
    }
    out += s.header;
    for (const Line& l : s.lines) out += l.raw;
    previousGenerated = s.generated;
  }
  return out;
}

std::string HiveDocument::pathOf(const Node* node) {
  std::vector<const Node*> chain;
  for (; node && node->parent; node = node->parent) chain.push_back(node);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty()) path += '\\';
    path += (*it)->name;
  }
  return path;
}

HiveDocument::Node::~Node() {
  std::vector<std::unique_ptr<Node>> pending;
  for (auto& [folded, child] : children) pending.push_back(std::move(child));
  children.clear();
  while (!pending.empty()) {
    std::unique_ptr<Node> n = std::move(pending.back());
    pending.pop_back();
    for (auto& [folded, child] : n->children) pending.push_back(std::move(child));
    n->children.clear();
  }
}

void HiveDocument::buildIndex(const Section& s) {
  if (s.indexed) return;
  s.valueLines.clear();
  s.byName.clear();
  for (std::size_t i = 0; i < s.lines.size(); ++i) {
    if (!s.lines[i].isValue) continue;
    s.valueLines.push_back(i);
    s.byName.emplace(foldName(s.lines[i].value.name), i);
  }
  s.indexed = true;
}

const HiveDocument::Line* HiveDocument::lineOf(const Section& s, std::string_view name) {
  buildIndex(s);
  auto it = s.byName.find(foldName(name));
  return it == s.byName.end() ? nullptr : &s.lines[it->second];
}

HiveDocument::Node* HiveDocument::find(std::string_view path) {
  Node* node = root_.get();
  for (const std::string& part : splitPath(path)) {
    auto it = node->children.find(foldName(part));
    if (it == node->children.end()) return nullptr;
    node = it->second.get();
  }
  return node;
}

HiveDocument::Node* HiveDocument::create(std::string_view path, bool& created) {
  Node* node = root_.get();
  created = false;
  for (const std::string& part : splitPath(path)) {
    auto& slot = node->children[foldName(part)];
    created = !slot;
    if (!slot) {
      slot = std::make_unique<Node>();
      slot->name = part;
      slot->parent = node;
    }
    node = slot.get();
  }
  return node;
}

HiveDocument::Section* HiveDocument::addSection(Node* node) {
  // Wine writes keys depth first with sub-keys sorted; a new key goes before
  // the first section that sorts after it, so a file in that order stays so.
  std::string path = pathOf(node);
  std::string folded = foldName(path);
  auto less = [](const std::string& a, const std::string& b) {
    // Compare component-wise so that "a\b" sorts before "a b".
    auto pa = splitPath(a), pb = splitPath(b);
    return std::lexicographical_compare(pa.begin(), pa.end(), pb.begin(), pb.end());
  };
  auto it = sections_.begin();
  while (it != sections_.end() && !less(folded, foldName(it->path))) ++it;
  Section s;
  s.path = path;
  s.generated = true;
  s.node = node;
  s.header = "[" + escapeText(toUtf16(path), "[]") + "]";
  std::string times = timeLines();
  std::size_t nl = times.find('\n');
  s.header += times.substr(0, nl + 1);
  Line timeLine;
  timeLine.raw = times.substr(nl + 1);
  s.lines.push_back(std::move(timeLine));
  Section& inserted = *sections_.insert(it, std::move(s));
  node->section = &inserted;
  return &inserted;
}

bool HiveDocument::removeKey(Node* node) {
  if (!node || node == root_.get() || !node->children.empty()) return false;
  if (node->section) {
    for (auto it = sections_.begin(); it != sections_.end(); ++it)
      if (&*it == node->section) {
        sections_.erase(it);
        break;
      }
  }
  Node* parent = node->parent;
  parent->children.erase(foldName(node->name));
  // A parent that had no lines of its own lived only through this child:
  // give it a key line so that it still exists when the file is read again.
  if (parent != root_.get() && parent->children.empty() && !parent->section) addSection(parent);
  return true;
}

const StoredValue* HiveDocument::getValue(const Node* node, std::string_view name) const {
  if (!node || !node->section) return nullptr;
  const Line* l = lineOf(*node->section, name);
  return l ? &l->value : nullptr;
}

std::vector<const StoredValue*> HiveDocument::values(const Node* node) const {
  std::vector<const StoredValue*> out;
  if (!node || !node->section) return out;
  for (const Line& l : node->section->lines)
    if (l.isValue) out.push_back(&l.value);
  return out;
}

std::size_t HiveDocument::valueCount(const Node* node) const {
  if (!node || !node->section) return 0;
  buildIndex(*node->section);
  return node->section->valueLines.size();
}

const StoredValue* HiveDocument::valueAt(const Node* node, std::size_t index) const {
  if (index >= valueCount(node)) return nullptr;
  return &node->section->lines[node->section->valueLines[index]].value;
}

namespace {

// Gives a changed value its new data; false when it already had it.
bool assign(HiveDocument::Line& l, const StoredValue& value) {
  if (l.value.type == value.type && l.value.data == value.data) return false;
  l.value.type = value.type;
  l.value.data = value.data;  // the name keeps the case it was stored with
  l.raw = formatValue(l.value);
  return true;
}

HiveDocument::Line valueLine(const StoredValue& value) {
  HiveDocument::Line l;
  l.isValue = true;
  l.value = value;
  l.raw = formatValue(value);
  return l;
}

// Moves the lines from `first` on (new values appended at the end) in
// front of the section's trailing blank lines.
void placeNewLines(HiveDocument::Section& s, std::size_t first) {
  std::size_t at = first;
  while (at > 0 && isBlank(s.lines[at - 1].raw)) --at;
  std::string& before = at > 0 ? s.lines[at - 1].raw : s.header;
  if (!before.ends_with("\n")) before += '\n';  // a key line may end the file
  std::rotate(s.lines.begin() + static_cast<std::ptrdiff_t>(at),
              s.lines.begin() + static_cast<std::ptrdiff_t>(first), s.lines.end());
}

}  // namespace

bool HiveDocument::setValue(Node* node, const StoredValue& value) {
  Section* s = node->section ? node->section : addSection(node);
  buildIndex(*s);
  if (auto it = s->byName.find(foldName(value.name)); it != s->byName.end())
    return assign(s->lines[it->second], value);
  const std::size_t first = s->lines.size();
  s->lines.push_back(valueLine(value));
  placeNewLines(*s, first);
  s->indexed = false;
  return true;
}

bool HiveDocument::deleteValue(Node* node, std::string_view name) {
  if (!node || !node->section) return false;
  Section& s = *node->section;
  buildIndex(s);
  auto it = s.byName.find(foldName(name));
  if (it == s.byName.end()) return false;
  s.lines.erase(s.lines.begin() + static_cast<std::ptrdiff_t>(it->second));
  s.indexed = false;
  return true;
}

bool HiveDocument::changeValues(Node* node, const std::vector<ValueChange>& changes,
                                std::vector<bool>& done) {
  done.assign(changes.size(), false);
  if (!node || changes.empty()) return false;
  const bool anySet =
      std::any_of(changes.begin(), changes.end(), [](const ValueChange& c) { return !c.remove; });
  if (!node->section && !anySet) return false;
  Section& s = node->section ? *node->section : *addSection(node);
  // Every line of each name, in file order: a file may repeat a name, and
  // deleting the first makes the next one the value, as deleteValue does.
  struct Slots {
    std::vector<std::size_t> lines;
    std::size_t head = 0;
  };
  std::unordered_map<std::string, Slots> byName;
  for (std::size_t i = 0; i < s.lines.size(); ++i)
    if (s.lines[i].isValue) byName[foldName(s.lines[i].value.name)].lines.push_back(i);
  // Deleted lines are marked and dropped in one pass at the end; new values
  // go to the end meanwhile and are then moved before the trailing blanks.
  const std::size_t first = s.lines.size();
  std::vector<bool> gone(first, false);
  bool changed = false;
  for (std::size_t k = 0; k < changes.size(); ++k) {
    const ValueChange& c = changes[k];
    Slots& slots = byName[foldName(c.value.name)];
    const bool present = slots.head < slots.lines.size();
    if (c.remove) {
      if (!present) continue;
      gone[slots.lines[slots.head++]] = true;
      done[k] = changed = true;
    } else if (present) {
      done[k] = assign(s.lines[slots.lines[slots.head]], c.value);
      changed = changed || done[k];
    } else {
      slots.lines.push_back(s.lines.size());
      s.lines.push_back(valueLine(c.value));
      gone.push_back(false);
      done[k] = changed = true;
    }
  }
  if (!changed) return false;
  std::size_t kept = 0, keptOld = 0;
  for (std::size_t i = 0; i < s.lines.size(); ++i) {
    if (gone[i]) continue;
    if (kept != i) s.lines[kept] = std::move(s.lines[i]);
    ++kept;
    if (i < first) keptOld = kept;
  }
  s.lines.resize(kept);
  if (kept > keptOld) placeNewLines(s, keptOld);
  s.indexed = false;
  return true;
}

}  // namespace reg
