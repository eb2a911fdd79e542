#include "platform/browser/page_types.h"

#include <algorithm>
#include <cctype>

#include "common/string_utils.h"

namespace browser {
namespace {

constexpr struct {
  const char* ext;
  const char* mime;
} kMimeTypes[] = {
    {"htm", "text/html"},     {"html", "text/html"},     {"hhc", "text/html"},
    {"hhk", "text/html"},     {"stm", "text/html"},      {"asp", "text/html"},
    {"css", "text/css"},      {"js", "text/javascript"}, {"txt", "text/plain"},
    {"hhp", "text/plain"},    {"h", "text/plain"},       {"log", "text/plain"},
    {"xml", "text/xml"},      {"xsl", "text/xml"},       {"gif", "image/gif"},
    {"jpg", "image/jpeg"},    {"jpeg", "image/jpeg"},    {"jpe", "image/jpeg"},
    {"png", "image/png"},     {"bmp", "image/bmp"},      {"ico", "image/x-icon"},
    {"svg", "image/svg+xml"}, {"webp", "image/webp"},    {"woff", "font/woff"},
    {"woff2", "font/woff2"},  {"ttf", "font/ttf"},
};

constexpr struct {
  unsigned codePage;
  const char* name;
} kCharsets[] = {
    {65001, "UTF-8"},       {936, "GBK"},           {950, "Big5"},          {932, "Shift_JIS"},
    {949, "EUC-KR"},        {874, "windows-874"},   {1250, "windows-1250"}, {1251, "windows-1251"},
    {1252, "windows-1252"}, {1253, "windows-1253"}, {1254, "windows-1254"}, {1255, "windows-1255"},
    {1256, "windows-1256"}, {1257, "windows-1257"}, {1258, "windows-1258"},
};

// How far browsers look for a <meta> charset before they decide.
constexpr std::size_t kPrescanBytes = 1024;

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace

const char* mimeTypeForPath(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
    return "application/octet-stream";
  const std::string_view ext = path.substr(dot + 1);
  for (const auto& m : kMimeTypes)
    if (EqualsNoCase(ext, m.ext)) return m.mime;
  return "application/octet-stream";
}

bool isTextMime(std::string_view mime) {
  return mime.starts_with("text/") || mime == "image/svg+xml";
}

const char* webCharsetName(unsigned codePage) {
  for (const auto& c : kCharsets)
    if (c.codePage == codePage) return c.name;
  return "";
}

bool htmlDeclaresCharset(std::string_view html) {
  if (html.starts_with("\xEF\xBB\xBF") || html.starts_with("\xFF\xFE") ||
      html.starts_with("\xFE\xFF"))
    return true;
  const std::string head = lowerAscii(html.substr(0, kPrescanBytes));
  for (std::size_t at = head.find("<meta"); at != std::string::npos;
       at = head.find("<meta", at + 5)) {
    const std::size_t end = head.find('>', at);
    const std::string_view tag =
        std::string_view(head).substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (tag.find("charset") != std::string_view::npos) return true;
  }
  return false;
}

std::string contentTypeFor(std::string_view path, std::string_view bytes, unsigned codePage) {
  std::string type = mimeTypeForPath(path);
  if (!isTextMime(type)) return type;
  if (type == "text/html" && htmlDeclaresCharset(bytes)) return type;
  const std::string charset = webCharsetName(codePage);
  if (!charset.empty()) type += ";charset=" + charset;
  return type;
}

}  // namespace browser
