#include "compile/project_file.h"

#include <algorithm>

#include "chmfiles/help_code_page.h"
#include "common/string_utils.h"
#include "platform/system/atomic_file.h"
#include "platform/system/codepage.h"

namespace {

constexpr std::uint32_t kDefaultLcid = 0x409;

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == 0x1A))
    s.remove_suffix(1);
  return s;
}

// Splits on commas outside double quotes and square brackets.
std::vector<std::string> splitFields(std::string_view s) {
  std::vector<std::string> out(1);
  bool quoted = false;
  int depth = 0;
  for (char c : s) {
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == '[') {
      ++depth;
    } else if (!quoted && c == ']') {
      if (depth > 0) --depth;
    } else if (!quoted && depth == 0 && c == ',') {
      out.emplace_back();
      continue;
    }
    out.back() += c;
  }
  return out;
}

std::optional<std::string> stringField(const std::vector<std::string>& f, std::size_t i) {
  if (i >= f.size()) return std::nullopt;
  std::string_view v = trimmed(f[i]);
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  if (v.empty()) return std::nullopt;
  return std::string(v);
}

std::optional<std::uint32_t> numberField(const std::vector<std::string>& f, std::size_t i) {
  if (i >= f.size()) return std::nullopt;
  return parseProjectNumber(trimmed(f[i]));
}

}  // namespace

std::optional<std::uint32_t> parseProjectNumber(std::string_view t) {
  t = trimmed(t);
  while (!t.empty() && (t.back() == 'L' || t.back() == 'l' || t.back() == 'U' || t.back() == 'u'))
    t.remove_suffix(1);
  bool negative = false;
  if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  unsigned base = 10;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.remove_prefix(2);
  }
  if (t.empty()) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : t) {
    unsigned d;
    if (c >= '0' && c <= '9')
      d = static_cast<unsigned>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = static_cast<unsigned>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = static_cast<unsigned>(c - 'A' + 10);
    else
      return std::nullopt;
    v = v * base + d;
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  const auto value = static_cast<std::uint32_t>(v);
  return negative ? static_cast<std::uint32_t>(0u - value) : value;
}

bool ProjectFile::read(const std::string& path, std::string& error) {
  // Only a regular file: a FIFO or a device would block the read.
  std::string text;
  if (!sysfile::readRegularFile(path, text)) {
    error = "cannot read";
    return false;
  }
  parse(text, path);
  return true;
}

void ProjectFile::parse(std::string_view text, const std::string& path) {
  path_ = path;
  const std::size_t slash = path.rfind('/');
  folder_ = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  options.clear();
  for (auto* v :
       {&files, &windowLines, &alias, &map, &textPopups, &mergeFiles, &infoTypes, &otherSections})
    v->clear();
  utf8_ = false;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    text.remove_prefix(3);
    utf8_ = true;
  }

  std::vector<ProjectLine>* section = nullptr;
  bool inOptions = false;
  unsigned number = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view raw = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    const std::string_view l = trimmed(raw);
    if (l.empty() || l.front() == ';') continue;
    if (l.front() == '[' && l.back() == ']') {
      const std::string_view name = trimmed(l.substr(1, l.size() - 2));
      inOptions = EqualsNoCase(name, "OPTIONS");
      section = nullptr;
      const std::pair<const char*, std::vector<ProjectLine>*> known[] = {
          {"FILES", &files},
          {"WINDOWS", &windowLines},
          {"ALIAS", &alias},
          {"MAP", &map},
          {"TEXT POPUPS", &textPopups},
          {"MERGE FILES", &mergeFiles},
          {"INFOTYPES", &infoTypes}};
      for (const auto& [n, target] : known)
        if (EqualsNoCase(name, n)) section = target;
      if (!inOptions && !section) {
        otherSections.push_back({std::string(l), number});
        section = nullptr;
      }
      continue;
    }
    if (inOptions) {
      const std::size_t eq = l.find('=');
      if (eq == std::string_view::npos) {
        options.push_back({std::string(l), std::string(), number});
      } else {
        options.push_back({std::string(trimmed(l.substr(0, eq))),
                           std::string(trimmed(l.substr(eq + 1))), number});
      }
    } else if (section) {
      section->push_back({std::string(l), number});
    }
  }
  chooseEncoding(text);
}

void ProjectFile::chooseEncoding(std::string_view text) {
  bool beyondAscii = false;
  for (char c : text) beyondAscii = beyondAscii || static_cast<unsigned char>(c) >= 0x80;
  if (!utf8_) utf8_ = beyondAscii && cp::isValidUtf8(text);
  std::optional<int> charset;
  if (const ProjectOption* font = option("Default Font")) charset = fontCharset(font->value);
  // The texts a rebuilt project carries from its compiled file, so that
  // names convert back in the code page they were written in.
  std::vector<std::string> captions;
  std::vector<std::string_view> samples;
  for (const char* key :
       {"Title", "Contents file", "Index file", "Default topic", "Default Window"})
    if (const ProjectOption* o = option(key); o && !o->value.empty()) captions.push_back(o->value);
  for (const ProjectLine& w : windowLines) {
    ProjectWindow parsed;
    if (parseWindowLine(w, parsed) && parsed.caption) captions.push_back(*parsed.caption);
  }
  if (!utf8_)
    for (const std::string& c : captions) samples.push_back(c);
  codePage_ = cp::chooseCodePage(lcid(), charset, samples);
  if (codePage_ == cp::kUtf8 && !utf8_) codePage_ = 1252;
  if (!cp::isSupported(codePage_)) codePage_ = 1252;
  // A UTF-8 project with East Asian texts that the language's code page
  // cannot hold (a file marked Western with Chinese names, decompiled): the
  // first double-byte code page that holds them all, as the file held them.
  const auto fits = [](const std::string& t, unsigned page) {
    return cp::toUtf8(cp::fromUtf8(t, page), page) == t;
  };
  const auto holds = [&](unsigned page) {
    return std::all_of(captions.begin(), captions.end(),
                       [&](const std::string& t) { return fits(t, page); });
  };
  const auto eastAsian = [](const std::string& t) {
    for (std::size_t i = 0; i < t.size();) {
      char32_t c = 0;
      const std::size_t n = cp::decodeUtf8(t, i, c);
      if (n == 0) return false;
      if (c >= 0x2E80) return true;  // CJK radicals onward
      i += n;
    }
    return false;
  };
  const bool foreign = std::any_of(captions.begin(), captions.end(), [&](const std::string& t) {
    return !fits(t, codePage_) && eastAsian(t);
  });
  if (utf8_ && !charset && foreign) {
    for (unsigned page : {936u, 950u, 932u, 949u})
      if (holds(page)) {
        codePage_ = page;
        break;
      }
  }
}

const ProjectOption* ProjectFile::option(std::string_view key) const {
  const ProjectOption* found = nullptr;
  for (const ProjectOption& o : options)
    if (EqualsNoCase(o.key, key)) found = &o;
  return found;
}

std::string ProjectFile::optionText(std::string_view key) const {
  const ProjectOption* o = option(key);
  return o ? o->value : std::string();
}

bool ProjectFile::optionYes(std::string_view key) const {
  const ProjectOption* o = option(key);
  if (!o) return false;
  if (EqualsNoCase(o->value, "Yes") || EqualsNoCase(o->value, "True")) return true;
  const auto n = parseProjectNumber(o->value);
  return n && *n != 0;
}

std::uint32_t ProjectFile::lcid() const {
  const ProjectOption* o = option("Language");
  if (!o || o->value.empty()) return kDefaultLcid;
  // "0x804 Chinese (PRC)": the number, then a name for people.
  const std::size_t end = o->value.find_first_of(" \t");
  return parseProjectNumber(o->value.substr(0, end)).value_or(kDefaultLcid);
}

std::string ProjectFile::toUtf8(std::string_view raw) const {
  return utf8_ ? std::string(raw) : cp::toUtf8(raw, codePage_);
}

std::string ProjectFile::toHelpText(std::string_view raw) const {
  return utf8_ ? cp::fromUtf8(raw, codePage_) : std::string(raw);
}

bool parseWindowLine(const ProjectLine& line, ProjectWindow& w) {
  const std::size_t eq = line.text.find('=');
  if (eq == std::string::npos) return false;
  w = ProjectWindow();
  w.line = line.line;
  w.name = std::string(trimmed(std::string_view(line.text).substr(0, eq)));
  if (w.name.size() >= 2 && w.name.front() == '"' && w.name.back() == '"')
    w.name = w.name.substr(1, w.name.size() - 2);
  if (w.name.empty()) return false;
  const std::vector<std::string> f = splitFields(std::string_view(line.text).substr(eq + 1));
  w.caption = stringField(f, 0);
  w.contentsFile = stringField(f, 1);
  w.indexFile = stringField(f, 2);
  w.defaultFile = stringField(f, 3);
  w.homeFile = stringField(f, 4);
  w.jump1Url = stringField(f, 5);
  w.jump1Text = stringField(f, 6);
  w.jump2Url = stringField(f, 7);
  w.jump2Text = stringField(f, 8);
  w.properties = numberField(f, 9);
  w.navWidth = numberField(f, 10);
  w.buttons = numberField(f, 11);
  if (f.size() > 12) {
    std::string_view r = trimmed(f[12]);
    if (r.size() >= 2 && r.front() == '[' && r.back() == ']') {
      std::vector<std::string> parts = splitFields(r.substr(1, r.size() - 2));
      if (parts.size() == 4) {
        std::optional<std::uint32_t> v[4];
        for (int i = 0; i < 4; ++i) v[i] = parseProjectNumber(trimmed(parts[i]));
        if (v[0] && v[1] && v[2] && v[3]) {
          w.left = static_cast<std::int32_t>(*v[0]);
          w.top = static_cast<std::int32_t>(*v[1]);
          w.right = static_cast<std::int32_t>(*v[2]);
          w.bottom = static_cast<std::int32_t>(*v[3]);
        }
      }
    }
  }
  w.styles = numberField(f, 13);
  w.exStyles = numberField(f, 14);
  w.showState = numberField(f, 15);
  w.navClosed = numberField(f, 16);
  w.currentTab = numberField(f, 17);
  w.tabPosition = numberField(f, 18);
  return true;
}

void parseDefines(std::string_view text, unsigned firstLine, std::vector<MapDefinition>& out,
                  std::vector<ProjectLine>* bad) {
  unsigned number = firstLine;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view l = trimmed(text.substr(pos, end - pos));
    pos = end + 1;
    const unsigned lineNo = number++;
    if (l.substr(0, 1) != "#") continue;
    l = trimmed(l.substr(1));
    if (l.substr(0, 6) != "define" || l.size() == 6 || (l[6] != ' ' && l[6] != '\t')) continue;
    l = trimmed(l.substr(6));
    std::size_t sp = 0;
    while (sp < l.size() && l[sp] != ' ' && l[sp] != '\t') ++sp;
    const std::string_view name = l.substr(0, sp);
    std::string_view value = trimmed(l.substr(sp));
    // A trailing comment: "#define IDH_X 100 // the X dialog".
    if (const std::size_t c = value.find("//"); c != std::string_view::npos)
      value = trimmed(value.substr(0, c));
    if (const std::size_t c = value.find("/*"); c != std::string_view::npos)
      value = trimmed(value.substr(0, c));
    if (value.size() >= 2 && value.front() == '(' && value.back() == ')')
      value = trimmed(value.substr(1, value.size() - 2));
    const auto n = parseProjectNumber(value);
    if (name.empty() || !n) {
      if (bad) bad->push_back({std::string(l), lineNo});
      continue;
    }
    out.push_back({std::string(name), *n, lineNo});
  }
}
