// The file being written: creation, the spool of stream data, and the
// assembly of the complete container when the root storage is released.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <new>
#include <system_error>
#include <thread>

#include "platform/itss/bytes.h"
#include "platform/itss/writer.h"
#include "platform/itss/writer_internal.h"
#include "platform/lzx/lzx_encoder.h"
#include "platform/lzx/lzx_tables.h"

namespace itss::wr {
namespace {

// Words of the ITS control data record (index = byte offset / 4 - 1).
constexpr int kCtlBlockSize = 3;
constexpr int kCtlCompress = 5;
constexpr int kCtlResetBlocks = 9;
constexpr int kCtlWindowBlocks = 10;

constexpr std::uint32_t kItsfHeaderSize = 0x60;
constexpr std::uint32_t kHeaderSection0Size = 0x18;
constexpr std::uint32_t kItspSize = 0x54;
constexpr std::uint32_t kResetTableHeader = 0x28;
constexpr std::uint32_t kLcid = 0x409;

const std::uint8_t kItsfGuid1[16] = {0x10, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                     0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
const std::uint8_t kItsfGuid2[16] = {0x11, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                     0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
const std::uint8_t kItspGuid[16] = {0x6A, 0x92, 0x02, 0x5D, 0x2E, 0x21, 0xD0, 0x11,
                                    0x9D, 0xF9, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};

constexpr const char* kNameListName = "::DataSpace/NameList";
constexpr const char* kContentName = "::DataSpace/Storage/MSCompressed/Content";
constexpr const char* kControlDataName = "::DataSpace/Storage/MSCompressed/ControlData";
constexpr const char* kSpanInfoName = "::DataSpace/Storage/MSCompressed/SpanInfo";
constexpr const char* kTransformListName = "::DataSpace/Storage/MSCompressed/Transform/List";
constexpr const char* kInstanceDataName =
    "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
    "InstanceData/";
constexpr const char* kResetTableName =
    "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
    "InstanceData/ResetTable";

HRESULT errnoStatus(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
      return STG_E_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS:
      return STG_E_ACCESSDENIED;
    case EEXIST:
      return STG_E_FILEALREADYEXISTS;
    case ENOSPC:
    case EDQUOT:
      return STG_E_MEDIUMFULL;
    case ENOMEM:
      return E_OUTOFMEMORY;
    case EMFILE:
    case ENFILE:
      return STG_E_TOOMANYOPENFILES;
    default:
      return STG_E_WRITEFAULT;
  }
}

bool writeAll(int fd, const void* data, std::size_t n, std::uint64_t off) {
  auto* p = static_cast<const std::uint8_t*>(data);
  while (n) {
    ssize_t w = ::pwrite(fd, p, n, static_cast<off_t>(off));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<std::size_t>(w);
    off += static_cast<std::uint64_t>(w);
  }
  return true;
}

bool readAll(int fd, void* data, std::size_t n, std::uint64_t off) {
  auto* p = static_cast<std::uint8_t*>(data);
  while (n) {
    ssize_t r = ::pread(fd, p, n, static_cast<off_t>(off));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<std::size_t>(r);
    off += static_cast<std::uint64_t>(r);
  }
  return true;
}

std::string utf16Name(const char* ascii) {
  std::string s;
  for (const char* p = ascii; *p; ++p) appendLe16(s, static_cast<std::uint8_t>(*p));
  return s;
}

// Sequential writer into the output file with a modest buffer.
class OutFile {
 public:
  explicit OutFile(int fd) : fd_(fd) {}
  bool put(const void* data, std::size_t n) {
    auto* p = static_cast<const char*>(data);
    if (buf_.size() + n > kBuffer && !flush()) return false;
    if (n >= kBuffer) {
      if (!writeAll(fd_, p, n, pos_)) return false;
      pos_ += n;
      return true;
    }
    buf_.append(p, n);
    return true;
  }
  bool put(const std::string& s) { return put(s.data(), s.size()); }
  bool flush() {
    if (buf_.empty()) return true;
    if (!writeAll(fd_, buf_.data(), buf_.size(), pos_)) return false;
    pos_ += buf_.size();
    buf_.clear();
    return true;
  }
  std::uint64_t position() const { return pos_ + buf_.size(); }

 private:
  static constexpr std::size_t kBuffer = 1 << 20;
  int fd_;
  std::string buf_;
  std::uint64_t pos_ = 0;
};

struct Placed {
  std::string name;
  const Node* node;  // null for storages
};

// The extension of a stream's name (after its last dot), or nothing.
std::string typeOf(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  const std::size_t dot = name.rfind('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash)
             ? name.substr(dot + 1)
             : std::string();
}

void collect(const Node& n, const std::string& prefix, std::vector<Placed>& out) {
  for (const auto& [key, child] : n.children) {
    if (child->storage) {
      std::string dir = prefix + child->name + "/";
      out.push_back({dir, nullptr});
      collect(*child, dir, out);
    } else {
      out.push_back({prefix + child->name, child.get()});
    }
  }
}

// The header's time stamp: SOURCE_DATE_EPOCH when set, so that a build
// of the same input gives the same bytes; else the current time.
std::uint32_t headerTimeStamp() {
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    char* end = nullptr;
    const unsigned long long v = std::strtoull(epoch, &end, 10);
    if (end && end != epoch && *end == '\0') return static_cast<std::uint32_t>(v);
  }
  return static_cast<std::uint32_t>(::time(nullptr));
}

// Compresses the section-1 bytes (the given streams, in order) reset interval
// by reset interval into the content file. Worker threads take intervals as
// they are read and may finish them out of order; the results are written in
// order. No worker waits for a slower neighbour, so every core stays busy
// until the last intervals. Each interval is compressed on its own, so the
// bytes do not depend on the number of workers.
class SectionCompressor {
 public:
  using Reader = std::function<bool(const Node&, std::uint64_t, std::uint8_t*, std::uint64_t)>;
  SectionCompressor(const LzxParams& p, Reader read, int content, unsigned threads)
      : params_(p), read_(std::move(read)), content_(content) {
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    threads_ = threads;
  }
  ~SectionCompressor() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : workers_) t.join();
  }

  bool run(const std::vector<const Node*>& streams, std::uint64_t total,
           std::vector<std::uint64_t>& frameOffsets, std::uint64_t& compressedSize) {
    for (unsigned i = 0; i < threads_; ++i) workers_.emplace_back([this] { work(); });
    const std::size_t interval = std::size_t{params_.resetFrames} * lzx::kFrameSize;
    // Intervals read but not yet written: enough to keep every worker fed
    // while the oldest one is still being compressed.
    const std::size_t maxAhead = 2 * std::size_t{threads_} + 1;
    std::size_t submitted = 0, written = 0;
    std::uint64_t writtenBytes = 0;
    bool ok = true;
    // Writes the finished intervals that are next in order; with wait, first
    // waits until there is one (or a worker failed).
    auto writeReady = [&](bool wait) {
      std::unique_lock<std::mutex> lock(mutex_);
      if (wait) changed_.wait(lock, [&] { return failed_ || done_.count(written) != 0; });
      ok = ok && !failed_;
      for (auto it = done_.find(written); ok && it != done_.end(); it = done_.find(written)) {
        Result r = std::move(it->second);
        done_.erase(it);
        lock.unlock();
        for (std::uint64_t off : r.frames) frameOffsets.push_back(writtenBytes + off);
        ok = writeAll(content_, r.out.data(), r.out.size(), writtenBytes);
        writtenBytes += r.out.size();
        ++written;
        lock.lock();
      }
    };
    std::size_t si = 0;
    std::uint64_t inStream = 0;
    std::uint64_t done = 0;
    while (done < total && ok) {
      std::vector<std::uint8_t> chunk;
      chunk.reserve(interval);
      // Fill one interval from the streams, piece by piece.
      while (chunk.size() < interval && si < streams.size()) {
        const Node& n = *streams[si];
        const std::uint64_t take =
            std::min<std::uint64_t>(interval - chunk.size(), n.size - inStream);
        const std::size_t at = chunk.size();
        chunk.resize(at + take);
        if (!read_(n, inStream, chunk.data() + at, take)) return false;
        inStream += take;
        if (inStream == n.size) {
          ++si;
          inStream = 0;
        }
      }
      if (si == streams.size() && done + chunk.size() < total) {
        // Unclaimed tail bytes of the section (see assemble()).
        chunk.resize(std::min<std::uint64_t>(interval, total - done), 0);
      }
      done += chunk.size();
      while (ok && submitted - written >= maxAhead) writeReady(true);
      writeReady(false);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back({submitted++, std::move(chunk)});
      }
      changed_.notify_all();
    }
    while (ok && written < submitted) writeReady(true);
    compressedSize = writtenBytes;
    return ok && done == total;
  }

 private:
  struct Job {
    std::size_t index;
    std::vector<std::uint8_t> in;
  };
  struct Result {
    std::vector<std::uint8_t> out;
    std::vector<std::uint64_t> frames;
  };

  void work() {
    std::unique_ptr<lzx::Encoder> enc;
    for (;;) {
      Job job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || !jobs_.empty(); });
        if (stop_) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      Result r;
      try {
        if (!enc) {
          enc = std::make_unique<lzx::Encoder>(
              params_.windowBits, params_.fast ? lzx::Level::Fast : lzx::Level::Strong);
          enc->setCallTranslation(params_.translateCalls ? lzx::Calls::Auto : lzx::Calls::Never);
        }
        r.out.reserve(job.in.size() / 2 + 64);
        enc->compressInterval(job.in.data(), job.in.size(), r.out, r.frames);
      } catch (const std::bad_alloc&) {
        std::lock_guard<std::mutex> lock(mutex_);
        failed_ = true;
        changed_.notify_all();
        return;
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        done_.emplace(job.index, std::move(r));
      }
      changed_.notify_all();
    }
  }

  LzxParams params_;
  Reader read_;
  int content_;
  unsigned threads_ = 1;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable changed_;  // a job queued, an interval done, a failure, stop
  std::deque<Job> jobs_;
  std::map<std::size_t, Result> done_;
  bool failed_ = false;
  bool stop_ = false;
};

}  // namespace

int openTempFile(const std::string& dir) {
#ifdef O_TMPFILE
  if (!dir.empty()) {
    int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
  }
#endif
  const char* tmp = std::getenv("TMPDIR");
  std::string base = dir.empty() ? std::string(tmp && *tmp ? tmp : "/tmp") : dir;
  std::string pattern = base + "/.wrenlow-spool-XXXXXX";
  int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0 && !dir.empty()) {
    pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/.wrenlow-spool-XXXXXX";
    fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  }
  if (fd >= 0) ::unlink(pattern.c_str());
  return fd;
}

FileWriter::~FileWriter() {
  if (spool_ >= 0) ::close(spool_);
}

namespace {

HRESULT outputStatus(const sysfile::AtomicOutput& out) {
  using Problem = sysfile::AtomicOutput::Problem;
  switch (out.problem()) {
    case Problem::ReadOnly:
      return STG_E_ACCESSDENIED;
    case Problem::NotRegular:
      return STG_E_INVALIDNAME;
    case Problem::Exists:
      return STG_E_FILEALREADYEXISTS;
    case Problem::None:
    case Problem::Create:
    case Problem::Write:
      break;
  }
  return errnoStatus(out.error());
}

}  // namespace

HRESULT FileWriter::create(const char* path, DWORD mode, const ITS_Control_Data& control,
                           std::shared_ptr<FileWriter>& out) {
  if (!path || !*path) return STG_E_INVALIDNAME;
  std::shared_ptr<FileWriter> w(new FileWriter());
  // Nothing reaches path before the container is complete.
  if (!w->out_.begin(path, (mode & STGM_CREATE) != 0)) return outputStatus(w->out_);
  std::string p(path);
  std::size_t slash = p.rfind('/');
  w->dir_ = slash == std::string::npos ? "." : (slash == 0 ? "/" : p.substr(0, slash));
  w->spool_ = openTempFile(w->dir_);
  if (w->spool_ < 0) return errnoStatus(errno);
  w->chunkSize_ = directoryChunkSize(control.words[kCtlBlockSize]);
  w->compress_ = (control.words[kCtlCompress] & 1) != 0;
  w->lzx_ = lzxParamsFor(control.words[kCtlResetBlocks], control.words[kCtlWindowBlocks]);
  w->lzx_.fast = control.fastLzx;
  w->lzx_.translateCalls = control.translateCalls;
  w->compressThreads_ = control.compressThreads;
  w->root = std::make_shared<Node>();
  w->root->storage = true;
  out = std::move(w);
  return S_OK;
}

HRESULT FileWriter::writeAt(Node& node, std::uint64_t pos, const void* data, std::uint64_t n) {
  if (n == 0) return S_OK;
  if (finished_) return STG_E_REVERTED;
  if (!writeAll(spool_, data, n, spoolEnd_)) return errnoStatus(errno ? errno : ENOSPC);
  const Extent added{spoolEnd_, n};
  spoolEnd_ += n;
  if (pos == node.size) {
    if (!node.extents.empty()) {
      Extent& last = node.extents.back();
      if (last.spoolOffset != Extent::kHole &&
          last.spoolOffset + last.length == added.spoolOffset) {
        last.length += n;
        node.size += n;
        return S_OK;
      }
    }
    node.extents.push_back(added);
    node.size += n;
    return S_OK;
  }
  if (pos > node.size) {
    node.extents.push_back({Extent::kHole, pos - node.size});
    node.extents.push_back(added);
    node.size = pos + n;
    return S_OK;
  }
  // Overwrite inside: keep what lies before pos and after pos + n.
  std::vector<Extent> result;
  std::uint64_t at = 0;
  const std::uint64_t end = pos + n;
  bool placed = false;
  for (const Extent& e : node.extents) {
    const std::uint64_t eEnd = at + e.length;
    if (eEnd <= pos) {
      result.push_back(e);
    } else {
      if (at < pos) result.push_back({e.spoolOffset, pos - at});
      if (!placed) {
        result.push_back(added);
        placed = true;
      }
      if (eEnd > end) {
        std::uint64_t skip = std::max(end, at) - at;
        result.push_back({e.spoolOffset == Extent::kHole ? Extent::kHole : e.spoolOffset + skip,
                          e.length - skip});
      }
    }
    at = eEnd;
  }
  if (!placed) result.push_back(added);
  node.extents = std::move(result);
  node.size = std::max(node.size, end);
  return S_OK;
}

HRESULT FileWriter::readAt(const Node& node, std::uint64_t pos, void* data, std::uint64_t n,
                           std::uint64_t* got) const {
  *got = 0;
  if (pos >= node.size) return S_OK;
  n = std::min(n, node.size - pos);
  auto* out = static_cast<std::uint8_t*>(data);
  std::uint64_t at = 0;
  for (const Extent& e : node.extents) {
    const std::uint64_t eEnd = at + e.length;
    if (eEnd > pos && *got < n) {
      std::uint64_t skip = pos + *got - at;
      std::uint64_t take = std::min(e.length - skip, n - *got);
      if (e.spoolOffset == Extent::kHole)
        std::memset(out + *got, 0, take);
      else if (!readAll(spool_, out + *got, take, e.spoolOffset + skip))
        return STG_E_READFAULT;
      *got += take;
    }
    at = eEnd;
  }
  return S_OK;
}

HRESULT FileWriter::resize(Node& node, std::uint64_t newSize) {
  if (finished_) return STG_E_REVERTED;
  if (newSize >= node.size) {
    if (newSize > node.size) node.extents.push_back({Extent::kHole, newSize - node.size});
    node.size = newSize;
    return S_OK;
  }
  std::vector<Extent> result;
  std::uint64_t at = 0;
  for (const Extent& e : node.extents) {
    if (at >= newSize) break;
    result.push_back({e.spoolOffset, std::min(e.length, newSize - at)});
    at += e.length;
  }
  node.extents = std::move(result);
  node.size = newSize;
  return S_OK;
}

HRESULT FileWriter::finish(DWORD commitFlags) {
  if (finished_) return S_OK;
  HRESULT hr;
  try {
    hr = assemble();
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  } catch (const std::system_error&) {  // no thread for the compressor
    hr = E_OUTOFMEMORY;
  }
  finished_ = true;
  if (spool_ >= 0) ::close(spool_);
  spool_ = -1;
  if (SUCCEEDED(hr) && (commitFlags & STGC_ONLYIFSMALLER)) {
    struct stat now {
    }, old{};
    if (::fstat(out_.fd(), &now) != 0) {
      hr = errnoStatus(errno);
    } else if (::stat(out_.path().c_str(), &old) == 0 && S_ISREG(old.st_mode) &&
               now.st_size >= old.st_size) {
      out_.discard();
      return S_FALSE;
    }
  }
  if (FAILED(hr)) {
    out_.discard();
    return hr;
  }
  return out_.commit() ? S_OK : outputStatus(out_);
}

void FileWriter::revert() {
  finished_ = true;
  if (spool_ >= 0) ::close(spool_);
  spool_ = -1;
  out_.discard();
}

HRESULT FileWriter::assemble() {
  std::vector<Placed> placed;
  placed.push_back({"/", nullptr});
  collect(*root, "/", placed);

  std::sort(placed.begin(), placed.end(),
            [](const Placed& a, const Placed& b) { return directoryLess(a.name, b.name); });

  std::vector<DirEntry> entries;
  std::vector<std::size_t> sectionOrder;                    // entry indexes
  std::vector<std::pair<std::size_t, const Node*>> stored;  // entry index, node
  for (const Placed& p : placed) {
    DirEntry e{p.name, 0, 0, 0};
    if (p.node && p.node->size > 0) {
      e.length = p.node->size;
      if (compress_) {
        e.section = 1;
        sectionOrder.push_back(entries.size());
      } else {
        stored.emplace_back(entries.size(), p.node);
      }
    }
    entries.push_back(std::move(e));
  }
  // Section-1 (compressed) streams grouped by file type, each group in
  // directory order: pages next to pages and images next to images give the
  // LZ window more to match than the mixture of one folder.
  std::stable_sort(sectionOrder.begin(), sectionOrder.end(), [&](std::size_t a, std::size_t b) {
    return foldName(typeOf(entries[a].name)) < foldName(typeOf(entries[b].name));
  });
  std::vector<const Node*> compressed;
  std::uint64_t sectionLength = 0;
  for (std::size_t i : sectionOrder) {
    entries[i].offset = sectionLength;
    sectionLength += entries[i].length;
    compressed.push_back(placed[i].node);
  }

  // Free Pascal's reader decodes one frame past the end of a file that ends
  // exactly on a frame boundary; when that is the end of the section, the
  // frame does not exist and the file cannot be read. One unclaimed byte at
  // the end of such a section gives it that frame.
  if (sectionLength > 0 && sectionLength % lzx::kFrameSize == 0) ++sectionLength;

  // The compressed section goes to a temporary file first: its length decides
  // the directory entry of Content and with it the size of the directory.
  std::vector<std::uint64_t> frameOffsets;
  std::uint64_t compressedSize = 0;
  int content = -1;
  if (sectionLength > 0) {
    content = openTempFile(dir_);
    if (content < 0) return errnoStatus(errno);
    SectionCompressor sc(
        lzx_,
        [this](const Node& n, std::uint64_t pos, std::uint8_t* dst, std::uint64_t len) {
          std::uint64_t got = 0;
          return SUCCEEDED(readAt(n, pos, dst, len, &got)) && got == len;
        },
        content, compressThreads_);
    if (!sc.run(compressed, sectionLength, frameOffsets, compressedSize)) {
      ::close(content);
      return STG_E_WRITEFAULT;
    }
  }
  struct CloseContent {
    int fd;
    ~CloseContent() {
      if (fd >= 0) ::close(fd);
    }
  } closeContent{content};

  // Section-0 files: the data space description, then stored streams, then Content.
  std::string nameList;
  appendLe16(nameList, 30);
  appendLe16(nameList, 2);
  for (const char* s : {"Uncompressed", "MSCompressed"}) {
    appendLe16(nameList, static_cast<std::uint16_t>(std::strlen(s)));
    nameList += utf16Name(s);
    appendLe16(nameList, 0);
  }
  const std::string transformList = utf16Name("{7FC28940-9D31-11D0");
  std::string spanInfo;
  appendLe64(spanInfo, sectionLength);
  std::string controlData;
  appendLe32(controlData, 6);
  controlData += "LZXC";
  appendLe32(controlData, 2);
  appendLe32(controlData, lzx_.resetFrames);
  appendLe32(controlData, lzx_.windowUnits);
  appendLe32(controlData, lzx_.windowUnits / 2);
  appendLe32(controlData, 0);
  // One entry per frame; 7-Zip wants floor((length + 1) / frame) + 1 entries,
  // one more than there are frames for some lengths: that extra entry holds
  // the compressed length, as older writers did.
  const std::uint64_t entryCount = (sectionLength + 1) / lzx::kFrameSize + 1;
  while (frameOffsets.size() < entryCount) frameOffsets.push_back(compressedSize);
  std::string resetTable;
  appendLe32(resetTable, 2);
  appendLe32(resetTable, static_cast<std::uint32_t>(entryCount));
  appendLe32(resetTable, 8);
  appendLe32(resetTable, kResetTableHeader);
  appendLe64(resetTable, sectionLength);
  appendLe64(resetTable, compressedSize);
  appendLe64(resetTable, lzx::kFrameSize);
  for (std::uint64_t i = 0; i < entryCount; ++i) appendLe64(resetTable, frameOffsets[i]);

  std::uint64_t sec0 = 0;
  auto place = [&](const char* name, std::uint64_t length) {
    entries.push_back({name, 0, length ? sec0 : 0, length});
    sec0 += length;
  };
  place(kNameListName, nameList.size());
  place(kTransformListName, transformList.size());
  place(kSpanInfoName, spanInfo.size());
  place(kControlDataName, controlData.size());
  place(kResetTableName, resetTable.size());
  entries.push_back({kInstanceDataName, 0, 0, 0});
  for (auto& [index, node] : stored) {
    entries[index].offset = sec0;
    sec0 += node->size;
  }
  const std::uint64_t contentOffset = sec0;
  entries.push_back({kContentName, 0, compressedSize ? contentOffset : 0, compressedSize});
  sec0 += compressedSize;
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return directoryLess(a.name, b.name); });

  Directory dir;
  if (!buildDirectory(entries, chunkSize_, dir)) return STG_E_INVALIDNAME;

  const std::uint64_t itspOffset = kItsfHeaderSize + kHeaderSection0Size;
  const std::uint64_t itspLength = kItspSize + dir.chunks.size();
  const std::uint64_t section0Offset = itspOffset + itspLength;
  const std::uint64_t fileLength = section0Offset + sec0;

  std::string head(kItsfHeaderSize + kHeaderSection0Size + kItspSize, '\0');
  auto* h = reinterpret_cast<std::uint8_t*>(head.data());
  std::memcpy(h, "ITSF", 4);
  putLe32(h + 0x04, 3);
  putLe32(h + 0x08, kItsfHeaderSize);
  putLe32(h + 0x0C, 1);
  putLe32(h + 0x10, headerTimeStamp());
  putLe32(h + 0x14, kLcid);
  std::memcpy(h + 0x18, kItsfGuid1, 16);
  std::memcpy(h + 0x28, kItsfGuid2, 16);
  putLe64(h + 0x38, kItsfHeaderSize);
  putLe64(h + 0x40, kHeaderSection0Size);
  putLe64(h + 0x48, itspOffset);
  putLe64(h + 0x50, itspLength);
  putLe64(h + 0x58, section0Offset);
  std::uint8_t* s0 = h + kItsfHeaderSize;
  putLe32(s0, 0x1FE);
  putLe64(s0 + 8, fileLength);
  std::uint8_t* sp = s0 + kHeaderSection0Size;
  std::memcpy(sp, "ITSP", 4);
  putLe32(sp + 0x04, 1);
  putLe32(sp + 0x08, kItspSize);
  putLe32(sp + 0x0C, 0x0A);
  putLe32(sp + 0x10, chunkSize_);
  putLe32(sp + 0x14, 2);
  putLe32(sp + 0x18, dir.depth);
  putLe32(sp + 0x1C, static_cast<std::uint32_t>(dir.rootIndex));
  putLe32(sp + 0x20, 0);
  putLe32(sp + 0x24, dir.lastListing);
  putLe32(sp + 0x28, 0xFFFFFFFFu);
  putLe32(sp + 0x2C, dir.chunkCount);
  putLe32(sp + 0x30, kLcid);
  std::memcpy(sp + 0x34, kItspGuid, 16);
  putLe32(sp + 0x44, kItspSize);
  putLe32(sp + 0x48, 0xFFFFFFFFu);
  putLe32(sp + 0x4C, 0xFFFFFFFFu);
  putLe32(sp + 0x50, 0xFFFFFFFFu);

  if (::ftruncate(out_.fd(), 0) != 0) return errnoStatus(errno);
  OutFile out(out_.fd());
  bool ok = out.put(head) && out.put(dir.chunks) && out.put(nameList) && out.put(transformList) &&
            out.put(spanInfo) && out.put(controlData) && out.put(resetTable);
  std::vector<std::uint8_t> buf(1 << 20);
  for (auto& [index, node] : stored) {
    for (std::uint64_t pos = 0; ok && pos < node->size;) {
      std::uint64_t got = 0;
      std::uint64_t want = std::min<std::uint64_t>(buf.size(), node->size - pos);
      if (FAILED(readAt(*node, pos, buf.data(), want, &got)) || got != want) return STG_E_READFAULT;
      ok = out.put(buf.data(), want);
      pos += want;
    }
  }
  for (std::uint64_t pos = 0; ok && pos < compressedSize;) {
    std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), compressedSize - pos));
    if (!readAll(content, buf.data(), want, pos)) return STG_E_READFAULT;
    ok = out.put(buf.data(), want);
    pos += want;
  }
  ok = ok && out.flush();
  if (!ok) return errnoStatus(errno ? errno : ENOSPC);
  return out.position() == fileLength ? S_OK : E_UNEXPECTED;
}

}  // namespace itss::wr
