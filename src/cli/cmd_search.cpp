// wrenlow-cli search: the topics of a compiled help file that hold every one
// of the given words, found in the file's own full-text index.
#include <cstdio>
#include <string>
#include <vector>

#include "chmfiles/fulltext_reader.h"
#include "cli/command.h"
#include "cli/json_writer.h"
#include "common/messages.h"
#include "its/its_storage.h"

namespace cli {
namespace {

constexpr unsigned kMsgCannotOpen = 20482;  // "不能打开“%s”。"

int runSearch(const Args& args);
const CliCommand search(
    "search", "search [--prefix] [--titles] [--json] FILE WORD...",
    "find the topics holding every word in the file's full-text index", runSearch,
    "  --prefix  words beginning with each WORD, not only whole words\n"
    "  --titles  look in the words of topic titles only\n"
    "  --json    {\"file\", \"words\", \"prefix\", \"titles\", \"hits\": [{\"topic\", \"title\",\n"
    "            \"local\"}]}\n"
    "Without --json: one line per topic, its title, a tab and its page. Letters\n"
    "A-Z match either case. Exit 1 when the file has no full-text index.\n");

int runSearch(const Args& args) {
  SearchOptions options;
  bool json = false;
  std::string path;
  std::vector<std::string> words;
  for (const std::string& a : args) {
    if (a == "--prefix")
      options.prefix = true;
    else if (a == "--titles")
      options.titlesOnly = true;
    else if (a == "--json")
      json = true;
    else if (a.rfind("--", 0) == 0)
      return usageError(search);
    else if (path.empty())
      path = a;
    else if (!a.empty())
      words.push_back(a);
  }
  if (path.empty() || words.empty()) return usageError(search);
  ItsStorage storage;
  if (itss::FAILED(storage.open(path.c_str()))) {
    ShowFormattedMessage(kMsgCannotOpen, path, MB_ICONWARNING);
    return kExitFailed;
  }
  std::vector<SearchHit> hits;
  const SearchStatus status = searchHelpFile(storage.root(), words, options, hits);
  storage.close();
  if (status == SearchStatus::kNoIndex) {
    std::fprintf(stderr, "wrenlow-cli: %s has no full-text index\n", path.c_str());
    return kExitFailed;
  }
  if (status == SearchStatus::kDamaged) {
    std::fprintf(stderr, "wrenlow-cli: the full-text index of %s cannot be read\n", path.c_str());
    return kExitFailed;
  }
  if (json) {
    JsonWriter j;
    j.beginObject().key("file").value(path).key("words").beginArray();
    for (const std::string& w : words) j.value(w);
    j.endArray().key("prefix").flag(options.prefix).key("titles").flag(options.titlesOnly);
    j.key("hits").beginArray();
    for (const SearchHit& h : hits)
      j.beginObject()
          .key("topic")
          .number(h.topic)
          .key("title")
          .value(h.title)
          .key("local")
          .value(h.local)
          .endObject();
    j.endArray().endObject();
    std::fputs(j.text().c_str(), stdout);
  } else {
    for (const SearchHit& h : hits) {
      const std::string line = h.title + "\t" + h.local + "\n";
      std::fwrite(line.data(), 1, line.size(), stdout);
    }
  }
  return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

}  // namespace
}  // namespace cli
