#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/DiagRow.h"
#include "data/DiagnosisTables.h"
#include "data/PictureTables.h"
#include "data/TextCatalogue.h"

struct AppState;
class CEnteredStatus;

// One possible cause of the entered status: one page of the result list.
struct PossibleCause {
    PictureRow m_strBaseRow;  // healthy picture of the unit count
    PictureRow m_strErrorRow; // picture of this error number
    std::string m_strRemedy;  // converted: real line breaks
    std::string m_strCause;
    int32_t m_nErrNo = 0;
    int32_t m_nSide = 0;      // 1 emitter side entered, 2 receiver side
    DiagRow m_Row{};
};

// Which of the main window's result controls are visible or enabled. The window
// copies this onto its controls after every call that changes it.
struct DiagnosisView {
    bool m_bResultsVisible = false;     // count, "# of possible causes", page
    bool m_bUpDownVisible = false;      // UP and DOWN
    bool m_bUpEnabled = false;
    bool m_bDownEnabled = false;
    bool m_bConditionVisible = false;   // "Additional\nconditions"
    bool m_bEntryButtonsDisabled = false; // all six entry buttons
    bool m_bBlinkRunning = false;       // timer 1

    bool operator==(const DiagnosisView&) const = default;
};

// The lookup behind the main window: matches a complete entry against the
// diagnosis table in force, holds the resulting pages, pages through them and
// narrows them by the lamp states. No widgets; the window mirrors View(),
// PageText(), PageLabel(), CountLabel() and PictureRowNow().
class CDiagnosis {
public:
    using Codes = std::array<int32_t, 6>;

    explicit CDiagnosis(AppState& app);

    // Runs the lookup for the six codes with the table of the current series,
    // unit count and side. Without a message the first page is showing and the
    // blink must (re)start. With one the list is empty and View() is idle;
    // the caller then resets the entry (CEnteredStatus::Reset, timer stopped),
    // reloads the screen and shows that message.
    std::optional<Message> Diagnose(const Codes& codes);
    std::optional<Message> Diagnose(const CEnteredStatus& status);
    // The same against a given table (the codes still choose the side).
    std::optional<Message> Diagnose(const Codes& codes, const DiagTable& table);

    // The rows of table whose six codes equal codes: the contiguous run that
    // starts at the first match (rows with equal codes are contiguous).
    static std::vector<DiagRow> MatchRows(const DiagTable& table, const Codes& codes);

    // Paging. Both return true when the blink must restart (count non-zero),
    // whether or not the page moved; the picture is then repainted without erase.
    bool Up();
    bool Down();

    // Narrows the list by the lamp states of the additional-conditions dialog
    // (1 unlit, 2 lit). With accepted false (dialog closed without OK) nothing
    // changes. Returns true when the list was replaced: the first page is then
    // showing, the blink must restart and the picture is repainted with erase.
    bool ApplyConditions(int interlock, int halt, bool accepted = true);

    // Back to idle: no list, no page, blink stopped.
    void Reset();

    // "* Cause\n<cause>\n* Remedy\n<remedy>" of the page shown, in the current
    // language; empty without a list.
    std::string PageText() const;
    std::string PageLabel() const;  // "%d / %d", empty without a list
    std::string CountLabel() const; // "%d", empty without a list

    // Picture codes of blink phase 0 (error row) and 1 (base row) of the page
    // shown; without a list both are the base row of the current unit count.
    PictureRow PhaseRow(int phase) const;
    // Blink: phase 0 after every restart, flipped by the window's timer.
    int BlinkPhase() const { return m_nBlinkPhase; }
    void ToggleBlink() { m_nBlinkPhase = m_nBlinkPhase ? 0 : 1; }
    PictureRow PictureRowNow() const { return PhaseRow(m_nBlinkPhase); }

    const DiagnosisView& View() const { return m_view; }
    const std::vector<PossibleCause>& Causes() const { return m_Causes; }
    int CauseCount() const { return static_cast<int>(m_Causes.size()); }
    int Page() const { return m_nPage; }
    bool HasConditions() const { return m_bHasConditions; }
    // When the list shown was found, in milliseconds since 1970 UTC (0 without
    // a list), and the lamp states it was narrowed by (1 unlit, 2 lit; 0 while
    // no narrowing was applied).
    std::int64_t DiagnosedAt() const { return m_nDiagnosedMs; }
    int AppliedInterlock() const { return m_nAppliedInterlock; }
    int AppliedHalt() const { return m_nAppliedHalt; }

private:
    Message Fail(Message message);
    void ShowFirstPage(); // page 0 of a new list, with the paging buttons it needs
    void RestartBlink();

    AppState& m_app;
    std::vector<PossibleCause> m_Causes;
    int m_nPage = 0;
    bool m_bHasConditions = false;
    int m_nBlinkPhase = 0;
    std::int64_t m_nDiagnosedMs = 0;
    int m_nAppliedInterlock = 0;
    int m_nAppliedHalt = 0;
    DiagnosisView m_view;
};
