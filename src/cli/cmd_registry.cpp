// wrenlow-cli registry: the help-location registry entries (HTML Help or
// WinHelp) of the program's own registry files or of a Wine prefix.
#include <cstdio>
#include <set>
#include <string>

#include "cli/command.h"
#include "common/string_utils.h"
#include "helpreg/help_registry.h"
#include "helpreg/installation.h"
#include "res/ids.h"
#include "res/strings.h"

namespace cli {
namespace {

int run(const Args& args);

const CliCommand kRegistry(
    "registry",
    "registry (html|winhelp) (list [--missing] | set NAME FOLDER | delete NAME | clean-missing) "
    "[--prefix DIR]",
    "list or edit the help files registered for HTML Help or WinHelp", run);

void printEntry(const helpreg::Entry& e) {
  std::printf("%s\t%s\n", e.name.c_str(), e.folder.c_str());
}

// A folder as the editor stores it: no trailing separator ("C:\" is "C:"),
// and a relative native folder made absolute.
std::string storedFolder(std::string folder) {
  const bool drive = folder.size() >= 2 && folder[1] == ':';
  if (!drive && !folder.empty() && folder[0] != '/' && folder[0] != '\\')
    folder = FullPathName(folder);
  while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/') &&
         !(drive && folder.size() == 2))
    folder.pop_back();
  return folder;
}

// Names the values that are too long for the editor's buffers (the editor
// lists none of them, nor any value after the first); false when there are
// any. A name is shown up to the buffer's size.
bool reportTooLong(const helpreg::Listing& listing) {
  for (const std::string& name : listing.tooLong) {
    const bool cut = name.size() >= helpreg::kNameBuffer;
    std::fprintf(stderr,
                 "wrenlow-cli: registry: the value %s%s is longer than %zu bytes (name or data) "
                 "and is not listed; the editor's list ends before it\n",
                 (cut ? name.substr(0, helpreg::kNameBuffer - 1) : name).c_str(), cut ? "..." : "",
                 helpreg::kDataBuffer - 1);
  }
  return listing.tooLong.empty();
}

// Tells what a change could not do; true when everything was written.
bool reportWrite(const helpreg::WriteResult& r) {
  if (!r.refusal.empty()) {
    std::fprintf(stderr, "wrenlow-cli: %s\n", r.refusal.c_str());
    return false;
  }
  if (!r.keyOpened) {
    std::fprintf(stderr, "wrenlow-cli: %s\n", LoadStr(IDS_CANNOT_OPEN_REGISTRY));
    return false;
  }
  for (const std::string& name : r.failed)
    std::fprintf(stderr, "wrenlow-cli: %s: %s\n", LoadStr(IDS_CANNOT_OPEN_REGISTRY), name.c_str());
  return r.failed.empty();
}

// The hive that holds the key exists but could not be read: the reason was
// told when it was read; nothing is listed or changed.
int unreadableHive() {
  std::fprintf(stderr, "wrenlow-cli: %s\n", LoadStr(IDS_CANNOT_OPEN_REGISTRY));
  return 1;
}

int run(const Args& all) {
  Args args;
  std::string prefix;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] == "--prefix") {
      if (i + 1 >= all.size()) return usageError(kRegistry);
      prefix = all[++i];
    } else {
      args.push_back(all[i]);
    }
  }
  if (args.size() < 2) return usageError(kRegistry);
  helpreg::Mode mode;
  if (args[0] == "html") {
    mode = helpreg::Mode::HtmlHelp;
  } else if (args[0] == "winhelp") {
    mode = helpreg::Mode::WinHelp;
  } else {
    return usageError(kRegistry);
  }
  if (!prefix.empty()) {
    std::string problem;
    if (!helpreg::useWinePrefix(prefix, &problem)) {
      std::fprintf(stderr, "wrenlow-cli: %s\n", problem.c_str());
      return 1;
    }
  }
  const std::string& action = args[1];

  if (action == "list") {
    bool missingOnly = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
      if (args[i] != "--missing") return usageError(kRegistry);
      missingOnly = true;
    }
    const helpreg::Listing listing =
        readEntries(mode, helpreg::FixedDrives::current(), helpreg::LongValues::Skip);
    if (listing.unreadable) return unreadableHive();
    if (!missingOnly) {
      for (const helpreg::Entry& e : listing.entries) printEntry(e);
    } else {
      for (const helpreg::MissingFile& m : listing.missing) printEntry(listing.entries[m.row]);
    }
    return reportTooLong(listing) ? 0 : 1;
  }
  if (action == "set") {
    if (args.size() != 4) return usageError(kRegistry);
    const std::string& name = args[2];
    if (name.empty() || name.find_first_of("\\/") != std::string::npos) {
      std::fprintf(stderr, "wrenlow-cli: registry: NAME is a file name without a folder\n");
      return 2;
    }
    return reportWrite(helpreg::setValue(mode, {name, storedFolder(args[3])})) ? 0 : 1;
  }
  if (action == "delete") {
    if (args.size() != 3) return usageError(kRegistry);
    const helpreg::Listing listing =
        readEntries(mode, helpreg::FixedDrives::current(), helpreg::LongValues::Skip);
    if (listing.unreadable) return unreadableHive();
    bool found = false;
    for (const helpreg::Entry& e : listing.entries) found = found || EqualsNoCase(e.name, args[2]);
    for (const std::string& n : listing.tooLong) found = found || EqualsNoCase(n, args[2]);
    if (!found) {
      std::fprintf(stderr, "wrenlow-cli: registry: %s is not registered\n", args[2].c_str());
      return 1;
    }
    return reportWrite(helpreg::deleteValues(mode, {args[2]})) ? 0 : 1;
  }
  if (action == "clean-missing") {
    if (args.size() != 2) return usageError(kRegistry);
    const helpreg::Listing listing =
        readEntries(mode, helpreg::FixedDrives::current(), helpreg::LongValues::Skip);
    if (listing.unreadable) return unreadableHive();
    std::vector<std::string> names;
    for (const helpreg::MissingFile& m : listing.missing)
      names.push_back(listing.entries[m.row].name);
    if (names.empty()) return 0;
    const helpreg::WriteResult r = helpreg::deleteValues(mode, names);
    if (r.keyOpened) {
      const std::set<std::string> failed(r.failed.begin(), r.failed.end());
      for (const helpreg::MissingFile& m : listing.missing)
        if (!failed.contains(listing.entries[m.row].name)) std::printf("%s\n", m.path.c_str());
    }
    return reportWrite(r) ? 0 : 1;
  }
  return usageError(kRegistry);
}

}  // namespace
}  // namespace cli
