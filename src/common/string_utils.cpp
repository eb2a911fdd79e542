#include "common/string_utils.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/system/codepage.h"

namespace {

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Where the file name of a path starts: after its last "/" or "\".
std::size_t fileNameStart(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace

int ParseInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::uint32_t value = 0;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    for (i += 2; i < text.size(); ++i) {
      const char c = text[i];
      std::uint32_t digit;
      if (c >= '0' && c <= '9') {
        digit = static_cast<std::uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        digit = static_cast<std::uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        digit = static_cast<std::uint32_t>(c - 'A' + 10);
      } else {
        break;
      }
      value = value * 16 + digit;
    }
    return static_cast<int>(value);
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
  }
  return static_cast<int>(negative ? 0u - value : value);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (foldAscii(text[i]) != foldAscii(prefix[i])) return false;
  }
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

std::uint32_t NameHash(std::string_view text) {
  std::uint32_t h = 0;
  for (char ch : text) {
    const int c = static_cast<signed char>(ch);
    std::uint32_t add;
    if (c == '/') {
      add = 44;
    } else if (c <= 'Z') {
      add = static_cast<std::uint32_t>(c - 48);
    } else {
      add = static_cast<std::uint32_t>(c - 80);
    }
    h = h * 43 + add;
  }
  return h == 0 ? 1 : h;
}

void AddBackslash(std::string& path) {
  if (!path.empty()) {
    const char last = path.back();  // "/", "\" and ":" are never inside a UTF-8 sequence
    if (last == '/' || last == '\\' || last == ':') return;
  }
  path += '/';
}

void TrimRight(std::string& text) {
  std::size_t end = text.size();
  while (end > 0) {
    const char c = text[end - 1];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
    --end;
  }
  text.resize(end);
}

void ChangeExtension(std::string& path, std::string_view ext) {
  const std::size_t nameStart = fileNameStart(path);
  const std::size_t dot = path.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot >= nameStart;
  if (ext.empty()) {
    if (hasExtension) path.resize(dot);
    return;
  }
  if (hasExtension) path.resize(dot);
  if (ext.front() != '.') path += '.';
  path += ext;
}

bool CreateFolderPath(std::string_view path) {
  std::string p(path);
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (p.empty()) return false;
  if (::mkdir(p.c_str(), 0777) == 0) return true;
  if (errno != ENOENT) return false;
  const std::size_t slash = p.rfind('/');
  if (slash == std::string::npos || slash == 0) return false;
  CreateFolderPath(std::string_view(p).substr(0, slash));
  return ::mkdir(p.c_str(), 0777) == 0;
}

bool SamePath(std::string_view a, std::string_view b) {
  const std::string fullA = FullPathName(a), fullB = FullPathName(b);
  struct stat sa {
  }, sb{};
  if (::stat(fullA.c_str(), &sa) == 0 && ::stat(fullB.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return fullA == fullB;
}

bool IsWithinFolder(std::string_view path, std::string_view folder) {
  namespace fs = std::filesystem;
  std::error_code ec1, ec2;
  // FullPathName leaves no trailing "/", so neither path ends in an empty part.
  const fs::path real = fs::weakly_canonical(fs::path(FullPathName(path)), ec1);
  const fs::path base = fs::weakly_canonical(fs::path(FullPathName(folder)), ec2);
  if (ec1 || ec2) return false;
  auto r = real.begin();
  for (const fs::path& part : base) {
    if (r == real.end() || *r != part) return false;
    ++r;
  }
  return r != real.end();
}

std::u16string ToWide(std::string_view text) { return cp::utf8ToUtf16(text); }

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Greedy with one back-track point: the last "*" seen and where the name
  // stood when it was met.
  std::size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || foldAscii(pattern[p]) == foldAscii(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool HasWildcard(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> parts;
  std::string_view rest(path);
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (std::string_view part : parts) {
    if (!out.empty()) out += '/';
    out += part;
  }
  return out;
}

std::string FullPathName(std::string_view path) {
  std::string whole;
  if (path.empty() || path.front() != '/') {
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer)) whole = buffer;
    whole += '/';
  }
  whole += path;
  return "/" + RemoveDotSegments(whole);
}

std::string HtmlEscape(std::string_view text, bool apostrophes) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += apostrophes ? "&#39;" : "'";
        break;
      default:
        out += c;
    }
  }
  return out;
}
