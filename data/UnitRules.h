#pragma once
#include <array>
#include <cstdint>
#include <string>

// The rules every part of the program applies to the unit count, the side of
// a set of codes and the language index, in one place. A unit-count index is
// 0 for three units, 1 for two, anything else for one.

// Row of the per-unit-count tables: 0, 1 or 2.
constexpr int UnitsRow(int unitsIndex)
{
    return unitsIndex == 0 || unitsIndex == 1 ? unitsIndex : 2;
}

// Number of units in series: 3, 2 or 1.
constexpr int UnitCount(int unitsIndex)
{
    return 3 - UnitsRow(unitsIndex);
}

// Prefix of the cause/remedy sections of the unit count: "3LINE", "2LINE", "1LINE".
inline const char* SectionPrefix(int unitsIndex)
{
    static constexpr std::array<const char*, 3> kPrefix{"3LINE", "2LINE", "1LINE"};
    return kPrefix[UnitsRow(unitsIndex)];
}

// Cause/remedy section of an error number after a prefix: "3LINEE12" for QL7B
// (series other than 1) emitter side 1, "3LINER12" for its receiver side,
// "3LINE12" for QL7-A.
inline std::string SectionName(std::string section, int series, int errNo, int side)
{
    if (series != 1)
        section += side == 1 ? "E" : "R";
    return section + std::to_string(errNo);
}

// Side of six codes (emitter main, sub 1, sub 2, then the receivers): 1, the
// emitter, when any emitter code is set; 2, the receiver, otherwise.
template <class Codes>
constexpr int SideOfCodes(const Codes& codes)
{
    return codes[0] != 0 || codes[1] != 0 || codes[2] != 0 ? 1 : 2;
}

// Index into the catalogue's texts: 1 English, anything else Chinese.
constexpr int LanguageIndex(int language)
{
    return language == 1 ? 1 : 0;
}
