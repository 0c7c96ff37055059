#pragma once
#include <optional>
#include <string>
#include <vector>

#include "data/CHistoryFile.h"
#include "diagnosis/CDiagnosis.h"

struct AppState;
class CEnteredStatus;

// A history record entered and looked up again (CHistoryEntry::Replay).
struct HistoryReplay {
    enum class Outcome {
        CannotEnter,  // a code is not offered today: the entry and the list are empty
        LookupFailed, // the entry is complete, the lookup gave m_failure: the list is empty
        Done,         // the list is showing, lamp conditions applied; the entry is disabled
    };
    Outcome m_outcome = Outcome::CannotEnter;
    std::optional<Message> m_failure; // LookupFailed: what to tell
    std::vector<int> m_nErrNos;       // Done: today's error numbers
    bool m_bChanged = false;          // Done: they differ from the record's
};

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
    // The series and unit count the record was entered with, set in app.
    static void SelectUnits(AppState& app, const HistoryRecord& record);
    // The record's result anew, with app, status and diag as the main window
    // has them: the record's series and units selected (SelectUnits), its
    // codes entered as the entry buttons enter them (Main Sensor first), the
    // lookup made and the record's lamp conditions applied.
    static HistoryReplay Replay(AppState& app, const HistoryRecord& record, CEnteredStatus& status,
                                CDiagnosis& diag);
    // Local time now as ISO 8601 with milliseconds and offset.
    static std::string Now();
};
