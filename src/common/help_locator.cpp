#include "common/help_locator.h"

#include <filesystem>
#include <vector>

#include "common/messages.h"
#include "common/string_utils.h"
#include "platform/registry/registry.h"
#include "platform/system/profile_file.h"
#include "platform/system/sysdirs.h"

namespace {

constexpr std::size_t kMaxPath = 260;

std::string fullPath(const std::string& path) {
  std::error_code ec;
  auto p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

void trimTrailingWhite(std::string& s) {
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.pop_back();
}

// A REG_SZ value of HKLM, or nothing.
std::optional<std::string> machineText(const char* key, std::string_view value) {
  reg::UniqueKey k;
  if (reg::RegOpenKeyEx(reg::HKEY_LOCAL_MACHINE, key, 0, reg::KEY_READ, k.put()) !=
      reg::ERROR_SUCCESS)
    return std::nullopt;
  std::vector<std::uint8_t> data;
  if (reg::RegQueryValueEx(k.get(), value, nullptr, &data) != reg::ERROR_SUCCESS ||
      data.size() > kMaxPath)
    return std::nullopt;
  std::string text(data.begin(), data.end());
  if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  return text;
}

}  // namespace

std::vector<std::string> besideProgram(const std::string& program, const std::string& name) {
  std::vector<std::string> out;
  const auto slash = program.rfind('/');
  if (slash == std::string::npos) return out;
  const std::string folder = program.substr(0, slash + 1);
  out.push_back(folder + name);
  out.push_back(fullPath(folder + "../" + kInstalledHelpFolder + "/" + name));
#ifdef WRENLOW_HELP_BUILD_DIR
  // A program run from the build tree finds the help file the build made.
  const std::string build = WRENLOW_HELP_BUILD_DIR "/";
  if (program.compare(0, build.size(), build) == 0) out.push_back(build + name);
#endif
  return out;
}

std::optional<std::string> ParseHelpReference(std::string_view reference, std::string& fileRef) {
  std::string text;
  if (!reference.empty() && (reference[0] == '"' || reference[0] == '\'' || reference[0] == '`')) {
    char close = reference[0] == '"' ? '"' : '\'';
    std::string_view rest = reference.substr(1);
    auto end = rest.find(close);
    text = std::string(end == std::string_view::npos ? rest : rest.substr(0, end));
    while (!text.empty() && text.back() == ' ') text.pop_back();
  } else {
    text = std::string(reference);
  }
  for (std::string_view prefix : {"mk:@msitstore:", "its:", "ms-its:"}) {
    if (StartsWithNoCase(text, prefix)) {
      text.erase(0, prefix.size());
      break;
    }
  }
  std::optional<std::string> result;
  if (auto sep = text.find("::"); sep != std::string::npos) {
    fileRef = text.substr(0, sep);
    result = text.substr(sep + 2);
  } else {
    fileRef = text;
    trimTrailingWhite(fileRef);
  }
  if (fileRef.find('.') == std::string::npos) fileRef += ".chm";
  return result;
}

bool LocateHelpFile(std::string_view reference, std::string& path) {
  std::string f;
  ParseHelpReference(reference, f);
  if (sysdirs::exists(f)) {
    path = fullPath(f);
    return true;
  }
  for (char& c : f)
    if (c == '\\') c = '/';
  std::string name = f.substr(f.rfind('/') == std::string::npos ? 0 : f.rfind('/') + 1);
  if (name.empty()) return false;

  for (const std::string& candidate : besideProgram(sysdirs::programPath(), name)) {
    if (sysdirs::exists(candidate)) {
      path = candidate;
      return true;
    }
  }
  if (sysdirs::exists(name)) {
    path = fullPath(name);
    return true;
  }
  if (auto folder = machineText(kHtmlHelpKey, name)) {
    const std::string candidate = sysdirs::nativeFilePath(*folder, name);
    if (sysdirs::exists(candidate)) {
      path = candidate;
      return true;
    }
  }
  std::string shared = GetSharedHelpRoot();
  AddBackslash(shared);
  shared += "Help/" + name;
  if (sysdirs::exists(shared)) {
    path = shared;
    return true;
  }

  std::string entry = profile::GetPrivateProfileString("files", name, "", "hh.ini");
  if (entry.size() <= 1) return false;
  std::string prompt;
  if (auto comma = entry.find(','); comma != std::string::npos) {
    prompt = entry.substr(comma + 1);
    entry.resize(comma);
  }
  std::string candidate = sysdirs::nativePath(entry);
  if (sysdirs::exists(candidate)) {
    path = candidate;
    return true;
  }
  if (prompt.empty()) return false;
  // The prompt asks for the medium that holds the file ("insert the CD...").
  while (ShowMessageText(prompt, MB_ICONERROR | MB_OKCANCEL) == IDOK &&
         !sysdirs::exists(candidate)) {
  }
  path = candidate;
  return true;
}

std::string GetSharedHelpRoot() {
  if (auto shared = machineText("Software\\Microsoft\\Windows\\CurrentVersion\\Setup", "SharedDir"))
    return sysdirs::nativePath(*shared);
  return sysdirs::windowsFolder();
}
