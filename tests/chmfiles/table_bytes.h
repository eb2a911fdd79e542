#pragma once
// Builds the bytes of internal tables for tests.
#include <cstdint>
#include <string>
#include <vector>

#include "chmfiles/byte_source.h"

class TableBytes {
 public:
  TableBytes& u8(std::uint8_t v) {
    b_.push_back(v);
    return *this;
  }
  TableBytes& u16(std::uint16_t v) {
    u8(static_cast<std::uint8_t>(v));
    return u8(static_cast<std::uint8_t>(v >> 8));
  }
  TableBytes& u32(std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v));
    return u16(static_cast<std::uint16_t>(v >> 16));
  }
  TableBytes& u64(std::uint64_t v) {
    u32(static_cast<std::uint32_t>(v));
    return u32(static_cast<std::uint32_t>(v >> 32));
  }
  // Raw bytes, no terminator.
  TableBytes& raw(const std::string& s) {
    b_.insert(b_.end(), s.begin(), s.end());
    return *this;
  }
  // A text and its NUL.
  TableBytes& text(const std::string& s) { return raw(s).u8(0); }
  TableBytes& zeros(std::size_t n) {
    b_.insert(b_.end(), n, 0);
    return *this;
  }
  // A #SYSTEM record whose length field is the data's size.
  TableBytes& record(std::uint16_t code, const std::vector<std::uint8_t>& data) {
    u16(code).u16(static_cast<std::uint16_t>(data.size()));
    b_.insert(b_.end(), data.begin(), data.end());
    return *this;
  }
  TableBytes& textRecord(std::uint16_t code, const std::string& s) {
    std::vector<std::uint8_t> d(s.begin(), s.end());
    d.push_back(0);
    return record(code, d);
  }
  TableBytes& valueRecord(std::uint16_t code, std::uint32_t v) {
    return record(code, TableBytes().u32(v).bytes());
  }
  // Overwrites the 32-bit value at offset.
  TableBytes& put32(std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b_.at(offset + i) = static_cast<std::uint8_t>(v >> (8 * i));
    return *this;
  }

  std::size_t size() const { return b_.size(); }
  const std::vector<std::uint8_t>& bytes() const { return b_; }
  Bytes span() const { return Bytes(b_.data(), b_.size()); }
  std::string str() const { return std::string(b_.begin(), b_.end()); }

 private:
  std::vector<std::uint8_t> b_;
};
