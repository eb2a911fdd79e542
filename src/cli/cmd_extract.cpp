// wrenlow-cli extract: every non-empty stream of a compiled help file,
// written below a folder at its internal path.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include "cli/command.h"
#include "cli/progress.h"
#include "decompile/local_folder.h"
#include "platform/itss/com_ptr.h"
#include "platform/itss/itsf_bulk.h"
#include "platform/itss/reader_storage.h"
#include "platform/itss/storage.h"
#include "platform/system/atomic_file.h"

namespace cli {
namespace {

// The relative output path of an internal name, or "" when the name could
// land outside the target folder (absolute after its leading "/", "..",
// "." or empty components).
std::string safeRelativePath(const std::string& name) {
  if (name.size() < 2 || name[0] != '/') return "";
  std::string rel = name.substr(1);
  for (char& c : rel)
    if (c == '\\') c = '/';
  std::size_t start = 0;
  for (;;) {
    std::size_t slash = rel.find('/', start);
    std::string part =
        rel.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (part.empty() || part == "." || part == "..") return "";
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return rel;
}

// Gives complete files their names on a thread of its own, so that naming
// them (and closing them) overlaps with writing the next ones. Files are
// handed over in runs: one wake-up of the thread per run, not per file.
class Committer {
 public:
  struct Failure {
    std::string name;
    std::string why;
  };

  Committer() {
    try {
      thread_ = std::thread([this] { work(); });
    } catch (const std::system_error&) {
      // No thread: files are named as they are handed over.
    }
  }
  ~Committer() { finish(); }

  void add(std::unique_ptr<sysfile::AtomicOutput> file, const std::string& name) {
    if (!thread_.joinable()) {
      place(*file, name);
      return;
    }
    std::unique_lock<std::mutex> l(m_);
    roomCv_.wait(l, [&] { return queue_.size() < maxQueued_; });
    queue_.push_back({std::move(file), name});
    if (queue_.size() >= std::min(kRun, maxQueued_) && !busy_) workCv_.notify_one();
  }
  // Waits until every file handed over has its name (the folders they go
  // to may then be closed).
  void drain() {
    std::unique_lock<std::mutex> l(m_);
    if (!queue_.empty()) workCv_.notify_one();
    roomCv_.wait(l, [&] { return queue_.empty() && !busy_; });
  }
  void finish() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> l(m_);
      done_ = true;
    }
    workCv_.notify_one();
    thread_.join();
  }
  // Valid after finish().
  const std::vector<Failure>& failures() const { return failures_; }
  unsigned long placed() const { return placed_; }

 private:
  // Files waiting at once (each holds a descriptor), and the run that wakes
  // the thread.
  const std::size_t maxQueued_ = descriptorsToHold(64);
  static constexpr std::size_t kRun = 16;

  struct Pending {
    std::unique_ptr<sysfile::AtomicOutput> file;
    std::string name;
  };

  void place(sysfile::AtomicOutput& file, const std::string& name) {
    if (file.commit({}, false)) {
      ++placed_;
      return;
    }
    using Problem = sysfile::AtomicOutput::Problem;
    failures_.push_back({name, file.problem() == Problem::ReadOnly ? "read-only"
                               : file.problem() == Problem::NotRegular
                                   ? "not a regular file"
                                   : std::strerror(file.error())});
  }
  void work() {
    std::vector<Pending> run;
    for (;;) {
      {
        std::unique_lock<std::mutex> l(m_);
        busy_ = false;
        roomCv_.notify_all();
        // Woken for a run (or to drain or finish); what is left after a run
        // goes at once.
        workCv_.wait(l, [&] { return done_ || !queue_.empty(); });
        if (queue_.empty() && done_) return;
        run.swap(queue_);
        busy_ = true;
        roomCv_.notify_all();
      }
      for (Pending& p : run) place(*p.file, p.name);
      run.clear();
    }
  }
  std::mutex m_;
  std::condition_variable workCv_, roomCv_;
  std::vector<Pending> queue_;
  bool busy_ = false;
  bool done_ = false;
  std::vector<Failure> failures_;  // written by the thread only until finish()
  unsigned long placed_ = 0;
  std::thread thread_;
};

// Writes each entry to a new file below the target folder. Every file is made
// by its name inside a folder descriptor held open (never by a path walked
// again for each file), and takes its name only when complete and undamaged;
// a file already there is replaced whole, and only when it is a regular file
// the user may write.
class FileWriter final : public itss::BulkSink {
 public:
  FileWriter(FolderHandle root, const std::string& source, std::size_t count)
      : root_(std::move(root)), source_(source) {
    bar_.setTotal(count);
  }

  bool begin(const itss::DirEntry& e) override {
    std::string rel = safeRelativePath(e.name);
    if (rel.empty()) {
      bar_.advance();
      clearProgress();
      std::fprintf(stderr,
                   "wrenlow-cli: %s: refused internal name %s (outside the target folder)\n",
                   source_.c_str(), e.name.c_str());
      failed_ = true;
      return false;
    }
    const std::size_t slash = rel.rfind('/');
    FolderHandle* folder = slash == std::string::npos ? &root_ : folderFor(rel.substr(0, slash));
    const char* why = nullptr;
    if (!folder)
      why = std::strerror(errno);
    else if (!folder->writable())
      why = "read-only";
    else if (file_ = std::make_unique<sysfile::AtomicOutput>(); !file_->beginInFolder(
                 folder->fd(), slash == std::string::npos ? rel : rel.substr(slash + 1)))
      why = std::strerror(file_->error());
    if (why) {
      bar_.advance();
      report(e, why);
      return false;
    }
    return true;
  }
  bool data(const std::uint8_t* p, std::size_t n) override {
    if (file_->write(std::string_view(reinterpret_cast<const char*>(p), n))) return true;
    writeError_ = errno ? errno : EIO;
    return false;
  }
  void end(const itss::DirEntry& e, itss::HRESULT status) override {
    if (!file_ || file_->fd() < 0) return;
    bar_.advance();
    if (writeError_) {
      file_.reset();
      report(e, std::strerror(writeError_));
      writeError_ = 0;
    } else if (itss::FAILED(status)) {
      file_.reset();
      char buf[64];
      std::snprintf(buf, sizeof buf, "damaged data (0x%08X)", static_cast<unsigned>(status));
      report(e, buf);
    } else {
      committer_.add(std::move(file_), e.name);
    }
  }
  // Waits for the last files to take their names and reports those that
  // could not.
  void finish() {
    committer_.finish();
    for (const Committer::Failure& f : committer_.failures()) report(f.name, f.why.c_str());
    written_ += committer_.placed();
  }
  bool failed() const { return failed_; }
  unsigned long written() const { return written_; }

 private:
  // Folders held open at once; past this the held ones are closed (entries
  // come in the order their data lie, which mostly keeps a folder's files
  // together, so few are opened twice).
  const std::size_t maxHeld_ = descriptorsToHold(256);

  // The folder at the "/"-separated path below the target, made where
  // missing; null with errno when a part cannot be made or is not a folder
  // (a symbolic link is never followed).
  FolderHandle* folderFor(const std::string& dir) {
    auto it = held_.find(dir);
    if (it != held_.end()) return &it->second;
    if (held_.size() >= maxHeld_) {
      committer_.drain();  // files on their way still need their folders
      held_.clear();
    }
    FolderHandle* parent = &root_;
    std::size_t start = 0;
    for (;;) {
      const std::size_t slash = dir.find('/', start);
      std::string prefix = dir.substr(0, slash);
      auto found = held_.find(prefix);
      if (found == held_.end()) {
        const std::string name =
            dir.substr(start, slash == std::string::npos ? slash : slash - start);
        if (::mkdirat(parent->fd(), name.c_str(), 0755) != 0 && errno != EEXIST) return nullptr;
        FolderHandle child = parent->openChild(name);
        if (!child.valid()) {
          if (errno == ELOOP) errno = ENOTDIR;
          return nullptr;
        }
        found = held_.emplace(std::move(prefix), std::move(child)).first;
      }
      if (slash == std::string::npos) return &found->second;
      parent = &found->second;
      start = slash + 1;
    }
  }
  void report(const itss::DirEntry& e, const char* why) { report(e.name, why); }
  void report(const std::string& name, const char* why) {
    clearProgress();
    std::fprintf(stderr, "wrenlow-cli: %s: %s: %s\n", source_.c_str(), name.c_str(), why);
    failed_ = true;
  }

  FolderHandle root_;
  const std::string& source_;
  std::unordered_map<std::string, FolderHandle> held_;
  std::unique_ptr<sysfile::AtomicOutput> file_;  // the entry being written
  Committer committer_;  // declared after the folders: gone before they close
  int writeError_ = 0;
  bool failed_ = false;
  unsigned long written_ = 0;
  ProgressBar bar_{"extract"};
};

int runExtract(const Args& args);
const CliCommand extract("extract", "extract FILE DIR",
                         "write every non-empty stream below DIR at its internal path", runExtract);

int runExtract(const Args& args) {
  if (args.size() != 2) return usageError(extract);
  const std::string& file = args[0];
  std::string out = args[1];
  while (out.size() > 1 && out.back() == '/') out.pop_back();

  itss::ComPtr<itss::IITStorage> engine;
  itss::ComPtr<itss::IStorage> root;
  itss::HRESULT hr = itss::CreateITStorage(engine.put());
  if (itss::SUCCEEDED(hr))
    hr =
        engine->StgOpenStorage(file.c_str(), nullptr, itss::STGM_READ | itss::STGM_SHARE_DENY_WRITE,
                               nullptr, 0, root.put());
  if (itss::FAILED(hr)) {
    std::fprintf(stderr, "wrenlow-cli: cannot open %s (0x%08X)\n", file.c_str(),
                 static_cast<unsigned>(hr));
    return 1;
  }
  auto container = itss::containerOf(root.get());
  if (!container) return 1;
  if (::mkdir(out.c_str(), 0755) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "wrenlow-cli: cannot create %s: %s\n", out.c_str(), std::strerror(errno));
    return 1;
  }
  // The streams a walk of the root storage reaches: every stored name below
  // "/" that is not a folder entry; the container's own "::" files are none.
  std::vector<std::size_t> wanted;
  const auto& entries = container->entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const itss::DirEntry& e = entries[i];
    if (e.length == 0 || e.name.empty() || e.name[0] != '/' || e.name.back() == '/') continue;
    wanted.push_back(i);
  }
  FolderHandle target = FolderHandle::openPath(out);
  if (!target.valid()) {
    std::fprintf(stderr, "wrenlow-cli: cannot open %s: %s\n", out.c_str(), std::strerror(errno));
    return 1;
  }
  FileWriter writer(std::move(target), file, wanted.size());
  itss::readEntries(*container, wanted, writer);
  writer.finish();
  if (container->damaged())
    std::fprintf(stderr, "wrenlow-cli: %s: the directory is damaged; some entries may be missing\n",
                 file.c_str());
  return writer.failed() || container->damaged() ? 1 : 0;
}

}  // namespace
}  // namespace cli
