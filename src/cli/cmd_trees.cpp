// wrenlow-cli toc / index: a compiled help file's contents and index as
// indented lines or JSON, from the binary tables when the file has them,
// else from its sitemap files.
#include <cstdio>
#include <string>

#include "chmfiles/help_trees.h"
#include "cli/command.h"
#include "cli/json_writer.h"
#include "common/messages.h"
#include "its/its_storage.h"

namespace cli {
namespace {

constexpr unsigned kMsgCannotOpen = 20482;  // "不能打开“%s”。"

const char* originName(TreeOrigin origin) {
  switch (origin) {
    case TreeOrigin::kBinary:
      return "binary";
    case TreeOrigin::kSitemap:
      return "sitemap";
    case TreeOrigin::kNone:
      break;
  }
  return "none";
}

void writeLine(const std::string& s) {
  std::fwrite(s.data(), 1, s.size(), stdout);
  std::fputc('\n', stdout);
}

// One line per entry, two spaces per level: the name, then a tab and each
// page; a see-also keyword's reference after "→ ".
void printText(const std::vector<HelpTreeEntry>& level, std::size_t depth) {
  for (const HelpTreeEntry& e : level) {
    std::string line(2 * depth, ' ');
    line += e.name;
    for (const TreeTopic& t : e.topics) line += "\t" + t.local;
    if (!e.seeAlso.empty()) line += "\t→ " + e.seeAlso;
    writeLine(line);
    printText(e.children, depth + 1);
  }
}

void printJson(JsonWriter& j, const std::vector<HelpTreeEntry>& level) {
  j.beginArray();
  for (const HelpTreeEntry& e : level) {
    j.beginObject().key("name").value(e.name);
    if (!e.topics.empty()) {
      j.key("topics").beginArray();
      for (const TreeTopic& t : e.topics)
        j.beginObject().key("title").value(t.title).key("local").value(t.local).endObject();
      j.endArray();
    }
    if (!e.seeAlso.empty()) j.key("seeAlso").value(e.seeAlso);
    if (!e.children.empty()) {
      j.key("children");
      printJson(j, e.children);
    }
    j.endObject();
  }
  j.endArray();
}

constexpr const char kTreeDetails[] =
    "  --binary   only the binary table\n"
    "  --sitemap  only the sitemap file\n"
    "  --json     {\"file\", \"source\": \"binary\" | \"sitemap\" | \"none\", \"sitemap\",\n"
    "             \"entries\": [{\"name\", \"topics\": [{\"title\", \"local\"}], \"seeAlso\",\n"
    "             \"children\": [...]}]}\n"
    "Without --json: one line per entry, indented two spaces per level, the name\n"
    "and a tab before each page. Exit 1 when the file has no such tree.\n";

int runTree(const CliCommand& cmd, const Args& args, bool contents) {
  bool json = false;
  TreeSourceChoice choice = TreeSourceChoice::kAny;
  std::string path;
  for (const std::string& a : args) {
    if (a == "--json")
      json = true;
    else if (a == "--binary")
      choice = TreeSourceChoice::kBinaryOnly;
    else if (a == "--sitemap")
      choice = TreeSourceChoice::kSitemapOnly;
    else if (path.empty() && a.rfind("--", 0) != 0)
      path = a;
    else
      return usageError(cmd);
  }
  if (path.empty()) return usageError(cmd);
  ItsStorage storage;
  if (itss::FAILED(storage.open(path.c_str()))) {
    ShowFormattedMessage(kMsgCannotOpen, path, MB_ICONWARNING);
    return kExitFailed;
  }
  const HelpTree tree =
      contents ? readContents(storage.root(), choice) : readIndex(storage.root(), choice);
  storage.close();
  if (json) {
    JsonWriter j;
    j.beginObject().key("file").value(path).key("source").value(originName(tree.origin));
    if (!tree.sitemapName.empty()) j.key("sitemap").value(tree.sitemapName);
    j.key("entries");
    printJson(j, tree.entries);
    j.endObject();
    std::fputs(j.text().c_str(), stdout);
  } else {
    printText(tree.entries, 0);
  }
  if (std::fflush(stdout) != 0) return kExitFailed;
  return tree.origin == TreeOrigin::kNone ? kExitFailed : kExitOk;
}

int runToc(const Args& args);
int runIndex(const Args& args);
const CliCommand toc("toc", "toc [--json] [--binary | --sitemap] FILE",
                     "print the contents of a compiled help file", runToc, kTreeDetails);
const CliCommand index("index", "index [--json] [--binary | --sitemap] FILE",
                       "print the keyword index of a compiled help file", runIndex, kTreeDetails);

int runToc(const Args& args) { return runTree(toc, args, true); }
int runIndex(const Args& args) { return runTree(index, args, false); }

}  // namespace
}  // namespace cli
