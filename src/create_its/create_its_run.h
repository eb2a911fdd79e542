#pragma once
// Creating an ITS file straight from source files: the files a project lists
// in its [FILES] section, or every regular file below a folder, each stored
// as one LZX-compressed stream under its lower-cased relative name. Result
// lines (cannot open, invalid name, the summary) go to a ResultSink; a failed
// entry never stops the run. Never changes the current folder.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/prompt.h"

// What create-from-project reads from a project file.
struct ProjectContent {
  // The [FILES] lines as written (comment and surrounding blanks cut, empty
  // lines kept), in file order.
  std::vector<std::string> files;
  // The first "compiled file=" value of [OPTIONS], letter case kept.
  std::optional<std::string> compiledFile;
};

// Parses the project; false when it cannot be opened.
bool readProjectContent(const std::string& projectPath, ProjectContent& out);

// The dialog's look-up: the value of the first line that begins with
// "compiled file" (letters compared without case) and holds "=": the text
// after the "=", leading blanks and tabs skipped, cut at the first ";",
// trailing blanks removed. Nothing when the project cannot be read or has no
// such line.
std::optional<std::string> compiledFileOption(const std::string& projectPath);

// One file to store: where it is read from and the name it is listed under.
struct ItsSource {
  std::string path;
  std::string name;
};

// The stream name for a listed name: "\" turned into "/", A-Z lower-cased,
// "." and ".." segments and empty leading segments removed so that the name
// stays inside the storage's root.
std::string itsStreamName(const std::string& listed);

// Directory block size for the names: the smaller of 16384 and their lengths
// in bytes plus 4 for each.
std::uint32_t itsDirectoryBlockSize(const std::vector<ItsSource>& sources);

enum class CreateItsOutcome { Created, Failed, Cancelled };

struct CreateItsTotals {
  std::uint32_t count = 0;  // files with content stored
  std::uint64_t bytes = 0;
};

// Project mode. A relative itsName is taken as given (the caller made it
// absolute); when it is empty the project's "compiled file=" names the file,
// relative to the project's folder, as are the [FILES] entries.
CreateItsOutcome createItsFromProject(const std::string& projectPath, const std::string& itsName,
                                      ResultSink& sink, CreateItsTotals* totals = nullptr);

// Folder mode: every regular file below folder; a symbolic link is stored
// only when it names a regular file inside the folder, one that leads out is
// reported and skipped. An empty itsName means folder + ".its".
CreateItsOutcome createItsFromFolder(const std::string& folder, const std::string& itsName,
                                     ResultSink& sink, CreateItsTotals* totals = nullptr);

// The files below folder in name order, as folder mode stores them, the
// links leading out of it and the folders below it that could not be read
// (left out; both reported by createItsFromFolder). False when the folder
// itself cannot be read.
bool collectFolderFiles(const std::string& folder, std::vector<ItsSource>& files,
                        std::vector<std::string>& linksLeavingFolder,
                        std::vector<std::string>* unreadableFolders = nullptr);

// Stores the sources into a new ITS file at itsPath (reported under
// displayName) and reports the summary; the common part of both modes.
CreateItsOutcome storeItsFiles(const std::string& itsPath, const std::string& displayName,
                               const std::vector<ItsSource>& sources, ResultSink& sink,
                               CreateItsTotals* totals);
