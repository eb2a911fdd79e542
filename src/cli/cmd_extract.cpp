// wrenlow-cli extract: every non-empty stream of a compiled help file,
// written below a folder at its internal path.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "cli/command.h"
#include "cli/progress.h"
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

class FileWriter final : public itss::BulkSink {
 public:
  FileWriter(std::string outDir, const std::string& source, std::size_t count)
      : out_(std::move(outDir)), source_(source) {
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
    std::string path = out_ + "/" + rel;
    if (!makeParents(path)) {
      bar_.advance();
      report(e, std::strerror(errno));
      return false;
    }
    // Never through a symbolic link, and only in place of a regular file; the
    // file takes its name only when complete and undamaged.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
      bar_.advance();
      report(e, "not a regular file");
      return false;
    }
    if (!file_.begin(path)) {
      bar_.advance();
      report(e, file_.problem() == sysfile::AtomicOutput::Problem::ReadOnly
                    ? "read-only"
                    : std::strerror(file_.error()));
      return false;
    }
    return true;
  }
  bool data(const std::uint8_t* p, std::size_t n) override {
    if (file_.write(std::string_view(reinterpret_cast<const char*>(p), n))) return true;
    writeError_ = errno ? errno : EIO;
    return false;
  }
  void end(const itss::DirEntry& e, itss::HRESULT status) override {
    if (file_.fd() < 0) return;
    bar_.advance();
    if (writeError_) {
      file_.discard();
      report(e, std::strerror(writeError_));
      writeError_ = 0;
    } else if (itss::FAILED(status)) {
      file_.discard();
      char buf[64];
      std::snprintf(buf, sizeof buf, "damaged data (0x%08X)", static_cast<unsigned>(status));
      report(e, buf);
    } else if (!file_.commit({}, false)) {
      report(e, std::strerror(file_.error()));
    } else {
      ++written_;
    }
  }
  bool failed() const { return failed_; }
  unsigned long written() const { return written_; }

 private:
  bool makeParents(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::string dir = path.substr(0, slash);
    if (made_.count(dir)) return true;
    for (std::size_t i = out_.size() + 1; i <= dir.size(); ++i) {
      if (i < dir.size() && dir[i] != '/') continue;
      std::string d = dir.substr(0, i);
      if (made_.count(d)) continue;
      if (::mkdir(d.c_str(), 0755) != 0 && errno != EEXIST) return false;
      struct stat st {};
      if (::lstat(d.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
      }
      made_.insert(d);
    }
    return true;
  }
  void report(const itss::DirEntry& e, const char* why) {
    clearProgress();
    std::fprintf(stderr, "wrenlow-cli: %s: %s: %s\n", source_.c_str(), e.name.c_str(), why);
    failed_ = true;
  }

  std::string out_;
  const std::string& source_;
  std::unordered_set<std::string> made_;
  sysfile::AtomicOutput file_;
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
  FileWriter writer(out, file, wanted.size());
  itss::readEntries(*container, wanted, writer);
  if (container->damaged())
    std::fprintf(stderr, "wrenlow-cli: %s: the directory is damaged; some entries may be missing\n",
                 file.c_str());
  return writer.failed() || container->damaged() ? 1 : 0;
}

}  // namespace
}  // namespace cli
