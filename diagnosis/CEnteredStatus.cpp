#include "diagnosis/CEnteredStatus.h"

#include "data/AppState.h"
#include "data/UnitRules.h"

namespace {

// Per offered slot: how many leading slots a row must agree with, and the
// column whose change ends the run of rows for the entered Main Sensor code.
struct Filter {
    int compared;   // slots 0..compared-1
    int stopColumn;
};
constexpr Filter kFilters[CEnteredStatus::kSlots] = {
    {0, 0}, {1, 0}, {2, 0}, {0, 0}, {4, 3}, {5, 3}};

} // namespace

CEnteredStatus::CEnteredStatus(const AppState& app) : m_app(app)
{
    Reset();
}

int CEnteredStatus::Units() const
{
    return UnitCount(m_app.m_nUnitsIndex);
}

bool CEnteredStatus::IsConnected(int slot) const
{
    return slot >= 0 && slot < kSlots && slot % 3 < Units();
}

void CEnteredStatus::Reset()
{
    for (int s = 0; s < kSlots; ++s) {
        m_nCode[s] = 0;
        m_bEnabled[s] = (s == 0 || s == 3);
        m_bEntered[s] = false;
    }
    m_bComplete = false;
    m_nNextSlot = kNoSlot;
}

void CEnteredStatus::Captions(int slot, CaptionSet& out) const
{
    CFixNum(m_app).GetCaptions(slot, out);
}

std::array<bool, 14> CEnteredStatus::Choices(int slot) const
{
    std::array<bool, 14> flags{};
    if (slot < 0 || slot >= kSlots)
        return flags;
    if (slot == 0 || slot == 3) {
        flags.fill(true);
        return flags;
    }

    const CFixNum fix(m_app);
    const DiagRow* rows = fix.GetTable(m_nCode[0]);
    const int count = fix.GetRowCount(m_nCode[0]);
    const Filter f = kFilters[slot];
    bool agreed = false;
    // Rows of one Main Sensor code are contiguous, so the scan may end at the
    // first row past the agreeing run.
    for (int r = 0; r < count; ++r) {
        const DiagRow& row = rows[r];
        if (agreed && row.m_nCode[f.stopColumn] != m_nCode[f.stopColumn])
            break;
        bool match = true;
        for (int c = 0; c < f.compared && match; ++c)
            match = row.m_nCode[c] == m_nCode[c];
        if (!match)
            continue;
        const int code = row.m_nCode[slot];
        if (code >= 1 && code <= 14)
            flags[static_cast<std::size_t>(code - 1)] = true;
        agreed = true;
    }
    return flags;
}

bool CEnteredStatus::Enter(int slot, int code)
{
    if (slot < 0 || slot >= kSlots || code < 1 || code > 14 || !m_bEnabled[slot])
        return false;

    m_nCode[slot] = code;
    m_bEnabled[slot] = false;
    m_bEntered[slot] = true;

    // Choosing a Main Sensor code picks the side and locks the other one out.
    if (slot == 0)
        m_bEnabled[3] = false;
    else if (slot == 3)
        m_bEnabled[0] = false;

    const int unitsEntered = slot % 3 + 1;
    if (unitsEntered >= Units()) {
        m_bComplete = true;
        m_nNextSlot = kNoSlot;
    } else {
        m_nNextSlot = slot + 1;
        m_bEnabled[m_nNextSlot] = true;
    }
    return m_bComplete;
}

void CEnteredStatus::DisableAll()
{
    for (bool& e : m_bEnabled)
        e = false;
    m_nNextSlot = kNoSlot;
}
