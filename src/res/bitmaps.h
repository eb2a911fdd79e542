#pragma once
// Bitmaps and the program icon as XPM text, the image format that is plain C
// strings (QPixmap and QImage read it from a const char* const[]). Transparent
// pixels are the colour "None", which stands for the magenta key colour of the
// Windows bitmaps. A strip holds several images of equal width side by side:
// image i covers the columns i * imageWidth to (i + 1) * imageWidth - 1.
#include <span>

namespace res {

struct Bitmap {
  int id;
  int width, height;  // the whole strip, in pixels
  int imageWidth;     // one image of the strip
  std::span<const char* const> xpm;
};

// The bitmap or icon with this id (IDB_..., IDR_MAINFRAME), or nullptr.
const Bitmap* findBitmap(int id);

}  // namespace res
