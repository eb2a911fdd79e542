#include "decompile/stream_prefetch.h"

#include <vector>

#include "decompile/local_folder.h"
#include "platform/itss/itsf_bulk.h"
#include "platform/itss/reader_storage.h"

using namespace itss;

namespace {

// The streams a decompile writes: below the root, not folders, not empty, and
// with no path element beginning with "$" or "#".
bool isContentStream(const DirEntry& e) {
  if (e.length == 0 || e.name.size() < 2 || e.name[0] != '/' || e.name.back() == '/') return false;
  for (std::size_t i = 0; i < e.name.size(); ++i) {
    if (e.name[i] == '/' && i + 1 < e.name.size() && (e.name[i + 1] == '$' || e.name[i + 1] == '#'))
      return false;
  }
  return true;
}

}  // namespace

class StreamPrefetch::Sink : public BulkSink {
 public:
  explicit Sink(StreamPrefetch& owner) : o_(owner) {}

  bool begin(const DirEntry& e) override {
    std::unique_lock<std::mutex> l(o_.m_);
    while (!o_.stop_ && (o_.held_ >= o_.limit_ || o_.heldFiles_ >= o_.maxFiles_)) {
      o_.waitingForRoom_ = true;
      o_.cv_.notify_all();
      o_.cv_.wait(l);
    }
    o_.waitingForRoom_ = false;
    if (o_.stop_) return false;
    const long index = indexOf(e);
    if (index < 0 || o_.abandoned_.count(static_cast<std::size_t>(index))) return false;
    size_ = 0;
    file_.reset();
    if (o_.folder_ >= 0 && filesUsable_) {
      l.unlock();
      file_ = std::make_unique<sysfile::AtomicOutput>();
      if (file_->beginUnnamed(o_.folder_)) return true;
      // No unnamed files here (or none now): memory from here on.
      file_.reset();
      filesUsable_ = false;
      l.lock();
    }
    if (buffer_.capacity() == 0 && !o_.spare_.empty()) {
      buffer_ = std::move(o_.spare_.back());
      o_.spare_.pop_back();
    }
    buffer_.clear();
    if (e.length <= o_.limit_) buffer_.reserve(static_cast<std::size_t>(e.length));
    return true;
  }
  bool data(const std::uint8_t* p, std::size_t n) override {
    size_ += n;
    if (!file_) {
      buffer_.append(reinterpret_cast<const char*>(p), n);
      return true;
    }
    // A failed write leaves the stream to the walk.
    return file_->write(std::string_view(reinterpret_cast<const char*>(p), n));
  }
  void end(const DirEntry& e, HRESULT status) override {
    const long index = indexOf(e);
    std::lock_guard<std::mutex> l(o_.m_);
    if (index >= 0) {
      Item& item = o_.items_[static_cast<std::size_t>(index)];
      item.ok = SUCCEEDED(status) && size_ == e.length;
      if (item.ok) {
        if (file_) {
          item.file = std::move(file_);
          ++o_.heldFiles_;
        } else {
          item.data = std::move(buffer_);
        }
        item.size = size_;
        o_.held_ += size_;
      }
      item.done = true;
    }
    // The walk is woken for a run of streams, not for each: every wake-up is
    // a switch between threads, and the walk soon catches up again.
    if (o_.walkWaiting_ && ++o_.readySinceWait_ >= kWakeAfter) o_.cv_.notify_all();
  }

 private:
  long indexOf(const DirEntry& e) const {
    // The bulk reader hands back references into the directory itself.
    const auto& all = o_.file_->entries();
    if (&e < all.data() || &e >= all.data() + all.size()) return -1;
    return static_cast<long>(&e - all.data());
  }

  StreamPrefetch& o_;
  std::string buffer_;
  std::unique_ptr<sysfile::AtomicOutput> file_;
  std::size_t size_ = 0;  // bytes of the current stream so far
  bool filesUsable_ = true;
};

std::unique_ptr<StreamPrefetch> StreamPrefetch::start(IStorage* root, int folder,
                                                      std::size_t limit) {
  std::shared_ptr<ItsfFile> file = containerOf(root);
  if (!file) return nullptr;
  std::unique_ptr<StreamPrefetch> p(new StreamPrefetch(std::move(file), folder, limit));
  std::vector<std::size_t> wanted;
  const auto& all = p->file_->entries();
  for (std::size_t i = 0; i < all.size(); ++i)
    if (isContentStream(all[i])) wanted.push_back(i);
  p->byName_.reserve(wanted.size());
  for (std::size_t i : wanted) p->byName_.emplace(all[i].name, i);
  if (wanted.empty()) {
    p->finished_ = true;
    return p;
  }
  StreamPrefetch* raw = p.get();
  p->thread_ = std::thread([raw, w = std::move(wanted)]() mutable { raw->produce(std::move(w)); });
  return p;
}

StreamPrefetch::StreamPrefetch(std::shared_ptr<ItsfFile> file, int folder, std::size_t limit)
    : file_(std::move(file)),
      folder_(folder),
      limit_(limit),
      maxFiles_(descriptorsToHold(kMaxHeldFiles)) {}

StreamPrefetch::~StreamPrefetch() {
  {
    std::lock_guard<std::mutex> l(m_);
    stop_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void StreamPrefetch::produce(std::vector<std::size_t> wanted) {
  Sink sink(*this);
  readEntries(*file_, wanted, sink);
  std::lock_guard<std::mutex> l(m_);
  finished_ = true;
  cv_.notify_all();
}

bool StreamPrefetch::take(const std::string& path, std::uint32_t size, std::string& data,
                          std::unique_ptr<sysfile::AtomicOutput>& file) {
  std::string name = "/" + path;
  for (char& c : name)
    if (c == '\\') c = '/';
  // Mostly exactly as stored; otherwise (a folder spelt in other letters
  // elsewhere) the directory's own lookup knows it.
  const auto found = byName_.find(name);
  const long index = found != byName_.end() ? static_cast<long>(found->second) : file_->find(name);
  if (index < 0) return false;
  const auto i = static_cast<std::size_t>(index);
  std::unique_lock<std::mutex> l(m_);
  for (;;) {
    auto it = items_.find(i);
    if (it != items_.end() && it->second.done) {
      Item& item = it->second;
      const bool ok = item.ok && item.size == size;
      if (ok) {
        data = std::move(item.data);
        file = std::move(item.file);
      }
      held_ -= item.size;
      if (item.file || (ok && file)) --heldFiles_;
      items_.erase(it);
      // A reader waiting for room goes on once half of it is free again.
      if (waitingForRoom_ && held_ <= limit_ / 2 && heldFiles_ <= maxFiles_ / 2) cv_.notify_all();
      return ok;
    }
    // Not there: it comes later unless the reader is done or waits for room
    // that only the walk can make (the walk then reads this one itself, and
    // the reader passes over it). The reader waits for room only between
    // streams, so a stream being delivered always completes first.
    if (finished_ || stop_) {
      abandoned_.insert(i);
      return false;
    }
    if (waitingForRoom_) {
      if (held_ >= limit_ || heldFiles_ >= maxFiles_) {
        abandoned_.insert(i);
        return false;
      }
      cv_.notify_all();  // there is room: the reader goes on
    }
    walkWaiting_ = true;
    readySinceWait_ = 0;
    cv_.wait(l);
    walkWaiting_ = false;
  }
}

void StreamPrefetch::recycle(std::string&& buffer) {
  // Only buffers of ordinary size are kept; a few are enough for the reader.
  constexpr std::size_t kKeep = 8, kLargest = std::size_t{1} << 20;
  if (buffer.capacity() == 0 || buffer.capacity() > kLargest) return;
  std::lock_guard<std::mutex> l(m_);
  if (spare_.size() < kKeep) spare_.push_back(std::move(buffer));
}
