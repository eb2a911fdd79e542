#pragma once
// The compiler: reads a help project (.hhp) and writes a compiled help file
// through the storage engine: the project's files and the pages, images,
// style sheets and scripts they link to, as content streams under their
// project-relative names, and the tables that describe them (#SYSTEM,
// #WINDOWS, #STRINGS, #TOPICS, #URLTBL, #URLSTR, #IVB, #IDXHDR), with the
// full-text index ($FIftiMain) when the project asks for one.
//
// It reports numbered warnings and errors, one per line with file and line,
// to the sink, and fails only when nothing useful can be written (no
// project, an unwritable target). No windows, no questions.
#include <cstdint>
#include <optional>
#include <string>

#include "common/prompt.h"

struct CompileOptions {
  std::string projectPath;  // absolute
  std::string outputPath;   // empty: the project's "Compiled file", else its stem + ".chm"
  // The time recorded in the file; nothing: SOURCE_DATE_EPOCH when set, else now.
  std::optional<std::uint32_t> timeStamp;
  bool fastCompression = false;  // the LZX encoder's fast level
  bool translateCalls = false;   // x86 call translation where it pays
  // LZX reset interval and window in 32 KiB units. 8 and 8 as recompile
  // writes them; some readers decode nothing but a 64 KiB reset interval
  // (2 and 2).
  std::uint32_t resetBlocks = 8;
  std::uint32_t windowBlocks = 8;
};

struct CompileResult {
  bool written = false;  // a compiled file was written
  unsigned errors = 0;
  unsigned warnings = 0;
  std::size_t files = 0;   // content streams
  std::size_t topics = 0;  // pages in #TOPICS
  std::uint64_t bytes = 0;
  std::string outputPath;
};

CompileResult compileProject(const CompileOptions& options, ResultSink& sink);

// Reading the files of a project: all of a file or a plain failure, never a
// part taken for the whole.
enum class ReadStatus {
  Ok,
  CannotOpen,  // missing, unreadable, or not a regular file
  Incomplete,  // a read failed, or the file ended before the size it had
  NoMemory,    // there is no memory to hold it
};
// Reads the regular file at path into out.
ReadStatus readWholeFile(const std::string& path, std::string& out);
// Reads an open file of size bytes (and what it grew by since) into out.
ReadStatus readOpenFile(int fd, std::uint64_t size, std::string& out);

// The compiler's own version text, as #SYSTEM records it.
extern const char* const kCompilerVersionText;
