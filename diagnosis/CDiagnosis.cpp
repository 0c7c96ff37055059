#include "diagnosis/CDiagnosis.h"

#include <cstdio>

#include "data/AppState.h"
#include "data/COperateIni.h"
#include "data/TextCatalogue.h"
#include "diagnosis/CEnteredStatus.h"

namespace {

bool SameCodes(const DiagRow& row, const CDiagnosis::Codes& codes)
{
    for (int i = 0; i < 6; ++i)
        if (row.m_nCode[i] != codes[i])
            return false;
    return true;
}

int SideOf(const CDiagnosis::Codes& codes)
{
    return codes[0] != 0 ? 1 : 2;
}

} // namespace

CDiagnosis::CDiagnosis(AppState& app) : m_app(app) {}

std::vector<DiagRow> CDiagnosis::MatchRows(const DiagTable& table, const Codes& codes)
{
    std::vector<DiagRow> rows;
    for (int i = 0; i < table.count; ++i) {
        if (SameCodes(table.rows[i], codes))
            rows.push_back(table.rows[i]);
        else if (!rows.empty())
            break; // the run of equal codes is over
    }
    return rows;
}

int CDiagnosis::Diagnose(const CEnteredStatus& status)
{
    Codes codes{};
    for (int i = 0; i < 6; ++i)
        codes[i] = status.Code(i);
    return Diagnose(codes);
}

int CDiagnosis::Diagnose(const Codes& codes)
{
    return Diagnose(codes, GetDiagTable(m_app.m_nSeries, m_app.m_nUnitsIndex, SideOf(codes)));
}

int CDiagnosis::Diagnose(const Codes& codes, const DiagTable& table)
{
    Reset();

    const int side = SideOf(codes);
    const std::vector<DiagRow> rows = MatchRows(table, codes);
    if (rows.empty())
        return Fail(kMsgNoMatch);

    std::vector<PossibleCause> causes;
    causes.reserve(rows.size());
    bool hasConditions = false;
    for (const DiagRow& row : rows) {
        PossibleCause cause;
        cause.m_nErrNo = row.m_nErrNo;
        cause.m_nSide = side;
        cause.m_Row = row;
        if (row.m_nHalt != 0 || row.m_nInterlock != 0)
            hasConditions = true;
        causes.push_back(std::move(cause));
    }

    {
        const COperateIni reader(m_app, m_app.m_nUnitsIndex);
        if (!reader.HasCauseFile())
            return Fail(kMsgNoCauseFile);
        for (PossibleCause& cause : causes) {
            if (!reader.ReadCauseRemedy(cause.m_nErrNo, cause.m_strRemedy, cause.m_strCause, side))
                return Fail(kMsgCauseUnreadable);
            if (!GetPictureRows(m_app.m_nSeries, m_app.m_nUnitsIndex, cause.m_nErrNo, side,
                                cause.m_strErrorRow, cause.m_strBaseRow))
                return Fail(kMsgNoPicture);
        }
    }

    m_Causes = std::move(causes);
    m_bHasConditions = hasConditions;
    m_tDiagnosed = std::time(nullptr);
    m_nPage = 0;
    RestartBlink();

    m_view.m_bResultsVisible = true;
    m_view.m_bConditionVisible = hasConditions;
    m_view.m_bEntryButtonsDisabled = true;
    if (m_Causes.size() != 1) {
        m_view.m_bUpDownVisible = true;
        m_view.m_bDownEnabled = true;
    } else {
        m_view.m_bDownEnabled = false;
    }
    m_view.m_bUpEnabled = false;
    return kOk;
}

int CDiagnosis::Fail(int message)
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
    m_nPage = 0;
    RestartBlink();
    if (m_Causes.size() == 1) {
        m_view.m_bUpDownVisible = false;
        m_view.m_bDownEnabled = false;
    } else {
        m_view.m_bDownEnabled = true;
    }
    m_view.m_bUpEnabled = false;
    return true;
}

void CDiagnosis::Reset()
{
    m_Causes.clear();
    m_nPage = 0;
    m_bHasConditions = false;
    m_nBlinkPhase = 0;
    m_tDiagnosed = 0;
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
    const int lang = m_app.m_nLanguage == 1 ? 1 : 0;
    const PossibleCause& c = m_Causes[static_cast<size_t>(m_nPage)];
    std::string text = g_strCauseHeading[lang];
    text += '\n';
    text += c.m_strCause;
    text += '\n';
    text += g_strRemedyHeading[lang];
    text += '\n';
    text += c.m_strRemedy;
    return text;
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
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", CauseCount());
    return buf;
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
