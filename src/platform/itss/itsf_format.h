#pragma once
// Field offsets of the ITSF container's fixed structures.
#include <cstdint>

namespace itss::fmt {

// ITSF header.
constexpr std::uint32_t kItsfVersion = 0x04;
constexpr std::uint32_t kItsfHeaderLen = 0x08;
constexpr std::uint32_t kItsfHs0Offset = 0x38;
constexpr std::uint32_t kItsfHs1Offset = 0x48;
constexpr std::uint32_t kItsfHs1Length = 0x50;
constexpr std::uint32_t kItsfContentOffset = 0x58;  // version 3 only
constexpr std::uint32_t kItsfV2Size = 0x58;
constexpr std::uint32_t kItsfV3Size = 0x60;

// ITSP directory header (header section 1).
constexpr std::uint32_t kItspChunkSize = 0x10;
constexpr std::uint32_t kItspDensity = 0x14;
constexpr std::uint32_t kItspDepth = 0x18;
constexpr std::uint32_t kItspRootIndex = 0x1C;
constexpr std::uint32_t kItspFirstPmgl = 0x20;
constexpr std::uint32_t kItspLastPmgl = 0x24;
constexpr std::uint32_t kItspChunkCount = 0x2C;
constexpr std::uint32_t kItspSize = 0x54;

// Directory chunks.
constexpr std::uint32_t kChunkFreeSpace = 0x04;
constexpr std::uint32_t kPmglPrev = 0x0C;
constexpr std::uint32_t kPmglNext = 0x10;
constexpr std::uint32_t kPmglEntries = 0x14;
constexpr std::uint32_t kPmgiEntries = 0x08;
constexpr std::uint32_t kMinChunkSize = 0x20;
constexpr std::uint32_t kMaxChunkSize = 0x10000;

// ::DataSpace/Storage/MSCompressed/ControlData.
constexpr std::uint32_t kCdSignature = 0x04;
constexpr std::uint32_t kCdVersion = 0x08;
constexpr std::uint32_t kCdResetInterval = 0x0C;
constexpr std::uint32_t kCdWindowSize = 0x10;
constexpr std::uint32_t kCdMinSize = 0x14;

// ResetTable.
constexpr std::uint32_t kRtEntryCount = 0x04;
constexpr std::uint32_t kRtEntrySize = 0x08;
constexpr std::uint32_t kRtTableOffset = 0x0C;
constexpr std::uint32_t kRtUncompressedLen = 0x10;
constexpr std::uint32_t kRtCompressedLen = 0x18;
constexpr std::uint32_t kRtHeaderSize = 0x28;

constexpr const char* kControlDataName = "::DataSpace/Storage/MSCompressed/ControlData";
constexpr const char* kSpanInfoName = "::DataSpace/Storage/MSCompressed/SpanInfo";
constexpr const char* kContentName = "::DataSpace/Storage/MSCompressed/Content";
constexpr const char* kResetTableName =
    "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
    "InstanceData/ResetTable";

}  // namespace itss::fmt
