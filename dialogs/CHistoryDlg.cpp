#include "dialogs/CHistoryDlg.h"

#include "data/AppState.h"
#include "data/CHistoryFile.h"
#include "dialogs/CHistoryModel.h"
#include "dialogs/CMessageDlg.h"
#include "dialogs/FitText.h"
#include "dialogs/SaveFileDlg.h"

#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QTreeView>

#include <cmath>

namespace {

constexpr CTemplateDialog::TextBinding kTexts[] = {
    {IDC_HISTORY_HEADING, &g_strHistoryTitle}, {IDC_HISTORY_FILTER_CAPTION, &g_strHistoryFilter},
    {IDOK, &g_strHistoryOpen},                 {IDC_HISTORY_NOTE, &g_strHistoryNote},
    {IDC_HISTORY_EXPORT, &g_strHistoryExport}, {IDCANCEL, &g_strHistoryClose},
};

// Widths of the first four columns in unscaled pixels; the note takes the rest.
constexpr int kColumnWidths[] = {160, 50, 330, 230};

} // namespace

CHistoryDlg::CHistoryDlg(AppState& app, CHistoryFile& history, QWidget* parent)
    : CTemplateDialog(g_tmplHistory, app, parent), m_history(history)
{
    m_pFilter = Control<QLineEdit>(IDC_HISTORY_FILTER);
    m_pList = Control<QTreeView>(IDC_HISTORY_LIST);
    m_pModel = new CHistoryModel(m_history.Records(), Language(), this);
    m_pList->setModel(m_pModel);
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setItemsExpandable(false);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setTextElideMode(Qt::ElideRight);
    m_pList->header()->setSectionsMovable(false);
    m_pList->header()->setStretchLastSection(true);
    for (int c = 0; c < int(std::size(kColumnWidths)); ++c)
        m_pList->header()->resizeSection(c, static_cast<int>(std::lround(kColumnWidths[c] * Scale())));

    connect(m_pFilter, &QLineEdit::textChanged, this, &CHistoryDlg::OnFilter);
    connect(m_pFilter, &QLineEdit::returnPressed, this, &CHistoryDlg::OnOK);
    connect(m_pList, &QAbstractItemView::activated, this, &CHistoryDlg::OnOK);
    OnClicked(IDC_HISTORY_NOTE, [this] { OnNote(); });
    OnClicked(IDC_HISTORY_EXPORT, [this] { OnExport(); });
    InitDialog(); // complete before DoModal, for tests and the benchmark
}

void CHistoryDlg::OnInitDialog()
{
    SetTitle(g_strHistoryTitle[Language()]);
    SetTexts(kTexts);
    FitAllTexts(*this);
    // The size and place of the settings screen and the main window.
    setFixedSize(FitToScreen(App()).client);
    MoveToTopLeft();
    SelectRow(0);
    m_pFilter->setFocus(Qt::OtherFocusReason);
}

void CHistoryDlg::SelectRow(int row)
{
    if (row < 0 || row >= m_pModel->rowCount())
        return;
    const QModelIndex index = m_pModel->index(row, 0);
    m_pList->setCurrentIndex(index);
    m_pList->scrollTo(index);
}

int CHistoryDlg::SelectedRecord() const
{
    const QModelIndexList rows = m_pList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : m_pModel->RecordOf(rows.front().row());
}

void CHistoryDlg::OnFilter(const QString& text)
{
    m_pModel->SetFilter(text);
    SelectRow(0); // Enter in the box opens the newest match
}

void CHistoryDlg::OnOK()
{
    const int record = SelectedRecord();
    if (record < 0)
        return;
    m_pChosen = &m_history.Records()[static_cast<std::size_t>(record)];
    CTemplateDialog::OnOK();
}

void CHistoryDlg::OnNote()
{
    const int record = SelectedRecord();
    if (record < 0)
        return;
    const int lang = Language();
    QInputDialog input(this);
    input.setWindowTitle(CommandTitle(g_strHistoryNote, lang));
    input.setInputMode(QInputDialog::TextInput);
    input.setLabelText(QString::fromUtf8(g_strHistoryNotePrompt[lang]));
    input.setTextValue(QString::fromStdString(m_history.Records()[static_cast<std::size_t>(record)].m_strNote));
    if (auto* edit = input.findChild<QLineEdit*>())
        edit->setMaxLength(static_cast<int>(CHistoryFile::kMaxNote));
    if (input.exec() != QDialog::Accepted)
        return;
    std::string error;
    if (!m_history.SetNote(static_cast<std::size_t>(record), input.textValue().trimmed().toStdString(), error)) {
        ShowFailure(g_strHistoryNoteFailed, error);
        return;
    }
    m_pModel->NoteChanged(record);
}

void CHistoryDlg::OnExport()
{
    const int lang = Language();
    const std::optional<QString> path =
        AskSavePath(this, g_strHistoryExport, g_strHistoryCsvFilter, lang, QStringLiteral("csv"),
                    QStringLiteral("Darvell-history-%1.csv").arg(QDate::currentDate().toString(u"yyyyMMdd")));
    if (!path)
        return;
    std::vector<HistoryRecord> shown;
    shown.reserve(m_pModel->Shown().size());
    for (int record : m_pModel->Shown())
        shown.push_back(m_history.Records()[static_cast<std::size_t>(record)]);
    std::string error;
    if (!CHistoryFile::Export(QFile::encodeName(*path).toStdString(), shown, error))
        ShowFailure(g_strHistoryExportFailed, QDir::toNativeSeparators(*path).toStdString() + "\n" + error);
}

void CHistoryDlg::ShowFailure(const LocalText& what, const std::string& reason)
{
    ShowMessage(App(), std::string(what[Language()]) + "\n" + reason);
}
