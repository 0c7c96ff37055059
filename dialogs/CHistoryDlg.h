#pragma once
#include "dialogs/CTemplateDialog.h"

#include <string>
#include <vector>

class CHistory;
class CHistoryModel;
class CTeamSyncRunner;
class QLabel;
class QLineEdit;
class QTreeView;
struct HistoryRecord;
struct TeamSyncState;

// The diagnosis history: every recorded result newest first, a filter box that
// narrows the list as one types, and Open (also Enter or a double click on a
// row, or Enter in the filter box for the row selected; never a single
// click), Note… (the note and the machine), Export…, Delete… and Close,
// each enabled only when it has something to act on (Delete… only where the
// history may delete the record: CHistory::MayDelete). Under the list: the
// team history's state (the records read again on a worker thread when a pass
// took some, and swapped in once read), where
// new records go, which records are read-only, where the last export went.
// Open ends the window with IDOK and Chosen() names the record.
class CHistoryDlg : public CTemplateDialog {
    Q_OBJECT
public:
    // The records listed at once; the rest are read on a worker thread.
    static constexpr std::size_t kFirstScreen = 1000;

    // team: the sync whose state is shown; none, not set.
    CHistoryDlg(AppState& app, CHistory& history, QWidget* parent = nullptr, CTeamSyncRunner* team = nullptr);

    // The record chosen by Open; nullptr before.
    const HistoryRecord* Chosen() const { return m_pChosen; }

    QLineEdit* FilterBox() const { return m_pFilter; }
    QTreeView* List() const { return m_pList; }
    CHistoryModel* Model() const { return m_pModel; }
    QLabel* StatusLine() const { return m_pStatus; }
    QLabel* TeamLine() const { return m_pTeam; }
    // The record of the selected row; -1 for none.
    int SelectedRecord() const;

    void OnOK() override; // Open
    void OnNote();
    void OnExport();
    void OnDelete();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog() override;
    void OnFilter(const QString& text);
    void SelectRow(int row);
    // The picked record's row where it is still listed, else the newest.
    void KeepPick();
    void MirrorButtons();
    void ShowStatus();
    // Shows state; reads the records again when it took some (later, when
    // another box is open over the window).
    void OnTeamState(const TeamSyncState& state);
    // Reads the records again unless none are due or a box is open over the window.
    void ReloadIfDue();
    // Reads the records on a worker thread; one reading at a time.
    void StartReload();
    struct Reading;
    // Swaps in what a reading made, unless it missed a change since.
    void OnRead(Reading reading);
    void ShowTeam();
    void ShowFailure(const LocalText& what, const std::string& reason);

    CHistory& m_history;
    CHistoryModel* m_pModel = nullptr;
    QLineEdit* m_pFilter = nullptr;
    QTreeView* m_pList = nullptr;
    QLabel* m_pStatus = nullptr;
    QLabel* m_pTeam = nullptr;
    QString m_strTeam;         // the team line, whole
    bool m_bReloadDue = false; // a pass took records while a box was open
    QObject* m_pReading = nullptr; // the reading under way; none
    bool m_bReadAgain = false;     // records were due while it ran
    const HistoryRecord* m_pChosen = nullptr;
    std::string m_strPicked;   // id of the record the user selected last; empty before
    bool m_bSelecting = false; // the window itself moves the selection
    std::string m_strExported; // where the last export went
};
