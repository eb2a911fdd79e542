#include "create_its/create_its_run.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "common/messages.h"
#include "common/string_utils.h"
#include "its/its_storage.h"
#include "its/text_file.h"
#include "its/text_helpers.h"
#include "platform/system/atomic_file.h"
#include "res/ids.h"
#include "res/strings.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kMaxDirectoryBlock = 16384;
constexpr std::uint32_t kLzxBlocks = 8;  // reset interval, window and partition
// Files are copied through a buffer of this size: a file never sizes an
// allocation by itself.
constexpr std::size_t kCopyPiece = 1u << 20;
constexpr std::uint32_t kFilesPerMark = 8;

std::string lowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string_view skipBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return text.substr(i);
}

std::string folderOf(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

// A path as the file system sees it: relative ones below base, "\" as "/".
std::string sourcePath(const std::string& base, std::string listed) {
  slashes(listed);
  if (!listed.empty() && listed.front() == '/') return listed;
  return base + "/" + listed;
}

// Report lines with the progress marks: marks gather on one line, and the
// next line after them is preceded by an empty one.
class ItsReport {
 public:
  explicit ItsReport(ResultSink& sink) : sink_(sink) {}
  ~ItsReport() { flushMarks(); }

  void line(std::string text) {
    flushMarks();
    // A text that carries its own line end ends there: the sink adds one.
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
      text.resize(text.size() - 2);
    sink_.appendLine(text);
  }
  void message(unsigned id, std::string_view arg) { line(FormatMessageText(LoadStr(id), arg)); }
  void mark() { marks_ += '.'; }

 private:
  void flushMarks() {
    if (marks_.empty()) return;
    sink_.appendLine(marks_);
    sink_.appendLine("");
    marks_.clear();
  }

  ResultSink& sink_;
  std::string marks_;
};

class FileHandle {
 public:
  // Only a regular file: a FIFO or a device would block the open or the read.
  explicit FileHandle(const std::string& path) : fd_(sysfile::openRegularFile(path)) {}
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

struct StreamRelease {
  void operator()(itss::IStream* s) const { s->Release(); }
};

enum class CopyResult { Stored, Partial };

// Copies the file to its end; a file that ends before size bytes, or whose
// read fails, is Partial.
CopyResult copyFile(int fd, std::uint64_t size, itss::IStream* stream, std::vector<char>& buffer,
                    std::uint64_t& copied) {
  copied = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return CopyResult::Partial;
    }
    if (n == 0) return copied < size ? CopyResult::Partial : CopyResult::Stored;
    itss::ULONG written = 0;
    if (itss::FAILED(stream->Write(buffer.data(), static_cast<itss::ULONG>(n), &written)) ||
        written != static_cast<itss::ULONG>(n))
      return CopyResult::Partial;
    copied += static_cast<std::uint64_t>(n);
  }
}

}  // namespace

bool readProjectContent(const std::string& projectPath, ProjectContent& out) {
  out = {};
  TextFile file;
  if (!file.openRead(projectPath)) return false;
  bool inOptions = false, inFiles = false;
  std::string raw;
  while (file.readLine(raw)) {
    std::string line = raw.substr(0, raw.find(';'));
    TrimRight(line);
    const std::string text(skipBlanks(line));
    const std::string lower = lowerAscii(text);
    if (!lower.empty() && lower.front() == '[') {
      inOptions = lower == "[options]";
      inFiles = lower == "[files]";
    } else if (inOptions) {
      constexpr std::string_view kKey = "compiled file=";
      if (lower.rfind(kKey, 0) == 0 && !out.compiledFile)
        out.compiledFile = text.substr(kKey.size());
    } else if (inFiles) {
      out.files.push_back(text);
    }
  }
  return true;
}

std::optional<std::string> compiledFileOption(const std::string& projectPath) {
  TextFile file;
  if (!file.openRead(projectPath)) return std::nullopt;
  std::string line;
  while (file.readLine(line)) {
    const std::size_t eq = line.find('=');
    if (!StartsWithNoCase(line, "compiled file") || eq == std::string::npos) continue;
    std::string value(skipBlanks(std::string_view(line).substr(eq + 1)));
    value = value.substr(0, value.find(';'));
    while (!value.empty() && value.back() == ' ') value.pop_back();
    return value;
  }
  return std::nullopt;
}

std::string itsStreamName(const std::string& listed) {
  std::string text = lowerAscii(listed);
  slashes(text);
  std::string out;
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find('/', at);
    if (end == std::string::npos) end = text.size();
    const std::string_view seg(text.data() + at, end - at);
    const bool last = end == text.size();
    if (seg != ".." && seg != "." && !(seg.empty() && out.empty() && !last)) {
      if (!out.empty()) out += '/';
      out.append(seg);
    }
    at = end + 1;
  }
  return out;
}

std::uint32_t itsDirectoryBlockSize(const std::vector<ItsSource>& sources) {
  std::uint64_t sum = 0;
  for (const ItsSource& s : sources) {
    sum += s.name.size() + 4;
    if (sum >= kMaxDirectoryBlock) return kMaxDirectoryBlock;
  }
  return static_cast<std::uint32_t>(sum);
}

CreateItsOutcome storeItsFiles(const std::string& itsPath, const std::string& displayName,
                               const std::vector<ItsSource>& sources, ResultSink& sink,
                               CreateItsTotals* totalsOut) {
  ItsReport report(sink);
  ItsStorage its;
  its.resetBlocks = its.windowBlocks = its.partitionBlocks = kLzxBlocks;
  // The new file takes the target's place only when complete; a failure or
  // a cancel leaves the target as it was.
  const itss::HRESULT created =
      itsPath.empty() ? itss::STG_E_INVALIDNAME
                      : its.create(itsPath.c_str(), true, true, itsDirectoryBlockSize(sources));
  if (itss::FAILED(created)) {
    const bool readOnly = created == itss::STG_E_ACCESSDENIED && sysfile::isReadOnly(itsPath);
    report.message(readOnly ? IDS_FILE_READ_ONLY : IDS_CANNOT_OPEN, displayName);
    return CreateItsOutcome::Failed;
  }
  sink.setRange(0, static_cast<int>(std::min<std::size_t>(sources.size(), 0x7FFFFFFF)));
  CreateItsTotals totals;
  std::vector<char> buffer;
  bool incomplete = false;
  for (const ItsSource& source : sources) {
    if (sink.cancelled()) {
      its.abandon();
      its.close();
      return CreateItsOutcome::Cancelled;
    }
    const FileHandle file(source.path);
    struct stat st {};
    if (file.fd() < 0 || ::fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode)) {
      report.message(IDS_CANNOT_OPEN, source.name);
      sink.step();
      continue;
    }
    const std::string name = itsStreamName(source.name);
    std::string expected = lowerAscii(source.name);
    slashes(expected);
    if (name != expected)
      report.line(fillFormat(LoadStr(IDS_ITS_NAME_CLIMBS), {source.name, name}));
    const std::size_t slash = name.rfind('/');
    const std::string streamName = slash == std::string::npos ? name : name.substr(slash + 1);
    // Names in the root go to the root, the others into their own folder;
    // a folder that cannot be made leaves its files out rather than putting
    // them anywhere else.
    itss::IStorage* target = its.root();
    if (slash != std::string::npos) {
      target = its.openSubStorage(name.substr(0, slash).c_str(), itss::STGM_READWRITE)
                   ? its.current()
                   : nullptr;
    }
    itss::IStream* raw = nullptr;
    const char* engineName = its.engineName(streamName.c_str());
    if (!target || streamName.empty() || !engineName ||
        itss::FAILED(target->CreateStream(engineName, itss::STGM_WRITE, 0, 0, &raw)) || !raw) {
      report.message(IDS_INVALID_ITS_NAME, streamName);
      sink.step();
      continue;
    }
    const std::unique_ptr<itss::IStream, StreamRelease> stream(raw);
    if (st.st_size > 0) {
      if (buffer.empty()) buffer.resize(kCopyPiece);
      std::uint64_t copied = 0;
      if (copyFile(file.fd(), static_cast<std::uint64_t>(st.st_size), stream.get(), buffer,
                   copied) == CopyResult::Partial) {
        // A stream shorter than its file would pass for the whole: the
        // run stops and the new file is not kept.
        report.message(IDS_ITS_NOT_STORED, source.name);
        incomplete = true;
        break;
      }
      totals.count += 1;
      totals.bytes += copied;
      if (totals.count % kFilesPerMark == 0) report.mark();
    }
    sink.step();
  }
  // An incomplete file is dropped: whatever was at its path stays as it was.
  if (incomplete) {
    its.abandon();
    its.close();
    return CreateItsOutcome::Failed;
  }
  const bool written = itss::SUCCEEDED(its.commit());
  its.close();
  report.line("");
  if (!written) {
    report.message(IDS_CANNOT_CREATE, displayName);
    return CreateItsOutcome::Failed;
  }

  ItsStorage check;
  struct stat st {};
  if (itss::SUCCEEDED(check.open(itsPath.c_str())) && ::stat(itsPath.c_str(), &st) == 0) {
    check.close();
    report.line(
        fillFormat(LoadStr(IDS_ITS_FILES_SUMMARY),
                   {thousands(totals.count), pluralSuffix(totals.count), thousands(totals.bytes)}));
    report.line(fillFormat(LoadStr(IDS_ITS_SIZE_SUMMARY),
                           {displayName, thousands(static_cast<std::uint64_t>(st.st_size))}));
  }
  if (totalsOut) *totalsOut = totals;
  return CreateItsOutcome::Created;
}

CreateItsOutcome createItsFromProject(const std::string& projectPath, const std::string& itsName,
                                      ResultSink& sink, CreateItsTotals* totals) {
  ProjectContent project;
  if (!readProjectContent(projectPath, project)) {
    ItsReport(sink).message(IDS_CANNOT_OPEN, projectPath);
    return CreateItsOutcome::Failed;
  }
  if (project.files.empty()) {
    ItsReport(sink).message(IDS_PROJECT_NO_FILES, projectPath);
    return CreateItsOutcome::Failed;
  }
  const std::string base = folderOf(projectPath);
  std::string display = itsName;
  std::string itsPath = itsName;
  ItsReport report(sink);
  if (itsName.empty() && project.compiledFile) {
    display = *project.compiledFile;
    itsPath = display.empty() ? display : sourcePath(base, display);
    // The project's own option writes only inside its folder; a name given
    // by the user goes where the user puts it.
    if (!itsPath.empty() && !IsWithinFolder(itsPath, base)) {
      report.message(IDS_OUTPUT_OUTSIDE_PROJECT, display);
      return CreateItsOutcome::Failed;
    }
  }
  std::vector<ItsSource> sources;
  sources.reserve(project.files.size());
  for (const std::string& entry : project.files)
    sources.push_back({sourcePath(base, entry), entry});
  if (!itsPath.empty()) {
    bool namesInput = SamePath(itsPath, projectPath);
    for (const ItsSource& s : sources) namesInput = namesInput || SamePath(itsPath, s.path);
    if (namesInput) {
      report.message(IDS_OUTPUT_IS_INPUT, display);
      return CreateItsOutcome::Failed;
    }
  }
  // Files may be shared with other projects; reading one from elsewhere is
  // said once per file.
  std::set<std::string> outside;
  for (const ItsSource& s : sources) {
    struct stat st {};
    if (s.name.empty() || ::stat(s.path.c_str(), &st) != 0 || IsWithinFolder(s.path, base))
      continue;
    std::error_code ec;
    const std::string real = fs::weakly_canonical(s.path, ec).string();
    if (outside.insert(real).second) report.message(IDS_READ_OUTSIDE_PROJECT, real);
  }
  return storeItsFiles(itsPath, display, sources, sink, totals);
}

bool collectFolderFiles(const std::string& folder, std::vector<ItsSource>& files,
                        std::vector<std::string>& linksLeavingFolder,
                        std::vector<std::string>* unreadableFolders) {
  std::error_code ec;
  const fs::path root = fs::canonical(folder, ec);
  if (ec || !fs::is_directory(root, ec)) return false;
  fs::recursive_directory_iterator it(root, fs::directory_options::none, ec);
  if (ec) return false;
  for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const fs::path& p = it->path();
    const std::string relative = p.lexically_relative(root).generic_string();
    std::error_code typeError;
    if (!it->is_symlink(typeError) && it->is_directory(typeError)) {
      // A folder that cannot be read is left out and told, not the end of
      // the walk: it is tried before the walk steps into it.
      if (DIR* dir = ::opendir(p.c_str())) {
        ::closedir(dir);
      } else {
        if (unreadableFolders) unreadableFolders->push_back(relative);
        it.disable_recursion_pending();
      }
      continue;
    }
    if (it->is_symlink(ec)) {
      const fs::path target = fs::canonical(p, ec);
      if (ec) continue;  // a dangling link names no file
      const std::string within = target.lexically_relative(root).generic_string();
      if (within.empty() || within.rfind("..", 0) == 0 || target.is_relative()) {
        linksLeavingFolder.push_back(relative);
        continue;
      }
      // A folder inside is walked as itself; a file inside is stored under
      // the link's name too.
      if (!fs::is_regular_file(target, ec)) continue;
      files.push_back({p.string(), relative});
      continue;
    }
    if (it->is_regular_file(ec)) files.push_back({p.string(), relative});
  }
  std::sort(files.begin(), files.end(),
            [](const ItsSource& a, const ItsSource& b) { return a.name < b.name; });
  std::sort(linksLeavingFolder.begin(), linksLeavingFolder.end());
  if (unreadableFolders) std::sort(unreadableFolders->begin(), unreadableFolders->end());
  return !ec;
}

CreateItsOutcome createItsFromFolder(const std::string& folder, const std::string& itsName,
                                     ResultSink& sink, CreateItsTotals* totals) {
  ItsReport report(sink);
  std::string trimmed = folder;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const std::string itsPath = itsName.empty() ? trimmed + ".its" : itsName;
  std::vector<ItsSource> files;
  std::vector<std::string> links, unreadable;
  if (!collectFolderFiles(folder, files, links, &unreadable)) {
    report.message(IDS_CANNOT_OPEN, folder);
    return CreateItsOutcome::Failed;
  }
  for (const std::string& link : links) report.message(IDS_ITS_LINK_OUTSIDE, link);
  for (const std::string& skipped : unreadable) report.message(IDS_ITS_FOLDER_SKIPPED, skipped);
  // The new file itself, when it is made inside the folder, is not a source.
  std::error_code ec;
  const fs::path out = fs::weakly_canonical(itsPath, ec);
  std::erase_if(files, [&](const ItsSource& f) { return !ec && fs::path(f.path) == out; });
  if (files.empty()) {
    report.message(IDS_CONTAINS_NO_FILES, folder);
    return CreateItsOutcome::Failed;
  }
  return storeItsFiles(itsPath, itsPath, files, sink, totals);
}
