// Bulk reads: entries sorted by where their data lie; the LZX section is
// decoded in batches of reset intervals by worker threads into a ring of
// buffers that the calling thread hands to the sink in order.
#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/itss/itsf_bulk.h"

namespace itss {

namespace {

constexpr std::uint64_t kBatchTarget = 1 << 20;  // bytes of output per batch
// Reset intervals longer than this are read frame by frame through the
// section's own decoder: a header must not make us hold whole intervals.
constexpr std::uint64_t kMaxIntervalBytes = 8 << 20;
constexpr std::uint64_t kRingBudget = 64 << 20;  // bytes of all slots together

struct FreeBytes {
  void operator()(std::uint8_t* p) const { std::free(p); }
};

// Decodes batches of reset intervals ahead of the reader. Batch b goes to
// slot b % ring; a slot is handed to batch b only when no worker still fills
// it and the reader no longer needs what it held.
class Prefetcher {
 public:
  static std::unique_ptr<Prefetcher> start(const LzxSection& s, std::uint64_t firstBatch,
                                           std::uint64_t endBatch, unsigned threads) {
    if (s.intervalBytes() > kMaxIntervalBytes) return nullptr;
    std::unique_ptr<Prefetcher> p(new Prefetcher(s, firstBatch, endBatch, threads));
    return p->workers_.empty() ? nullptr : std::move(p);
  }
  ~Prefetcher() {
    {
      std::lock_guard<std::mutex> l(m_);
      stop_ = true;
    }
    cv_.notify_all();
    for (auto& t : workers_) t.join();
  }
  static std::uint64_t batchBytesFor(const LzxSection& s) {
    return std::max<std::uint64_t>(1, kBatchTarget / s.intervalBytes()) * s.intervalBytes();
  }
  std::uint64_t batchBytes() const { return batchBytes_; }

  // Waits for batch b; null when it failed or lies outside the ring.
  const std::uint8_t* get(std::uint64_t b, std::size_t* len) {
    std::unique_lock<std::mutex> l(m_);
    if (b < low_ || b >= end_ || b >= low_ + ring_) return nullptr;
    Slot& sl = slots_[b % ring_];
    cv_.wait(l, [&] { return sl.batch == b && sl.done; });
    *len = sl.length;
    return sl.ok ? sl.data.get() : nullptr;
  }
  // Batches below b are no longer needed.
  void release(std::uint64_t b) {
    {
      std::lock_guard<std::mutex> l(m_);
      if (b <= low_) return;
      low_ = b;
      // Nobody waits for the batches passed over: decoding them would only
      // hold the slots the next live ones need.
      if (next_ < low_) next_ = low_;
    }
    cv_.notify_all();
  }
  std::uint64_t low() {
    std::lock_guard<std::mutex> l(m_);
    return low_;
  }

 private:
  struct Slot {
    std::uint64_t batch = ~std::uint64_t{0};
    bool done = false;
    bool busy = false;  // a worker writes into data
    bool ok = false;
    std::size_t length = 0;
    std::unique_ptr<std::uint8_t[], FreeBytes> data;
  };

  Prefetcher(const LzxSection& s, std::uint64_t firstBatch, std::uint64_t endBatch,
             unsigned threads)
      : s_(s), end_(endBatch), next_(firstBatch), low_(firstBatch) {
    per_ = std::max<std::uint64_t>(1, kBatchTarget / s.intervalBytes());
    batchBytes_ = per_ * s.intervalBytes();
    std::uint64_t fit = std::max<std::uint64_t>(2, kRingBudget / batchBytes_);
    ring_ = static_cast<std::size_t>(std::min<std::uint64_t>(std::uint64_t{threads} * 2 + 2, fit));
    threads = static_cast<unsigned>(std::min<std::uint64_t>(threads, ring_));
    slots_.resize(ring_);
    try {
      for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
      // Fewer workers than asked for; none leaves the reading to the caller.
    }
  }

  bool claimable() const {
    return next_ < end_ && next_ < low_ + ring_ && !slots_[next_ % ring_].busy;
  }

  void work() {
    lzx::Decoder dec;
    for (;;) {
      std::uint64_t b;
      Slot* sl;
      {
        std::unique_lock<std::mutex> l(m_);
        cv_.wait(l, [&] { return stop_ || next_ >= end_ || claimable(); });
        if (stop_ || next_ >= end_) return;
        b = next_++;
        sl = &slots_[b % ring_];
        sl->batch = b;
        sl->done = false;
        sl->busy = true;
      }
      // malloc, not new: a failed allocation here is a failed batch (read
      // again by the caller), never the program's out-of-memory exit.
      // The slack after the batch lets the decoder use it as its window.
      const std::size_t capacity =
          static_cast<std::size_t>(batchBytes_) + lzx::Decoder::kBufferSlack;
      if (!sl->data) sl->data.reset(static_cast<std::uint8_t*>(std::malloc(capacity)));
      bool ok = sl->data != nullptr;
      std::size_t total = 0;
      for (std::uint64_t k = b * per_; ok && k < (b + 1) * per_ && k < s_.intervalCount(); ++k) {
        std::size_t produced = 0;
        if (FAILED(s_.decodeInterval(dec, k, sl->data.get() + total, capacity - total, &produced)))
          ok = false;
        total += produced;
      }
      {
        std::lock_guard<std::mutex> l(m_);
        sl->ok = ok;
        sl->length = total;
        sl->done = true;
        sl->busy = false;
      }
      cv_.notify_all();
    }
  }

  const LzxSection& s_;
  std::uint64_t end_;
  std::uint64_t per_ = 1, batchBytes_ = 0;
  std::size_t ring_ = 4;
  std::vector<Slot> slots_;
  std::vector<std::thread> workers_;
  std::mutex m_;
  std::condition_variable cv_;
  std::uint64_t next_;
  std::uint64_t low_;
  bool stop_ = false;
};

}  // namespace

HRESULT readEntries(ItsfFile& file, const std::vector<std::size_t>& indices, BulkSink& sink,
                    unsigned threads) {
  const auto& all = file.entries();
  std::vector<std::size_t> order;
  for (std::size_t i : indices)
    if (i < all.size()) order.push_back(i);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (all[a].section != all[b].section) return all[a].section < all[b].section;
    return all[a].offset < all[b].offset;
  });
  // The calling thread has work of its own with every piece (writing it
  // out): the decoding gets the other cores, one at least.
  if (threads == 0) threads = std::max(2u, std::thread::hardware_concurrency()) - 1;

  HRESULT lzxErr = S_OK;
  LzxSection* lzx = nullptr;
  std::unique_ptr<Prefetcher> pre;
  for (std::size_t i : order)
    if (all[i].section == 1 && all[i].length) {
      lzx = file.lzxSection(&lzxErr);
      break;
    }
  if (lzx) {
    std::uint64_t lo = ~std::uint64_t{0}, hi = 0;
    for (std::size_t i : order) {
      const DirEntry& e = all[i];
      if (e.section != 1 || !e.length || e.offset >= lzx->length()) continue;
      lo = std::min(lo, e.offset);
      hi = std::max(hi, std::min(lzx->length(), e.offset + std::min(e.length, lzx->length())));
    }
    if (lo < hi) {
      std::uint64_t bb = Prefetcher::batchBytesFor(*lzx);
      pre = Prefetcher::start(*lzx, lo / bb, (hi + bb - 1) / bb, threads);
    }
  }

  HRESULT first = S_OK;
  std::vector<std::uint8_t> buf;
  for (std::size_t i : order) {
    const DirEntry& e = all[i];
    if (!sink.begin(e)) continue;
    HRESULT status = S_OK;
    std::uint64_t done = 0;
    while (done < e.length && SUCCEEDED(status)) {
      if (e.section == 1 && pre && lzx && e.offset <= lzx->length() - 0 &&
          e.offset + done < lzx->length()) {
        std::uint64_t pos = e.offset + done;
        std::uint64_t b = pos / pre->batchBytes();
        if (b >= pre->low()) {
          pre->release(b);
          std::size_t len = 0;
          const std::uint8_t* p = pre->get(b, &len);
          std::uint64_t in = pos - b * pre->batchBytes();
          if (p && in < len) {
            std::size_t take =
                static_cast<std::size_t>(std::min<std::uint64_t>(len - in, e.length - done));
            if (!sink.data(p + in, take)) status = E_ABORT;
            done += take;
            continue;
          }
        }
      }
      // Data before what the workers hold, a damaged batch, or section 0.
      std::size_t want =
          static_cast<std::size_t>(std::min<std::uint64_t>(1 << 20, e.length - done));
      buf.resize(want);
      std::size_t got = 0;
      HRESULT hr = file.read(e, done, buf.data(), want, &got);
      if (got && !sink.data(buf.data(), got)) status = E_ABORT;
      done += got;
      if (FAILED(hr))
        status = hr;
      else if (got == 0)
        status = STG_E_READFAULT;
    }
    sink.end(e, status);
    if (FAILED(status) && SUCCEEDED(first)) first = status;
  }
  return first;
}

}  // namespace itss
