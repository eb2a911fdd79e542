#include "app/log_doc.h"

#include <unistd.h>

#include "platform/system/atomic_file.h"

bool CLogDoc::OnOpenDocument(const std::string& path) {
  // Only a regular file: a FIFO or a device would block the open.
  const int fd = sysfile::openRegularFile(path);
  if (fd < 0) return false;
  ::close(fd);
  pathName_ = path;
  return true;
}
