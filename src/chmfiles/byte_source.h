#pragma once
// Where the table readers take their bytes from: an internal file of an open
// storage, read through a StreamReader with 4096-byte blocks and opened on
// first use, or bytes already in memory.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "its/stream_reader.h"
#include "platform/itss/storage.h"

using Bytes = std::span<const std::uint8_t>;

// The reports read their sources through buffers of this size.
constexpr std::int32_t kTableBlockSize = 4096;

class TableSource {
 public:
  // The stream name of storage, opened when first needed.
  TableSource(itss::IStorage* storage, const char* name) : storage_(storage), name_(name) {}
  // Bytes in memory; they must outlive the source.
  explicit TableSource(Bytes bytes) : bytes_(bytes), inMemory_(true) {}
  TableSource(const TableSource&) = delete;
  TableSource& operator=(const TableSource&) = delete;

  // Opens the stream if that was not tried yet; false when there is none.
  bool available();
  // Moves to offset from the start; false when there is no source or the
  // offset lies past its end.
  bool seek(std::uint32_t offset);
  // Up to n bytes from the position; the count delivered, 0 at the end.
  std::uint32_t read(void* dst, std::uint32_t n);

 private:
  itss::IStorage* storage_ = nullptr;
  std::string name_;
  StreamReader reader_;
  bool tried_ = false;
  Bytes bytes_;
  std::size_t pos_ = 0;
  bool inMemory_ = false;
};

// The 32-bit little-endian value at offset, or 0 when it does not lie wholly
// inside bytes (fields beyond a record's end read as 0).
std::uint32_t le32At(Bytes bytes, std::size_t offset);

// Fetches the stream name of storage (opened with mode 2) for the table
// readers that parse it as bytes: at most limit bytes from its start.
// STG_E_FILENOTFOUND when there is none; a read error is returned with the
// bytes before it kept in out.
itss::HRESULT readStreamBytes(itss::IStorage* storage, const char* name, std::size_t limit,
                              std::vector<std::uint8_t>& out);
