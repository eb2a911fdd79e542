#pragma once
// Reading many streams of one container at once, in the order their data lie
// in the file, with the compressed section decoded ahead on worker threads
// (each reset interval decodes independently of the others).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/itss/itsf_reader.h"

namespace itss {

class BulkSink {
 public:
  virtual ~BulkSink() = default;
  // A new entry starts; false skips its data.
  virtual bool begin(const DirEntry& e) = 0;
  // The next piece of its bytes, in order; false abandons the entry.
  virtual bool data(const std::uint8_t* p, std::size_t n) = 0;
  // The entry is done: S_OK when every byte arrived, else the read error
  // (or E_ABORT when the sink gave up).
  virtual void end(const DirEntry& e, HRESULT status) = 0;
};

// Reads the entries with the given indices. Calls the sink from the calling
// thread only. threads: decoding workers; 0 gives one per core but the
// calling thread's own (at least one). Returns S_OK when every entry was
// read whole, else the first error.
HRESULT readEntries(ItsfFile& file, const std::vector<std::size_t>& entries, BulkSink& sink,
                    unsigned threads = 0);

}  // namespace itss
