// wrenlow-cli find: the component and help file finders without their
// dialog. The rows are printed as the dialog first shows them (sorted by the
// first column), one line each, the four texts separated by tabs.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/json_writer.h"
#include "common/string_utils.h"
#include "finders/finder_search.h"
#include "platform/registry/registry.h"
#include "platform/system/sysdirs.h"
#include "res/ids.h"
#include "res/strings.h"
#include "res/text_format.h"

namespace cli {
namespace {

int run(const Args& args);
const CliCommand kFind(
    "find",
    "find (html-components|winhelp-components|html-files|winhelp-files) "
    "[--prefix DIR] [--root DIR]... [--json]",
    "list help components or help files on the fixed drives (or below each "
    "--root), as tab-separated rows: name, version or extension, date, path",
    run,
    "  --json  {\"rows\": [{\"name\", \"version\", \"date\", \"path\"}]}; version\n"
    "          holds the extension for help files\n");

int run(const Args& args) {
  using finders::FinderMode;
  if (args.empty()) return usageError(kFind);
  FinderMode mode;
  if (args[0] == "html-components")
    mode = FinderMode::HtmlHelpComponents;
  else if (args[0] == "winhelp-components")
    mode = FinderMode::WinHelpComponents;
  else if (args[0] == "html-files")
    mode = FinderMode::HtmlHelpFiles;
  else if (args[0] == "winhelp-files")
    mode = FinderMode::WinHelpFiles;
  else
    return usageError(kFind);

  std::vector<drives::FixedDrive> roots;
  std::string prefix;
  bool json = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if ((args[i] == "--prefix" || args[i] == "--root") && i + 1 < args.size()) {
      std::string path = FullPathName(args[i + 1]);
      if (args[i] == "--prefix")
        prefix = path;
      else
        roots.push_back({path, path});
      ++i;
    } else {
      return usageError(kFind);
    }
  }
  if (!prefix.empty()) {
    if (!sysdirs::exists(prefix + "/system.reg") || !sysdirs::isFolder(prefix + "/dosdevices")) {
      std::fprintf(stderr, "wrenlow-cli: %s is not a Wine prefix\n", prefix.c_str());
      return 1;
    }
    // The prefix stands in for the Windows installation: its registry, its
    // folders and its drive letters.
    ::setenv("WRENLOW_WINEPREFIX", prefix.c_str(), 1);
    reg::useFolder(prefix, true);
  }
  if (roots.empty()) roots = finders::finderDrives();

  finders::FinderSearch search(mode);
  finders::FinderProgress quiet;
  search.run(roots, quiet);
  auto rows = search.rows();
  finders::sortByName(rows);
  if (search.unopenedFolders() > 0)
    std::fprintf(
        stderr, "wrenlow-cli: %s\n",
        FormatMessageText(LoadStr(IDS_FOLDERS_SKIPPED), std::to_string(search.unopenedFolders()))
            .c_str());
  if (json) {
    JsonWriter w;
    w.beginObject().key("rows").beginArray();
    for (const finders::FinderRow& row : rows) {
      w.beginObject().key("name").value(row.text[0]).key("version").value(row.text[1]);
      w.key("date").value(row.text[2]).key("path").value(row.text[3]).endObject();
    }
    std::fputs(w.endArray().endObject().text().c_str(), stdout);
  } else {
    for (const finders::FinderRow& row : rows)
      std::printf("%s\t%s\t%s\t%s\n", row.text[0].c_str(), row.text[1].c_str(), row.text[2].c_str(),
                  row.text[3].c_str());
  }
  return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

}  // namespace
}  // namespace cli
