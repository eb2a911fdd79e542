#include "recompile/recompile_report.h"

#include "common/messages.h"
#include "its/text_helpers.h"
#include "res/ids.h"
#include "res/strings.h"

namespace {

std::string reportName(std::string_view sourcePath) {
  std::string name(fileNamePart(sourcePath));
  bool hasLower = false;
  for (char c : name) hasLower = hasLower || (c >= 'a' && c <= 'z');
  if (!hasLower) {
    for (char& c : name)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return name;
}

// The inserts after the name: old K, new K, the difference, its suffix and
// the percentage, and whether the size grew.
struct Change {
  std::string oldK, newK, diff, percent;
  const char* suffix;
  bool grew;
};

Change describe(std::uint64_t oldSize, std::uint64_t newSize) {
  Change c;
  c.grew = newSize > oldSize;
  c.oldK = thousands(oldSize / 1024);
  c.newK = thousands(newSize / 1024);
  const std::uint64_t diff = c.grew ? newSize - oldSize : oldSize - newSize;
  c.diff = thousands(diff);
  // Nothing follows the byte count of a growth of exactly one byte; a blank
  // follows every other.
  c.suffix = c.grew && diff == 1 ? "" : " ";
  c.percent = std::to_string(changePercent(diff, c.grew ? newSize : oldSize));
  return c;
}

}  // namespace

unsigned changePercent(std::uint64_t change, std::uint64_t base) {
  if (base == 0) return 0;
  return static_cast<unsigned>(static_cast<double>(change) / static_cast<double>(base) * 100.0);
}

std::string recompileReportLine(std::string_view sourcePath, std::uint64_t oldSize,
                                std::uint64_t newSize) {
  const Change c = describe(oldSize, newSize);
  return fillFormat(LoadStr(c.grew ? IDS_RECOMPILE_INCREASED : IDS_RECOMPILE_REDUCED),
                    {reportName(sourcePath), c.oldK, c.newK, c.diff, c.suffix, c.percent});
}

std::string recompileTotalsLine(std::uint64_t totalOld, std::uint64_t totalNew) {
  const Change c = describe(totalOld, totalNew);
  return fillFormat(LoadStr(c.grew ? IDS_TOTAL_INCREASED : IDS_TOTAL_REDUCED),
                    {c.oldK, c.newK, c.diff, c.suffix, c.percent});
}
