#include "its/stream_reader.h"

#include <algorithm>
#include <cstring>

using namespace itss;

namespace {
constexpr char kEndOfText = 26;  // Ctrl-Z
constexpr std::size_t kLineGrowth = 256;
}  // namespace

bool StreamReader::open(const char* name, IStorage* storage, std::int32_t blockSize) {
  close();
  if (!storage || !name || blockSize == 0 || blockSize < kWholeStream) return false;
  if (FAILED(storage->OpenStream(name, nullptr, STGM_READWRITE, 0, &stream_)) || !stream_) {
    stream_ = nullptr;
    return false;
  }
  std::uint64_t end = 0;
  if (FAILED(stream_->Seek(0, STREAM_SEEK_END, &end)) ||
      FAILED(stream_->Seek(0, STREAM_SEEK_SET, nullptr)) || end > 0xFFFFFFFFu) {
    close();
    return false;
  }
  size_ = static_cast<std::uint32_t>(end);
  // A stream of size 0 still gets a block of one byte, so that block
  // arithmetic never divides by zero.
  const std::uint32_t wanted =
      blockSize == kWholeStream ? size_ : static_cast<std::uint32_t>(blockSize);
  blockSize_ = std::max<std::uint32_t>(1, std::min(wanted, size_));
  buffer_.assign(static_cast<std::size_t>(blockSize_) + 1, 0);
  if (!loadBlock(0)) {
    close();
    return false;
  }
  return true;
}

void StreamReader::close() {
  if (stream_) stream_->Release();
  stream_ = nullptr;
  std::vector<char>().swap(buffer_);
  size_ = blockSize_ = block_ = pos_ = end_ = 0;
  textEnded_ = false;
}

bool StreamReader::loadBlock(std::uint32_t index) {
  const std::uint64_t start = static_cast<std::uint64_t>(index) * blockSize_;
  pos_ = end_ = 0;
  block_ = index;
  if (FAILED(stream_->Seek(static_cast<std::int64_t>(start), STREAM_SEEK_SET, nullptr)))
    return false;
  ULONG got = 0;
  if (FAILED(stream_->Read(buffer_.data(), blockSize_, &got))) return false;
  end_ = std::min<ULONG>(got, blockSize_);
  buffer_[end_] = 0;
  return true;
}

bool StreamReader::fill() {
  if (!stream_) return false;
  if (static_cast<std::uint64_t>(block_ + 1) * blockSize_ >= size_) return false;
  return loadBlock(block_ + 1) && end_ > 0;
}

std::uint32_t StreamReader::read(void* dst, std::uint32_t n) {
  if (!stream_) return 0;
  auto* out = static_cast<char*>(dst);
  std::uint32_t copied = 0;
  while (copied < n) {
    if (pos_ >= end_ && !fill()) break;
    const std::uint32_t take = std::min(n - copied, end_ - pos_);
    std::memcpy(out + copied, buffer_.data() + pos_, take);
    pos_ += take;
    copied += take;
  }
  return copied;
}

bool StreamReader::seek(std::uint32_t offset) {
  if (!stream_ || offset > size_) return false;
  textEnded_ = false;
  const std::uint32_t index = offset == 0 ? 0 : offset / blockSize_;
  if (index != block_ || end_ == 0) {
    if (!loadBlock(index)) return false;
  }
  const std::uint32_t within = offset - index * blockSize_;
  if (within > end_) {
    pos_ = end_;
    return false;
  }
  pos_ = within;
  return true;
}

bool StreamReader::readLine(std::string& out) {
  out.clear();
  if (!stream_ || textEnded_) return false;
  bool readAny = false;
  for (;;) {
    if (pos_ >= end_ && !fill()) break;
    const char c = buffer_[pos_++];
    if (c == kEndOfText) {
      textEnded_ = true;
      break;
    }
    readAny = true;
    if (c == '\n') break;
    if (c == '\r') continue;
    if (out.size() == out.capacity()) out.reserve(out.capacity() + kLineGrowth);
    out.push_back(c);
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return readAny;
}
