// The bitmaps are well-formed XPM: an image reader given a malformed one
// yields a null image without complaint, so the format is checked here.
#include "res/bitmaps.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "res/ids.h"

namespace {

void checkXpm(const res::Bitmap& b) {
  SCOPED_TRACE("bitmap " + std::to_string(b.id));
  ASSERT_FALSE(b.xpm.empty());
  std::istringstream header(b.xpm[0]);
  int w = 0, h = 0, colours = 0, perPixel = 0;
  header >> w >> h >> colours >> perPixel;
  ASSERT_EQ(w, b.width);
  ASSERT_EQ(h, b.height);
  ASSERT_EQ(perPixel, 1);
  ASSERT_EQ(b.xpm.size(), static_cast<std::size_t>(1 + colours + h));
  std::map<char, std::string> palette;
  for (int i = 1; i <= colours; ++i) {
    std::string line = b.xpm[i];
    ASSERT_GE(line.size(), 5u) << line;
    EXPECT_EQ(line.substr(1, 3), " c ") << line;
    std::string value = line.substr(4);
    EXPECT_TRUE(value == "None" || (value.size() == 7 && value[0] == '#')) << line;
    EXPECT_TRUE(palette.emplace(line[0], value).second) << "colour key twice: " << line;
  }
  ASSERT_GT(b.imageWidth, 0);
  ASSERT_EQ(b.width % b.imageWidth, 0);
  const int images = b.width / b.imageWidth;
  std::vector<int> opaque(images, 0);
  for (int y = 0; y < h; ++y) {
    std::string row = b.xpm[1 + colours + y];
    ASSERT_EQ(static_cast<int>(row.size()), w) << "row " << y;
    for (int x = 0; x < w; ++x) {
      auto it = palette.find(row[x]);
      ASSERT_NE(it, palette.end()) << "row " << y << " column " << x;
      if (it->second != "None") ++opaque[x / b.imageWidth];
    }
  }
  for (int i = 0; i < images; ++i) EXPECT_GT(opaque[i], 0) << "image " << i << " is empty";
}

TEST(Bitmaps, AllAreWellFormed) {
  for (int id : {IDR_MAINFRAME, IDB_TREE_IMAGES, IDB_HH_BUTTONS, IDB_HH_BUTTONS_HOT}) {
    const res::Bitmap* b = res::findBitmap(id);
    ASSERT_NE(b, nullptr) << id;
    checkXpm(*b);
  }
  EXPECT_EQ(res::findBitmap(IDD_VIEWER), nullptr);
}

TEST(Bitmaps, StripsHoldOneImagePerUse) {
  // The tree uses five 16-pixel images; the help host one 20-pixel image per
  // tool-bar button 0xFF00-0xFF05, in both the normal and the hot strip.
  const res::Bitmap* tree = res::findBitmap(IDB_TREE_IMAGES);
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->height, 16);
  EXPECT_EQ(tree->width / tree->imageWidth, TREE_IMAGE_BLANK + 1);
  for (int id : {IDB_HH_BUTTONS, IDB_HH_BUTTONS_HOT}) {
    const res::Bitmap* b = res::findBitmap(id);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->height, 20);
    EXPECT_EQ(b->imageWidth, 20);
    EXPECT_EQ(b->width / b->imageWidth, ID_HHBTN_TEXT - ID_HHBTN_FIRST + 1);
  }
  // The hot strip differs from the normal one.
  const res::Bitmap* normal = res::findBitmap(IDB_HH_BUTTONS);
  const res::Bitmap* hot = res::findBitmap(IDB_HH_BUTTONS_HOT);
  bool differ = false;
  for (std::size_t i = 0; i < normal->xpm.size() && i < hot->xpm.size(); ++i) {
    differ |= std::string(normal->xpm[i]) != hot->xpm[i];
  }
  EXPECT_TRUE(differ);
}

}  // namespace
