#pragma once
#include <array>
#include <string>
#include <vector>

// A cause/remedy file of the data directory and the series and language it serves.
struct CauseFileInfo {
    const char* name;  // "QL7BJ.ini" ...
    int series;        // 0 "QL7B series", 1 "QL7-A series"
    int language;      // 0 Chinese ("J"), 1 English ("E")
};
extern const std::array<CauseFileInfo, 4> g_causeFiles;

// A section some diagnosis can ask for: the first table row that reaches it.
struct ReachableSection {
    std::string name;  // "3LINEE12", "1LINE4" ...
    int unitsIndex;    // 0 three units, 1 two, 2 one
    int side;          // 1 emitter, 2 receiver (QL7-A: 1, both sides share a table)
    int errNo;
};

// Every section the diagnosis tables of a series can lead to, without
// duplicates, by unit count, then side, then error number.
std::vector<ReachableSection> ReachableSections(int series);
