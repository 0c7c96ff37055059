#include "diagnosis/CReport.h"

#include <QDateTime>

#include <cstdio>

#include "data/AppState.h"
#include "data/HistoryRecord.h"
#include "data/TextCatalogue.h"
#include "data/UnitRules.h"
#include "diagnosis/CDiagnosis.h"
#include "diagnosis/CEnteredStatus.h"

std::string CReport::FormatLocalTime(std::int64_t msSinceEpoch)
{
    return history::WithoutMilliseconds(history::LocalTime(msSinceEpoch));
}

CReport CReport::Build(const AppState& app, const CEnteredStatus& status, const CDiagnosis& diag,
                       const HistoryRecord* reopened)
{
    const int lang = LanguageIndex(app.m_nLanguage);
    CReport r;
    r.m_strTitle = std::string(g_strMainTitle[lang]) + " " + g_strReportTitle[lang];
    r.m_strCauseHeading = g_strCauseHeading[lang];
    r.m_strRemedyHeading = g_strRemedyHeading[lang];
    r.m_strErrorPhase = g_strReportErrorPhase[lang];
    r.m_strHealthyPhase = g_strReportHealthyPhase[lang];
    r.m_strPageFooter = g_strReportPageFooter[lang];
    const std::vector<PossibleCause>& causes = diag.Causes();
    if (causes.empty())
        return r;
    // A result opened again shows when it was found, not when it was opened.
    const std::string diagnosed = reopened ? reopened->m_strTime : history::LocalTime(diag.DiagnosedAt());
    r.m_strStamp = history::FileStamp(diagnosed);

    auto line = [&r, lang](const LocalText& label, std::string value) {
        r.m_Lines.emplace_back(label[lang], std::move(value));
    };
    line(g_strReportProgram, std::string(g_strMainTitle[lang]) + " " + g_strVersion);
    line(g_strReportDate, history::WithoutMilliseconds(diagnosed));
    if (reopened)
        line(g_strReportReopened, FormatLocalTime(QDateTime::currentMSecsSinceEpoch()));
    line(g_strReportSeries, g_strSeriesName[app.m_nSeries == 1 ? 1 : 0]);
    const int units = status.Units();
    line(g_strReportUnits, std::to_string(units));

    const bool emitter = causes.front().m_nSide == 1;
    const LocalText* const unitNames[2][3] = {
        {&g_strReceiverMain, &g_strReceiverSub1, &g_strReceiverSub2},
        {&g_strEmitterMain, &g_strEmitterSub1, &g_strEmitterSub2}};
    const LocalText& sideName = emitter ? g_strEmitter : g_strReceiver;
    for (int unit = 0; unit < units; ++unit) {
        const int slot = emitter ? unit : unit + 3;
        // The picker caption on one line, as the entered button reads it.
        const std::string shown = CFixNum(app).OneLineCaption(slot, status.Code(slot));
        r.m_Lines.emplace_back(std::string((*unitNames[emitter][unit])[lang]) + ", " + sideName[lang], shown);
    }

    std::string lamps = g_strReportNoLamps[lang];
    if (diag.AppliedInterlock() != 0 || diag.AppliedHalt() != 0) {
        const bool interlockLit = diag.AppliedInterlock() == 2, haltLit = diag.AppliedHalt() == 2;
        lamps = std::string(g_strAddInterlock[lang]) + ": " +
                (interlockLit ? g_strAddInterlockOn : g_strAddInterlockOff)[lang] + ", " +
                g_strAddHalt[lang] + ": " + (haltLit ? g_strAddHaltOn : g_strAddHaltOff)[lang];
    }
    line(g_strReportLamps, lamps);
    line(g_strCauseCount, std::to_string(causes.size()));
    if (reopened && !reopened->m_strMachine.empty())
        line(g_strHistoryColMachine, reopened->m_strMachine);
    if (reopened && !reopened->m_strNote.empty())
        line(g_strHistoryColNote, reopened->m_strNote);

    const int count = static_cast<int>(causes.size());
    for (int k = 0; k < count; ++k) {
        const PossibleCause& c = causes[static_cast<size_t>(k)];
        char number[128];
        std::snprintf(number, sizeof number, g_strReportCauseNumber[lang], k + 1, count);
        r.m_Causes.push_back({number, c.m_strCause, c.m_strRemedy, c.m_strErrorRow, c.m_strBaseRow});
    }
    return r;
}

std::string CReport::PlainText() const
{
    std::string text = m_strTitle + "\n\n";
    for (const auto& [label, value] : m_Lines)
        text += label + ": " + value + "\n";
    for (const Cause& c : m_Causes)
        text += "\n" + c.m_strNumber + "\n" + m_strCauseHeading + "\n" + c.m_strCause + "\n" +
                m_strRemedyHeading + "\n" + c.m_strRemedy + "\n";
    return text;
}
