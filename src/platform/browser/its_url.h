#pragma once
// Addresses of files inside compiled help files: "its:" + the help file's
// path + "::" + the internal path, and the older spellings "ms-its:" and
// "mk:@MSITStore:". Plain text in, plain text out: no Qt and no file access.
#include <optional>
#include <string>
#include <string_view>

namespace browser {

// The URL schemes served from help files ("mk" carries "@MSITStore:").
inline constexpr const char* kItsSchemes[] = {"its", "ms-its", "mk"};

struct ItsAddress {
  std::string helpFile;      // as written: a path on this machine
  std::string internalPath;  // always starts with "/"
};

// Splits the part of an its: URL after the scheme ("/x/a.chm::/d/p.htm",
// already percent-decoded, without query or fragment). Nothing when the
// text has no "::" or no file part. "\" in the internal path becomes "/",
// and "." and ".." steps are resolved inside the help file, never above
// its root.
std::optional<ItsAddress> splitItsPath(std::string_view path);

// The same for a whole URL text of any of the three schemes ("its:",
// "ms-its:", "mk:@MSITStore:", letters in any case).
std::optional<ItsAddress> parseItsUrl(std::string_view url);

// "its:" + file + "::" + internal path, with a "/" put before an internal
// path that lacks one.
std::string makeItsUrl(std::string_view helpFile, std::string_view internalPath);

// Whether a scheme name (lower case, without ":") is one of kItsSchemes.
bool isItsScheme(std::string_view scheme);

}  // namespace browser
