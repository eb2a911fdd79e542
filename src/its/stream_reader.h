#pragma once
// StreamReader: a buffered reader over one stream of a storage, holding one
// block of the stream at a time.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/itss/storage.h"

class StreamReader {
 public:
  // Block size meaning "the whole stream is one block".
  static constexpr std::int32_t kWholeStream = -1;

  StreamReader() = default;
  ~StreamReader() { close(); }
  StreamReader(const StreamReader&) = delete;
  StreamReader& operator=(const StreamReader&) = delete;

  // Opens stream name of storage (mode 2), takes its size, allocates
  // min(block size, size) + 1 bytes and reads the first block. On any failure
  // everything is released and false returned.
  bool open(const char* name, itss::IStorage* storage, std::int32_t blockSize = kWholeStream);
  bool isOpen() const { return stream_ != nullptr; }
  std::uint32_t size() const { return size_; }

  // Up to n bytes from the read position into dst, refilling block by block;
  // returns the count copied (0 at the end of the stream or on a failed read).
  std::uint32_t read(void* dst, std::uint32_t n);
  // Moves the read position to offset from the start, reading the block that
  // holds it when it is not the one held. False when the stream cannot be
  // positioned there (a failed seek or read, or an offset past the end).
  bool seek(std::uint32_t offset);
  // The next line: CR bytes dropped, LF ends the line, trailing blanks
  // removed, byte 26 ends the text. False when nothing was left to read.
  bool readLine(std::string& out);

  void close();

 private:
  bool loadBlock(std::uint32_t index);
  bool fill();  // reads the block after the one held; false at the end

  itss::IStream* stream_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t blockSize_ = 0;
  std::vector<char> buffer_;
  std::uint32_t block_ = 0;  // index of the block held
  std::uint32_t pos_ = 0;    // read position within the buffer
  std::uint32_t end_ = 0;    // bytes held in the buffer
  bool textEnded_ = false;   // a Ctrl-Z was met by readLine
};
