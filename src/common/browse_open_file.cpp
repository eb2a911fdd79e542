#include "common/browse_open_file.h"

namespace {

OpenFileDialog& dialog() {
  static OpenFileDialog d;
  return d;
}

}  // namespace

bool BrowseOpenFile(void* owner, std::string_view initial, std::string& out) {
  return dialog() && dialog()(owner, initial, out);
}

void setOpenFileDialog(OpenFileDialog d) { dialog() = std::move(d); }
