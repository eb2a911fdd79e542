// Fuzz target: a #SYSTEM file's bytes through the record iteration and every
// record decoder.
#include <cstddef>
#include <cstdint>

#include "chmfiles/ivb_idxhdr.h"
#include "chmfiles/system_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SystemRecords records(Bytes(data, size));
  std::uint32_t version = 0;
  if (!records.header(version)) return 0;
  SystemRecord r;
  std::size_t total = 0;
  while (records.next(r)) {
    total += recordText(r.data).size() + recordValue(r.data);
    const SystemFlags f = decodeSystemFlags(r.data);
    total += formatHelpTime(fileTimeToUnixTime(f.creationTime)).size();
    total += formatHelpTime(stampToUnixTime(recordValue(r.data))).size();
    total += decodeIdxHeader(r.data).mergeFiles.size();
    total += std::string(releaseSuffix(recordText(r.data))).size();
  }
  return total == 0xFFFFFFFF;  // keeps the work from being optimised away
}
