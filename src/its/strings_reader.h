#pragma once
// StringsReader: reads NUL-terminated texts by offset from the "#STRINGS"
// stream of an open ItsStorage, keeping the stream open between calls.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/itss/storage.h"

class ItsStorage;

class StringsReader {
 public:
  static constexpr std::size_t kChunk = 64;

  explicit StringsReader(ItsStorage& storage) : storage_(storage) {}
  ~StringsReader();
  StringsReader(const StringsReader&) = delete;
  StringsReader& operator=(const StringsReader&) = delete;

  // The text at offset into out (capacity bytes, terminator included), read
  // in 64-byte chunks. True when the text ended within what capacity allows;
  // false, with out terminated after what was read, when the stream cannot be
  // opened or positioned, a read fails or yields nothing, the text is longer
  // than capacity allows, or capacity is 64 or less (out is then "").
  bool readStringAt(std::uint32_t offset, char* out, std::size_t capacity);

 private:
  ItsStorage& storage_;
  itss::IStream* stream_ = nullptr;
};
