#pragma once
#include "data/CHistory.h"
#include "diagnosis/CDiagnosis.h"
#include "diagnosis/CEnteredStatus.h"
#include "dialogs/CTemplateDialog.h"

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QTimer>

#include <memory>

struct Bitmaps;
class CBaseButton;
class QAction;
class CTextBox;
class CTeamSyncRunner;
class QMenu;
class QPrinter;

// The diagnosis screen. It owns the entry (CEnteredStatus) and the result list
// (CDiagnosis) and only mirrors their state on its controls: the six entry
// buttons, the unit-count radios, the result labels and paging buttons, and
// the light-curtain picture that blinks between the error and the healthy
// state while a result is shown.
//
// The About item sits in a small window menu: right-click anywhere on the
// window's background, or press Alt+Space. The same menu holds the report
// commands (print, save as PDF, copy), enabled only while a result is shown,
// and the diagnosis history (Ctrl+H): every result is recorded as it is shown.
class CDarvellDlg : public CTemplateDialog {
    Q_OBJECT
public:
    CDarvellDlg(AppState& app, const Bitmaps& bitmaps, QWidget* parent = nullptr);
    ~CDarvellDlg() override;

    static constexpr int kBlinkMs = 500;

    // Entry button of slot 0..5 (-1 for none).
    static int EntryButtonId(int slot);

    // Client pixels of the light-curtain picture; only this area is repainted
    // while blinking. The origin is in the unscaled pixels the picture is
    // drawn in (the same where the window is not scaled down).
    QRect PictureRect() const { return m_rcPicture; }
    QPoint PictureOrigin() const { return m_ptOrigin; }

    // The cause/remedy box (the IDC_TEXTBOX label sits inside it).
    CTextBox* TextBox() const { return m_pTextBox; }
    // Puts the selected text of the box, or else its whole page, on the clipboard.
    void OnCopy();

    const CEnteredStatus& Status() const { return m_status; }
    const CDiagnosis& Diagnosis() const { return m_diag; }
    const QTimer& BlinkTimer() const { return m_timer; }

    // The window menu holding the About item (shown by right-click or Alt+Space).
    QMenu* WindowMenu() const { return m_pWindowMenu; }
    // The report commands: print (Ctrl+P), save as PDF (Ctrl+S), copy (Ctrl+Shift+C).
    QAction* PrintAction() const { return m_pPrintAction; }
    QAction* SavePdfAction() const { return m_pSavePdfAction; }
    QAction* CopyAction() const { return m_pCopyAction; }
    // The diagnosis history (Ctrl+H); its caption says when results are not being kept.
    QAction* HistoryAction() const { return m_pHistoryAction; }
    // The team history server's settings.
    QAction* TeamAction() const { return m_pTeamAction; }
    CHistory& History() { return m_history; }

    // Button handlers, also reached by clicking the controls.
    void OnEntryButton(int slot);
    void OnUnitsRadio(int index);
    void OnClear();
    void OnSettings();
    void OnUp();
    void OnDown();
    void OnConditionAddition();
    void OnAbout();
    void OnPrintReport();
    void OnSaveReportPdf();
    void OnCopyReport();
    void OnHistory();
    void OnTeam();
    // Shows a recorded result again: its series, units, codes and lamp
    // conditions entered and looked up anew, its time and note in the report.
    void OpenRecord(const HistoryRecord& record);
    // Prints the report on a printer already set up (OnPrintReport's dialog);
    // a print that cannot start is told in the message box and gives false.
    bool PrintReport(QPrinter& printer);

protected:
    void PaintPictures(QPainter& painter) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Page Down / Page Up page the result like DOWN and UP.
    void keyPressEvent(QKeyEvent* event) override;
    // The team sync starts when the window is first shown.
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog() override;
    void ReloadScreen();
    void LiftCutLabels();
    void ResetEntry();
    void RunDiagnosis();
    void ShowPage();
    void MirrorView();
    void MirrorEntryButtons();
    void RestartBlink();
    // The page, the result controls and a fresh blink after the list changed.
    void ShowResults();
    // The focus on a new result: the next page, else the text box.
    void FocusResult();
    // An empty entry on a reloaded screen.
    void StartOver();
    void OnBlinkTimer();
    CBaseButton* EntryButton(int slot) const;
    // The caption and look of an entered slot's button.
    void ShowEnteredCode(int slot);
    void RecordResult(bool narrowed);
    void MirrorHistory();
    // Runs the team sync of Team.ini, when set, in place of any before.
    void StartTeam();

    const Bitmaps& m_bitmaps;
    CEnteredStatus m_status;
    CDiagnosis m_diag;
    QTimer m_timer;
    QRect m_rcPicture;
    QPoint m_ptOrigin;
    int m_nClientWidth = 0;
    int m_nClientHeight = 0;
    int m_nUnscaledWidth = 0;
    QMenu* m_pWindowMenu = nullptr;
    QAction* m_pPrintAction = nullptr;
    QAction* m_pSavePdfAction = nullptr;
    QAction* m_pCopyAction = nullptr;
    CTextBox* m_pTextBox = nullptr;
    QAction* m_pHistoryAction = nullptr;
    QAction* m_pTeamAction = nullptr;
    CHistory m_history;
    std::unique_ptr<CTeamSyncRunner> m_team; // ended before the history it syncs
    bool m_bTeamStarted = false;
    std::optional<HistoryRecord> m_reopened; // the record a result shown was opened from
};
