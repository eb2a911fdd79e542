// The mapped file and the directory's name order.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/itss/itsf_reader.h"
#include "platform/system/atomic_file.h"

namespace itss {

namespace {
inline unsigned char foldAscii(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}
}  // namespace

int compareNames(std::string_view a, std::string_view b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  // Names looked up mostly share long prefixes ("/html/api/..."): equal
  // bytes are passed over eight at a time, and only where two differ does
  // letter case count.
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y) break;
  }
  for (; i < n; ++i) {
    if (a[i] == b[i]) continue;
    unsigned char x = foldAscii(static_cast<unsigned char>(a[i]));
    unsigned char y = foldAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return 0;
}

std::string foldName(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(foldAscii(static_cast<unsigned char>(c)));
  return out;
}

MappedFile::~MappedFile() {
  if (mapped_) munmap(const_cast<std::uint8_t*>(data_), size_);
}

std::unique_ptr<MappedFile> MappedFile::open(const char* path, HRESULT* error) {
  // Only a regular file: a FIFO or a device would block the open or the read.
  int fd = sysfile::openRegularFile(path);
  if (fd < 0) {
    *error = errno == ENOENT || errno == EINVAL || errno == EISDIR ? STG_E_FILENOTFOUND
             : errno == EACCES                                     ? STG_E_ACCESSDENIED
                                                                   : STG_E_PATHNOTFOUND;
    return nullptr;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    ::close(fd);
    *error = STG_E_FILENOTFOUND;
    return nullptr;
  }
  auto f = std::unique_ptr<MappedFile>(new MappedFile);
  f->size_ = static_cast<std::uint64_t>(st.st_size);
  if (f->size_ > 0) {
    void* p = mmap(nullptr, f->size_, PROT_READ, MAP_PRIVATE, fd, 0);
    if (p != MAP_FAILED) {
      f->data_ = static_cast<const std::uint8_t*>(p);
      f->mapped_ = true;
    } else {
      // Some file systems cannot map; read the file instead.
      f->copy_.resize(f->size_);
      std::uint64_t done = 0;
      while (done < f->size_) {
        ssize_t r = pread(fd, f->copy_.data() + done, f->size_ - done, static_cast<off_t>(done));
        if (r <= 0) {
          ::close(fd);
          *error = STG_E_READFAULT;
          return nullptr;
        }
        done += static_cast<std::uint64_t>(r);
      }
      f->data_ = f->copy_.data();
    }
  }
  ::close(fd);
  *error = S_OK;
  return f;
}

std::unique_ptr<MappedFile> MappedFile::copyOf(const std::uint8_t* data, std::size_t size) {
  auto f = std::unique_ptr<MappedFile>(new MappedFile);
  f->copy_.assign(data, data + size);
  f->data_ = f->copy_.data();
  f->size_ = size;
  return f;
}

}  // namespace itss
