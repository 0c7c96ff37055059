#pragma once
#include <array>
#include <string>

// The rules for the unit count, the side of six codes and the language index,
// in one place. A unit-count index is 0 for three units, 1 for two, anything
// else for one.

// Row of the per-unit-count tables (0, 1 or 2) and the number of units (3, 2 or 1).
constexpr int UnitsRow(int unitsIndex) { return unitsIndex == 0 || unitsIndex == 1 ? unitsIndex : 2; }
constexpr int UnitCount(int unitsIndex) { return 3 - UnitsRow(unitsIndex); }

// Prefix of the cause/remedy sections: "3LINE", "2LINE", "1LINE".
inline const char* SectionPrefix(int unitsIndex)
{
    static constexpr std::array<const char*, 3> kPrefix{"3LINE", "2LINE", "1LINE"};
    return kPrefix[UnitsRow(unitsIndex)];
}

// Section of an error number after its prefix: QL7B (any series but 1) adds the
// side, "E" for the emitter (1) and "R" for the receiver; QL7-A adds nothing.
inline std::string SectionName(std::string section, int series, int errNo, int side)
{
    if (series != 1)
        section += side == 1 ? "E" : "R";
    return section + std::to_string(errNo);
}

// Side of six codes (emitter main, sub 1, sub 2, then the receiver's): 1, the
// emitter, when any emitter code is set; 2, the receiver, otherwise.
template <class Codes>
constexpr int SideOfCodes(const Codes& codes) { return codes[0] != 0 || codes[1] != 0 || codes[2] != 0 ? 1 : 2; }

// Index into the catalogue's texts: 1 English, anything else Chinese.
constexpr int LanguageIndex(int language) { return language == 1 ? 1 : 0; }

// Cause/remedy file of a series and language: "QL7BJ.ini", "QL7BE.ini", "QL7AJ.ini", "QL7AE.ini".
inline std::string CauseFileName(int series, int language)
{
    return std::string("QL7") + (series == 1 ? "A" : "B") + (language != 0 ? "E" : "J") + ".ini";
}
