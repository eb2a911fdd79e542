#include "decompile/decompile_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "common/messages.h"
#include "common/string_utils.h"
#include "decompile/project_rebuild.h"
#include "decompile/stream_prefetch.h"
#include "its/text_helpers.h"
#include "platform/itss/com_ptr.h"
#include "res/ids.h"
#include "res/strings.h"

using namespace itss;

namespace {

// Reads come in pieces of this size, so that a stream whose stored size
// claims more than the file holds never sizes an allocation by itself.
constexpr ULONG kReadPiece = 1u << 20;

}  // namespace

DecompileRun::DecompileRun(ResultSink& sink, Prompter& prompter, ItsStorage::EngineFactory factory)
    : sink_(sink), prompter_(prompter), factory_(factory), storage_(factory) {}

DecompileRun::~DecompileRun() { close(); }

bool DecompileRun::open(const std::string& sourcePath) {
  if (FAILED(storage_.open(sourcePath.c_str()))) {
    storage_.close();
    ask(IDS_CANNOT_OPEN, sourcePath, MB_ICONWARNING);
    return false;
  }
  return true;
}

void DecompileRun::close() {
  prefetch_.reset();
  levels_.clear();
  pendingFolder_.reset();
  root_.reset();
  storage_.close();
}

void DecompileRun::line(unsigned id, const std::string& arg) {
  sink_.appendLine(FormatMessageText(LoadStr(id), arg));
}

int DecompileRun::ask(unsigned id, const std::string& arg, unsigned flags) {
  return prompter_.ask(FormatMessageText(LoadStr(id), arg), flags);
}

bool DecompileRun::checkCancelled() {
  if (!cancelled_ && sink_.cancelled()) cancelled_ = true;
  return cancelled_;
}

std::string DecompileRun::localPath(const WalkElement& element) {
  return element.subPath.empty() ? element.name : element.subPath + "/" + element.name;
}

const FolderHandle& DecompileRun::folderOf(const std::string& subPath) {
  if (subPath.empty()) return root_;
  auto it = levels_.find(subPath);
  return it == levels_.end() ? none_ : it->second;
}

void DecompileRun::run(const DecompileRequest& request, std::int32_t range) {
  sink_.setRange(0, range);
  if (onStatus) onStatus(request.source);
  files_ = 0;
  folders_ = 0;
  targetPath_ = fullFolderPath(request.target);
  root_ = FolderHandle::openPath(request.target);
  // The bytes read ahead go into unnamed files in the target folder, which
  // the walk names (or, elsewhere, into memory).
  if (readAhead && storage_.root())
    prefetch_ =
        StreamPrefetch::start(storage_.root(), root_.valid() && root_.writable() ? root_.fd() : -1);

  walkElements(storage_.root(), std::string(), *this);
  prefetch_.reset();
  levels_.clear();
  fresh_.clear();
  if (checkCancelled()) return;

  const std::string files = thousands(static_cast<std::uint32_t>(files_));
  const std::string folders = thousands(static_cast<std::uint32_t>(folders_));
  sink_.appendLine(fillFormat(
      LoadStr(IDS_DECOMPILE_SUMMARY),
      {request.source, targetPath_, files, pluralSuffix(static_cast<std::uint32_t>(files_)),
       folders, pluralSuffix(static_cast<std::uint32_t>(folders_))}));
  const std::vector<RebuiltSitemap> sitemaps = rebuildSitemapFiles(request);
  if (request.createProject) rebuildProject(request, sitemaps);
}

FolderHandle DecompileRun::folderFor(const std::string& relativePath, std::string& leaf) {
  FolderHandle folder = FolderHandle::openPath(targetPath_);
  std::size_t pos = 0;
  for (;;) {
    const std::size_t slash = relativePath.find('/', pos);
    const std::string segment = relativePath.substr(pos, slash - pos);
    if (!isPlainElementName(segment)) return FolderHandle();
    if (slash == std::string::npos) {
      leaf = segment;
      return folder;
    }
    if (entryKind(folder, segment) == EntryKind::Missing && !createFolder(folder, segment))
      return FolderHandle();
    folder = folder.openChild(segment);
    if (!folder.valid()) return folder;
    pos = slash + 1;
  }
}

std::vector<RebuiltSitemap> DecompileRun::rebuildSitemapFiles(const DecompileRequest& request) {
  std::vector<RebuiltSitemap> done;
  for (RebuiltSitemap& r : rebuildSitemaps(storage_.root(), fileNamePart(request.source))) {
    std::string leaf;
    const FolderHandle folder = folderFor(r.path, leaf);
    if (!folder.valid()) continue;
    // A file this run did not write (one already in the target) is left as
    // it is; a stub this run extracted is replaced.
    if (entryKind(folder, leaf) != EntryKind::Missing && written_.count(r.path) == 0) continue;
    if (writeWholeFile(folder, leaf, r.text.data(), r.text.size()) != WriteResult::Written) {
      ++problems_;
      line(IDS_CANNOT_CREATE_FILE, r.path);
      continue;
    }
    sink_.appendLine(
        fillFormat(LoadStr(r.index ? IDS_SITEMAP_FROM_INDEX : IDS_SITEMAP_FROM_CONTENTS),
                   {r.path, thousands(r.entries)}));
    done.push_back(std::move(r));
  }
  return done;
}

void DecompileRun::rebuildProject(const DecompileRequest& request,
                                  const std::vector<RebuiltSitemap>& sitemaps) {
  const std::string compiledName(fileNamePart(request.source));
  std::string projectName = compiledName;
  ChangeExtension(projectName, ".hhp");
  if (!isPlainElementName(projectName)) return;
  if (entryKind(root_, projectName) != EntryKind::Missing) return;
  if (onStatus) onStatus(projectName);
  if (onBusy) onBusy(true);
  ProjectRebuilder project(prompter_, factory_);
  const bool gathered = project.gather(request.openPath());
  for (const RebuiltSitemap& r : sitemaps)
    if (!r.named) (r.index ? project.rebuiltIndex : project.rebuiltContents) = r.path;
  if (gathered && project.write(targetPath_ + "/" + projectName, compiledName)) {
    line(IDS_CREATED, projectName);
    if (project.textIncomplete) {
      line(IDS_PROJECT_INCOMPLETE, projectName);
      ++problems_;
    }
  } else {
    ++problems_;
  }
  if (onBusy) onBusy(false);
}

bool DecompileRun::enterLevel(const std::string& subPath) {
  if (!subPath.empty()) {
    // The folder made or found for this level by storage() just before.
    levels_[subPath] = std::move(pendingFolder_);
    if (pendingFresh_) fresh_.insert(subPath);
  }
  return !checkCancelled();
}

void DecompileRun::leaveLevel(const std::string& subPath) {
  if (!subPath.empty()) {
    levels_.erase(subPath);
    fresh_.erase(subPath);
  }
}

WalkStep DecompileRun::storage(const WalkElement& element) {
  if (element.isSystemName()) return WalkStep::Skip;
  const std::string local = localPath(element);
  if (!isPlainElementName(element.name)) {
    // A name that would leave its folder ("..", an absolute or compound
    // path) is never written.
    ++problems_;
    line(IDS_SKIPPED, local);
    return WalkStep::Skip;
  }
  const FolderHandle& parent = folderOf(element.subPath);
  bool created = false;
  for (;;) {
    const EntryKind kind = entryKind(parent, element.name);
    if (kind == EntryKind::Folder) break;
    if (kind == EntryKind::Missing) {
      created = createFolder(parent, element.name);
      if (created) break;
      ++problems_;
      ask(IDS_CANNOT_CREATE, local, MB_ICONERROR);
      line(IDS_CANNOT_CREATE_FOLDER_LINE, local);
      return WalkStep::EndLevel;
    }
    const int answer = ask(IDS_EXISTS_AS_FILE, local, MB_ABORTRETRYIGNORE | MB_ICONWARNING);
    if (answer == IDABORT) {
      cancelled_ = true;
      return WalkStep::EndLevel;
    }
    if (answer == IDIGNORE) {
      line(IDS_SKIPPED, local);
      return WalkStep::Skip;
    }
  }
  ++folders_;
  pendingFolder_ = parent.openChild(element.name);
  pendingFresh_ = created;
  return WalkStep::Continue;
}

bool DecompileRun::readStream(const WalkElement& element, std::string& data,
                              std::unique_ptr<sysfile::AtomicOutput>* file) {
  ComPtr<IStream> stream;
  if (!ItsStorage::nameFits(element.name.c_str()) ||
      FAILED(element.level->OpenStream(element.name.c_str(), nullptr, STGM_READWRITE, 0,
                                       stream.put())) ||
      !stream) {
    ++problems_;
    line(IDS_CANNOT_OPEN, localPath(element));
    return false;
  }
  if (file && prefetch_ && prefetch_->take(element.path(), element.size, data, *file)) return true;
  data.clear();
  // All S bytes must arrive; a failed or short read is a damaged file.
  std::uint32_t left = element.size;
  while (left > 0) {
    const ULONG want = left < kReadPiece ? left : kReadPiece;
    const std::size_t at = data.size();
    data.resize(at + want);
    ULONG got = 0;
    if (FAILED(stream->Read(data.data() + at, want, &got)) || got != want) {
      ++problems_;
      line(IDS_CANNOT_READ_FILE, localPath(element));
      return false;
    }
    left -= want;
  }
  return true;
}

WalkStep DecompileRun::stream(const WalkElement& element) {
  if (element.isSystemName()) return WalkStep::Continue;
  sink_.step();
  if (checkCancelled()) return WalkStep::EndLevel;
  const std::string local = localPath(element);
  if (!isPlainElementName(element.name)) {
    ++problems_;
    line(IDS_SKIPPED, local);
    return WalkStep::Continue;
  }
  const FolderHandle& folder = folderOf(element.subPath);
  // A folder this run made holds only files this run wrote, and those are
  // never read-only: the look at the file's attributes is saved there.
  const bool fresh = fresh_.count(element.subPath) != 0;
  while (!fresh && isReadOnly(folder, element.name)) {
    const int answer = ask(IDS_FILE_READ_ONLY, local, MB_ABORTRETRYIGNORE | MB_ICONWARNING);
    if (answer == IDABORT) {
      cancelled_ = true;
      return WalkStep::EndLevel;
    }
    if (answer == IDIGNORE) {
      line(IDS_SKIPPED, local);
      return WalkStep::Continue;
    }
  }
  std::string data;
  std::unique_ptr<sysfile::AtomicOutput> file;
  if (!readStream(element, data, &file)) return WalkStep::Continue;
  WriteResult written = file ? placeWholeFile(folder, element.name, *file)
                             : writeWholeFile(folder, element.name, data.data(), data.size());
  if (file && written == WriteResult::WriteFailed && file->error() == EXDEV) {
    // The folder lies on another file system than the one the bytes went to.
    if (!readStream(element, data, nullptr)) return WalkStep::Continue;
    written = writeWholeFile(folder, element.name, data.data(), data.size());
  }
  if (prefetch_) prefetch_->recycle(std::move(data));
  switch (written) {
    case WriteResult::Written: {
      ++files_;
      std::string written = local;
      std::replace(written.begin(), written.end(), '\\', '/');
      written_.insert(std::move(written));
      return WalkStep::Continue;
    }
    case WriteResult::CannotCreate:
      ++problems_;
      line(IDS_CANNOT_CREATE_FILE, local);
      return WalkStep::Continue;
    case WriteResult::WriteFailed:
      break;
  }
  ++problems_;
  ask(IDS_WRITE_ERROR, local, MB_ICONERROR);
  line(IDS_WRITE_ERROR_LINE, local);
  cancelled_ = true;
  writeFailed_ = true;
  return WalkStep::EndLevel;
}

DecompileOutcome decompile(const DecompileRequest& request, ResultSink& sink, Prompter& prompter) {
  std::int32_t range;
  {
    ScopedPrompter scoped(prompter);
    range = countStreams(request.openPath().c_str(), false);
  }
  // The count has already said that the source cannot be opened.
  if (range < 0) return DecompileOutcome::Failed;
  struct stat st {};
  if (::stat(request.target.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    prompter.ask(FormatMessageText(LoadStr(IDS_INVALID_FOLDER), request.target), MB_ICONERROR);
    return DecompileOutcome::Failed;
  }
  DecompileRun run(sink, prompter);
  if (!run.open(request.openPath())) return DecompileOutcome::Failed;
  run.run(request, range);
  run.close();
  if (run.cancelled()) {
    sink.appendLine(LoadStr(IDS_CANCELLED_LINE));
    // A run stopped by a failed write failed; only the user cancels.
    return run.writeFailed() ? DecompileOutcome::Failed : DecompileOutcome::Cancelled;
  }
  return run.problems() ? DecompileOutcome::Incomplete : DecompileOutcome::Completed;
}
