#pragma once
// A buffered text file: written in 16 KiB pieces, read line by line. Writing
// never reports a failure on the spot: the first failed write sets an error
// that sticks, later writes are dropped, and failed() or close() tell the
// caller at the end. A file written goes to a temporary file beside its path
// and takes the path's place at close() only when every write went through;
// until then, and after a failure, the path stays as it was. Only regular
// files are read or written.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/system/atomic_file.h"

class TextFile {
 public:
  static constexpr std::size_t kBufferSize = 16384;

  TextFile() = default;
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Begins a new file for path (see above); false when path is read-only,
  // in a read-only folder, or not a regular file. replace false: an existing
  // file is never replaced (then close() fails).
  bool openWrite(const std::string& path, bool replace = true);
  // Creates a new file for writing, readable by its owner only, in place at
  // once; fails when anything (a symbolic link included) already has the name.
  bool createNew(const std::string& path);
  // Opens an existing file and reads its first piece.
  bool openRead(const std::string& path);

  // Appends the bytes as they are; no line end is added.
  void write(std::string_view text);
  // write(text), then "\r\n".
  void writeLine(std::string_view text);

  // The next line without its end: CR bytes are dropped, LF ends the line and
  // the line's trailing blanks are removed, byte 26 (Ctrl-Z) ends the file. At
  // the end of the file the text read so far is the line; false when there
  // was none.
  bool readLine(std::string& line);

  // Writes what is pending and closes; false when any write failed.
  bool close();

  bool isOpen() const { return fd_ >= 0; }
  bool failed() const { return error_; }

 private:
  bool fill();
  void flush();
  bool startWriting(int fd);

  int fd_ = -1;
  sysfile::AtomicOutput out_;  // writing: the new file
  bool writing_ = false;
  bool error_ = false;
  bool eof_ = false;
  std::string buffer_;
  std::size_t pos_ = 0;  // reading: next byte; writing: bytes pending
  std::size_t end_ = 0;  // reading: bytes held
};
