#pragma once
#include "data/PictureTables.h"

#include <cstddef>
#include <span>
#include <string>

// Every rule darvell-check applies, in one place; RulesText() states them for --help.
namespace checkrules {

// Longest values the program reads whole: the rest is cut off.
constexpr std::size_t kSettingBytes = 255; // settings and help: 256-byte buffers
constexpr std::size_t kHelpBytes = 255;
constexpr std::size_t kCauseBytes = 1023;  // cause and remedy: 1024-byte buffers
// Largest text file the program's profile reader takes; a larger one cannot be read.
constexpr std::size_t kLargestTextFile = std::size_t(256) << 20;

// Room of the light-curtain picture in the main window.
using ::kColumnHeight;
using ::kPictureWidth;
using ::kStripHeight;

// Where a screen draws one of the single pictures, and the room it has there.
// The image as drawn, (x, y) to (x + w, y + h), must end at or before
// (maxRight, maxBottom).
struct PictureRule {
    const char* file;
    const char* screen;
    int x, y;
    bool scaled;       // drawn 80 px wide, height scaled and truncated
    int maxRight;
    int maxBottom;
    const char* room;  // what bounds the room, for the report
};

// The seven pictures in load order, placed as the picture table places them;
// the one drawn nowhere has no room to fit (maxRight and maxBottom are 0).
std::span<const PictureRule> PictureRules();

std::string RulesText();

// "w x h px", as every report line writes a size.
std::string SizeText(int w, int h);

} // namespace checkrules
