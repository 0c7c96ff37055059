#include "diagnosis/CDiagnosis.h"

#include <QDateTime>

#include <algorithm>
#include <cstdio>

#include "data/AppState.h"
#include "data/COperateIni.h"
#include "data/TextCatalogue.h"
#include "data/UnitRules.h"
#include "diagnosis/CEnteredStatus.h"

CDiagnosis::CDiagnosis(AppState& app) : m_app(app) {}

std::vector<DiagRow> CDiagnosis::MatchRows(const DiagTable& table, const Codes& codes)
{
    std::vector<DiagRow> rows;
    for (int i = 0; i < table.count; ++i) {
        if (std::equal(codes.begin(), codes.end(), table.rows[i].m_nCode))
            rows.push_back(table.rows[i]);
        else if (!rows.empty())
            break; // the run of equal codes is over
    }
    return rows;
}

std::optional<Message> CDiagnosis::Diagnose(const CEnteredStatus& status)
{
    Codes codes{};
    for (int i = 0; i < 6; ++i)
        codes[i] = status.Code(i);
    return Diagnose(codes);
}

std::optional<Message> CDiagnosis::Diagnose(const Codes& codes)
{
    return Diagnose(codes, GetDiagTable(m_app.m_nSeries, m_app.m_nUnitsIndex, SideOfCodes(codes)));
}

std::optional<Message> CDiagnosis::Diagnose(const Codes& codes, const DiagTable& table)
{
    Reset();

    const int side = SideOfCodes(codes);
    const std::vector<DiagRow> rows = MatchRows(table, codes);
    if (rows.empty())
        return Fail(Message::NoMatch);

    const COperateIni reader(m_app, m_app.m_nUnitsIndex);
    if (!reader.HasCauseFile())
        return Fail(Message::NoCauseFile);
    std::vector<PossibleCause> causes;
    bool hasConditions = false;
    for (const DiagRow& row : rows) {
        PossibleCause& cause = causes.emplace_back();
        cause.m_nErrNo = row.m_nErrNo;
        cause.m_nSide = side;
        cause.m_Row = row;
        hasConditions = hasConditions || row.m_nHalt != 0 || row.m_nInterlock != 0;
        if (!reader.ReadCauseRemedy(cause.m_nErrNo, cause.m_strRemedy, cause.m_strCause, side))
            return Fail(Message::CauseUnreadable);
        if (!GetPictureRows(m_app.m_nSeries, m_app.m_nUnitsIndex, cause.m_nErrNo, side,
                            cause.m_strErrorRow, cause.m_strBaseRow))
            return Fail(Message::NoPicture);
    }

    m_Causes = std::move(causes);
    m_bHasConditions = hasConditions;
    m_nDiagnosedMs = QDateTime::currentMSecsSinceEpoch();
    m_view.m_bResultsVisible = true;
    m_view.m_bConditionVisible = hasConditions;
    m_view.m_bEntryButtonsDisabled = true;
    ShowFirstPage();
    return std::nullopt;
}

Message CDiagnosis::Fail(Message message)
{
    Reset();
    return message;
}

bool CDiagnosis::Up()
{
    if (m_Causes.empty())
        return false;
    if (m_nPage > 0) {
        --m_nPage;
        if (m_nPage == 0)
            m_view.m_bUpEnabled = false;
    }
    // A one-page list keeps DOWN hidden and disabled, so enabling it would be
    // an invisible change only; keep the state honest instead.
    if (m_Causes.size() > 1)
        m_view.m_bDownEnabled = true;
    RestartBlink();
    return true;
}

bool CDiagnosis::Down()
{
    if (m_Causes.empty())
        return false;
    const int last = CauseCount() - 1;
    if (m_nPage != last) {
        ++m_nPage;
        if (m_nPage == last)
            m_view.m_bDownEnabled = false;
        m_view.m_bUpEnabled = true;
    }
    RestartBlink();
    return true;
}

bool CDiagnosis::ApplyConditions(int interlock, int halt, bool accepted)
{
    if (!accepted || m_Causes.empty())
        return false;

    std::vector<PossibleCause> kept;
    if (interlock == 1 && halt == 1) {
        for (const PossibleCause& c : m_Causes)
            if (c.m_Row.m_nHalt == 1 && c.m_Row.m_nInterlock == 1)
                kept.push_back(c);
    } else {
        if (halt == 2)
            for (const PossibleCause& c : m_Causes)
                if (c.m_Row.m_nHalt == 2)
                    kept.push_back(c);
        if (interlock == 2)
            for (const PossibleCause& c : m_Causes)
                if (c.m_Row.m_nInterlock == 2)
                    kept.push_back(c);
    }
    // Lamp states that select nothing would leave an empty list behind a page
    // that still shows an old cause; keep the list as it is instead.
    if (kept.empty())
        return false;

    m_view.m_bConditionVisible = false; // offered once per diagnosis
    m_Causes = std::move(kept);
    m_nAppliedInterlock = interlock;
    m_nAppliedHalt = halt;
    ShowFirstPage();
    return true;
}

void CDiagnosis::ShowFirstPage()
{
    m_nPage = 0;
    RestartBlink();
    // UP and DOWN only for a list of more than one page.
    m_view.m_bUpDownVisible = m_view.m_bDownEnabled = m_Causes.size() > 1;
    m_view.m_bUpEnabled = false;
}

void CDiagnosis::Reset()
{
    m_Causes.clear();
    m_nPage = 0;
    m_bHasConditions = false;
    m_nBlinkPhase = 0;
    m_nDiagnosedMs = 0;
    m_nAppliedInterlock = 0;
    m_nAppliedHalt = 0;
    m_view = DiagnosisView{};
}

void CDiagnosis::RestartBlink()
{
    m_nBlinkPhase = 0;
    m_view.m_bBlinkRunning = true;
}

std::string CDiagnosis::PageText() const
{
    if (m_Causes.empty())
        return {};
    const int lang = LanguageIndex(m_app.m_nLanguage);
    const PossibleCause& c = m_Causes[static_cast<size_t>(m_nPage)];
    return std::string(g_strCauseHeading[lang]) + "\n" + c.m_strCause + "\n" + g_strRemedyHeading[lang] + "\n" +
           c.m_strRemedy;
}

std::string CDiagnosis::PageLabel() const
{
    if (m_Causes.empty())
        return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d / %d", m_nPage + 1, CauseCount());
    return buf;
}

std::string CDiagnosis::CountLabel() const
{
    if (m_Causes.empty())
        return {};
    return std::to_string(CauseCount());
}

PictureRow CDiagnosis::PhaseRow(int phase) const
{
    if (m_Causes.empty()) {
        PictureRow base;
        GetBaseRow(m_app.m_nUnitsIndex, base);
        return base;
    }
    const PossibleCause& c = m_Causes[static_cast<size_t>(m_nPage)];
    return phase == 0 ? c.m_strErrorRow : c.m_strBaseRow;
}
