#pragma once
// Inside the writer: the element tree of a file being written, the spool that
// holds stream data until the container is assembled, and the pieces that
// assemble it. Only writer_*.cpp include this.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/itss/storage.h"
#include "platform/system/atomic_file.h"

namespace itss::wr {

// Where a piece of a stream's bytes lives in the spool file; spoolOffset
// kHole stands for zeros (a gap left by a seek past the end).
struct Extent {
  static constexpr std::uint64_t kHole = ~std::uint64_t{0};
  std::uint64_t spoolOffset;
  std::uint64_t length;
};

struct Node {
  std::string name;  // as created, UTF-8
  bool storage = false;
  std::map<std::string, std::shared_ptr<Node>> children;  // key: ASCII-folded name
  std::vector<Extent> extents;                            // streams only
  std::uint64_t size = 0;
  bool detached = false;  // replaced or dropped: writes no longer reach the file
};

// LZX parameters as the container records them (ControlData, 32 KiB units).
struct LzxParams {
  std::uint32_t resetFrames;  // frames between resets, a power of two
  std::uint32_t windowUnits;  // window in 32 KiB units, a power of two >= 2
  unsigned windowBits;
  bool fast = false;            // the encoder's fast level
  bool translateCalls = false;  // x86 call translation where it pays
};
LzxParams lzxParamsFor(std::uint32_t resetBlocks, std::uint32_t windowBlocks);

// Directory chunk size the writer uses for a requested size.
std::uint32_t directoryChunkSize(std::uint32_t requested);

// Case folding and order of directory names: ASCII letters folded to lower
// case, compared byte by byte; names equal after folding fall back to bytes.
std::string foldName(const std::string& s);
bool directoryLess(const std::string& a, const std::string& b);

struct DirEntry {
  std::string name;
  std::uint64_t section = 0;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

// The directory chunks (PMGL, and PMGI levels when there is more than one
// listing chunk) of entries already in directory order.
struct Directory {
  std::string chunks;  // chunkCount * chunkSize bytes
  std::uint32_t chunkCount = 0;
  std::uint32_t depth = 1;
  std::int32_t rootIndex = -1;
  std::uint32_t lastListing = 0;
};
bool buildDirectory(const std::vector<DirEntry>& entries, std::uint32_t chunkSize, Directory& out);

// The state shared by every object of one file being written.
class FileWriter {
 public:
  ~FileWriter();
  static HRESULT create(const char* path, DWORD mode, const ITS_Control_Data& control,
                        std::shared_ptr<FileWriter>& out);

  std::mutex mutex;
  std::shared_ptr<Node> root;
  bool finished() const { return finished_; }

  // Stream data goes to the spool; these keep a node's extent list.
  HRESULT writeAt(Node& node, std::uint64_t pos, const void* data, std::uint64_t n);
  HRESULT readAt(const Node& node, std::uint64_t pos, void* data, std::uint64_t n,
                 std::uint64_t* got) const;
  HRESULT resize(Node& node, std::uint64_t newSize);

  // Writes the complete container to the temporary file and puts it in the
  // target's place (with STGC_ONLYIFSMALLER only when it is smaller than the
  // file there: S_FALSE when it is not). Called once, on the root's Commit or
  // when the root goes; on failure the target is left as it was.
  HRESULT finish(DWORD commitFlags = STGC_DEFAULT);
  // Drops the file being written: the target stays as it was.
  void revert();

 private:
  FileWriter() = default;
  HRESULT assemble();

  sysfile::AtomicOutput out_;  // the new file, until it takes the target's place
  int spool_ = -1;
  std::uint64_t spoolEnd_ = 0;
  std::string dir_;
  std::uint32_t chunkSize_ = 4096;
  bool compress_ = true;
  LzxParams lzx_{};
  unsigned compressThreads_ = 0;
  bool finished_ = false;
};

// Splits a path on "/" and "\"; empty parts dropped. False for "." or ".."
// parts (an element by that name could not be extracted safely).
bool splitPath(const char* path, std::vector<std::string>& parts);

// Opens an unnamed temporary file in dir (or the temporary folder).
int openTempFile(const std::string& dir);

}  // namespace itss::wr
