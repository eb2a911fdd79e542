#pragma once
// A buffered text file: written in 16 KiB pieces, read line by line. Writing
// never reports a failure on the spot: the first failed write sets an error
// that sticks, later writes are dropped, and failed() or close() tell the
// caller at the end.
#include <cstddef>
#include <string>
#include <string_view>

class TextFile {
 public:
  static constexpr std::size_t kBufferSize = 16384;

  TextFile() = default;
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Creates or truncates the file for writing.
  bool openWrite(const std::string& path);
  // Creates a new file for writing, readable by its owner only; fails when
  // anything (a symbolic link included) already has the name.
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
  bool writing_ = false;
  bool error_ = false;
  bool eof_ = false;
  std::string buffer_;
  std::size_t pos_ = 0;  // reading: next byte; writing: bytes pending
  std::size_t end_ = 0;  // reading: bytes held
};
