#pragma once
#include "data/PictureTables.h"
#include "bitmaps/Bitmaps.h"

#include <QImage>
#include <string>
#include <vector>

// The drawings behind the sample bitmap files. Shapes only, no fonts, so the
// output is the same on every machine.

// Tile sizes fill the picture's room: a column is one head tile over three
// body tiles; left and right columns 60 wide, the middle one 68, the strip
// below them as wide as the three.
constexpr int kSideWidth = 60, kMiddleWidth = 68, kHeadHeight = 34, kBodyHeight = 80;
constexpr int kStripWidth = kSideWidth * 2 + kMiddleWidth;
static_assert(kStripWidth == kPictureWidth && kHeadHeight + 3 * kBodyHeight == kColumnHeight);

// The tile of one of the 33 picture codes; a null image for an unknown code.
QImage DrawTile(const std::string& code);

// One of the seven pictures.
QImage DrawPictureArt(Picture picture);

struct NamedImage {
    std::string fileName;
    QImage image;
};
// All 40 files: the tiles in slot order, then the pictures.
std::vector<NamedImage> AllBitmaps();
