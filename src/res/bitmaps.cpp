// Pixel data of the bitmaps and the program icon (XPM). Tree images: closed
// folder, open folder, text document, picture, blank page. Help tool-bar
// buttons: home, back, forward, print, close, text; the hot strip is the same
// drawing in brighter colours.
#include "res/bitmaps.h"

#include "res/ids.h"

namespace res {
namespace {

// clang-format off
constexpr const char* kTreeImages[] = {
    "80 16 12 1",
    "  c None",
    "# c #808080",
    "+ c #C0C0C0",
    ". c #000000",
    "B c #80B8F0",
    "G c #70C050",
    "n c #805020",
    "o c #C09030",
    "r c #C02020",
    "s c #F0E040",
    "w c #FFFFFF",
    "y c #F8D860",
    "                                  .........                 nn    .........     ",
    "                                  .wwwwwww..               nnn    .wwwwwww..    ",
    "  .....           .....           .wwwwwww.w.             nnn     .wwwwwww.w.   ",
    " .yyyyy.         .yyyyy.          .w....ww....   ........nnn...   .wwwwwww....  ",
    ".yyyyyyy....... .yyyyyyy......    .wwwwwwwwww.   .wwwwwww++wwww.  .wwwwwwwwww.  ",
    ".wwwwwwwwwwwwwo..wwwwwwwwwwwwo.   .w.......ww.   .wBBBBB++BBBBw.  .wwwwwwwwww.  ",
    ".wyyyyyyyyyyyyo..wyyy...........  .wwwwwwwwww.   .wBBBB+#BBsBBw.  .wwwwwwwwww.  ",
    ".wyyyyyyyyyyyyo..wyy.wwwwwwwwww.  .w........w.   .wBBBrrBBsssBw.  .wwwwwwwwww.  ",
    ".wyyyyyyyyyyyyo..wy.wyyyyyyyyyo.  .wwwwwwwwww.   .wBBrrrrBBsBBw.  .wwwwwwwwww.  ",
    ".wyyyyyyyyyyyyo..wy.wyyyyyyyyo.   .w.......ww.   .wBBBrrBBBBBBw.  .wwwwwwwwww.  ",
    ".wyyyyyyyyyyyyo..w.wyyyyyyyyyo.   .wwwwwwwwww.   .wBBBBBBBGBBBw.  .wwwwwwwwww.  ",
    ".wyyyyyyyyyyyyo..w.wyyyyyyyyo.    .w........w.   .wBBBBBBGGGBBw.  .wwwwwwwwww.  ",
    ".wyyyyyyyyyyyyo...wyyyyyyyyyo.    .wwwwwwwwww.   .wGGBBBGGGGGBw.  .wwwwwwwwww.  ",
    ".oooooooooooooo...oooooooooo.     .w.....wwww.   .wGGGGGGGGGGGw.  .wwwwwwwwww.  ",
    " ..............  ...........      .wwwwwwwwww.   .wwwwwwwwwwwww.  .wwwwwwwwww.  ",
    "                                  ............   ...............  ............  ",
};

constexpr const char* kHelpButtons[] = {
    "120 20 7 1",
    "  c None",
    "+ c #C0C0C0",
    ". c #000000",
    "G c #70C050",
    "c c #5878A0",
    "d c #283850",
    "w c #FFFFFF",
    "                                                                                                                        ",
    "                                                                                                                        ",
    "         ..                                                       ..........                            ..........      ",
    "        .cc.  ..            .                      .              .wwwwwwww.        ..        ..        .wwwwwwww..     ",
    "       .cccc. .d.          ..                      ..             .w......w.       .cc.      .cc.       .wwwwwwww.w.    ",
    "      .cccccc..d.         .c.                      .c.            .wwwwwwww.       .ccc.    .ccc.       .wwwwwwww....   ",
    "     .cccccccc.d.        .cc.........      .........cc.           .w.....ww.        .ccc.  .ccc.        .w.cc.wwwwww.   ",
    "    .cccccccccc..       .cccccccccccc.    .cccccccccccc.       ...............       .ccc..ccc.         .wc..cwwwwww.   ",
    "   .cccccccccccc.      .ccccccccccccc.    .ccccccccccccc.     .+++++++++++++++.       .cccccc.          .wc..cw....w.   ",
    "  .cccccccccccccc.    .cccccccccccccc.    .cccccccccccccc.    .++++++++++++GG+.        .cccc.           .wccccwwwwww.   ",
    " ....cccccccccc....    .cccccccccccccd.  .dccccccccccccc.     .+++++++++++++++.        .cccc.           .wc..cw....w.   ",
    "    .cccccccccc.        .ccccccccccccd.  .dcccccccccccc.      .ccccccccccccccc.       .cccccc.          .wc..cwwwwww.   ",
    "    .ccc....ccc.         .cc.ddddddddd.  .ddddddddd.cc.       .ddddddddddddddd.      .ccc..ccc.         .wwwwwwwwwww.   ",
    "    .ccc.dd.ccc.          .c.........      .........c.        .ddd.........ddd.     .ccc.  .ccc.        .w.........w.   ",
    "    .ccc.dd.ccc.           ..                      ..          ...wwwwwwwww...     .ccc.    .ccc.       .wwwwwwwwwww.   ",
    "    .ccc.dd.ccc.            .                      .             .w.....w.w.       .cc.      .cc.       .w.......www.   ",
    "    .ccc.dd.ccc.                                                 .wwwwwwwwww.       ..        ..        .wwwwwwwwwww.   ",
    "    ............                                                 ............                           .............   ",
    "                                                                                                                        ",
    "                                                                                                                        ",
};

constexpr const char* kHelpButtonsHot[] = {
    "120 20 7 1",
    "  c None",
    "+ c #C0C0C0",
    ". c #000000",
    "G c #70C050",
    "c c #2878F0",
    "d c #1040A8",
    "w c #FFFFFF",
    "                                                                                                                        ",
    "                                                                                                                        ",
    "         ..                                                       ..........                            ..........      ",
    "        .cc.  ..            .                      .              .wwwwwwww.        ..        ..        .wwwwwwww..     ",
    "       .cccc. .d.          ..                      ..             .w......w.       .cc.      .cc.       .wwwwwwww.w.    ",
    "      .cccccc..d.         .c.                      .c.            .wwwwwwww.       .ccc.    .ccc.       .wwwwwwww....   ",
    "     .cccccccc.d.        .cc.........      .........cc.           .w.....ww.        .ccc.  .ccc.        .w.cc.wwwwww.   ",
    "    .cccccccccc..       .cccccccccccc.    .cccccccccccc.       ...............       .ccc..ccc.         .wc..cwwwwww.   ",
    "   .cccccccccccc.      .ccccccccccccc.    .ccccccccccccc.     .+++++++++++++++.       .cccccc.          .wc..cw....w.   ",
    "  .cccccccccccccc.    .cccccccccccccc.    .cccccccccccccc.    .++++++++++++GG+.        .cccc.           .wccccwwwwww.   ",
    " ....cccccccccc....    .cccccccccccccd.  .dccccccccccccc.     .+++++++++++++++.        .cccc.           .wc..cw....w.   ",
    "    .cccccccccc.        .ccccccccccccd.  .dcccccccccccc.      .ccccccccccccccc.       .cccccc.          .wc..cwwwwww.   ",
    "    .ccc....ccc.         .cc.ddddddddd.  .ddddddddd.cc.       .ddddddddddddddd.      .ccc..ccc.         .wwwwwwwwwww.   ",
    "    .ccc.dd.ccc.          .c.........      .........c.        .ddd.........ddd.     .ccc.  .ccc.        .w.........w.   ",
    "    .ccc.dd.ccc.           ..                      ..          ...wwwwwwwww...     .ccc.    .ccc.       .wwwwwwwwwww.   ",
    "    .ccc.dd.ccc.            .                      .             .w.....w.w.       .cc.      .cc.       .w.......www.   ",
    "    .ccc.dd.ccc.                                                 .wwwwwwwwww.       ..        ..        .wwwwwwwwwww.   ",
    "    ............                                                 ............                           .............   ",
    "                                                                                                                        ",
    "                                                                                                                        ",
};

constexpr const char* kProgramIcon[] = {
    "32 32 5 1",
    "  c None",
    "+ c #C0C0C0",
    ". c #000000",
    "b c #2050C0",
    "w c #FFFFFF",
    "                                ",
    "                                ",
    "      ....................      ",
    "     .bbbbbbbbbbbbbbbbbbbb.     ",
    "    .bbbbbbbbbbbbbbbbbbbbb.     ",
    "    .bb.bbbbbbbbbbbbbbbbbb.     ",
    "    .bb.bbbbbbbwwwwbbbbbbb.     ",
    "    .bb.bbbbbbwwbbwwbbbbbb.     ",
    "    .bb.bbbbbwwbbbbwwbbbbb.     ",
    "    .bb.bbbbbbbbbbbwwbbbbb.     ",
    "    .bb.bbbbbbbbbbwwbbbbbb.     ",
    "    .bb.bbbbbbbbbwwbbbbbbb.     ",
    "    .bb.bbbbbbbbwwbbbbbbbb.     ",
    "    .bb.bbbbbbbbwwbbbbbbbb.     ",
    "    .bb.bbbbbbbbbbbbbbbbbb.     ",
    "    .bb.bbbbbbbbwwbbbbbbbb.     ",
    "    .bb.bbbbbbbbwwbbbbbbbb.     ",
    "    .bb.bbbbbbbbbbbbbbbbbb.     ",
    "    .bb.bbbbbbbbbbbbbbbbbb.     ",
    "    .bb.bbbbbbbbbbbbbbbbbb.     ",
    "    .bb.bbbbbbbbbbbbbbbbbb.     ",
    "    .bb.bbbbbbbbbbbbbbbbbb.     ",
    "    .bb.bbbbbbbbbbbbbbbbbb.     ",
    "    .bb.bbbbbbbbbbbbbbbbbb.     ",
    "    .bb....................     ",
    "    .bb.wwwwwwwwwwwwwwwwww.     ",
    "    .bb.+++++++++++++++++w.     ",
    "    .bb.wwwwwwwwwwwwwwwwww.     ",
    "     .b.+++++++++++++++++w.     ",
    "      ....................      ",
    "                                ",
    "                                ",
};
// clang-format on

constexpr Bitmap kBitmaps[] = {
    {IDR_MAINFRAME, 32, 32, 32, kProgramIcon},
    {IDB_TREE_IMAGES, 80, 16, 16, kTreeImages},
    {IDB_HH_BUTTONS_HOT, 120, 20, 20, kHelpButtonsHot},
    {IDB_HH_BUTTONS, 120, 20, 20, kHelpButtons},
};

}  // namespace

const Bitmap* findBitmap(int id) {
  for (const Bitmap& b : kBitmaps) {
    if (b.id == id) return &b;
  }
  return nullptr;
}

}  // namespace res
