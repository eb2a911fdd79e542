// wrenlow-cli report: builds one of the viewer's report pages and writes it
// to standard output, exactly as the viewer would show it.
#include <clocale>
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "common/messages.h"
#include "its/its_storage.h"
#include "report/report_pages.h"

namespace cli {
namespace {

constexpr unsigned kMsgCannotOpen = 20482;  // "不能打开“%s”。"

int runReport(const Args& args);
const CliCommand report(
    "report", "report FILE PAGE",
    "write one report page of a compiled help file to standard output; PAGE is one of system, "
    "windows, topics, urlstr, strings, ivb, idxhdr, general, contents:PATH, text:PATH, view:PATH",
    runReport);

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
  if (args.size() != 2) return usageError(report);
  const std::string& path = args[0];
  std::setlocale(LC_TIME, "");  // dates in the user's own form
  ItsStorage storage;
  if (itss::FAILED(storage.open(path.c_str()))) {
    ShowFormattedMessage(kMsgCannotOpen, path, MB_ICONWARNING);
    return 1;
  }
  ReportPages pages(storage.root(), path);
  bool known = false;
  const PageResult result = build(pages, args[1], known);
  int status = 0;
  if (!known) {
    status = usageError(report);
  } else if (result.outcome == PageOutcome::kBinaryFile) {
    std::fprintf(stderr, "wrenlow-cli: %s: no page (the viewer shows the binary-file page)\n",
                 args[1].c_str());
    status = 1;
  }
  // An unfinished page is still written: it is what the file held.
  if (known && !result.path.empty()) {
    if (FILE* in = std::fopen(result.path.c_str(), "rb")) {
      char buffer[65536];
      while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, in))
        std::fwrite(buffer, 1, got, stdout);
      std::fclose(in);
    }
    if (result.outcome == PageOutcome::kNothing) status = 1;
  }
  std::fflush(stdout);
  pages.deleteTempPages();
  storage.close();
  return status;
}

}  // namespace
}  // namespace cli
