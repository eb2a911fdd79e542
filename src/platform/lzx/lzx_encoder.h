#pragma once
// LZX encoder for compiled help files. The compressed section is a run of
// reset intervals; each interval is compressed on its own (no history, repeat
// offsets or tree lengths carried over), so intervals can be compressed in
// parallel and concatenated.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace lzx {

// Fast: hash chains with one step of lazy matching. Strong: a binary-tree
// match finder and several near-optimal parses per block; slower, smaller.
enum class Level { Fast, Strong };

// x86 call translation per interval: Auto where it pays (code, not text);
// Never and Always are for measuring what it gains.
enum class Calls { Auto, Never, Always };

class Encoder {
 public:
  // windowBits: 15..21. The encoder never refers further back than the window.
  explicit Encoder(unsigned windowBits, Level level = Level::Strong);
  ~Encoder();
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  // Compresses one reset interval of size bytes. A short last frame is padded
  // with zeros to the full 32 KiB frame, as readers expect. Appends the LZX
  // stream to out and, for every 32 KiB frame, the offset of its first byte
  // relative to the start of this interval's output to frameOffsets.
  void setCallTranslation(Calls calls);

  void compressInterval(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out,
                        std::vector<std::uint64_t>& frameOffsets);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace lzx
