#include "chmfiles/byte_source.h"

#include <algorithm>
#include <cstring>

#include "platform/itss/bytes.h"
#include "platform/itss/com_ptr.h"

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

itss::HRESULT readStreamBytes(itss::IStorage* storage, const char* name, std::size_t limit,
                              std::vector<std::uint8_t>& out) {
  out.clear();
  itss::ComPtr<itss::IStream> stream;
  if (!storage ||
      itss::FAILED(storage->OpenStream(name, nullptr, itss::STGM_READWRITE, 0, stream.put())) ||
      !stream)
    return itss::STG_E_FILENOTFOUND;
  std::uint64_t size = 0;
  if (itss::SUCCEEDED(stream->Seek(0, itss::STREAM_SEEK_END, &size)))
    out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(size, limit)));
  if (itss::FAILED(stream->Seek(0, itss::STREAM_SEEK_SET, nullptr))) return itss::STG_E_READFAULT;
  constexpr std::size_t kPiece = 1 << 16;
  while (out.size() < limit) {
    const std::size_t at = out.size();
    const std::size_t want = std::min(kPiece, limit - at);
    out.resize(at + want);
    itss::ULONG got = 0;
    const itss::HRESULT hr = stream->Read(out.data() + at, static_cast<itss::ULONG>(want), &got);
    out.resize(at + std::min<std::size_t>(got, want));
    if (itss::FAILED(hr)) return hr;
    if (got == 0) break;
  }
  return itss::S_OK;
}
