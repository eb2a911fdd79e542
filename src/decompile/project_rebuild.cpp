#include "decompile/project_rebuild.h"

#include <algorithm>
#include <cstdio>

#include "chmfiles/help_code_page.h"
#include "chmfiles/ivb_idxhdr.h"
#include "chmfiles/system_file.h"
#include "chmfiles/topic_tables.h"
#include "common/messages.h"
#include "common/string_utils.h"
#include "its/element_walk.h"
#include "its/text_file.h"
#include "platform/system/codepage.h"
#include "res/ids.h"
#include "res/strings.h"

using namespace itss;

namespace {

constexpr std::size_t kFlagsRecordMinimum = 28;

// The texts that #WINDOWS, #IVB and the merge list name in #STRINGS are
// repeated into the project, so a small table can name gigabytes of text
// (every entry pointing at one long text). What they may add up to grows
// with the tables that name them, from a start that any real project stays
// far below, and never passes a ceiling.
constexpr std::size_t kTextAllowance = std::size_t{1} << 20;
constexpr std::size_t kTextPerTableByte = 64;
constexpr std::size_t kTextCeiling = std::size_t{32} << 20;
// What a window type or alias line costs besides its texts (its numbers,
// separators and the bookkeeping behind it).
constexpr std::size_t kLineCharge = 64;

std::string formatted(const char* format, std::uint32_t value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, value);
  return buf;
}

std::string signedDecimal(std::uint32_t value) {
  return std::to_string(static_cast<std::int32_t>(value));
}

void quoted(std::string& line, const std::string& text) {
  if (!text.empty()) line += '"' + text + '"';
}

}  // namespace

// The gather walk: system entries are looked at by name and never entered;
// every other stream of non-zero size is a content file.
class ProjectRebuilder::GatherWalk : public ElementAction {
 public:
  explicit GatherWalk(ProjectRebuilder& owner) : owner_(owner) {}

  WalkStep storage(const WalkElement& element) override {
    if (element.isSystemName()) {
      systemEntry(element);
      return WalkStep::Skip;
    }
    return WalkStep::Continue;
  }
  WalkStep stream(const WalkElement& element) override {
    if (element.isSystemName()) {
      systemEntry(element);
    } else {
      owner_.files.add(element.path());
    }
    return WalkStep::Continue;
  }

 private:
  void systemEntry(const WalkElement& element) {
    const std::string& n = element.name;
    if (EqualsNoCase(n, "$FIftiMain")) {
      owner_.fullTextSearch = element.size != 0;
    } else if (EqualsNoCase(n, "#SYSTEM")) {
      owner_.readSystem();
    } else if (EqualsNoCase(n, "#WINDOWS")) {
      owner_.allowTextFor(element.size);
      owner_.readWindows();
    } else if (EqualsNoCase(n, "#IVB")) {
      owner_.allowTextFor(element.size);
      owner_.readIvb();
    }
  }

  ProjectRebuilder& owner_;
};

void ProjectRebuilder::reset() {
  contentsFile.reset();
  indexFile.reset();
  defaultTopic.reset();
  title.reset();
  defaultWindow.reset();
  defaultFont.reset();
  fullTextSearch = false;
  dbcs = false;
  lcid = kUserDefaultLcid;
  lcidFound = false;
  binaryIndex = false;
  binaryToc = false;
  rebuiltContents.clear();
  rebuiltIndex.clear();
  files.clear();
  windows.clear();
  aliases.reset();
  mergeFiles.clear();
  textIncomplete = false;
  filePage_.reset();
  textAllowed_ = kTextAllowance;
  textUsed_ = 0;
}

void ProjectRebuilder::allowTextFor(std::uint64_t tableBytes) {
  const std::uint64_t more = std::min<std::uint64_t>(tableBytes, kTextCeiling) * kTextPerTableByte;
  textAllowed_ =
      static_cast<std::size_t>(std::min<std::uint64_t>(textAllowed_ + more, kTextCeiling));
}

bool ProjectRebuilder::spendText(std::size_t bytes) {
  if (textIncomplete || bytes > textAllowed_ - textUsed_) {
    textIncomplete = true;
    return false;
  }
  textUsed_ += bytes;
  return true;
}

bool ProjectRebuilder::gather(const std::string& sourcePath) {
  if (FAILED(storage_.open(sourcePath.c_str()))) {
    storage_.close();
    prompter_.ask(FormatMessageText(LoadStr(IDS_CANNOT_OPEN), sourcePath), MB_ICONWARNING);
    return false;
  }
  GatherWalk walk(*this);
  const bool ok = walkElements(storage_.root(), std::string(), walk);
  // The code page every reader of the file uses for its texts, which also
  // weighs the titles and names of #STRINGS.
  filePage_ = helpFileCodePage(storage_.root());
  storage_.close();
  return ok;
}

void ProjectRebuilder::readSystem() {
  SystemStream system;
  if (!system.open(storage_.root())) return;
  TableSource strings(storage_.root(), "#STRINGS");
  std::uint16_t code = 0, length = 0;
  while (system.next(code, length)) {
    switch (code) {
      case kSysContentsFile:
        contentsFile = recordText(system.readData());
        break;
      case kSysIndexFile:
        indexFile = recordText(system.readData());
        break;
      case kSysDefaultTopic:
        defaultTopic = recordText(system.readData());
        break;
      case kSysTitle:
        title = recordText(system.readData());
        break;
      case kSysDefaultWindow:
        defaultWindow = recordText(system.readData());
        break;
      case kSysDefaultFont:
        defaultFont = recordText(system.readData());
        break;
      case kSysFlags: {
        const Bytes data = system.readData();
        if (data.size() >= kFlagsRecordMinimum) {
          const SystemFlags flags = decodeSystemFlags(data);
          lcid = flags.lcid;
          lcidFound = true;
          dbcs = flags.dbcs != 0;
        }
        break;
      }
      case kSysIdxHeader: {
        const IdxHeader header = decodeIdxHeader(system.readData());
        if (header.mergeCount != 0) {
          for (std::uint32_t offset : header.mergeFiles) {
            std::string merge = lookupText(strings, offset, kMergeTextLimit);
            if (!spendText(kLineCharge + merge.size())) break;
            mergeFiles.push_back(std::move(merge));
          }
        }
        break;
      }
      // The binary index and binary contents records: a non-zero value says
      // the file was compiled with them, which the project asks for by these
      // two options.
      case kSysBinaryIndex: {
        const Bytes data = system.readData();
        if (data.size() >= 4) binaryIndex = recordValue(data) != 0;
        break;
      }
      case kSysBinaryToc: {
        const Bytes data = system.readData();
        if (data.size() >= 4) binaryToc = recordValue(data) != 0;
        break;
      }
      default:
        system.skipData();
        break;
    }
  }
}

void ProjectRebuilder::readWindows() {
  const std::vector<WindowTypeEntry> entries = readWindowTypes(storage_.root());
  TableSource strings(storage_.root(), "#STRINGS");
  auto text = [&](std::uint32_t offset) {
    return offset == 0 ? std::string() : lookupText(strings, offset, kPageTextLimit);
  };
  for (const WindowTypeEntry& e : entries) {
    RebuiltWindowType w;
    w.entry = e;
    w.name = text(e.name);
    w.caption = text(e.caption);
    w.contentsFile = text(e.contentsFile);
    w.indexFile = text(e.indexFile);
    w.defaultFile = text(e.defaultFile);
    w.homeFile = text(e.homeFile);
    w.jump1Text = text(e.jump1Text);
    w.jump2Text = text(e.jump2Text);
    w.jump1Url = text(e.jump1Url);
    w.jump2Url = text(e.jump2Url);
    const std::size_t bytes = w.name.size() + w.caption.size() + w.contentsFile.size() +
                              w.indexFile.size() + w.defaultFile.size() + w.homeFile.size() +
                              w.jump1Text.size() + w.jump2Text.size() + w.jump1Url.size() +
                              w.jump2Url.size();
    if (!spendText(kLineCharge + bytes)) break;
    windows.push_back(std::move(w));
  }
}

void ProjectRebuilder::readIvb() {
  std::vector<MapEntry> entries;
  if (FAILED(::readIvb(storage_.root(), entries))) return;
  if (!aliases) aliases.emplace();
  TableSource strings(storage_.root(), "#STRINGS");
  for (const MapEntry& m : entries) {
    // Context numbers are written as unsigned decimals, as project files
    // state them.
    std::string line =
        std::to_string(m.topic) + " = " + lookupText(strings, m.file, kPageTextLimit);
    if (!spendText(kLineCharge + line.size())) break;
    aliases->push_back(std::move(line));
  }
}

unsigned ProjectRebuilder::codePage() const {
  if (filePage_) return *filePage_;
  std::vector<std::string_view> samples;
  for (const auto* t : {&title, &contentsFile, &indexFile, &defaultTopic, &defaultWindow})
    if (*t && !(*t)->empty()) samples.push_back(**t);
  for (const RebuiltWindowType& w : windows)
    if (!w.caption.empty()) samples.push_back(w.caption);
  return cp::chooseCodePage(lcid, defaultFont ? fontCharset(*defaultFont) : std::nullopt, samples);
}

namespace {

bool isAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

unsigned ProjectRebuilder::projectCodePage(const std::string& compiledName) const {
  const unsigned page = codePage();
  if (page == cp::kUtf8) return page;
  const std::string header = LoadStr(IDS_PROJECT_HEADER);
  bool fits = cp::toUtf8(cp::fromUtf8(header, page), page) == header && isAscii(compiledName) &&
              isAscii(rebuiltContents) && isAscii(rebuiltIndex);
  for (const char* f : files) fits = fits && isAscii(f);
  auto name = [&](const std::string& bytes) { fits = fits && isAscii(bytes); };
  auto text = [&](const std::string& bytes) {
    fits = fits && (isAscii(bytes) || cp::toUtf8Strict(bytes, page).has_value());
  };
  for (const auto* t : {&contentsFile, &indexFile, &defaultTopic})
    if (*t) name(**t);
  for (const auto* t : {&title, &defaultWindow, &defaultFont})
    if (*t) text(**t);
  for (const RebuiltWindowType& w : windows) {
    for (const std::string* n :
         {&w.contentsFile, &w.indexFile, &w.defaultFile, &w.homeFile, &w.jump1Url, &w.jump2Url})
      name(*n);
    for (const std::string* t : {&w.name, &w.caption, &w.jump1Text, &w.jump2Text}) text(*t);
  }
  if (aliases)
    for (const std::string& a : *aliases) name(a);
  for (const std::string& m : mergeFiles) name(m);
  return fits ? page : cp::kUtf8;
}

std::string ProjectRebuilder::text(const std::string& compiledName) const {
  const unsigned page = codePage();
  const unsigned target = projectCodePage(compiledName);
  // The program's own texts and the names on disk are UTF-8; the file's
  // texts are bytes in its code page.
  auto own = [target](std::string_view utf8) {
    return target == cp::kUtf8 ? std::string(utf8) : cp::fromUtf8(utf8, target);
  };
  auto file = [page, target](const std::string& bytes) {
    return target == page ? bytes : helpTextToUtf8(bytes, page);
  };
  // A value naming one of the content files: the decoding that names it.
  auto isFile = [this](const std::string& utf8) {
    std::string path = utf8;
    std::replace(path.begin(), path.end(), '/', '\\');
    for (const char* f : files)
      if (EqualsNoCase(f, path)) return true;
    return false;
  };
  auto name = [&](const std::string& bytes) {
    return target == page ? bytes : helpNameToUtf8(bytes, page, isFile);
  };
  std::string out;
  auto line = [&out](std::string_view l) {
    out += l;
    out += "\r\n";
  };

  out += own(LoadStr(IDS_PROJECT_HEADER));
  line("[OPTIONS]");
  if (!compiledName.empty()) line("Compiled file=" + own(compiledName));
  const std::pair<const char*, const std::optional<std::string>*> options[] = {
      {"Contents file=", &contentsFile},   {"Index file=", &indexFile},
      {"Default topic=", &defaultTopic},   {"Title=", &title},
      {"Default Window=", &defaultWindow}, {"Default Font=", &defaultFont},
  };
  for (const auto& [key, value] : options) {
    if (*value && !(*value)->empty())
      line(key + (value == &title || value == &defaultFont ? file(**value) : name(**value)));
    else if (value == &contentsFile && !rebuiltContents.empty())
      line(key + own(rebuiltContents));
    else if (value == &indexFile && !rebuiltIndex.empty())
      line(key + own(rebuiltIndex));
  }
  // The language, so that compiling the project again gives the file its
  // language back (a help compiler otherwise takes the machine's).
  if (lcidFound) line(formatted("Language=0x%x", lcid));
  if (fullTextSearch) line("Full-text search=Yes");
  if (dbcs) line("DBCS=Yes");
  if (binaryIndex) line("Binary Index=Yes");
  if (binaryToc) line("Binary TOC=Yes");

  if (!files.empty()) {
    line("\r\n[FILES]");
    for (const char* f : files) line(own(f));
  }

  if (!windows.empty()) {
    line("\r\n[WINDOWS]");
    for (const RebuiltWindowType& w : windows) {
      const WindowTypeEntry& e = w.entry;
      const std::uint32_t valid = e.validMembers;
      std::string l = file(w.name) + "=";
      for (const std::string* t :
           {&w.caption, &w.contentsFile, &w.indexFile, &w.defaultFile, &w.homeFile, &w.jump1Url,
            &w.jump1Text, &w.jump2Url, &w.jump2Text}) {
        const bool text = t == &w.caption || t == &w.jump1Text || t == &w.jump2Text;
        quoted(l, text ? file(*t) : name(*t));
        l += ',';
      }
      if (valid & kWinValidProperties) l += formatted("0x%x", e.properties);
      l += ',';
      if (valid & kWinValidNavWidth) l += signedDecimal(e.navWidth);
      l += ',';
      if (valid & kWinValidButtons) l += formatted("0x%x", e.buttons);
      l += ',';
      const WindowRect& r = e.position;
      if (r.left != 0 || r.top != 0 || r.right != 0 || r.bottom != 0) {
        l += "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
             std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
      }
      l += ',';
      if (valid & kWinValidStyles) l += formatted("0x%x", e.styles);
      l += ',';
      if (valid & kWinValidExStyles) l += formatted("0x%x", e.exStyles);
      l += ',';
      if (valid & kWinValidShowState) l += formatted("%u", e.showState);
      l += ',';
      if (valid & kWinValidExpansion) l += formatted("%u", e.navClosed);
      l += ',';
      if (valid & kWinValidCurrentTab) l += formatted("%u", e.currentTab);
      l += ',';
      if (valid & kWinValidTabPosition) l += formatted("%u", e.tabPosition);
      l += ',';
      line(l);
    }
  }

  if (aliases && !aliases->empty()) {
    line("\r\n[ALIAS]");
    for (const std::string& a : *aliases) line(file(a));
  }
  if (!mergeFiles.empty()) {
    line("\r\n[MERGE FILES]");
    for (const std::string& m : mergeFiles) line(name(m));
  }
  return out;
}

bool ProjectRebuilder::write(const std::string& projectPath, const std::string& compiledName) {
  // Never in place of a file that appeared since the caller looked.
  TextFile file;
  if (!file.openWrite(projectPath, false)) {
    prompter_.ask(FormatMessageText(LoadStr(IDS_CANNOT_OPEN), projectPath), MB_ICONWARNING);
    return false;
  }
  file.write(text(compiledName));
  if (!file.close()) {
    prompter_.ask(FormatMessageText(LoadStr(IDS_CANNOT_CREATE_FILE), projectPath), MB_ICONWARNING);
    return false;
  }
  return true;
}
