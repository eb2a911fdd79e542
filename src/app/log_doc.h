#pragma once
// The main window's document: it holds nothing and is never modified. A file
// named on the command line only gives it a title.
#include <string>

class CLogDoc {
 public:
  // A new, empty document.
  bool OnNewDocument() {
    pathName_.clear();
    return true;
  }
  // "Opens" a file: it must be readable; its contents are not kept.
  bool OnOpenDocument(const std::string& path);
  const std::string& pathName() const { return pathName_; }
  bool isModified() const { return false; }

 private:
  std::string pathName_;
};
