#include "its/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/system/atomic_file.h"

namespace {
constexpr char kEndOfFile = 26;  // Ctrl-Z
}

TextFile::~TextFile() { close(); }

bool TextFile::openWrite(const std::string& path, bool replace) {
  close();
  if (!out_.begin(path, replace)) return false;
  return startWriting(out_.fd());
}

bool TextFile::createNew(const std::string& path) {
  close();
  return startWriting(
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
}

bool TextFile::startWriting(int fd) {
  fd_ = fd;
  if (fd_ < 0) return false;
  writing_ = true;
  error_ = false;
  eof_ = false;
  buffer_.assign(kBufferSize, '\0');
  pos_ = end_ = 0;
  return true;
}

bool TextFile::openRead(const std::string& path) {
  close();
  fd_ = sysfile::openRegularFile(path);
  if (fd_ < 0) return false;
  writing_ = false;
  error_ = false;
  eof_ = false;
  buffer_.assign(kBufferSize, '\0');
  pos_ = end_ = 0;
  if (!fill() && error_) {
    close();
    return false;
  }
  return true;
}

bool TextFile::fill() {
  pos_ = end_ = 0;
  if (eof_ || fd_ < 0) return false;
  ssize_t n;
  do {
    n = ::read(fd_, buffer_.data(), buffer_.size());
  } while (n < 0 && errno == EINTR);
  if (n <= 0) {
    if (n < 0) error_ = true;
    eof_ = true;
    return false;
  }
  end_ = static_cast<std::size_t>(n);
  return true;
}

void TextFile::flush() {
  std::size_t done = 0;
  while (!error_ && done < pos_) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, pos_ - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = true;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  pos_ = 0;
}

void TextFile::write(std::string_view text) {
  if (fd_ < 0 || !writing_) return;
  while (!text.empty() && !error_) {
    const std::size_t room = buffer_.size() - pos_;
    const std::size_t n = text.size() < room ? text.size() : room;
    buffer_.replace(pos_, n, text.substr(0, n));
    pos_ += n;
    text.remove_prefix(n);
    if (pos_ == buffer_.size()) flush();
  }
}

void TextFile::writeLine(std::string_view text) {
  write(text);
  write("\r\n");
}

bool TextFile::readLine(std::string& line) {
  line.clear();
  if (fd_ < 0 || writing_) return false;
  for (;;) {
    if (pos_ == end_ && !fill()) return !line.empty();
    const char c = buffer_[pos_++];
    if (c == kEndOfFile) {
      eof_ = true;
      pos_ = end_;
      return !line.empty();
    }
    if (c == '\r') continue;
    if (c == '\n') {
      while (!line.empty() && line.back() == ' ') line.pop_back();
      return true;
    }
    line += c;
  }
}

bool TextFile::close() {
  if (fd_ < 0) return !error_;
  if (writing_) flush();
  if (writing_ && out_.fd() >= 0) {
    // The file takes its path's place only when every write went through.
    if (error_)
      out_.discard();
    else if (!out_.commit())
      error_ = true;
  } else if (::close(fd_) != 0 && writing_) {
    error_ = true;
  }
  fd_ = -1;
  buffer_.clear();
  buffer_.shrink_to_fit();
  pos_ = end_ = 0;
  return !error_;
}
