#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "data/PictureTables.h"

struct AppState;
class CDiagnosis;
class CEnteredStatus;
struct HistoryRecord;

// The diagnosis report: everything a work order needs about the result shown,
// in the current language, as plain data. The window copies it to the
// clipboard as text; CReportWriter lays it out on paper or in a PDF.
class CReport {
public:
    struct Cause {
        std::string m_strNumber; // "k / N" in its label, e.g. "Possible cause 2 / 9"
        std::string m_strCause;
        std::string m_strRemedy;
        PictureRow m_strErrorRow;
        PictureRow m_strBaseRow;
    };

    // The report of the list diag shows for the entry status; empty (no causes)
    // when no list is shown. A result opened again from the history (reopened)
    // carries that record's time, when it was opened again and its note.
    static CReport Build(const AppState& app, const CEnteredStatus& status, const CDiagnosis& diag,
                         const HistoryRecord* reopened = nullptr);

    // A moment's local time (milliseconds since 1970 UTC) as ISO 8601 with
    // its offset: "2026-12-09T14:05:00+08:00".
    static std::string FormatLocalTime(std::int64_t msSinceEpoch);

    // Title, the header lines, then every cause with its headings; UTF-8, "\n"
    // line ends, no pictures.
    std::string PlainText() const;

    std::string m_strTitle;
    // Label and value: program and version, date, series, units, one line per
    // entered unit, lamp conditions, number of causes.
    std::vector<std::pair<std::string, std::string>> m_Lines;
    std::vector<Cause> m_Causes;
    // Headings and captions the layout needs, in the report's language.
    std::string m_strCauseHeading, m_strRemedyHeading, m_strErrorPhase, m_strHealthyPhase;
    std::string m_strPageFooter; // "%d / %d" format of the footer
    std::string m_strStamp; // the diagnosis' local time for file names: "20261209-1405"
};
