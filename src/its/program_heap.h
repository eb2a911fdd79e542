#pragma once
// The program's heaps. Allocation never fails towards the caller: when memory
// (or a heap's own ceiling) runs out, the out-of-memory path shows its message
// and ends the process. Destroying a heap frees every block still in it, so a
// structure that owns a private heap lets go of all its strings at once.
#include <cstddef>
#include <mutex>
#include <string_view>

class ProgramHeap {
 public:
  // maximumSize: the most bytes the heap may hand out at once (0 = no limit).
  explicit ProgramHeap(std::size_t maximumSize = 0);
  ~ProgramHeap();
  ProgramHeap(const ProgramHeap&) = delete;
  ProgramHeap& operator=(const ProgramHeap&) = delete;

  // The process-wide heap, created at first use and never destroyed (objects
  // destroyed at exit may still give blocks back).
  static ProgramHeap& shared();

  void* allocate(std::size_t n);
  void* allocateZeroed(std::size_t n);
  // Grows or shrinks a block, keeping its bytes; p null allocates. Bytes added
  // are zeroed when zeroNew is set.
  void* reallocate(void* p, std::size_t n, bool zeroNew = false);
  void free(void* p);
  // The size asked for when the block was last allocated or reallocated.
  std::size_t size(const void* p) const;
  // A zero-terminated copy (a null text gives an empty string).
  char* duplicate(const char* text);
  char* duplicate(std::string_view text);

  std::size_t bytesInUse() const;
  std::size_t blockCount() const;

 private:
  struct Block;
  Block* blockOf(const void* p) const;
  void link(Block* b);
  void unlink(Block* b);
  bool fits(std::size_t oldSize, std::size_t newSize) const;

  mutable std::mutex lock_;
  std::size_t maximum_;
  std::size_t inUse_ = 0;
  std::size_t blocks_ = 0;
  Block* first_ = nullptr;
};
