// PE version resources: any bytes either yield no version or a fixed
// information block; the file reader and the in-memory reader are the same
// parser, so this covers both.
#include <cstdint>
#include <cstdlib>

#include "platform/system/pe_version.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto info = pe::readFixedFileInfo(pe::SpanSource({data, size}));
  // A version can only come from a file that holds the "MZ" stub and a
  // version block's signature.
  if (info && (size < 0x40 || data[0] != 'M' || data[1] != 'Z')) std::abort();
  return 0;
}
