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
      std::string logical(line);
      while (i < lines.size() && trimEnd(logical).ends_with("\\") && isHexContinuation(lines[i])) {
        logical = std::string(trimEnd(logical));
        logical.pop_back();
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
  std::string path;
  for (; node && node->parent; node = node->parent)
    path = path.empty() ? node->name : node->name + "\\" + path;
  return path;
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
  std::string folded = foldName(name);
  for (const Line& l : node->section->lines)
    if (l.isValue && foldName(l.value.name) == folded) return &l.value;
  return nullptr;
}

std::vector<const StoredValue*> HiveDocument::values(const Node* node) const {
  std::vector<const StoredValue*> out;
  if (!node || !node->section) return out;
  for (const Line& l : node->section->lines)
    if (l.isValue) out.push_back(&l.value);
  return out;
}

bool HiveDocument::setValue(Node* node, const StoredValue& value) {
  Section* s = node->section ? node->section : addSection(node);
  std::string folded = foldName(value.name);
  for (Line& l : s->lines) {
    if (l.isValue && foldName(l.value.name) == folded) {
      if (l.value.type == value.type && l.value.data == value.data) return false;
      l.value.type = value.type;
      l.value.data = value.data;  // the name keeps the case it was stored with
      l.raw = formatValue(l.value);
      return true;
    }
  }
  Line l;
  l.isValue = true;
  l.value = value;
  l.raw = formatValue(value);
  std::size_t at = s->lines.size();
  while (at > 0 && isBlank(s->lines[at - 1].raw)) --at;
  std::string& before = at > 0 ? s->lines[at - 1].raw : s->header;
  if (!before.ends_with("\n")) before += '\n';  // a key line may end the file
  s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(l));
  return true;
}

bool HiveDocument::deleteValue(Node* node, std::string_view name) {
  if (!node || !node->section) return false;
  std::string folded = foldName(name);
  auto& lines = node->section->lines;
  for (auto it = lines.begin(); it != lines.end(); ++it)
    if (it->isValue && foldName(it->value.name) == folded) {
      lines.erase(it);
      return true;
    }
  return false;
}

}  // namespace reg
