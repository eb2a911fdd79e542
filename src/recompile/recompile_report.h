#pragma once
// The lines a recompile reports: one per file with its size before and after,
// and one with the totals of a wildcard batch. Sizes are 64-bit, so files and
// batches beyond 4 GB report correctly.
#include <cstdint>
#include <string>
#include <string_view>

// The percentage a change of `change` bytes is of `base`, truncated toward
// zero; 0 when base is 0.
unsigned changePercent(std::uint64_t change, std::uint64_t base);

// Line 4035 (smaller or equal) or 4042 (grown: the percentage relative to the
// new size) for the file at sourcePath. The name is the path's file-name
// part, lower-cased when it holds no lower-case letter.
std::string recompileReportLine(std::string_view sourcePath, std::uint64_t oldSize,
                                std::uint64_t newSize);

// Line 4043 (smaller or equal) or 4044 (grown) over the sums of a batch.
std::string recompileTotalsLine(std::uint64_t totalOld, std::uint64_t totalNew);
