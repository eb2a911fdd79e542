#pragma once
// The input of a structure-aware target read as a program of choices: each
// byte picks the next step; past the end every choice is the first one.
#include <cstddef>
#include <cstdint>

class Choices {
 public:
  // count() gives 0 to small - 1 most of the time and, for the sixteen top
  // byte values, multiples of step up to 16 * step: deep nesting and long runs
  // without long inputs.
  Choices(const std::uint8_t* data, std::size_t size, unsigned small, unsigned step)
      : data_(data), size_(size), small_(small), step_(step) {}
  bool more() const { return at_ < size_; }
  unsigned byte() { return at_ < size_ ? data_[at_++] : 0; }
  unsigned below(unsigned n) { return n ? byte() % n : 0; }
  unsigned count() {
    const unsigned b = byte();
    return b < 0xF0 ? b % small_ : (b - 0xEF) * step_;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  unsigned small_, step_;
};
