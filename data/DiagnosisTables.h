#pragma once
#include "data/DiagRow.h"

// One of the nine fixed diagnosis tables (603 rows in all).
struct DiagTable {
    const DiagRow* rows;
    int count;
};

// The table of a series and unit count (index other than 0 and 1 means one
// unit). For the QL7B series (0) side 1 selects the emitter table and any other
// side the receiver table; the QL7-A series (1) has one table for both sides.
DiagTable GetDiagTable(int series, int unitsIndex, int side);
