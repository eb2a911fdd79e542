#include "chmfiles/byte_source.h"

#include <algorithm>
#include <cstring>

#include "platform/itss/bytes.h"

bool TableSource::available() {
  if (inMemory_) return true;
  if (!tried_) {
    tried_ = true;
    reader_.open(name_.c_str(), storage_, kTableBlockSize);
  }
  return reader_.isOpen();
}

bool TableSource::seek(std::uint32_t offset) {
  if (inMemory_) {
    if (offset > bytes_.size()) {
      pos_ = bytes_.size();
      return false;
    }
    pos_ = offset;
    return true;
  }
  return available() && reader_.seek(offset);
}

std::uint32_t TableSource::read(void* dst, std::uint32_t n) {
  if (inMemory_) {
    const std::size_t take = std::min<std::size_t>(n, bytes_.size() - pos_);
    if (take) std::memcpy(dst, bytes_.data() + pos_, take);
    pos_ += take;
    return static_cast<std::uint32_t>(take);
  }
  return available() ? reader_.read(dst, n) : 0;
}

std::uint32_t le32At(Bytes bytes, std::size_t offset) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return 0;
  return itss::le32(bytes.data() + offset);
}
