#pragma once
// Rebuilding an approximate HTML Help project file (.hhp) from what a
// compiled help file records about itself: the option texts of #SYSTEM, the
// window types of #WINDOWS, the map of #IVB, the merge files named in the
// #IDXHDR copy inside #SYSTEM, the full-text index and the content files.
//
// Texts taken from the file are bytes in its code page and are written
// unchanged; the program's own texts and the content file names (UTF-8 in the
// directory) are converted to that code page.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chmfiles/windows_file.h"
#include "common/prompt.h"
#include "its/its_storage.h"
#include "its/string_list.h"

// A window type with its string fields resolved to texts.
struct RebuiltWindowType {
  WindowTypeEntry entry;
  std::string name, caption, contentsFile, indexFile, defaultFile, homeFile;
  std::string jump1Text, jump2Text, jump1Url, jump2Url;
};

class ProjectRebuilder {
 public:
  // The language assumed until #SYSTEM names one (the program's own).
  static constexpr std::uint32_t kUserDefaultLcid = 0x804;

  explicit ProjectRebuilder(Prompter& prompter, ItsStorage::EngineFactory factory = nullptr)
      : prompter_(prompter), storage_(factory) {
    reset();
  }
  ProjectRebuilder(const ProjectRebuilder&) = delete;
  ProjectRebuilder& operator=(const ProjectRebuilder&) = delete;

  void reset();

  // Opens the source (message 20482 when it cannot be), walks it, closes it.
  // False when it could not be opened or its root not enumerated.
  bool gather(const std::string& sourcePath);

  // Creates the project file (message 20482 with its path when that fails)
  // and writes the text; compiledName goes into "Compiled file=".
  bool write(const std::string& projectPath, const std::string& compiledName);

  // The project text as write puts it into the file.
  std::string text(const std::string& compiledName) const;

  // The code page the file's texts are in: after gather the one the other
  // readers of the file choose (LCID, default font, #SYSTEM and #STRINGS
  // texts), before it the choice from the LCID, font and option texts.
  unsigned codePage() const;

  // The code page the project is written in: the file's own when every
  // text the project holds, its own header comment included, converts into
  // it and back, and every value that names a file (compiled file, content
  // files, option values and window fields naming files, alias targets,
  // merge files) is ASCII, so that it names the file as decompile wrote it
  // on disk; otherwise UTF-8. A rebuilt project never holds "?" in place of
  // a character of the source.
  unsigned projectCodePage(const std::string& compiledName) const;

  // What gather found.
  std::optional<std::string> contentsFile, indexFile, defaultTopic, title, defaultWindow,
      defaultFont;
  bool fullTextSearch = false;
  bool dbcs = false;
  std::uint32_t lcid = kUserDefaultLcid;
  bool lcidFound = false;  // #SYSTEM named the language: written as "Language="
  bool binaryIndex = false;
  bool binaryToc = false;
  // Sitemap files rebuilt by decompile under names #SYSTEM does not give
  // (UTF-8): written as "Contents file=" and "Index file=" when #SYSTEM names
  // none.
  std::string rebuiltContents, rebuiltIndex;
  StringList files;
  std::vector<RebuiltWindowType> windows;
  std::optional<std::vector<std::string>> aliases;
  std::vector<std::string> mergeFiles;
  // The window types, aliases or merge files named more text than a project
  // rebuilt from tables of their size may hold: the lists end before the
  // first entry that did not fit.
  bool textIncomplete = false;

 private:
  class GatherWalk;
  void readSystem();
  void readWindows();
  void readIvb();
  // A table of this many bytes adds to the text its entries may name.
  void allowTextFor(std::uint64_t tableBytes);
  // Counts bytes of named text; false (and textIncomplete) once they no
  // longer fit.
  bool spendText(std::size_t bytes);

  Prompter& prompter_;
  ItsStorage storage_;
  std::size_t textAllowed_ = 0;
  std::size_t textUsed_ = 0;
  std::optional<unsigned> filePage_;  // the file's code page, once gathered
};
