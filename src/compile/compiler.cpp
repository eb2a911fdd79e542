#include "compile/compiler.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <filesystem>
#include <map>
#include <new>
#include <set>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include "chmfiles/html_text.h"
#include "common/messages.h"
#include "common/string_utils.h"
#include "compile/binary_tables.h"
#include "compile/fulltext_index.h"
#include "compile/html_scan.h"
#include "compile/project_file.h"
#include "compile/table_writers.h"
#include "its/its_storage.h"
#include "its/text_helpers.h"
#include "platform/itss/com_ptr.h"
#include "platform/system/atomic_file.h"
#include "platform/system/codepage.h"
#include "res/ids.h"
#include "res/strings.h"

const char* const kCompilerVersionText = "Wrenlow Help Compiler 1";

namespace {

// Window-type member flags for the fields a project line can set.
constexpr std::uint32_t kValidProperties = 0x2;
constexpr std::uint32_t kValidStyles = 0x4;
constexpr std::uint32_t kValidExStyles = 0x8;
constexpr std::uint32_t kValidRect = 0x10;
constexpr std::uint32_t kValidNavWidth = 0x20;
constexpr std::uint32_t kValidShowState = 0x40;
constexpr std::uint32_t kValidButtons = 0x100;
constexpr std::uint32_t kValidExpansion = 0x200;
constexpr std::uint32_t kValidTabPosition = 0x400;
constexpr std::uint32_t kValidCurrentTab = 0x2000;

// The directory block size of the files we write (the LZX parameters come
// with the options).
constexpr std::uint32_t kDirectoryBlockSize = 4096;

// Files that are stored without being looked into go from disk to the
// compiled file in pieces of this size: no file is held whole in memory.
constexpr std::size_t kCopyPiece = 1u << 20;

bool isPageName(std::string_view name) {
  return extensionIs(name, ".htm") || extensionIs(name, ".html") || extensionIs(name, ".xhtml") ||
         extensionIs(name, ".shtml");
}
bool isSitemapName(std::string_view name) {
  return extensionIs(name, ".hhc") || extensionIs(name, ".hhk");
}

std::string folded(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// "a/./b/../c" → "a/c"; false when ".." climbs above the start.
bool normalise(std::string_view path, std::string& out) {
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t end = path.find('/', pos);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (parts.empty()) return false;
      parts.pop_back();
      continue;
    }
    parts.emplace_back(part);
  }
  out.clear();
  for (const std::string& p : parts) {
    if (!out.empty()) out += '/';
    out += p;
  }
  return !out.empty();
}

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

// Opens a regular file for reading; -1 for anything else (a folder, a FIFO,
// a device), which is never waited on. size gets the file's size.
int openRegular(const std::string& path, std::uint64_t& size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  size = static_cast<std::uint64_t>(st.st_size);
  return fd;
}

// Reads up to n bytes; fewer only at the end of the file, -1 when a read fails.
std::int64_t readUpTo(int fd, char* buffer, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    const ssize_t r = ::read(fd, buffer + got, n - got);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;
    got += static_cast<std::size_t>(r);
  }
  return static_cast<std::int64_t>(got);
}

}  // namespace

ReadStatus readOpenFile(int fd, std::uint64_t size, std::string& out) {
  out.clear();
  try {
    out.resize(size);
    const std::int64_t got = readUpTo(fd, out.data(), out.size());
    if (got < 0 || static_cast<std::uint64_t>(got) < size) {
      std::string().swap(out);
      return ReadStatus::Incomplete;
    }
    // A file that grew since its size was taken is read to its end.
    std::vector<char> more(1u << 16);
    for (;;) {
      const std::int64_t n = readUpTo(fd, more.data(), more.size());
      if (n < 0) {
        std::string().swap(out);
        return ReadStatus::Incomplete;
      }
      out.append(more.data(), static_cast<std::size_t>(n));
      if (static_cast<std::size_t>(n) < more.size()) break;
    }
  } catch (const std::bad_alloc&) {
    std::string().swap(out);
    return ReadStatus::NoMemory;
  } catch (const std::length_error&) {
    std::string().swap(out);
    return ReadStatus::NoMemory;
  }
  return ReadStatus::Ok;
}

ReadStatus readWholeFile(const std::string& path, std::string& out) {
  std::uint64_t size = 0;
  const FdCloser file{openRegular(path, size)};
  if (file.fd < 0) {
    out.clear();
    return ReadStatus::CannotOpen;
  }
  return readOpenFile(file.fd, size, out);
}

namespace {

bool isRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Finds a file the way a case-blind file system would: each part of rel
// matched exactly, else without regard to the case of A-Z. Listings are
// kept for the run.
class CaseBlindFinder {
 public:
  // The path of the file under folder, or "" when there is none.
  std::string find(const std::string& folder, const std::string& rel) {
    if (isRegularFile(folder + rel)) return folder + rel;
    std::string dir = folder;
    std::size_t pos = 0;
    while (pos < rel.size()) {
      std::size_t end = rel.find('/', pos);
      const bool last = end == std::string::npos;
      if (last) end = rel.size();
      const std::string part = rel.substr(pos, end - pos);
      pos = end + 1;
      const std::string match = lookup(dir, part);
      if (match.empty()) return std::string();
      dir += match;
      if (!last) dir += '/';
    }
    return isRegularFile(dir) ? dir : std::string();
  }

 private:
  std::string lookup(const std::string& dir, const std::string& part) {
    auto it = listings_.find(dir);
    if (it == listings_.end()) {
      std::vector<std::string> names;
      if (DIR* d = ::opendir(dir.empty() ? "." : dir.c_str())) {
        while (const dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
        ::closedir(d);
      }
      it = listings_.emplace(dir, std::move(names)).first;
    }
    for (const std::string& n : it->second)
      if (n == part) return n;
    for (const std::string& n : it->second)
      if (sameNoCase(n, part)) return n;
    return std::string();
  }

  std::unordered_map<std::string, std::vector<std::string>> listings_;
};

// One content file of the compiled file.
struct ContentFile {
  std::string internal;  // project-relative, "/" separators, UTF-8
  std::string local;     // where it is read from
};

// A page, sitemap or style sheet as read, and the links it holds as written.
struct ScannedFile {
  ReadStatus read = ReadStatus::CannotOpen;
  std::string bytes;
  std::vector<std::string> links;
};

void scanFile(const ContentFile& f, ScannedFile& out) {
  out.read = readWholeFile(f.local, out.bytes);
  if (out.read != ReadStatus::Ok) return;
  if (extensionIs(f.internal, ".css"))
    styleLinks(out.bytes, out.links);
  else
    pageLinks(out.bytes, out.links);
}

// Calls work(i) once for every i below n, on up to one thread per core.
template <class Work>
void onEveryCore(std::size_t n, Work work) {
  const std::size_t threads =
      std::min<std::size_t>(n, std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
  std::atomic<std::size_t> next{0};
  auto loop = [&] {
    for (std::size_t i = next++; i < n; i = next++) work(i);
  };
  std::vector<std::thread> helpers;
  try {
    while (helpers.size() + 1 < threads) helpers.emplace_back(loop);
  } catch (const std::system_error&) {
    // Fewer helpers: this thread does the rest.
  }
  loop();
  for (std::thread& t : helpers) t.join();
}

class Compiler {
 public:
  Compiler(const CompileOptions& options, ResultSink& sink) : options_(options), sink_(sink) {}
  CompileResult run();

 private:
  void warn(unsigned id, std::string_view arg, unsigned line = 0) {
    report(IDS_COMPILE_WARNING, id, arg, line);
    ++result_.warnings;
  }
  void error(unsigned id, std::string_view arg, unsigned line = 0) {
    report(IDS_COMPILE_ERROR, id, arg, line);
    ++result_.errors;
  }
  void report(unsigned kind, unsigned id, std::string_view arg, unsigned line);
  // Reads a file the compiled file is made from; false when it cannot. A
  // file read only in part, or not at all for want of memory, is an error
  // that stops the compile; one that cannot be opened is the caller's to
  // report.
  bool readInput(const std::string& local, std::string_view shown, std::string& out,
                 unsigned line = 0);
  void readFailed(ReadStatus status, std::string_view shown, unsigned line);
  // Says so, once per file, when a file is read from outside the project's
  // folder.
  void noteInput(const std::string& local, unsigned line = 0);
  // The compiled file and the error log: never a file the run reads, and
  // where the project names them, inside its folder.
  bool checkOutputs();
  void writeLog();

  void readOptions();
  void gatherFiles();
  bool addFile(std::string_view rawName, unsigned line, bool warnMissing);
  void addLinked(const ContentFile& from, std::vector<std::string>& links);
  void readMap();
  void readAliases();
  void readWindows();
  std::optional<std::string> topicTitle(const std::string& page) const;
  std::string stopListFile() const;
  void readStopList(FullTextIndex& index);
  std::optional<std::string> sitemapFor(const char* binaryKey, bool contents, std::string& name);
  bool write();

  const CompileOptions& options_;
  ResultSink& sink_;
  CompileResult result_;
  ProjectFile project_;
  std::string projectName_;          // for messages
  std::string logPath_;              // the error log, when the project asks for one
  std::string logText_;              // the lines it gets
  bool inputFailed_ = false;         // a file was read only in part: nothing is written
  std::vector<std::string> inputs_;  // every file read besides the project
  std::set<std::string> outside_;    // files read from outside the folder, as reported

  std::vector<ContentFile> files_;
  std::set<std::string> known_;  // folded internal names
  std::map<std::string, std::string>
      bytes_;                       // internal name → content, pages and style sheets only
  mutable CaseBlindFinder finder_;  // a cache of folder listings

  std::map<std::string, MapDefinition> defines_;
  std::vector<std::pair<std::uint32_t, std::string>> aliases_;  // number, file text
  std::vector<ProjectWindow> windows_;
  bool compatibility10_ = false;
};

void Compiler::report(unsigned kind, unsigned id, std::string_view arg, unsigned line) {
  std::string text;
  if (line != 0) text = projectName_ + "(" + std::to_string(line) + "): ";
  text += LoadStr(kind);
  text += " C" + std::to_string(id) + ": ";
  text += FormatMessageText(LoadStr(id), arg);
  sink_.appendLine(text);
  logText_ += text;
  logText_ += '\n';
}

bool Compiler::readInput(const std::string& local, std::string_view shown, std::string& out,
                         unsigned line) {
  const ReadStatus status = readWholeFile(local, out);
  if (status == ReadStatus::Ok) return true;
  readFailed(status, shown, line);
  return false;
}

void Compiler::readFailed(ReadStatus status, std::string_view shown, unsigned line) {
  if (status == ReadStatus::Ok || status == ReadStatus::CannotOpen) return;
  error(status == ReadStatus::NoMemory ? IDS_READ_NO_MEMORY : IDS_READ_INCOMPLETE, shown, line);
  inputFailed_ = true;
}

void Compiler::noteInput(const std::string& local, unsigned line) {
  inputs_.push_back(local);
  if (IsWithinFolder(local, project_.folder())) return;
  std::error_code ec;
  const std::string real = std::filesystem::weakly_canonical(local, ec).string();
  if (outside_.insert(ec ? local : real).second)
    warn(IDS_READ_OUTSIDE_PROJECT, ec ? local : real, line);
}

bool Compiler::checkOutputs() {
  const std::string& output = result_.outputPath;
  if (options_.outputPath.empty() && !project_.optionText("Compiled file").empty() &&
      !IsWithinFolder(output, project_.folder())) {
    error(IDS_OUTPUT_OUTSIDE_PROJECT, output);
    return false;
  }
  const auto isInput = [this](const std::string& path) {
    if (SamePath(path, options_.projectPath)) return true;
    for (const std::string& in : inputs_)
      if (SamePath(path, in)) return true;
    return false;
  };
  if (!logPath_.empty()) {
    if (!IsWithinFolder(logPath_, project_.folder())) {
      warn(IDS_LOG_OUTSIDE_PROJECT, logPath_);
      logPath_.clear();
    } else if (isInput(logPath_) || SamePath(logPath_, output)) {
      warn(IDS_LOG_IS_INPUT, logPath_);
      logPath_.clear();
    }
  }
  if (isInput(output)) {
    error(IDS_OUTPUT_IS_INPUT, output);
    return false;
  }
  return true;
}

void Compiler::writeLog() {
  if (logPath_.empty()) return;
  // Said on the screen only: the log is what could not be written.
  if (!sysfile::writeFileAtomically(logPath_, logText_)) warn(IDS_LOG_CANNOT_WRITE, logPath_);
}

void Compiler::readOptions() {
  static const char* const known[] = {"Compiled file",
                                      "Contents file",
                                      "Index file",
                                      "Default topic",
                                      "Default Window",
                                      "Title",
                                      "Language",
                                      "Default Font",
                                      "Full-text search",
                                      "Binary TOC",
                                      "Binary Index",
                                      "Compatibility",
                                      "Auto Index",
                                      "Display compile progress",
                                      "Display compile notes",
                                      "Error log file",
                                      "DBCS",
                                      "Full text search stop list file"};
  for (const ProjectOption& o : project_.options) {
    bool isKnown = false;
    for (const char* k : known) isKnown = isKnown || EqualsNoCase(o.key, k);
    if (!isKnown) warn(IDS_COMPILE_UNKNOWN_OPTION, project_.toUtf8(o.key), o.line);
  }
  compatibility10_ = project_.optionText("Compatibility").substr(0, 3) == "1.0";
  const std::string logName = project_.optionText("Error log file");
  if (!logName.empty()) {
    std::string rel = project_.toUtf8(logName);
    slashes(rel);
    logPath_ = FullPathName(rel.front() == '/' ? rel : project_.folder() + rel);
  }
}

bool Compiler::addFile(std::string_view rawName, unsigned line, bool warnMissing) {
  if (rawName.size() >= 2 && rawName.front() == '"' && rawName.back() == '"')
    rawName = rawName.substr(1, rawName.size() - 2);
  // The name in the project's code page; a project whose language says one
  // thing while its names are written in another (GBK names under 0x409)
  // still finds its files under the code page that decodes them.
  std::vector<std::string> candidates{project_.toUtf8(rawName)};
  if (!project_.utf8()) {
    if (cp::isValidUtf8(rawName)) candidates.emplace_back(rawName);
    for (unsigned page : {936u, 950u, 932u, 949u})
      if (auto t = cp::toUtf8Strict(rawName, page)) candidates.push_back(*t);
  }
  for (std::string& name : candidates) {
    slashes(name);
    std::string internal, local;
    if (name.find(':') != std::string::npos) continue;  // a drive or a URL
    if (!name.empty() && name.front() == '/') {
      // An absolute path: stored under its file name.
      if (isRegularFile(name)) local = name;
      internal = std::string(fileNamePart(name));
    } else if (normalise(name, internal)) {
      local = finder_.find(project_.folder(), internal);
    } else if (!name.empty()) {
      // Outside the project folder: read from there, stored under its name.
      if (isRegularFile(project_.folder() + name)) local = project_.folder() + name;
      internal = std::string(fileNamePart(name));
    }
    if (local.empty() || internal.empty()) continue;
    if (known_.insert(folded(internal)).second) files_.push_back({internal, local});
    return true;
  }
  if (warnMissing) warn(IDS_COMPILE_FILE_MISSING, candidates.front(), line);
  return false;
}

// Adds the files a page or style sheet links to, relative to its folder.
void Compiler::addLinked(const ContentFile& from, std::vector<std::string>& links) {
  const std::size_t slash = from.internal.rfind('/');
  const std::string base =
      slash == std::string::npos ? std::string() : from.internal.substr(0, slash + 1);
  for (std::string& link : links) {
    if (!isLocalLink(link)) continue;
    // Links in code-page pages are bytes of that page; names are UTF-8 here.
    if (!cp::isValidUtf8(link)) link = cp::toUtf8(link, project_.codePage());
    slashes(link);
    std::string internal;
    if (!normalise(base + link, internal)) continue;
    if (known_.count(folded(internal))) continue;
    const std::string local = finder_.find(project_.folder(), internal);
    if (local.empty()) continue;
    known_.insert(folded(internal));
    files_.push_back({internal, local});
  }
}

void Compiler::gatherFiles() {
  for (const ProjectLine& l : project_.files) addFile(l.text, l.line, true);
  for (const ProjectLine& l : project_.textPopups) addFile(l.text, l.line, true);
  // The sitemap files and the default topic belong in the file whether the
  // project lists them or not.
  for (const char* key : {"Contents file", "Index file", "Default topic"}) {
    const ProjectOption* o = project_.option(key);
    if (o && !o->value.empty()) addFile(o->value, o->line, false);
  }
  for (const ProjectWindow& w : windows_) {
    for (const auto* f : {&w.contentsFile, &w.indexFile, &w.defaultFile, &w.homeFile})
      if (*f) addFile(**f, w.line, false);
  }
  if (project_.files.empty()) warn(IDS_COMPILE_NO_FILES, projectName_);
  // Pages and style sheets are read now, for their links and titles. The
  // list grows while it is walked: each round reads and scans the files the
  // round before added, on every core, then adds their links in file order,
  // so that the list is the one a single walk would make.
  for (std::size_t begin = 0; begin < files_.size();) {
    std::vector<std::size_t> todo;
    for (std::size_t i = begin; i < files_.size(); ++i) {
      const std::string& name = files_[i].internal;
      if (isPageName(name) || isSitemapName(name) || extensionIs(name, ".css")) todo.push_back(i);
    }
    begin = files_.size();
    std::vector<ScannedFile> scanned(todo.size());
    onEveryCore(todo.size(), [&](std::size_t k) { scanFile(files_[todo[k]], scanned[k]); });
    for (std::size_t k = 0; k < todo.size(); ++k) {
      const ContentFile f = files_[todo[k]];
      readFailed(scanned[k].read, f.internal, 0);
      if (scanned[k].read != ReadStatus::Ok) continue;  // one not opened is reported when stored
      addLinked(f, scanned[k].links);
      if (isPageName(f.internal)) bytes_[f.internal] = std::move(scanned[k].bytes);
    }
  }
}

void Compiler::readMap() {
  std::vector<MapDefinition> defs;
  for (const ProjectLine& l : project_.map) {
    std::string_view t = l.text;
    if (t.substr(0, 1) == "#" && t.find("include") != std::string_view::npos) {
      std::string_view name = t.substr(t.find("include") + 7);
      while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
      if (name.size() >= 2 && (name.front() == '"' || name.front() == '<'))
        name = name.substr(1, name.size() - 2);
      std::string rel = project_.toUtf8(name);
      slashes(rel);
      std::string text;
      const std::string local = finder_.find(project_.folder(), rel);
      if (!local.empty()) noteInput(local, l.line);
      if (local.empty() || !readInput(local, rel, text, l.line)) {
        if (!inputFailed_) warn(IDS_COMPILE_FILE_MISSING, rel, l.line);
        continue;
      }
      std::vector<ProjectLine> bad;
      parseDefines(text, 1, defs, &bad);
      for (const ProjectLine& b : bad) warn(IDS_COMPILE_BAD_DEFINE, rel + ": " + b.text, l.line);
      continue;
    }
    std::vector<ProjectLine> bad;
    const std::size_t before = defs.size();
    parseDefines(t, l.line, defs, &bad);
    if (defs.size() == before && bad.empty())
      warn(IDS_COMPILE_BAD_DEFINE, project_.toUtf8(t), l.line);
    for (const ProjectLine& b : bad) warn(IDS_COMPILE_BAD_DEFINE, project_.toUtf8(b.text), l.line);
  }
  std::map<std::uint32_t, std::string> byNumber;
  for (MapDefinition& d : defs) {
    auto [it, fresh] = byNumber.emplace(d.number, d.name);
    if (!fresh && it->second != d.name) warn(IDS_COMPILE_DUPLICATE_MAP, std::to_string(d.number));
    defines_[d.name] = d;
  }
}

void Compiler::readAliases() {
  std::set<std::uint32_t> numbers;
  for (const ProjectLine& l : project_.alias) {
    const std::size_t eq = l.text.find('=');
    std::string key = eq == std::string::npos ? std::string() : l.text.substr(0, eq);
    std::string file = eq == std::string::npos ? std::string() : l.text.substr(eq + 1);
    TrimRight(key);
    while (!file.empty() && (file.front() == ' ' || file.front() == '\t')) file.erase(0, 1);
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"')
      file = file.substr(1, file.size() - 2);
    std::optional<std::uint32_t> number = parseProjectNumber(key);
    if (!number && !key.empty()) {
      auto it = defines_.find(key);
      if (it != defines_.end()) number = it->second.number;
    }
    if (!number || file.empty()) {
      warn(IDS_COMPILE_BAD_ALIAS, project_.toUtf8(l.text), l.line);
      continue;
    }
    if (!numbers.insert(*number).second)
      warn(IDS_COMPILE_DUPLICATE_MAP, std::to_string(*number), l.line);
    std::string target = project_.toUtf8(file);
    slashes(target);
    // "page.htm#place" and "page.htm?x" name the page; the whole text is kept
    // for the topic map, where the viewer follows the anchor.
    std::string page = target.substr(0, target.find_first_of("#?"));
    std::string internal;
    if (!normalise(page, internal) || !known_.count(folded(internal)))
      warn(IDS_COMPILE_ALIAS_NOT_IN_PROJECT, target, l.line);
    aliases_.emplace_back(*number, project_.toHelpText(file));
  }
}

void Compiler::readWindows() {
  for (const ProjectLine& l : project_.windowLines) {
    ProjectWindow w;
    if (!parseWindowLine(l, w)) {
      warn(IDS_COMPILE_BAD_WINDOW, project_.toUtf8(l.text), l.line);
      continue;
    }
    windows_.push_back(std::move(w));
  }
  const ProjectOption* def = project_.option("Default Window");
  if (def && !def->value.empty()) {
    bool found = false;
    for (const ProjectWindow& w : windows_) found = found || sameNoCase(w.name, def->value);
    if (!found) warn(IDS_COMPILE_UNKNOWN_WINDOW, project_.toUtf8(def->value), def->line);
  }
}

std::optional<std::string> Compiler::topicTitle(const std::string& page) const {
  auto it = bytes_.find(page);
  if (it == bytes_.end()) return std::nullopt;
  std::optional<std::string> title = pageTitle(it->second);
  if (!title || title->empty()) return std::nullopt;
  // The page's own encoding: declared, else UTF-8 when the bytes are, else
  // the project's.
  unsigned pageCp = codePageForCharsetName(pageCharset(it->second));
  if (pageCp == 0) {
    bool beyondAscii = false;
    for (char c : *title) beyondAscii = beyondAscii || static_cast<unsigned char>(c) >= 0x80;
    pageCp = beyondAscii && cp::isValidUtf8(*title) ? cp::kUtf8 : project_.codePage();
  }
  const unsigned helpCp = project_.codePage();
  if (pageCp != helpCp && cp::isSupported(pageCp))
    title = cp::fromUtf8(cp::toUtf8(*title, pageCp), helpCp);
  // Viewers show titles as plain text: "&amp;" is stored as "&", and a
  // reference to a character the code page lacks stays as written.
  return decodeCharacterReferences(*title, helpCp);
}

// The sitemap file a binary table is built from when the project asks for
// it: the contents or index file of the options, else of the first window
// that names one. name is its internal name.
std::optional<std::string> Compiler::sitemapFor(const char* binaryKey, bool contents,
                                                std::string& name) {
  if (!project_.optionYes(binaryKey)) return std::nullopt;
  std::string raw = project_.optionText(contents ? "Contents file" : "Index file");
  for (const ProjectWindow& w : windows_) {
    const std::optional<std::string>& f = contents ? w.contentsFile : w.indexFile;
    if (raw.empty() && f) raw = *f;
  }
  // The name as the file list took it (see addFile).
  std::vector<std::string> candidates{project_.toUtf8(raw)};
  if (cp::isValidUtf8(raw)) candidates.push_back(raw);
  for (unsigned page : {936u, 950u, 932u, 949u})
    if (auto t = cp::toUtf8Strict(raw, page)) candidates.push_back(*t);
  std::string bytes;
  for (std::string& wanted : candidates) {
    slashes(wanted);
    std::string internal;
    if (!normalise(wanted, internal)) continue;
    for (const ContentFile& f : files_) {
      if (folded(f.internal) != folded(internal)) continue;
      if (!readInput(f.local, f.internal, bytes)) {
        if (inputFailed_) return std::nullopt;
        continue;
      }
      name = f.internal;
      return bytes;
    }
  }
  warn(IDS_COMPILE_FILE_MISSING, raw.empty() ? binaryKey : candidates.front(),
       project_.option(binaryKey)->line);
  return std::nullopt;
}

// Words the project keeps out of the full-text index.
std::string Compiler::stopListFile() const {
  const ProjectOption* o = project_.option("Full text search stop list file");
  if (!o || o->value.empty() || !project_.optionYes("Full-text search")) return std::string();
  std::string rel = project_.toUtf8(o->value);
  slashes(rel);
  return finder_.find(project_.folder(), rel);
}

void Compiler::readStopList(FullTextIndex& index) {
  const ProjectOption* o = project_.option("Full text search stop list file");
  if (!o || o->value.empty()) return;
  std::string rel = project_.toUtf8(o->value);
  slashes(rel);
  std::string text;
  const std::string local = stopListFile();
  if (local.empty() || !readInput(local, rel, text, o->line)) {
    if (!inputFailed_) warn(IDS_COMPILE_FILE_MISSING, rel, o->line);
    return;
  }
  index.addStopWords(text, pageCodePage(text, project_.codePage()));
}

std::uint32_t chosenTime(const CompileOptions& options) {
  if (options.timeStamp) return *options.timeStamp;
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    if (auto v = parseProjectNumber(epoch)) return *v;
  }
  return static_cast<std::uint32_t>(std::time(nullptr));
}

bool Compiler::write() {
  StringPool strings;
  const auto text = [&](const std::optional<std::string>& raw) -> std::optional<std::string> {
    if (!raw || raw->empty()) return std::nullopt;
    return project_.toHelpText(*raw);
  };

  // #WINDOWS.
  std::vector<WindowRecord> windows;
  for (const ProjectWindow& w : windows_) {
    WindowRecord r;
    auto str = [&](const std::optional<std::string>& s) {
      return s ? strings.add(project_.toHelpText(*s)) : 0u;
    };
    r.name = strings.add(project_.toHelpText(w.name));
    r.caption = str(w.caption);
    r.contentsFile = str(w.contentsFile);
    r.indexFile = str(w.indexFile);
    r.defaultFile = str(w.defaultFile);
    r.homeFile = str(w.homeFile);
    r.jump1Url = str(w.jump1Url);
    r.jump1Text = str(w.jump1Text);
    r.jump2Url = str(w.jump2Url);
    r.jump2Text = str(w.jump2Text);
    auto num = [&r](const std::optional<std::uint32_t>& v, std::uint32_t& field,
                    std::uint32_t bit) {
      if (!v) return;
      field = *v;
      r.validMembers |= bit;
    };
    num(w.properties, r.properties, kValidProperties);
    num(w.navWidth, r.navWidth, kValidNavWidth);
    num(w.buttons, r.buttons, kValidButtons);
    num(w.styles, r.styles, kValidStyles);
    num(w.exStyles, r.exStyles, kValidExStyles);
    num(w.showState, r.showState, kValidShowState);
    num(w.navClosed, r.navClosed, kValidExpansion);
    num(w.currentTab, r.currentTab, kValidCurrentTab);
    num(w.tabPosition, r.tabPosition, kValidTabPosition);
    if (w.left) {
      r.left = *w.left;
      r.top = *w.top;
      r.right = *w.right;
      r.bottom = *w.bottom;
      r.validMembers |= kValidRect;
    }
    windows.push_back(r);
  }

  // #TOPICS, #URLTBL, #URLSTR: every page, in file order.
  std::vector<TopicRecord> topics;
  std::optional<FullTextIndex> fullText;
  if (project_.optionYes("Full-text search")) {
    fullText.emplace(project_.codePage());
    readStopList(*fullText);
  }
  SitemapSources sources;
  // What each page gives the tables is found on every core, then taken in
  // file order.
  struct PageFacts {
    std::string file;  // in the project's code page
    std::optional<std::string> title;
    unsigned codePage = 0;
    PageLinkWords words;
  };
  std::vector<const ContentFile*> pages;
  for (const ContentFile& f : files_)
    if (isPageName(f.internal)) pages.push_back(&f);
  std::vector<PageFacts> facts(pages.size());
  onEveryCore(pages.size(), [&](std::size_t k) {
    const std::string& name = pages[k]->internal;
    facts[k].file = cp::fromUtf8(name, project_.codePage());
    facts[k].title = topicTitle(name);
    if (auto page = bytes_.find(name); page != bytes_.end()) {
      facts[k].codePage = pageCodePage(page->second, project_.codePage());
      facts[k].words = pageLinkWords(page->second);
    }
  });
  for (std::size_t k = 0; k < pages.size(); ++k) {
    if (auto page = bytes_.find(pages[k]->internal); page != bytes_.end()) {
      const auto topic = static_cast<std::uint32_t>(topics.size());
      if (fullText) fullText->addPage(topic, page->second, facts[k].codePage);
      sources.pages.push_back({topic, facts[k].codePage, std::move(facts[k].words)});
    }
    topics.push_back({std::move(facts[k].file), std::move(facts[k].title)});
  }
  // The binary contents and index name pages by topic number, and may add
  // topics of their own.
  std::string contentsName, indexName;
  sources.contents = sitemapFor("Binary TOC", true, contentsName);
  sources.index = sitemapFor("Binary Index", false, indexName);
  sources.codePage = project_.codePage();
  sources.lcid = project_.lcid();
  if (inputFailed_) return false;
  const BinaryTables binary = buildBinaryTables(sources, topics, strings);
  if (binary.contentsTooDeep) warn(IDS_COMPILE_NESTED_TOO_DEEP, contentsName);
  if (binary.indexTooDeep) warn(IDS_COMPILE_NESTED_TOO_DEEP, indexName);
  const TopicTables topicTables = buildTopicTables(topics, strings);
  result_.topics = topics.size();

  std::vector<std::pair<std::uint32_t, std::uint32_t>> ivb;
  for (const auto& [number, file] : aliases_) ivb.emplace_back(number, strings.add(file));

  std::vector<std::uint32_t> merges;
  for (const ProjectLine& m : project_.mergeFiles)
    merges.push_back(strings.add(project_.toHelpText(m.text)));
  const std::string idxHeader = buildIdxHeader(static_cast<std::uint32_t>(topics.size()), merges);

  SystemInfo sys;
  sys.version = compatibility10_ ? 2 : 3;
  sys.contentsFile = text(project_.optionText("Contents file"));
  sys.indexFile = text(project_.optionText("Index file"));
  sys.defaultTopic = text(project_.optionText("Default topic"));
  sys.title = text(project_.optionText("Title"));
  sys.defaultWindow = text(project_.optionText("Default Window"));
  sys.defaultFont = text(project_.optionText("Default Font"));
  std::string stem(fileNamePart(result_.outputPath));
  ChangeExtension(stem, "");
  sys.shortName = cp::fromUtf8(folded(stem), project_.codePage());
  sys.compilerVersion = kCompilerVersionText;
  sys.lcid = project_.lcid();
  sys.dbcs = cp::isDoubleByte(project_.codePage()) || project_.optionYes("DBCS");
  sys.timeStamp = chosenTime(options_);
  sys.idxHeader = idxHeader;
  sys.fullTextSearch = fullText.has_value();
  // Readers find the binary tables by these; recompiling compares them with
  // the sitemap files' name hashes.
  sys.keywordLinks = binary.keywords.keywords > 0;
  sys.associativeLinks = binary.associative.keywords > 0;
  if (binary.sitemapIndex) sys.binaryIndex = NameHash(fileNamePart(indexName));
  if (binary.contents) sys.binaryContents = NameHash(fileNamePart(contentsName));

  ItsStorage storage;
  storage.resetBlocks = options_.resetBlocks;
  storage.windowBlocks = options_.windowBlocks;
  storage.partitionBlocks = options_.windowBlocks;
  storage.fastLzx = options_.fastCompression;
  storage.translateCalls = options_.translateCalls;
  if (itss::FAILED(storage.create(result_.outputPath.c_str(), true, true, kDirectoryBlockSize))) {
    error(IDS_COMPILE_CANNOT_WRITE, result_.outputPath);
    return false;
  }
  bool ok = true;
  const auto writeAll = [](itss::IStream* s, const char* data, std::size_t size) {
    itss::ULONG written = 0;
    for (std::size_t pos = 0; pos < size; pos += written) {
      const auto n = static_cast<itss::ULONG>(std::min<std::size_t>(size - pos, 1u << 30));
      if (itss::FAILED(s->Write(data + pos, n, &written)) || written == 0) return false;
    }
    return true;
  };
  const auto create = [&](const std::string& name, itss::ComPtr<itss::IStream>& s) {
    return itss::SUCCEEDED(
        storage.root()->CreateStream(name.c_str(), itss::STGM_WRITE, 0, 0, s.put()));
  };
  const auto put = [&](const std::string& name, std::string_view data) {
    itss::ComPtr<itss::IStream> s;
    return create(name, s) && writeAll(s.get(), data.data(), data.size());
  };

  sink_.setRange(0, static_cast<int>(files_.size()));
  std::vector<char> piece;
  for (const ContentFile& f : files_) {
    if (sink_.cancelled()) {
      ok = false;
      break;
    }
    if (auto cached = bytes_.find(f.internal); cached != bytes_.end()) {
      const std::string bytes = std::move(cached->second);
      bytes_.erase(cached);
      if (!put(f.internal, bytes)) {
        ok = false;
        break;
      }
      ++result_.files;
      result_.bytes += bytes.size();
      sink_.step();
      continue;
    }
    // Any other file goes from disk into its stream piece by piece.
    std::uint64_t size = 0;
    const FdCloser file{openRegular(f.local, size)};
    if (file.fd < 0) {
      warn(IDS_COMPILE_FILE_UNREADABLE, f.internal);
      sink_.step();
      continue;
    }
    itss::ComPtr<itss::IStream> s;
    if (!create(f.internal, s)) {
      ok = false;
      break;
    }
    if (piece.empty()) piece.resize(kCopyPiece);
    std::uint64_t copied = 0;
    bool readOk = true, writeOk = true;
    for (;;) {
      const std::int64_t n = readUpTo(file.fd, piece.data(), piece.size());
      if (n <= 0) {
        readOk = n == 0;
        break;
      }
      if (!writeAll(s.get(), piece.data(), static_cast<std::size_t>(n))) {
        writeOk = false;
        break;
      }
      copied += static_cast<std::uint64_t>(n);
      if (static_cast<std::size_t>(n) < piece.size()) break;
    }
    if (writeOk && (!readOk || copied < size)) readFailed(ReadStatus::Incomplete, f.internal, 0);
    if (!writeOk || inputFailed_) {
      ok = false;
      break;
    }
    ++result_.files;
    result_.bytes += copied;
    sink_.step();
  }

  ok = ok && put("#SYSTEM", buildSystem(sys));
  if (!windows.empty()) ok = ok && put("#WINDOWS", buildWindows(windows));
  ok = ok && put("#TOPICS", topicTables.topics) && put("#URLTBL", topicTables.urlTable) &&
       put("#URLSTR", topicTables.urlStr) && put("#IDXHDR", idxHeader);
  if (!ivb.empty()) ok = ok && put("#IVB", buildIvb(ivb));
  if (fullText) ok = ok && put("$FIftiMain", fullText->build(topics.size(), sys.lcid));
  if (binary.contents) ok = ok && put("#TOCIDX", binary.contents->bytes);
  for (const auto& [store, k] : {std::pair{"$WWKeywordLinks/", &binary.keywords},
                                 std::pair{"$WWAssociativeLinks/", &binary.associative}}) {
    const std::string at = store;
    if (k->keywords > 0)
      ok =
          ok && put(at + "BTree", k->btree) && put(at + "Data", k->data) && put(at + "Map", k->map);
    ok = ok && put(at + "Property", k->property);
  }
  // #STRINGS last: every table above adds to it.
  ok = ok && put("#STRINGS", strings.bytes());
  // The compiled file takes the place of the old one only when complete: a
  // failure or a cancel leaves the old one as it was.
  if (ok)
    ok = itss::SUCCEEDED(storage.commit());
  else
    storage.abandon();
  storage.close();
  if (!ok) {
    if (!inputFailed_) error(IDS_COMPILE_CANNOT_WRITE, result_.outputPath);
    return false;
  }
  return true;
}

CompileResult Compiler::run() {
  std::string why;
  projectName_ = std::string(fileNamePart(options_.projectPath));
  if (!project_.read(options_.projectPath, why)) {
    error(IDS_COMPILE_NO_PROJECT, options_.projectPath);
    return result_;
  }
  readOptions();
  result_.outputPath = options_.outputPath;
  if (result_.outputPath.empty()) {
    std::string name = project_.toUtf8(project_.optionText("Compiled file"));
    slashes(name);
    if (name.empty()) {
      name = projectName_;
      ChangeExtension(name, ".chm");
    }
    result_.outputPath = name.front() == '/' ? name : project_.folder() + name;
  }
  readWindows();
  gatherFiles();
  for (const ContentFile& f : files_) noteInput(f.local);
  if (const std::string stopList = stopListFile(); !stopList.empty()) noteInput(stopList);
  readMap();
  readAliases();
  for (const ProjectLine& l : project_.infoTypes) {
    warn(IDS_COMPILE_SECTION_IGNORED, "INFOTYPES", l.line);
    break;
  }
  for (const ProjectLine& l : project_.otherSections)
    warn(IDS_COMPILE_SECTION_IGNORED, project_.toUtf8(l.text), l.line);

  const bool outputsAllowed = checkOutputs();
  result_.written = outputsAllowed && !inputFailed_ && write();
  writeLog();
  if (result_.written) {
    std::string counts = FormatMessageText(LoadStr(IDS_COMPILE_COUNTS),
                                           thousands(static_cast<std::uint32_t>(result_.files)));
    counts = FormatMessageText(counts, thousands(static_cast<std::uint32_t>(result_.topics)));
    struct stat st;
    const std::uint64_t size = ::stat(result_.outputPath.c_str(), &st) == 0 ? st.st_size : 0;
    counts = FormatMessageText(counts, std::to_string(size));
    sink_.appendLine(FormatMessageText(LoadStr(IDS_COMPILE_DONE), result_.outputPath) + counts);
  } else {
    sink_.appendLine(FormatMessageText(LoadStr(IDS_COMPILE_FAILED), result_.outputPath));
  }
  std::string problems =
      FormatMessageText(LoadStr(IDS_COMPILE_PROBLEMS), std::to_string(result_.errors));
  sink_.appendLine(FormatMessageText(problems, std::to_string(result_.warnings)));
  return result_;
}

}  // namespace

CompileResult compileProject(const CompileOptions& options, ResultSink& sink) {
  return Compiler(options, sink).run();
}
