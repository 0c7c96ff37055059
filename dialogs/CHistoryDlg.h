#pragma once
#include "dialogs/CTemplateDialog.h"

class CHistoryFile;
class CHistoryModel;
class QLineEdit;
class QTreeView;
struct HistoryRecord;

// The diagnosis history: every recorded result newest first, a filter box that
// narrows the list as one types, and Open (also Enter or a double click on a
// row, or Enter in the filter box for the row selected), Note…, Export… and
// Close. Open ends the window with IDOK and Chosen() names the record.
class CHistoryDlg : public CTemplateDialog {
    Q_OBJECT
public:
    CHistoryDlg(AppState& app, CHistoryFile& history, QWidget* parent = nullptr);

    // The record chosen by Open; nullptr before.
    const HistoryRecord* Chosen() const { return m_pChosen; }

    QLineEdit* FilterBox() const { return m_pFilter; }
    QTreeView* List() const { return m_pList; }
    CHistoryModel* Model() const { return m_pModel; }
    // The record of the selected row; -1 for none.
    int SelectedRecord() const;

    void OnOK() override; // Open
    void OnNote();
    void OnExport();

private:
    void OnInitDialog() override;
    void OnFilter(const QString& text);
    void SelectRow(int row);
    void ShowFailure(const LocalText& what, const std::string& reason);

    CHistoryFile& m_history;
    CHistoryModel* m_pModel = nullptr;
    QLineEdit* m_pFilter = nullptr;
    QTreeView* m_pList = nullptr;
    const HistoryRecord* m_pChosen = nullptr;
};
