#pragma once
// "#SYSTEM": a 4-byte format version, then records {code, length, data} back
// to back. SystemRecords walks the records of bytes and never reads past a
// record's data; SystemStream fetches the stream's bytes and walks them with
// SystemRecords.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "chmfiles/byte_source.h"
#include "platform/itss/storage.h"

// Record codes.
enum SystemCode : std::uint16_t {
  kSysContentsFile = 0,
  kSysIndexFile = 1,
  kSysDefaultTopic = 2,
  kSysTitle = 3,
  kSysFlags = 4,
  kSysDefaultWindow = 5,
  kSysShortName = 6,
  kSysBinaryIndex = 7,
  kSysCompilerVersion = 9,
  kSysTimeStamp = 10,
  kSysBinaryToc = 11,
  kSysInfoTypeCount = 12,
  kSysIdxHeader = 13,
  kSysInfoTypeChecksum = 15,
  kSysDefaultFont = 16,
  kSysMergePrompt = 17,
};

constexpr std::size_t kSystemHeaderSize = 4;
constexpr std::size_t kSystemRecordHeaderSize = 4;

struct SystemRecord {
  std::uint16_t code = 0;
  std::uint16_t length = 0;  // as stored
  Bytes data;                // the data present: length bytes, or fewer at the end of the file
};

// Records of a #SYSTEM held in memory.
class SystemRecords {
 public:
  explicit SystemRecords(Bytes file) : file_(file) {}
  // The format version; false when the file is shorter than its header.
  bool header(std::uint32_t& version) const;
  // The next record, in file order; false when no whole record header is left.
  bool next(SystemRecord& record);

 private:
  Bytes file_;
  std::size_t pos_ = kSystemHeaderSize;
};

// A #SYSTEM longer than this is read only this far: 16-bit record lengths
// and a few dozen codes make real ones a few KiB.
constexpr std::size_t kMaxSystemSize = 16 << 20;

// Records read from the "#SYSTEM" stream of a storage.
class SystemStream {
 public:
  SystemStream() = default;
  ~SystemStream();
  SystemStream(const SystemStream&) = delete;
  SystemStream& operator=(const SystemStream&) = delete;

  // Reads "#SYSTEM" of storage (mode 2); false when the stream is missing or
  // shorter than its 4-byte header. A read error ends the records before it.
  bool open(itss::IStorage* storage);
  std::uint32_t version() const { return version_; }
  // The next record's header; false when no whole header is left.
  bool next(std::uint16_t& code, std::uint16_t& length);
  // The data of the record just announced (fewer bytes when the stream ends
  // first). Valid until the next call.
  Bytes readData();
  // Passes over the data of the record just announced.
  bool skipData();
  void close();

 private:
  std::vector<std::uint8_t> bytes_;
  SystemRecords records_{Bytes()};
  SystemRecord current_;
  std::uint32_t version_ = 0;
  bool open_ = false;
  bool hasPending_ = false;
};

// A text record's text: the bytes up to the first NUL, or to the end of the
// data when it holds none. Bytes in the help file's code page.
std::string recordText(Bytes data);
// The first 4-byte value of an integer record; 0 when the data is shorter.
std::uint32_t recordValue(Bytes data);

// Code 4: language, feature switches and creation time. Fields that lie
// beyond the record's data read as 0.
struct SystemFlags {
  std::uint32_t lcid = 0;
  std::uint32_t dbcs = 0;
  std::uint32_t fullTextSearch = 0;
  std::uint32_t klinks = 0;
  std::uint32_t alinks = 0;
  std::uint64_t creationTime = 0;  // FILETIME: 100 ns units since 1601-01-01 UTC
  bool complete = false;           // the data held all 28 bytes
};
SystemFlags decodeSystemFlags(Bytes data);
constexpr std::size_t kSystemFlagsSize = 28;

// The release label appended after a compiler version text: " (1.0)",
// " (1.1)", " (1.1b)", " (1.3)" by the build number after the text's last
// ".", or "" when the text holds no dot or the build is later than 9088.
const char* releaseSuffix(const std::string& versionText);

// The build number of a version text: the text after its last "." read as a
// number (blanks and tabs skipped, optional sign, decimal or "0x" hex; no
// digits give 0).
std::int32_t buildNumber(const std::string& versionText);

// Code 4's creation time as Unix time: the FILETIME taken from UTC to local
// time and back through the calendar with daylight saving determined
// automatically. 0 when a conversion fails.
std::time_t fileTimeToUnixTime(std::uint64_t fileTime);
// Code 10's time stamp as Unix time.
inline std::time_t stampToUnixTime(std::uint32_t stamp) { return static_cast<std::time_t>(stamp); }
// Local date and time in the long form of the current locale, at most 128
// bytes; "" when the time cannot be converted or formatted.
std::string formatHelpTime(std::time_t unixTime);

// Code 17: "从不提示" (never prompt) for non-zero values, "提示" (prompt) for 0.
const char* mergePromptText(std::uint32_t value);

// The label the reports print for a record code ("默认目录", "编译器版本",
// ...), or nullptr for codes without one.
const char* systemRecordLabel(std::uint16_t code);
// Whether code holds a text.
bool isTextRecord(std::uint16_t code);
