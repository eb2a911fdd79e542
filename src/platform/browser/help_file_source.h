#pragma once
// The bytes behind its: addresses. Keeps the few help files the pages use
// open (a page with its style sheets and images asks for one file many
// times in a row) together with each file's code page, and reopens a file
// whose size or time changed on disk. Single thread (the GUI thread).
#include <cstdint>
#include <list>
#include <memory>
#include <string>

class ItsStorage;

namespace browser {

enum class ReadStatus { Ok, NoHelpFile, NotFound, TooLarge, ReadError };

struct PageBytes {
  std::string bytes;
  unsigned codePage = 0;  // of the help file the bytes came from
};

class HelpFileSource {
 public:
  // Files larger than this are not served: a page never needs them, and the
  // size comes from the file, not from us.
  static constexpr std::uint64_t kMaxServedBytes = 256u << 20;
  static constexpr std::size_t kOpenFiles = 4;

  HelpFileSource();
  ~HelpFileSource();
  HelpFileSource(const HelpFileSource&) = delete;
  HelpFileSource& operator=(const HelpFileSource&) = delete;

  // The internal file at internalPath ("/dir/page.htm") of the help file
  // helpFile (an absolute path).
  ReadStatus read(const std::string& helpFile, const std::string& internalPath, PageBytes& out);

  // Closes every file (tests, and before a help file is rewritten).
  void closeAll();

  // The process's one source.
  static HelpFileSource& instance();

 private:
  struct OpenFile;
  OpenFile* open(const std::string& helpFile);
  std::list<std::unique_ptr<OpenFile>> files_;  // most recently used first
};

}  // namespace browser
