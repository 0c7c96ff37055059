#pragma once
#include <string>

#include "data/CHistoryFile.h"
#include "diagnosis/CDiagnosis.h"

struct AppState;
class CEnteredStatus;

// Between the main window's result and the history: the record of a result,
// and the entry a record was made from.
class CHistoryEntry {
public:
    // The record of the list diag shows for status, timed now; narrowed marks
    // a list the lamp conditions narrowed.
    static HistoryRecord Make(const AppState& app, const CEnteredStatus& status, const CDiagnosis& diag,
                              bool narrowed);
    // The six slot codes of the record's entry, found from its English
    // captions for its series and unit count; false when one is not offered.
    static bool Codes(const HistoryRecord& record, CDiagnosis::Codes& codes);
    // Local time now as ISO 8601 with milliseconds and offset.
    static std::string Now();
};
