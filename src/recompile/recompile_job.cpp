#include "recompile/recompile_job.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "common/messages.h"
#include "common/string_utils.h"
#include "its/text_helpers.h"
#include "platform/itss/com_ptr.h"
#include "platform/system/atomic_file.h"
#include "res/ids.h"
#include "res/strings.h"

using namespace itss;

namespace {

// The directory blocks are sized by the names they will hold, up to this.
constexpr std::uint32_t kMaxDirectoryBlock = 4096;
constexpr std::uint32_t kDirectoryBytesPerName = 16;
// LZX reset interval, window and second partition in 32 KiB units.
constexpr std::uint32_t kRecompileLzxBlocks = 8;

// Copied first, root to root, without a progress step.
constexpr const char* kSystemFiles[] = {"#IDXHDR", "#SYSTEM", "#URLSTR", "#STRINGS"};
// Then the content, grouped by extension in this order.
constexpr const char* kExtensionOrder[] = {".htm", ".html", ".css", ".xml",  ".hhc", ".hhk",
                                           ".txt", ".gif",  ".jpg", ".jpeg", ".png", ".jpg"};

std::optional<std::uint64_t> fileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

bool isFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The same file: the same device and inode, else the same full path.
bool sameFileOnDisk(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return a == b;
}

std::string resolvedPath(const std::string& path) {
  char buffer[PATH_MAX];
  return ::realpath(path.c_str(), buffer) ? std::string(buffer) : path;
}

// The text after the path's last "." equals ext (given with its ".") without
// regard to the case of A–Z.
bool hasExtension(std::string_view path, std::string_view ext) {
  const std::size_t dot = path.rfind('.');
  return dot != std::string_view::npos && sameNoCase(path.substr(dot + 1), ext.substr(1));
}

}  // namespace

RecompileJob::RecompileJob(ResultSink& sink, Prompter& prompter, const RecompileOptions& options,
                           const RecompileHooks& hooks)
    : sink_(sink), prompter_(prompter), options_(options), hooks_(hooks) {}

RecompileJob::~RecompileJob() {
  if (!finished_) finish(false);
}

void RecompileJob::warn(unsigned id, const std::string& arg) {
  prompter_.ask(FormatMessageText(LoadStr(id), arg), MB_ICONWARNING);
}

void RecompileJob::warnWrite(const std::string& path) {
  prompter_.ask(fillFormat(LoadStr(IDS_RECOMPILE_WRITE_ERROR), {path, targetPath_}),
                MB_ICONWARNING);
}

void RecompileJob::resolvePaths(const std::string& source, const std::string& target) {
  sourcePath_ = FullPathName(source);
  targetPath_ = FullPathName(target);
  if (isFolder(targetPath_)) {
    if (hooks_.onTargetFolder) hooks_.onTargetFolder(targetPath_);
    AddBackslash(targetPath_);
    targetPath_ += fileNamePart(sourcePath_);
  }
  sameFile_ = sameFileOnDisk(sourcePath_, targetPath_);
  // Recompiled onto itself through a symbolic link, the new file takes the
  // place of the file the link names.
  if (sameFile_) targetPath_ = resolvedPath(targetPath_);
}

bool RecompileJob::run(const std::string& source, const std::string& target) {
  resolvePaths(source, target);
  if (FAILED(source_.open(sourcePath_.c_str()))) {
    source_.close();
    warn(IDS_CANNOT_OPEN, sourcePath_);
    return false;
  }
  if (!listRecompileNames(source_.root(), names_)) {
    warn(IDS_FILE_EMPTY, source);
    return false;
  }
  sink_.setRange(0, names_.streams);
  if (hooks_.onStatus) hooks_.onStatus(sourcePath_);
  finished_ = false;

  factsFromSourceName(source, facts_);
  factsFromSystem(source_.root(), facts_);
  factsFromTables(source_.root(), facts_);
  factsFromNames(names_, facts_);
  dropUnneededTables(facts_, names_);

  std::uint32_t blockSize = 0;
  for (const RecompileNames::Entry& e : names_.entries) {
    if (e.taken) continue;
    blockSize += static_cast<std::uint32_t>(e.path.size()) + kDirectoryBytesPerName;
    if (blockSize >= kMaxDirectoryBlock) {
      blockSize = kMaxDirectoryBlock;
      break;
    }
  }
  // A file that is part of a collection keeps the engine's defaults when it
  // has a full-text index: merged searches expect them.
  if (!(options_.collectionPart && facts_.hasFullText)) {
    target_.resetBlocks = kRecompileLzxBlocks;
    target_.windowBlocks = kRecompileLzxBlocks;
    target_.partitionBlocks = kRecompileLzxBlocks;
  }
  target_.fastLzx = options_.fastCompression;
  target_.translateCalls = options_.translateCalls;
  // The new file is written beside the target and takes its place only when
  // complete (in place: only when smaller), so a failure or a cancel leaves
  // the target as it was.
  const HRESULT created = target_.create(targetPath_.c_str(), true, true, blockSize);
  if (FAILED(created)) {
    target_.close();
    warn(created == STG_E_ACCESSDENIED && sysfile::isReadOnly(targetPath_) ? IDS_FILE_READ_ONLY
                                                                           : IDS_CANNOT_OPEN,
         targetPath_);
    return false;
  }

  for (const char* name : kSystemFiles) {
    if (facts_.isIts && std::string_view(name) == "#SYSTEM") continue;
    if (!names_.take(name)) continue;
    if (!copyContent(name, true, false)) return false;
  }

  for (const char* ext : kExtensionOrder) {
    for (RecompileNames::Entry& e : names_.entries) {
      if (e.taken || !hasExtension(e.path, ext)) continue;
      e.taken = true;
      // A sitemap file goes only when the binary table #SYSTEM names in its
      // place is really in the file; a record without its table would leave
      // the file without an index or contents in every viewer.
      const std::string_view name = fileNamePart(e.path);
      if (sameNoCase(ext, ".hhk") && options_.dropSitemapIndex && facts_.binaryIndexValue != 0 &&
          facts_.hasKeywordTree && NameHash(name) == facts_.binaryIndexValue)
        continue;
      if (sameNoCase(ext, ".hhc") && options_.dropSitemapContents &&
          facts_.binaryContentsValue != 0 && facts_.hasContentsTree &&
          NameHash(name) == facts_.binaryContentsValue)
        continue;
      if (!copyContent(e.path, false, true)) return false;
    }
  }
  for (RecompileNames::Entry& e : names_.entries) {
    if (e.taken) continue;
    e.taken = true;
    if (!copyContent(e.path, true, true)) return false;
  }
  return true;
}

bool RecompileJob::copyContent(const std::string& path, bool readFailureIsDamage,
                               bool stepProgress) {
  switch (copyPath(path, stepProgress)) {
    case Copy::Done:
      return true;
    case Copy::Cancelled:
      return false;
    case Copy::Failed:
      break;
  }
  // A stream at the root that cannot be copied is a damaged source; one in a
  // sub-storage is reported as a failed write.
  if (readFailureIsDamage && path.find('\\') == std::string::npos)
    warn(IDS_CANNOT_READ_FILE, path);
  else
    warnWrite(path);
  return false;
}

RecompileJob::Copy RecompileJob::copyPath(const std::string& path, bool stepProgress) {
  IStorage* from = source_.root();
  IStorage* to = target_.root();
  std::string name = path;
  const std::size_t cut = path.rfind('\\');
  if (cut != std::string::npos) {
    const std::string level = path.substr(0, cut);
    if (!source_.openSubStorage(level.c_str(), STGM_READ) ||
        !target_.openSubStorage(level.c_str(), STGM_WRITE))
      return Copy::Failed;
    from = source_.current();
    to = target_.current();
    name = path.substr(cut + 1);
  }
  if (stepProgress) {
    sink_.step();
    if (sink_.cancelled()) {
      cancelled_ = true;
      return Copy::Cancelled;
    }
  }
  if (!ItsStorage::nameFits(name.c_str())) return Copy::Failed;
  ComPtr<IStream> in;
  ComPtr<IStream> out;
  std::uint64_t size = 0;
  std::uint64_t read = 0;
  std::uint64_t written = 0;
  if (FAILED(from->OpenStream(name.c_str(), nullptr, STGM_READWRITE, 0, in.put())) || !in ||
      FAILED(in->Seek(0, STREAM_SEEK_END, &size)) ||
      FAILED(in->Seek(0, STREAM_SEEK_SET, nullptr)) ||
      FAILED(to->CreateStream(name.c_str(), STGM_WRITE, 0, 0, out.put())) || !out ||
      FAILED(in->CopyTo(out.get(), size, &read, &written)) || read != size || written != size)
    return Copy::Failed;
  return Copy::Done;
}

bool RecompileJob::finish(bool succeeded) {
  if (finished_) return succeeded;
  finished_ = true;
  source_.close();
  oldSize_ = fileSize(sourcePath_).value_or(0);
  if (target_.root()) {
    if (!succeeded) {
      target_.abandon();
    } else {
      // In place, the new file replaces the source only when it is smaller.
      const HRESULT hr = target_.commit(sameFile_ ? STGC_ONLYIFSMALLER : STGC_DEFAULT);
      if (FAILED(hr)) {
        warn(IDS_CANNOT_CREATE, targetPath_);
        succeeded = false;
      }
    }
  }
  target_.close();
  if (const std::optional<std::uint64_t> size = fileSize(targetPath_)) newSize_ = *size;
  return succeeded;
}
