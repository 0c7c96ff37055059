#pragma once
#include <cstdint>

// One row of a diagnosis table: the six slot codes (Main, Sub 1, Sub 2 emitter,
// then Main, Sub 1, Sub 2 receiver), the halt-lamp and interlock-lamp
// conditions (0 not relevant, 1 both unlit, 2 lit) and the error number.
struct DiagRow {
    int32_t m_nCode[6];
    int32_t m_nHalt;
    int32_t m_nInterlock;
    int32_t m_nErrNo;
};
