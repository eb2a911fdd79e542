#include "app/log_doc.h"

#include <fstream>

bool CLogDoc::OnOpenDocument(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  pathName_ = path;
  return true;
}
