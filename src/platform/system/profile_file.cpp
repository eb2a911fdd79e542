#include "platform/system/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <vector>

#include "platform/system/atomic_file.h"
#include "platform/system/sysdirs.h"

namespace profile {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::vector<std::string> readLines(const std::string& path, bool& found) {
  std::vector<std::string> lines;
  std::string text;
  found = sysfile::readRegularFile(path, text);
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// A "[name]" line: its name, else nullopt.
std::optional<std::string_view> sectionName(std::string_view line) {
  std::string_view t = trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  auto close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return trim(t.substr(1, close - 1));
}

// A "key=value" line: its key, else nullopt (comments and other lines).
std::optional<std::string_view> keyName(std::string_view line) {
  std::string_view t = trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '#') return std::nullopt;
  auto eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return trim(t.substr(0, eq));
}

}  // namespace

std::string resolve(std::string_view file) {
  if (file.find('/') != std::string_view::npos) return std::string(file);
  return sysdirs::windowsFolder() + "/" + std::string(file);
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view fallback, std::string_view file) {
  bool found;
  auto lines = readLines(resolve(file), found);
  bool inSection = false;
  for (const std::string& line : lines) {
    if (auto s = sectionName(line)) {
      inSection = sameName(*s, section);
      continue;
    }
    if (!inSection) continue;
    auto k = keyName(line);
    if (!k || !sameName(*k, key)) continue;
    std::string_view value = trim(std::string_view(line).substr(line.find('=') + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    return std::string(value);
  }
  return std::string(fallback);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::optional<std::string_view> value, std::string_view file) {
  // One entry is one line: a line break in any part would add lines of its
  // own (another key or section), and a key holding "=" or a section holding
  // "]" would read back as something else. Such writes are refused.
  auto breaksLine = [](std::string_view t) {
    return t.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
  };
  if (breaksLine(section) || breaksLine(key) || (value && breaksLine(*value)) ||
      key.find('=') != std::string_view::npos || section.find(']') != std::string_view::npos)
    return false;
  std::string path = resolve(file);
  bool found;
  auto lines = readLines(path, found);
  std::string newLine = value ? std::string(key) + "=" + std::string(*value) : std::string();

  // Find the section, and the key or the end of the section's key lines.
  std::ptrdiff_t sectionAt = -1, keyAt = -1, insertAt = -1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (auto s = sectionName(lines[i])) {
      if (sectionAt >= 0) break;
      if (sameName(*s, section)) {
        sectionAt = static_cast<std::ptrdiff_t>(i);
        insertAt = sectionAt + 1;
      }
      continue;
    }
    if (sectionAt < 0) continue;
    if (!trim(lines[i]).empty()) insertAt = static_cast<std::ptrdiff_t>(i) + 1;
    auto k = keyName(lines[i]);
    if (k && sameName(*k, key)) {
      keyAt = static_cast<std::ptrdiff_t>(i);
      break;
    }
  }
  if (keyAt >= 0) {
    if (value) {
      if (lines[static_cast<std::size_t>(keyAt)] == newLine) return true;
      lines[static_cast<std::size_t>(keyAt)] = newLine;
    } else {
      lines.erase(lines.begin() + keyAt);
    }
  } else {
    if (!value) return true;
    if (sectionAt < 0) {
      if (!lines.empty() && !trim(lines.back()).empty()) lines.emplace_back();
      lines.push_back("[" + std::string(section) + "]");
      lines.push_back(newLine);
    } else {
      lines.insert(lines.begin() + insertAt, newLine);
    }
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return sysfile::writeFileAtomically(path, text);
}

}  // namespace profile
