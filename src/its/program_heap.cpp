#include "its/program_heap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "common/out_of_memory.h"

// Every block carries a header that links it into its heap, so that the heap
// can free all of its blocks when it goes, and that records the size asked for.
struct alignas(alignof(std::max_align_t)) ProgramHeap::Block {
  Block* prev;
  Block* next;
  std::size_t size;
};

ProgramHeap::ProgramHeap(std::size_t maximumSize) : maximum_(maximumSize) {}

ProgramHeap::~ProgramHeap() {
  for (Block* b = first_; b;) {
    Block* next = b->next;
    std::free(b);
    b = next;
  }
}

ProgramHeap& ProgramHeap::shared() {
  static ProgramHeap* heap = new ProgramHeap;
  return *heap;
}

ProgramHeap::Block* ProgramHeap::blockOf(const void* p) const {
  return const_cast<Block*>(static_cast<const Block*>(p) - 1);
}

void ProgramHeap::link(Block* b) {
  b->prev = nullptr;
  b->next = first_;
  if (first_) first_->prev = b;
  first_ = b;
}

void ProgramHeap::unlink(Block* b) {
  if (b->prev) {
    b->prev->next = b->next;
  } else {
    first_ = b->next;
  }
  if (b->next) b->next->prev = b->prev;
}

bool ProgramHeap::fits(std::size_t oldSize, std::size_t newSize) const {
  if (newSize > SIZE_MAX - sizeof(Block)) return false;
  return maximum_ == 0 || newSize <= oldSize || newSize - oldSize <= maximum_ - inUse_;
}

// The out-of-memory path runs with the lock released: it may show a message,
// and whatever that allocates must not wait on this heap.
void* ProgramHeap::allocate(std::size_t n) {
  std::unique_lock guard(lock_);
  Block* b = fits(0, n) ? static_cast<Block*>(std::malloc(sizeof(Block) + n)) : nullptr;
  if (!b) {
    guard.unlock();
    OutOfMemory();
  }
  b->size = n;
  link(b);
  inUse_ += n;
  ++blocks_;
  return b + 1;
}

void* ProgramHeap::allocateZeroed(std::size_t n) {
  void* p = allocate(n);
  std::memset(p, 0, n);
  return p;
}

void* ProgramHeap::reallocate(void* p, std::size_t n, bool zeroNew) {
  if (!p) return zeroNew ? allocateZeroed(n) : allocate(n);
  std::unique_lock guard(lock_);
  Block* b = blockOf(p);
  const std::size_t old = b->size;
  Block* nb = nullptr;
  if (fits(old, n)) {
    unlink(b);
    nb = static_cast<Block*>(std::realloc(b, sizeof(Block) + n));
    if (!nb) link(b);
  }
  if (!nb) {
    guard.unlock();
    OutOfMemory();
  }
  link(nb);
  nb->size = n;
  inUse_ = inUse_ - old + n;
  if (zeroNew && n > old) std::memset(reinterpret_cast<char*>(nb + 1) + old, 0, n - old);
  return nb + 1;
}

void ProgramHeap::free(void* p) {
  if (!p) return;
  std::lock_guard guard(lock_);
  Block* b = blockOf(p);
  unlink(b);
  inUse_ -= b->size;
  --blocks_;
  std::free(b);
}

std::size_t ProgramHeap::size(const void* p) const {
  if (!p) return 0;
  std::lock_guard guard(lock_);
  return blockOf(p)->size;
}

char* ProgramHeap::duplicate(const char* text) {
  return duplicate(text ? std::string_view(text) : std::string_view());
}

char* ProgramHeap::duplicate(std::string_view text) {
  auto* copy = static_cast<char*>(allocate(text.size() + 1));
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

std::size_t ProgramHeap::bytesInUse() const {
  std::lock_guard guard(lock_);
  return inUse_;
}

std::size_t ProgramHeap::blockCount() const {
  std::lock_guard guard(lock_);
  return blocks_;
}
