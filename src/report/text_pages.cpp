// Pages of single internal files: the text-file page, the text view of an
// HTML file with its word wrap, and the contents tree of a sitemap.
#include <optional>
#include <string>

#include "chmfiles/help_code_page.h"
#include "chmfiles/sitemap.h"
#include "common/string_utils.h"
#include "its/stream_reader.h"
#include "its/text_file.h"
#include "platform/itss/com_ptr.h"
#include "report/report_pages.h"

namespace {

// Opens the internal file at path ("\" or "/" separated) through reader: the
// folder before the last "/" as a sub-storage, the rest as the stream name.
bool openInternal(itss::IStorage* root, std::string path, StreamReader& reader,
                  std::int32_t blockSize) {
  for (char& c : path)
    if (c == '\\') c = '/';
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return reader.open(path.c_str(), root, blockSize);
  itss::ComPtr<itss::IStorage> folder;
  if (itss::FAILED(root->OpenStorage(path.substr(0, slash).c_str(), nullptr, itss::STGM_READ,
                                     nullptr, 0, folder.put())))
    return false;
  // The reader holds its own reference to the stream, not to the folder.
  return reader.open(path.substr(slash + 1).c_str(), folder.get(), blockSize);
}

constexpr std::int32_t kLineBlock = 4096;

}  // namespace

std::vector<std::string_view> wrapLine(std::string_view line) {
  std::vector<std::string_view> pieces;
  while (line.size() > kWrapWidth) {
    std::size_t blank = kWrapWidth - 1;
    while (blank > 0 && line[blank] != ' ') --blank;
    if (blank == 0) break;  // no blank after the first byte
    std::size_t last = blank;
    while (last > 0 && line[last] == ' ') --last;
    if (line[last] == ' ') break;  // only blanks before the break
    pieces.push_back(line.substr(0, last + 1));
    std::size_t rest = blank + 1;
    while (rest < line.size() && (line[rest] == ' ' || line[rest] == '\t')) ++rest;
    line.remove_prefix(rest);
  }
  pieces.push_back(line);
  return pieces;
}

PageResult ReportPages::textFile(const std::string& internalPath) {
  StreamReader reader;
  PageResult result;
  if (!openInternal(root_, internalPath, reader, kLineBlock)) return binaryFile(result);
  TextFile file;
  if (!create(file, internalPageName(internalPath, ".htm"), result)) return binaryFile(result);
  file.write("<HTML><BODY><H1>" + HtmlEscape(internalPath) + "</H1><P><DL>\r\n");
  std::string line;
  while (reader.readLine(line)) {
    if (line.empty()) {
      file.write("<P>\r\n");
    } else {
      file.write("<DT>");
      file.write(html(line));
      file.write("</DT>\r\n");
    }
  }
  return finish(file, result, "</DL></BODY></HTML>");
}

PageResult ReportPages::textView(const std::string& path) {
  StreamReader reader;
  PageResult result;
  if (!openInternal(root_, path, reader, kLineBlock)) return binaryFile(result);
  TextFile file;
  // Plain text: the browser shows the source as it is and runs none of it.
  if (!create(file, internalPageName(path, ".txt"), result, PageType::kText))
    return binaryFile(result);
  file.write("文件: " + path + "\r\n\r\n");
  std::string line;
  while (reader.readLine(line)) {
    // Breaks fall on blanks, which are never part of a double-byte
    // character, so the pieces are cut in the file's own bytes.
    for (std::string_view piece : wrapLine(line)) {
      file.write(text(std::string(piece)));
      file.write("\r\n");
    }
  }
  result = finish(file, result, nullptr);
  if (result.outcome == PageOutcome::kShow) result.outcome = PageOutcome::kShowNoHome;
  return result;
}

namespace {

// A help file path as it may stand in a URL: the bytes that would end the
// path or start an escape ("%", "#", "?"), blanks and control bytes are
// percent-encoded; the address is decoded again when it is followed.
std::string urlPath(std::string_view path) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (c <= ' ' || c == '%' || c == '#' || c == '?' || c == 0x7F) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

class ContentsWriter {
 public:
  ContentsWriter(const std::string& helpPath, unsigned codePage)
      : helpPath_(helpPath), codePage_(codePage) {}

  // A Local value as a link target: a path inside the help file, made
  // absolute under "its:", or an address that names a help file by one of
  // the its: schemes, taken as it is. Anything else (script, the network,
  // local files) gives no link: the entry is shown as text.
  std::optional<std::string> url(std::string local) const {
    for (char& c : local)
      if (c == '\\') c = '/';
    const std::size_t colon = local.find(':');
    const std::size_t slash = local.find('/');
    if (colon != std::string::npos && (slash == std::string::npos || colon < slash)) {
      for (std::string_view scheme : {"its:", "ms-its:", "mk:@MSITStore:"})
        if (StartsWithNoCase(local, scheme)) return local;
      return std::nullopt;
    }
    while (!local.empty() && local.front() == '/') local.erase(0, 1);
    return "its:" + urlPath(helpPath_) + "::/" + local;
  }

  void list(const std::vector<SitemapEntry>& entries, std::string& out) const {
    out += "<UL>\r\n";
    for (const SitemapEntry& e : entries) {
      const std::string name =
          HtmlEscape(helpTextToUtf8(e.name.empty() ? e.local : e.name, codePage_));
      // The help file's path is the program's text already; only Local
      // comes in the file's code page.
      const std::optional<std::string> target =
          e.local.empty() ? std::nullopt : url(helpTextToUtf8(e.local, codePage_));
      const std::string label = target ? "<A href=\"" + HtmlEscape(*target) + "\">" + name + "</A>"
                                       : "<SPAN>" + name + "</SPAN>";
      if (e.children.empty()) {
        out += "<LI class=page>" + label + "</LI>\r\n";
      } else {
        out += "<LI class=folder><DETAILS><SUMMARY>" + label + "</SUMMARY>\r\n";
        list(e.children, out);
        out += "</DETAILS></LI>\r\n";
      }
    }
    out += "</UL>\r\n";
  }

 private:
  const std::string& helpPath_;
  unsigned codePage_;
};

constexpr const char* kContentsStyle =
    "<STYLE>\r\n"
    "body { font: 9pt sans-serif; margin: 4px; }\r\n"
    "ul { list-style: none; margin: 0; padding-left: 18px; }\r\n"
    "body > ul { padding-left: 0; }\r\n"
    "summary { cursor: pointer; }\r\n"
    "li.page { padding-left: 14px; }\r\n"
    "a { color: inherit; text-decoration: none; }\r\n"
    "a:hover { text-decoration: underline; color: #00c; }\r\n"
    "</STYLE>\r\n";

}  // namespace

PageResult ReportPages::contents(const std::string& internalPath) {
  StreamReader reader;
  PageResult result;
  if (!openInternal(root_, internalPath, reader, kLineBlock)) return binaryFile(result);
  // Read piece by piece: only bytes really there are held.
  std::string sitemap;
  char piece[kLineBlock];
  while (const std::uint32_t got = reader.read(piece, sizeof piece)) sitemap.append(piece, got);
  reader.close();
  TextFile file;
  // The browser takes a local file's type from its name: without ".htm" the
  // tree would be shown as its source text.
  if (!create(file, internalPageName(internalPath, ".htm"), result)) return binaryFile(result);
  std::string out = "<HTML><HEAD><TITLE>" + HtmlEscape(internalPath) + "</TITLE>\r\n";
  out += kContentsStyle;
  out += "</HEAD><BODY>\r\n";
  ContentsWriter(helpPath_, codePage_).list(parseSitemap(sitemap), out);
  file.write(out);
  return finish(file, result, "</BODY></HTML>\r\n");
}
