#pragma once
// Pieces every object of the engine shares, reading or writing: the
// reference count, the names handed out in STATSTG, and the enumerator over
// a storage's elements.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/itss/storage.h"

namespace itss {

// A name the caller frees with CoTaskMemFree; null when memory is short.
char* dupName(const std::string& s);

template <class Base>
class RefCounted : public Base {
 public:
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG n = --refs_;
    if (n == 0) {
      this->lastRelease();
      delete this;
    }
    return n;
  }

 protected:
  // Called once, just before the object goes (a writer's root finishes its file here).
  virtual void lastRelease() {}

 private:
  std::atomic<ULONG> refs_{1};
};

struct EnumElement {
  std::string name;
  DWORD type;
  std::uint64_t size;
  DWORD mode;
};

// The elements of one storage, in the order given.
class ElementEnum final : public RefCounted<IEnumSTATSTG> {
 public:
  explicit ElementEnum(std::vector<EnumElement> elements) : elements_(std::move(elements)) {}
  HRESULT Next(ULONG celt, STATSTG* rgelt, ULONG* fetched) override;
  HRESULT Skip(ULONG celt) override;
  HRESULT Reset() override;

 private:
  std::vector<EnumElement> elements_;
  std::size_t next_ = 0;
};

}  // namespace itss
