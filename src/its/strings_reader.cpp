#include "its/strings_reader.h"

#include <cstring>

#include "its/its_storage.h"

using namespace itss;

StringsReader::~StringsReader() {
  if (stream_) stream_->Release();
}

bool StringsReader::readStringAt(std::uint32_t offset, char* out, std::size_t capacity) {
  if (!out || capacity == 0) return false;
  out[0] = 0;
  if (!stream_) {
    IStorage* root = storage_.root();
    if (!root || FAILED(root->OpenStream("#STRINGS", nullptr, STGM_READ, 0, &stream_)))
      stream_ = nullptr;
  }
  if (!stream_) return false;
  if (FAILED(stream_->Seek(offset, STREAM_SEEK_SET, nullptr))) return false;
  if (capacity <= kChunk) return false;
  std::size_t taken = 0;
  // Every chunk must leave room for the terminator.
  while (taken + kChunk < capacity) {
    ULONG got = 0;
    if (FAILED(stream_->Read(out + taken, kChunk, &got)) || got == 0) {
      out[taken] = 0;
      return false;
    }
    if (got > kChunk) got = kChunk;
    if (std::memchr(out + taken, 0, got)) return true;
    taken += got;
  }
  out[taken] = 0;
  return false;
}
