#include "chmfiles/system_file.h"

#include <algorithm>
#include <cstring>

#include "common/string_utils.h"
#include "platform/itss/bytes.h"

using namespace itss;

namespace {

constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000;
constexpr std::int64_t kFileTimeToUnixSeconds = 11644473600;  // 1601-01-01 to 1970-01-01
constexpr std::size_t kMaxFormattedTime = 128;

}  // namespace

bool SystemRecords::header(std::uint32_t& version) const {
  if (file_.size() < kSystemHeaderSize) return false;
  version = le32(file_.data());
  return true;
}

bool SystemRecords::next(SystemRecord& record) {
  if (pos_ > file_.size() || file_.size() - pos_ < kSystemRecordHeaderSize) return false;
  record.code = le16(file_.data() + pos_);
  record.length = le16(file_.data() + pos_ + 2);
  pos_ += kSystemRecordHeaderSize;
  const std::size_t present = std::min<std::size_t>(record.length, file_.size() - pos_);
  record.data = file_.subspan(pos_, present);
  pos_ += present;
  return true;
}

SystemStream::~SystemStream() { close(); }

void SystemStream::close() {
  bytes_.clear();
  records_ = SystemRecords(Bytes());
  open_ = false;
  hasPending_ = false;
}

bool SystemStream::open(IStorage* storage) {
  close();
  // Records before a read error still count: the bytes before it are kept.
  if (readStreamBytes(storage, "#SYSTEM", kMaxSystemSize, bytes_) == STG_E_FILENOTFOUND)
    return false;
  records_ = SystemRecords(Bytes(bytes_.data(), bytes_.size()));
  open_ = records_.header(version_);
  return open_;
}

bool SystemStream::next(std::uint16_t& code, std::uint16_t& length) {
  hasPending_ = open_ && records_.next(current_);
  if (!hasPending_) return false;
  code = current_.code;
  length = current_.length;
  return true;
}

Bytes SystemStream::readData() {
  if (!hasPending_) return {};
  hasPending_ = false;
  return current_.data;
}

bool SystemStream::skipData() {
  hasPending_ = false;
  return open_;
}

std::string recordText(Bytes data) {
  const auto* begin = reinterpret_cast<const char*>(data.data());
  const void* nul = data.empty() ? nullptr : std::memchr(begin, 0, data.size());
  return std::string(begin, nul ? static_cast<const char*>(nul) - begin : data.size());
}

std::uint32_t recordValue(Bytes data) { return le32At(data, 0); }

SystemFlags decodeSystemFlags(Bytes data) {
  SystemFlags f;
  f.lcid = le32At(data, 0);
  f.dbcs = le32At(data, 4);
  f.fullTextSearch = le32At(data, 8);
  f.klinks = le32At(data, 12);
  f.alinks = le32At(data, 16);
  f.creationTime = static_cast<std::uint64_t>(le32At(data, 20)) |
                   (static_cast<std::uint64_t>(le32At(data, 24)) << 32);
  f.complete = data.size() >= kSystemFlagsSize;
  return f;
}

std::int32_t buildNumber(const std::string& versionText) {
  const auto dot = versionText.rfind('.');
  if (dot == std::string::npos) return ParseInt(std::string_view());
  return ParseInt(std::string_view(versionText).substr(dot + 1));
}

const char* releaseSuffix(const std::string& versionText) {
  if (versionText.find('.') == std::string::npos) return "";
  const std::int32_t build = buildNumber(versionText);
  if (build == 1111) return " (1.0)";
  if (build <= 7352) return " (1.1)";
  if (build <= 8197) return " (1.1b)";
  if (build <= 9088) return " (1.3)";
  return "";
}

std::time_t fileTimeToUnixTime(std::uint64_t fileTime) {
  // A FILETIME with the top bit set has no calendar form.
  if (fileTime >= (std::uint64_t{1} << 63)) return 0;
  const auto seconds =
      static_cast<std::int64_t>(fileTime / kFileTimeTicksPerSecond) - kFileTimeToUnixSeconds;
  // The calendar conversion back to Unix time does not go below 1970.
  if (seconds < 0) return 0;
  const auto utc = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (!localtime_r(&utc, &local)) return 0;
  local.tm_isdst = -1;
  const std::time_t back = std::mktime(&local);
  return back == static_cast<std::time_t>(-1) ? 0 : back;
}

std::string formatHelpTime(std::time_t unixTime) {
  std::tm local{};
  if (!localtime_r(&unixTime, &local)) return {};
  char text[kMaxFormattedTime];
  const std::size_t n = std::strftime(text, sizeof text, "%c", &local);
  return std::string(text, n);
}

const char* mergePromptText(std::uint32_t value) { return value ? "从不提示" : "提示"; }

const char* systemRecordLabel(std::uint16_t code) {
  switch (code) {
    case kSysContentsFile:
      return "默认目录";
    case kSysIndexFile:
      return "默认索引";
    case kSysDefaultTopic:
      return "默认 HTML 文件";
    case kSysTitle:
      return "默认窗口标题";
    case kSysFlags:
      return "LCID";
    case kSysDefaultWindow:
      return "默认窗口";
    case kSysShortName:
      return "短名称";
    case kSysCompilerVersion:
      return "编译器版本";
    case kSysTimeStamp:
      return "创建日期 (时间标签)";
    case kSysInfoTypeCount:
      return "信息类型数";
    case kSysInfoTypeChecksum:
      return "信息类型检查和";
    case kSysDefaultFont:
      return "默认字体";
    case kSysMergePrompt:
      return "当合并时";
    default:
      return nullptr;
  }
}

bool isTextRecord(std::uint16_t code) {
  switch (code) {
    case kSysContentsFile:
    case kSysIndexFile:
    case kSysDefaultTopic:
    case kSysTitle:
    case kSysDefaultWindow:
    case kSysShortName:
    case kSysCompilerVersion:
    case kSysDefaultFont:
      return true;
    default:
      return false;
  }
}
