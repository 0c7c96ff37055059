#pragma once
#include <array>
#include <string>

// The light-curtain picture's room in the main window: 188 x 325 px, its top
// edge 136 px down, centred across the window.
constexpr int kPictureWidth = 188;  // the three columns side by side
constexpr int kPictureHeight = 325;
constexpr int kPictureTop = 136;
constexpr int kColumnHeight = 274;  // head tile and three body tiles; the strip starts here
constexpr int kStripHeight = kPictureHeight - kColumnHeight;

// A picture row: 13 tile codes. Positions 0..3 left column (head, then Sub
// Sensor 2, Sub Sensor 1, Main Sensor), 4..7 middle column, 8..11 right column,
// 12 the strip below. An empty code means no tile.
using PictureRow = std::array<std::string, 13>;

// Error row of errNo and base row of the unit count. QL7-A (series 1) takes the
// table of the unit count; QL7B takes the emitter table for side 1 and the
// receiver table otherwise. False, with both rows untouched, for an error
// number outside the chosen table.
bool GetPictureRows(int series, int unitsIndex, int errNo, int side,
                    PictureRow& errorRow, PictureRow& baseRow);

// Base row of the unit count (index other than 0 and 1 means one unit).
void GetBaseRow(int unitsIndex, PictureRow& row);

// The 33 tile codes in bitmap-slot order ("b00" is slot 23).
extern const std::array<const char*, 33> g_pictureCodes;

// Slot of a tile code (exact, case-sensitive match), or -1.
int PictureCodeSlot(const std::string& code);
