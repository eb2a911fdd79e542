#include "platform/browser/help_file_source.h"

#include <sys/stat.h>

#include "chmfiles/help_code_page.h"
#include "its/its_storage.h"
#include "platform/itss/com_ptr.h"

namespace browser {

using namespace itss;

struct HelpFileSource::OpenFile {
  std::string path;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  ItsStorage storage;
  unsigned codePage = 0;
};

namespace {

bool sameVersion(const struct stat& st, dev_t device, ino_t inode, off_t size,
                 const timespec& modified) {
  return st.st_dev == device && st.st_ino == inode && st.st_size == size &&
         st.st_mtim.tv_sec == modified.tv_sec && st.st_mtim.tv_nsec == modified.tv_nsec;
}

}  // namespace

HelpFileSource::HelpFileSource() = default;
HelpFileSource::~HelpFileSource() = default;

HelpFileSource& HelpFileSource::instance() {
  static HelpFileSource source;
  return source;
}

void HelpFileSource::closeAll() { files_.clear(); }

HelpFileSource::OpenFile* HelpFileSource::open(const std::string& helpFile) {
  struct stat st {};
  if (::stat(helpFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  for (auto it = files_.begin(); it != files_.end(); ++it) {
    OpenFile& f = **it;
    if (f.path != helpFile) continue;
    if (!sameVersion(st, f.device, f.inode, f.size, f.modified)) {
      files_.erase(it);
      break;
    }
    files_.splice(files_.begin(), files_, it);
    return files_.front().get();
  }
  auto file = std::make_unique<OpenFile>();
  if (FAILED(file->storage.open(helpFile.c_str()))) return nullptr;
  file->path = helpFile;
  file->device = st.st_dev;
  file->inode = st.st_ino;
  file->size = st.st_size;
  file->modified = st.st_mtim;
  file->codePage = helpFileCodePage(file->storage.root());
  files_.push_front(std::move(file));
  if (files_.size() > kOpenFiles) files_.pop_back();
  return files_.front().get();
}

ReadStatus HelpFileSource::read(const std::string& helpFile, const std::string& internalPath,
                                PageBytes& out) {
  out = PageBytes{};
  OpenFile* file = open(helpFile);
  if (!file) return ReadStatus::NoHelpFile;
  out.codePage = file->codePage;
  if (!ItsStorage::nameFits(internalPath.c_str())) return ReadStatus::NotFound;
  ComPtr<IStream> stream;
  if (FAILED(file->storage.root()->OpenStream(internalPath.c_str(), nullptr, STGM_READ, 0,
                                              stream.put())))
    return ReadStatus::NotFound;
  STATSTG stat;
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return ReadStatus::ReadError;
  if (stat.cbSize > kMaxServedBytes) return ReadStatus::TooLarge;
  out.bytes.resize(static_cast<std::size_t>(stat.cbSize));
  ULONG got = 0;
  if (!out.bytes.empty() &&
      (FAILED(stream->Read(out.bytes.data(), static_cast<ULONG>(out.bytes.size()), &got)) ||
       got != out.bytes.size())) {
    out.bytes.clear();
    return ReadStatus::ReadError;
  }
  return ReadStatus::Ok;
}

}  // namespace browser
