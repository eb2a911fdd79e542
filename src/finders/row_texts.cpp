#include "finders/row_texts.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>

namespace finders {

namespace {

constexpr const char* kWeekdays[] = {"星期日", "星期一", "星期二", "星期三",
                                     "星期四", "星期五", "星期六"};

}  // namespace

std::string releaseLabel(unsigned build) {
  unsigned minor = 0;
  const char* suffix = "";
  if (build == 7323) {
    minor = 1;
  } else if (build >= 7325 && build <= 8145) {
    minor = 1;
    suffix = "a";
  } else if (build >= 8146 && build <= 8164) {
    minor = 1;
    suffix = "b";
  } else if (build >= 8165) {
    minor = 2;
  }
  char text[32];
  std::snprintf(text, sizeof text, "(1.%u%s)", minor, suffix);
  return text;
}

std::string versionText(const pe::FixedFileInfo& info, bool htmlHelpControl) {
  const unsigned a = info.fileVersionMS >> 16, b = info.fileVersionMS & 0xFFFF;
  const unsigned c = info.fileVersionLS >> 16, d = info.fileVersionLS & 0xFFFF;
  char text[64];
  std::snprintf(text, sizeof text, " %u.%02u.%04u.%u", a, b, c, d);
  std::string out = text;
  if (htmlHelpControl) out += " " + releaseLabel(c);
  return out;
}

std::optional<std::string> fileVersionText(const std::string& path, bool htmlHelpControl) {
  auto info = pe::fileVersionInfo(path);
  if (!info) return std::nullopt;
  return versionText(*info, htmlHelpControl);
}

std::string dateText(std::time_t when) {
  std::tm local{};
  if (!::localtime_r(&when, &local) || local.tm_wday < 0 || local.tm_wday > 6) return {};
  char text[128];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d(%s)", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, kWeekdays[local.tm_wday]);
  return text;
}

std::optional<std::time_t> creationTime(const std::string& path) {
  struct statx sx {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &sx) != 0) return std::nullopt;
  if ((sx.stx_mask & STATX_BTIME) && sx.stx_btime.tv_sec != 0)
    return static_cast<std::time_t>(sx.stx_btime.tv_sec);
  return static_cast<std::time_t>(sx.stx_mtime.tv_sec);
}

std::string fileDateText(const std::string& path) {
  auto when = creationTime(path);
  return when ? dateText(*when) : std::string();
}

}  // namespace finders
