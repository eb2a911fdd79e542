#include "platform/itss/copy_stream.h"

#include <algorithm>
#include <vector>

namespace itss {

HRESULT copyStream(IStream* src, IStream* dst, std::uint64_t cb, std::uint64_t* pcbRead,
                   std::uint64_t* pcbWritten) {
  if (!dst) return STG_E_INVALIDPOINTER;
  std::vector<std::uint8_t> buf(1 << 16);
  std::uint64_t readTotal = 0, writtenTotal = 0;
  HRESULT hr = S_OK;
  while (readTotal < cb) {
    const ULONG want = static_cast<ULONG>(std::min<std::uint64_t>(buf.size(), cb - readTotal));
    ULONG got = 0;
    hr = src->Read(buf.data(), want, &got);
    readTotal += got;
    if (got) {
      ULONG written = 0;
      const HRESULT wr = dst->Write(buf.data(), got, &written);
      writtenTotal += written;
      if (FAILED(wr)) {
        hr = wr;
        break;
      }
    }
    if (FAILED(hr) || got < want) break;
  }
  if (pcbRead) *pcbRead = readTotal;
  if (pcbWritten) *pcbWritten = writtenTotal;
  return FAILED(hr) ? hr : S_OK;
}

}  // namespace itss
