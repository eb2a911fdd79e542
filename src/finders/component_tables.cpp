#include "finders/component_tables.h"

namespace finders {

namespace {

constexpr const char* kHtmlHelpNames[] = {
    "hhctrl.ocx", "itss.dll",    "itircl.dll",   "hh.exe",     "Quenby.exe",   "hhw.exe",
    "flash.exe",  "triedit.dll", "d2hembed.ocx", "hha.dll",    "cnvcnt.dll",   "gencnv.dll",
    "hhcout.dll", "hhkout.dll",  "rtfdoc.dll",   "spcom.dll",  "sprbuild.dll", "sprfile.dll",
    "sprlog.dll", "cnvtoc.dll",  "navout.dll",   "spredit.dll"};

constexpr const char* kWinHelpNames[] = {"hcw.exe", "hcrtf.exe", "hwdll.dll", "hc.exe",  "hc31.exe",
                                         "hcp.exe", "shed.exe",  "mrbc.exe",  "dbhe.exe"};

constexpr RegisteredComponent kRegistered[] = {
    {"5D02926A-212E-11D0-9DF9-00A0C922E6EC", "itss.dll"},
    {"8FA0D5A8-DEDF-11D0-9A61-00C04FB68BF7", "itircl.dll"},
    {"4662DAA2-D393-11D0-9A56-00C04FB68BF7", "itcc.dll"},
    {"912DD023-C473-11CF-A1AE-080036E7F702", "gencnv.dll"},
    {"76313CF2-787F-11D0-A1F0-0800361A1803", "cnvcnt.dll"},
    {"76313CF3-787F-11D0-A1F0-0800361A1803", "hhcout.dll"},
    {"76313CF5-787F-11D0-A1F0-0800361A1803", "hhkout.dll"},
    {"BFE0CC30-6A4C-11D0-A1F0-0800361A1803", "spcom.dll"},
    {"BFE0CC32-6A4C-11D0-A1F0-0800361A1803", "sprbuild.dll"},
    {"7084B230-5212-11D0-A1E5-0800361A1803", "sprfile.dll"},
    {"D67B4AD0-C08E-11CF-A1AB-080036E7F702", "sprlog.dll"},
    {"13A18670-C471-11CF-A1AE-080036E7F702", "rtfdoc.dll"},
    {"C3C6A060-C344-11D0-A20B-0800361A1803", "cnvtoc.dll"},
    {"8D7E6A10-C737-11D0-A20C-0800361A1803", "navout.dll"},
    {"D2106590-5925-11D0-A1EB-0800361A1803", "spredit.dll"},
    {"C1AF276F-CE42-11D1-B1C9-444553540000", "d2hembed.ocx"},
};

constexpr const char* kHtmlHelpExtensions[] = {".chm", ".chi", ".chw", ".chq", ".chs", ".its"};
constexpr const char* kWinHelpExtensions[] = {".hlp", ".fts", ".ftg", ".gid", ".cnt"};

}  // namespace

std::span<const char* const> htmlHelpComponentNames() { return kHtmlHelpNames; }
std::span<const char* const> winHelpComponentNames() { return kWinHelpNames; }
std::span<const RegisteredComponent> registeredComponents() { return kRegistered; }

std::span<const char* const> helpFileExtensions(FinderMode mode) {
  if (mode == FinderMode::HtmlHelpFiles) return kHtmlHelpExtensions;
  if (mode == FinderMode::WinHelpFiles) return kWinHelpExtensions;
  return {};
}

}  // namespace finders
