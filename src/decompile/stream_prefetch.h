#pragma once
// Reading the streams of a decompile ahead of the walk: a background thread
// reads every content stream in the order its data lie in the file (the
// compressed section decoded on worker threads) and keeps each one until the
// walk, which goes in name order, takes it. The walk still opens every stream
// itself, so what it reports does not change; only where the bytes come from
// does. Given a folder on the target's file system, the reader puts each
// stream's bytes straight into an unnamed file there, which the walk then
// only names: the bytes are copied once, not into memory and out again.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/itss/itsf_reader.h"
#include "platform/itss/storage.h"
#include "platform/system/atomic_file.h"

class StreamPrefetch {
 public:
  // The most bytes held for the walk at once; beyond it the reader waits, and
  // a stream the walk wants that is not there yet is read directly.
  static constexpr std::size_t kDefaultLimit = std::size_t{16} << 20;

  // Unnamed files held for the walk at once (each holds a descriptor; fewer
  // where the process may open few).
  static constexpr std::size_t kMaxHeldFiles = 256;
  // Streams delivered before a waiting walk is woken (or fewer, when the
  // reader finishes or must wait for room).
  static constexpr std::size_t kWakeAfter = 16;

  // Null when root is not a storage of the engine's reader. folder: a folder
  // descriptor for the unnamed files (it must stay open while this lives),
  // or -1 to hold every stream in memory.
  static std::unique_ptr<StreamPrefetch> start(itss::IStorage* root, int folder = -1,
                                               std::size_t limit = kDefaultLimit);
  ~StreamPrefetch();
  StreamPrefetch(const StreamPrefetch&) = delete;
  StreamPrefetch& operator=(const StreamPrefetch&) = delete;

  // The whole data of the stream at path ("a\b.htm", from the root) when the
  // reader has it or will deliver it: in data, or, when file is set, in that
  // unnamed file (AtomicOutput::beginUnnamed), ready to be named. False when
  // the caller must read it itself (not read ahead, read with an error, or
  // the reader is stalled).
  bool take(const std::string& path, std::uint32_t size, std::string& data,
            std::unique_ptr<sysfile::AtomicOutput>& file);
  // Hands a buffer back for later streams, so that its memory is reused.
  void recycle(std::string&& buffer);

 private:
  class Sink;
  struct Item {
    std::string data;
    std::unique_ptr<sysfile::AtomicOutput> file;  // the bytes, when not in data
    std::size_t size = 0;
    bool done = false;
    bool ok = false;
  };

  StreamPrefetch(std::shared_ptr<itss::ItsfFile> file, int folder, std::size_t limit);
  void produce(std::vector<std::size_t> wanted);

  std::shared_ptr<itss::ItsfFile> file_;
  int folder_;
  std::size_t limit_;
  std::size_t maxFiles_;  // kMaxHeldFiles within the descriptor limit
  std::mutex m_;
  std::condition_variable cv_;
  std::unordered_map<std::size_t, Item> items_;
  // The streams read ahead by stored name: the walk's lookups cost a hash,
  // not a search of the directory's index.
  std::unordered_map<std::string_view, std::size_t> byName_;
  std::unordered_set<std::size_t> abandoned_;  // streams the walk read itself
  std::size_t held_ = 0;                       // bytes of finished items not yet taken
  std::size_t heldFiles_ = 0;                  // of them in unnamed files
  bool waitingForRoom_ = false;                // the reader waits until held_ drops
  bool walkWaiting_ = false;                   // the walk waits for a stream
  std::size_t readySinceWait_ = 0;             // streams delivered since it began to
  std::vector<std::string> spare_;             // buffers handed back by the walk
  bool finished_ = false;
  bool stop_ = false;
  std::thread thread_;
};
