#pragma once
#include <QImage>
#include <string>
#include <vector>

// The drawings behind the sample bitmap files. Shapes only, no fonts, so the
// output is the same on every machine.

// Tile sizes: a column is one head tile over three body tiles (34 + 3 x 80 =
// 274 pixels); left and right columns 60 wide, the middle one 68, the strip
// below them 188 x 51.
constexpr int kSideWidth = 60, kMiddleWidth = 68, kHeadHeight = 34, kBodyHeight = 80;
constexpr int kStripWidth = kSideWidth * 2 + kMiddleWidth, kStripHeight = 51;

// The tile of one of the 33 picture codes; a null image for an unknown code.
QImage DrawTile(const std::string& code);

// One of the seven pictures, by file name; a null image for an unknown name.
QImage DrawPicture(const std::string& fileName);

struct NamedImage {
    std::string fileName;
    QImage image;
};
// All 40 files: the tiles in slot order, then the pictures.
std::vector<NamedImage> AllBitmaps();
