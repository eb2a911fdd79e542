// wrenlow-cli report: builds one of the viewer's report pages and writes it
// to standard output, exactly as the viewer would show it (with --json,
// wrapped in an object that says whether the page was finished).
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/json_writer.h"
#include "common/messages.h"
#include "its/its_storage.h"
#include "platform/system/sysdirs.h"
#include "report/report_pages.h"

namespace cli {
namespace {

constexpr unsigned kMsgCannotOpen = 20482;  // "不能打开“%s”。"

int runReport(const Args& args);
const CliCommand report(
    "report", "report [--json] FILE PAGE",
    "write one report page of a compiled help file (HTML) to standard output", runReport,
    "  PAGE    system, windows, topics, urlstr, strings, ivb, idxhdr, general, or\n"
    "          contents:PATH, text:PATH, view:PATH for an internal file PATH\n"
    "  --json  {\"file\", \"page\", \"complete\", \"html\"}; complete is false when the page\n"
    "          was left unfinished (exit status 1), html is empty when there is no page\n");

PageResult build(ReportPages& pages, const std::string& page, bool& known) {
  known = true;
  auto after = [&](const char* prefix) { return page.substr(std::string(prefix).size()); };
  if (page == "system") return pages.system();
  if (page == "windows") return pages.windows();
  if (page == "topics") return pages.topics();
  if (page == "urlstr") return pages.urlStr();
  if (page == "strings") return pages.strings();
  if (page == "ivb") return pages.ivb();
  if (page == "idxhdr") return pages.idxHeader();
  if (page == "general") return pages.generalInfo();
  if (page.rfind("text:", 0) == 0) return pages.textFile(after("text:"));
  if (page.rfind("view:", 0) == 0) return pages.textView(after("view:"));
  if (page.rfind("contents:", 0) == 0) return pages.contents(after("contents:"));
  known = false;
  return {};
}

int runReport(const Args& args) {
  bool json = false;
  Args positional;
  for (const std::string& a : args) {
    if (a == "--json")
      json = true;
    else
      positional.push_back(a);
  }
  if (positional.size() != 2) return usageError(report);
  const std::string& path = positional[0];
  const std::string& pageName = positional[1];
  std::setlocale(LC_TIME, "");  // dates in the user's own form
  ItsStorage storage;
  if (itss::FAILED(storage.open(path.c_str()))) {
    ShowFormattedMessage(kMsgCannotOpen, path, MB_ICONWARNING);
    return 1;
  }
  // A folder of this run's own (mkdtemp makes it 0700) inside the private
  // temporary folder: a viewer showing pages of the same names meanwhile
  // keeps its files.
  const std::string base = sysdirs::tempFolder();
  std::string folder;
  if (!base.empty()) {
    std::string pattern = base + "/report-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data())) folder = name.data();
  }
  if (folder.empty()) {
    std::fprintf(stderr, "wrenlow-cli: no private temporary folder for the page\n");
    return kExitFailed;
  }
  ReportPages pages(storage.root(), path, folder);
  bool known = false;
  const PageResult result = build(pages, pageName, known);
  int status = kExitOk;
  if (!known) {
    status = usageError(report);
  } else if (result.outcome == PageOutcome::kBinaryFile) {
    std::fprintf(stderr, "wrenlow-cli: %s: %s: no page (the viewer shows the binary-file page)\n",
                 path.c_str(), pageName.c_str());
    status = kExitFailed;
  }
  // An unfinished page is still written: it is what the file held.
  std::string html;
  if (known && !result.path.empty()) {
    if (FILE* in = std::fopen(result.path.c_str(), "rb")) {
      char buffer[65536];
      while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, in))
        html.append(buffer, got);
      std::fclose(in);
    }
    if (result.outcome == PageOutcome::kNothing) {
      std::fprintf(stderr, "wrenlow-cli: %s: %s: the page was left unfinished\n", path.c_str(),
                   pageName.c_str());
      status = kExitFailed;
    }
  }
  if (known && json) {
    JsonWriter w;
    w.beginObject().key("file").value(path).key("page").value(pageName);
    w.key("complete").flag(status == kExitOk).key("html").value(html).endObject();
    std::fputs(w.text().c_str(), stdout);
  } else {
    std::fwrite(html.data(), 1, html.size(), stdout);
  }
  if (std::fflush(stdout) != 0) status = kExitFailed;
  pages.deleteTempPages();
  ::rmdir(folder.c_str());
  storage.close();
  return status;
}

}  // namespace
}  // namespace cli
