#pragma once
// CopyTo for every stream of the engine: cb bytes from src's position to
// dst's, through one 64 KiB buffer, so that no stream is ever held whole.
#include <cstdint>

#include "platform/itss/storage.h"

namespace itss {

HRESULT copyStream(IStream* src, IStream* dst, std::uint64_t cb, std::uint64_t* pcbRead,
                   std::uint64_t* pcbWritten);

}  // namespace itss
