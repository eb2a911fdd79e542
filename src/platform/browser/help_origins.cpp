#include "platform/browser/help_origins.h"

#include <climits>
#include <cstdlib>
#include <map>

#include "common/random_text.h"
#include "common/string_utils.h"

namespace browser {
namespace {

struct OriginTable {
  std::map<std::string, std::string> hostOfFile;
  std::map<std::string, std::string, std::less<>> fileOfHost;
};

OriginTable& table() {
  static OriginTable t;
  return t;
}

}  // namespace

std::string canonicalHelpFile(const std::string& helpFile) {
  char resolved[PATH_MAX];
  if (::realpath(helpFile.c_str(), resolved)) return resolved;
  return FullPathName(helpFile);
}

std::string originHost(const std::string& helpFile) {
  OriginTable& t = table();
  const std::string file = canonicalHelpFile(helpFile);
  if (auto it = t.hostOfFile.find(file); it != t.hostOfFile.end()) return it->second;
  std::string host;
  do host = RandomHex(8);
  while (t.fileOfHost.count(host));
  t.hostOfFile.emplace(file, host);
  t.fileOfHost.emplace(host, file);
  return host;
}

std::optional<std::string> helpFileOfHost(std::string_view host) {
  const OriginTable& t = table();
  if (auto it = t.fileOfHost.find(host); it != t.fileOfHost.end()) return it->second;
  return std::nullopt;
}

std::string resolveLinkedHelpFile(const std::string& name, const std::string& fromFile) {
  if (name.empty()) return {};
  if (name.front() == '/') return name;
  const std::size_t slash = fromFile.rfind('/');
  if (fromFile.empty() || slash == std::string::npos) return {};
  return fromFile.substr(0, slash + 1) + name;
}

}  // namespace browser
