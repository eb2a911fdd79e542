#pragma once
// A help project file (.hhp) read into its sections: the [OPTIONS] keys, the
// lines of [FILES], [WINDOWS], [ALIAS], [MAP], [TEXT POPUPS], [MERGE FILES]
// and [INFOTYPES], each with its line number for messages. Texts stay the
// bytes of the file; the project knows its code page and converts them on
// request (file names to UTF-8 for the file system, texts to the code page
// for the compiled file). Reading never fails on content: what it cannot use
// it keeps for the caller to warn about.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ProjectLine {
  std::string text;  // trimmed, bytes as in the file
  unsigned line = 0;
};

struct ProjectOption {
  std::string key;  // as written
  std::string value;
  unsigned line = 0;
};

// One [WINDOWS] line: the type name and its twenty comma-separated fields,
// quotes removed; a field left empty is absent.
struct ProjectWindow {
  std::string name;
  std::optional<std::string> caption, contentsFile, indexFile, defaultFile, homeFile;
  std::optional<std::string> jump1Url, jump1Text, jump2Url, jump2Text;
  std::optional<std::uint32_t> properties, navWidth, buttons;
  std::optional<std::int32_t> left, top, right, bottom;  // all four, or none
  std::optional<std::uint32_t> styles, exStyles, showState, navClosed, currentTab, tabPosition;
  unsigned line = 0;
};

class ProjectFile {
 public:
  // Reads path; false when it cannot be read (error says why, UTF-8).
  bool read(const std::string& path, std::string& error);
  // Parses project text as it would be read from a file at path.
  void parse(std::string_view text, const std::string& path);

  const std::string& path() const { return path_; }
  // The folder the project's relative names start from ("" or ending in "/").
  const std::string& folder() const { return folder_; }

  // The last value of an [OPTIONS] key (compared without case), if any.
  const ProjectOption* option(std::string_view key) const;
  std::string optionText(std::string_view key) const;
  // "Yes" (any case), or a number other than 0.
  bool optionYes(std::string_view key) const;

  std::vector<ProjectOption> options;
  std::vector<ProjectLine> files, windowLines, alias, map, textPopups, mergeFiles, infoTypes;
  // Sections this reader does not know, by header line.
  std::vector<ProjectLine> otherSections;

  // Language: the "Language" option, else 0x409.
  std::uint32_t lcid() const;
  // The code page of texts in the compiled file.
  unsigned codePage() const { return codePage_; }
  // Whether the project file itself is UTF-8 (a byte-order mark, or valid
  // UTF-8 holding characters beyond ASCII).
  bool utf8() const { return utf8_; }
  // Bytes of the project → UTF-8, and → the compiled file's code page.
  std::string toUtf8(std::string_view raw) const;
  std::string toHelpText(std::string_view raw) const;

 private:
  void chooseEncoding(std::string_view text);

  std::string path_, folder_;
  unsigned codePage_ = 1252;
  bool utf8_ = false;
};

// Parses a [WINDOWS] line; false when it has no "=" or an empty name.
bool parseWindowLine(const ProjectLine& line, ProjectWindow& out);

// "#define NAME number" lines of a header or [MAP] section: name → number.
// Lines that are not definitions are skipped; a definition with a value that
// is not a number is reported by its line to bad.
struct MapDefinition {
  std::string name;
  std::uint32_t number = 0;
  unsigned line = 0;
};
void parseDefines(std::string_view text, unsigned firstLine, std::vector<MapDefinition>& out,
                  std::vector<ProjectLine>* bad = nullptr);

// A number as project files write it: decimal or "0x" hexadecimal, with an
// optional sign and optional "L"/"U" suffixes; nothing when the text is not
// wholly a number.
std::optional<std::uint32_t> parseProjectNumber(std::string_view text);
