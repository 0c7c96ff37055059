#include "diagnosis/CHistoryEntry.h"

#include <chrono>
#include <cstdio>

#include "data/AppState.h"
#include "data/TextCatalogue.h"
#include "data/UnitRules.h"
#include "diagnosis/CEnteredStatus.h"
#include "diagnosis/CFixNum.h"
#include "diagnosis/CReport.h"

namespace {

// Captions read in English whatever the language of the run.
AppState EnglishState(int series, int units)
{
    AppState english;
    english.m_nLanguage = 1;
    english.m_nSeries = series;
    english.m_nUnitsIndex = 3 - units;
    return english;
}

} // namespace

std::string CHistoryEntry::Now()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::string text = CReport::FormatLocalTime(seconds);
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03d", static_cast<int>(ms));
    // Before the offset "+08:00".
    return text.size() > 6 ? text.insert(text.size() - 6, fraction) : text;
}

HistoryRecord CHistoryEntry::Make(const AppState& app, const CEnteredStatus& status, const CDiagnosis& diag,
                                  bool narrowed)
{
    HistoryRecord r;
    r.m_bNarrowed = narrowed;
    r.m_strTime = Now();
    r.m_strVersion = g_strVersion;
    r.m_nLanguage = LanguageIndex(app.m_nLanguage);
    r.m_nSeries = app.m_nSeries == 1 ? 1 : 0;
    r.m_nUnits = status.Units();
    r.m_nSide = diag.Causes().empty() ? 1 : diag.Causes().front().m_nSide;
    const AppState state = EnglishState(r.m_nSeries, r.m_nUnits);
    const CFixNum english(state);
    for (int unit = 0; unit < r.m_nUnits; ++unit) {
        const int slot = r.m_nSide == 1 ? unit : unit + 3;
        r.m_strCodes[static_cast<std::size_t>(unit)] = english.OneLineCaption(slot, status.Code(slot));
    }
    r.m_nInterlock = diag.AppliedInterlock();
    r.m_nHalt = diag.AppliedHalt();
    for (const PossibleCause& c : diag.Causes())
        r.m_nErrNos.push_back(c.m_nErrNo);
    return r;
}

bool CHistoryEntry::Codes(const HistoryRecord& record, CDiagnosis::Codes& codes)
{
    codes = {};
    const AppState state = EnglishState(record.m_nSeries, record.m_nUnits);
    const CFixNum english(state);
    for (int unit = 0; unit < record.m_nUnits; ++unit) {
        const int slot = record.m_nSide == 1 ? unit : unit + 3;
        for (int code = 1; code <= 14 && codes[static_cast<std::size_t>(slot)] == 0; ++code)
            if (english.OneLineCaption(slot, code) == record.m_strCodes[static_cast<std::size_t>(unit)])
                codes[static_cast<std::size_t>(slot)] = code;
        if (codes[static_cast<std::size_t>(slot)] == 0)
            return false;
    }
    return true;
}

void CHistoryEntry::SelectUnits(AppState& app, const HistoryRecord& record)
{
    app.m_nSeries = record.m_nSeries;
    app.m_nUnitsIndex = 3 - record.m_nUnits;
}

HistoryReplay CHistoryEntry::Replay(AppState& app, const HistoryRecord& record, CEnteredStatus& status,
                                    CDiagnosis& diag)
{
    HistoryReplay replay;
    CDiagnosis::Codes codes{};
    bool entered = Codes(record, codes);
    SelectUnits(app, record);
    status.Reset();
    diag.Reset();
    for (int unit = 0; unit < record.m_nUnits && entered; ++unit) {
        const int slot = record.m_nSide == 1 ? unit : unit + 3;
        const int code = codes[static_cast<std::size_t>(slot)];
        entered = status.IsEnabled(slot) && status.Choices(slot)[static_cast<std::size_t>(code - 1)];
        if (entered)
            status.Enter(slot, code);
    }
    if (!entered || !status.IsComplete()) {
        status.Reset();
        return replay;
    }
    if ((replay.m_failure = diag.Diagnose(status))) {
        replay.m_outcome = HistoryReplay::Outcome::LookupFailed;
        return replay;
    }
    status.DisableAll();
    if (record.m_nInterlock != 0 || record.m_nHalt != 0)
        diag.ApplyConditions(record.m_nInterlock, record.m_nHalt);
    for (const PossibleCause& c : diag.Causes())
        replay.m_nErrNos.push_back(c.m_nErrNo);
    replay.m_bChanged = replay.m_nErrNos != record.m_nErrNos;
    replay.m_outcome = HistoryReplay::Outcome::Done;
    return replay;
}
