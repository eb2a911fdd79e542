#include "platform/browser/its_url.h"

#include <vector>

#include "common/string_utils.h"

namespace browser {
namespace {

// "/a/./b/../c" → "/a/c"; ".." at the root stays at the root.
std::string normaliseInternal(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out;
  for (std::string_view p : parts) {
    out += '/';
    out += p;
  }
  if (out.empty() || path.ends_with('/')) out += '/';
  return out;
}

}  // namespace

std::optional<ItsAddress> splitItsPath(std::string_view path) {
  const std::size_t sep = path.find("::");
  if (sep == std::string_view::npos || sep == 0) return std::nullopt;
  ItsAddress address;
  address.helpFile = std::string(path.substr(0, sep));
  std::string internal(path.substr(sep + 2));
  for (char& c : internal)
    if (c == '\\') c = '/';
  address.internalPath = normaliseInternal(internal);
  return address;
}

std::optional<ItsAddress> parseItsUrl(std::string_view url) {
  for (std::string_view prefix : {"mk:@MSITStore:", "ms-its:", "its:"}) {
    if (!StartsWithNoCase(url, prefix)) continue;
    std::string_view rest = url.substr(prefix.size());
    rest = rest.substr(0, rest.find_first_of("#?"));
    return splitItsPath(rest);
  }
  return std::nullopt;
}

std::string makeItsUrl(std::string_view helpFile, std::string_view internalPath) {
  std::string url = "its:";
  url += helpFile;
  url += "::";
  if (internalPath.empty() || (internalPath.front() != '/' && internalPath.front() != '\\'))
    url += '/';
  url += internalPath;
  return url;
}

bool isItsScheme(std::string_view scheme) {
  for (std::string_view s : kItsSchemes)
    if (s == scheme) return true;
  return false;
}

}  // namespace browser
