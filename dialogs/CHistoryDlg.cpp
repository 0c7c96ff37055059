#include "dialogs/CHistoryDlg.h"

#include "data/AppState.h"
#include "data/CHistory.h"
#include "data/HistoryCsv.h"
#include "data/TeamSyncRunner.h"
#include "dialogs/CHistoryModel.h"
#include "dialogs/CMessageDlg.h"
#include "dialogs/FitText.h"
#include "dialogs/SaveFileDlg.h"
#include "platform/AtomicWrite.h"

#include <QDate>
#include <QHeaderView>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFutureWatcher>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPromise>
#include <QPushButton>
#include <QScopeGuard>
#include <QThreadPool>
#include <QTreeView>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

namespace {

constexpr CTemplateDialog::TextBinding kTexts[] = {
    {IDC_HISTORY_HEADING, &g_strHistoryTitle}, {IDC_HISTORY_FILTER_CAPTION, &g_strHistoryFilter},
    {IDOK, &g_strHistoryOpen},                 {IDC_HISTORY_NOTE, &g_strHistoryNote},
    {IDC_HISTORY_EXPORT, &g_strHistoryExport}, {IDC_HISTORY_DELETE, &g_strHistoryDelete},
    {IDCANCEL, &g_strHistoryClose},
};

// Widths of the columns before the note in unscaled pixels; the note takes the rest.
constexpr int kColumnWidths[] = {160, 45, 240, 170, 110, 100};

std::string Format(const LocalText& text, int lang, const std::string& value)
{
    return QString::asprintf(text[lang], value.c_str()).toStdString();
}

// A note box keeps at most the history's number of characters.
void LimitNote(QPlainTextEdit* edit)
{
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit] {
        const std::string text = edit->toPlainText().toStdString();
        const std::string cut = HistoryRecord::CutNote(text);
        if (cut.size() == text.size())
            return;
        edit->setPlainText(QString::fromStdString(cut));
        edit->moveCursor(QTextCursor::End);
    });
}

} // namespace

struct CHistoryDlg::Reading {
    CHistory::Loaded m_loaded;
    CHistoryModel::Texts m_texts;
};

CHistoryDlg::CHistoryDlg(AppState& app, CHistory& history, QWidget* parent, CTeamSyncRunner* team)
    : CTemplateDialog(g_tmplHistory, app, parent), m_history(history)
{
    m_history.ReloadNewest(kFirstScreen); // with what other copies of the program added
    m_pFilter = Control<QLineEdit>(IDC_HISTORY_FILTER);
    m_pList = Control<QTreeView>(IDC_HISTORY_LIST);
    m_pStatus = Control<QLabel>(IDC_HISTORY_STATUS);
    m_pTeam = Control<QLabel>(IDC_HISTORY_TEAM);
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
    QFont small = m_pList->font();
    small.setPixelSize(std::max(1, static_cast<int>(std::lround(13 * Scale()))));
    m_pStatus->setFont(small);
    m_pStatus->setWordWrap(false);
    m_pTeam->setFont(small);
    m_pTeam->setWordWrap(false);
    if (team)
        connect(team, &CTeamSyncRunner::StateChanged, this, &CHistoryDlg::OnTeamState, Qt::QueuedConnection);
    m_strTeam = QString::fromStdString(team::StateText(team ? team->State() : TeamSyncState(), Language()));

    connect(m_pFilter, &QLineEdit::textChanged, this, &CHistoryDlg::OnFilter);
    connect(m_pFilter, &QLineEdit::returnPressed, this, &CHistoryDlg::OnOK);
    // Open by a double click or Enter only: where the platform activates items
    // on a single click, a click would otherwise end the window.
    connect(m_pList, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            OnOK();
    });
    m_pList->installEventFilter(this);
    connect(m_pList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_bSelecting && SelectedRecord() >= 0)
            m_strPicked = m_history.Records()[static_cast<std::size_t>(SelectedRecord())].m_strId;
        MirrorButtons();
    });
    connect(m_pModel, &QAbstractItemModel::modelReset, this, &CHistoryDlg::MirrorButtons);
    OnClicked(IDC_HISTORY_NOTE, [this] { OnNote(); });
    OnClicked(IDC_HISTORY_EXPORT, [this] { OnExport(); });
    OnClicked(IDC_HISTORY_DELETE, [this] { OnDelete(); });
    InitDialog(); // complete before DoModal, for tests and the benchmark
    if (!m_history.IsWhole())
        StartReload();
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
    ShowStatus();
    ShowTeam();
    m_pFilter->setFocus(Qt::OtherFocusReason);
}

bool CHistoryDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnOK();
            return true;
        }
    }
    return CTemplateDialog::eventFilter(watched, event);
}

void CHistoryDlg::SelectRow(int row)
{
    m_bSelecting = true;
    if (row < 0 || row >= m_pModel->rowCount()) {
        m_pList->clearSelection();
    } else {
        const QModelIndex index = m_pModel->index(row, 0);
        m_pList->setCurrentIndex(index);
        m_pList->scrollTo(index);
    }
    m_bSelecting = false;
    MirrorButtons();
}

void CHistoryDlg::KeepPick()
{
    int row = 0;
    if (!m_strPicked.empty()) {
        const std::vector<HistoryRecord>& records = m_history.Records();
        for (int r = 0; r < m_pModel->rowCount(); ++r)
            if (records[static_cast<std::size_t>(m_pModel->RecordOf(r))].m_strId == m_strPicked) {
                row = r;
                break;
            }
    }
    SelectRow(row);
}

int CHistoryDlg::SelectedRecord() const
{
    const QModelIndexList rows = m_pList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : m_pModel->RecordOf(rows.front().row());
}

void CHistoryDlg::MirrorButtons()
{
    const int record = SelectedRecord();
    const HistoryRecord* r = record >= 0 ? &m_history.Records()[static_cast<std::size_t>(record)] : nullptr;
    Control(IDOK)->setEnabled(r);
    Control(IDC_HISTORY_NOTE)->setEnabled(r && !r->m_bReadOnly);
    Control(IDC_HISTORY_DELETE)->setEnabled(r && m_history.MayDelete(*r));
    // Every record shown is exported: not before all are read.
    Control(IDC_HISTORY_EXPORT)->setEnabled(m_pModel->rowCount() > 0 && m_history.IsWhole());
    KeepFocusSafe();
}

void CHistoryDlg::ShowStatus()
{
    const int lang = Language();
    std::vector<std::string> lines;
    if (const std::string path = m_history.WritablePath(); !path.empty()) {
        lines.push_back(Format(g_strHistoryNewGoTo, lang, path));
    } else {
        const HistoryError problem = m_history.Problem();
        std::string why = CHistory::Reason(problem, lang);
        if (problem.m_kind != HistoryError::Kind::Other && !problem.m_strDetail.empty())
            why += " (" + problem.m_strDetail + ")";
        lines.push_back(Format(g_strHistoryNothingKept, lang, why));
    }
    if (const std::string path = m_history.ReadOnlyPath(); !path.empty())
        lines.push_back(Format(g_strHistoryReadOnlyFrom, lang, path));
    if (!m_strExported.empty())
        lines.push_back(Format(g_strHistoryExported, lang, m_strExported));
    // Each line whole in the tip, shortened in the middle where it is too long.
    QStringList shown, full;
    const QFontMetrics metrics(m_pStatus->font());
    for (const std::string& line : lines) {
        full << QString::fromStdString(line);
        shown << metrics.elidedText(full.back(), Qt::ElideMiddle, m_pStatus->contentsRect().width());
    }
    m_pStatus->setText(shown.join(u'\n'));
    m_pStatus->setToolTip(full.join(u'\n'));
}

void CHistoryDlg::ShowTeam()
{
    m_pTeam->setText(
        QFontMetrics(m_pTeam->font()).elidedText(m_strTeam, Qt::ElideRight, m_pTeam->contentsRect().width()));
    m_pTeam->setToolTip(m_strTeam);
}

void CHistoryDlg::OnTeamState(const TeamSyncState& state)
{
    m_strTeam = QString::fromStdString(team::StateText(state, Language()));
    ShowTeam();
    m_bReloadDue = m_bReloadDue || state.m_bTook;
    ReloadIfDue();
}

void CHistoryDlg::ReloadIfDue()
{
    // A box over the window (a note being written) may hold one of the records.
    if (const QWidget* modal = QApplication::activeModalWidget(); !m_bReloadDue || (modal && modal != this))
        return;
    m_bReloadDue = false;
    StartReload();
}

void CHistoryDlg::StartReload()
{
    if (m_pReading) {
        m_bReadAgain = true;
        return;
    }
    // The reading refers to nothing of the window: closed meanwhile, the
    // window does not wait for it, and what it made is dropped.
    auto* watcher = new QFutureWatcher<Reading>(this);
    m_pReading = watcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        m_pReading = nullptr;
        watcher->deleteLater();
        OnRead(watcher->future().takeResult());
    });
    auto promise = std::make_shared<QPromise<Reading>>();
    watcher->setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([promise, read = m_history.Reader(), lang = m_pModel->Language()] {
        Reading reading{read(), {}};
        if (!reading.m_loaded.m_error)
            reading.m_texts = CHistoryModel::MakeTexts(reading.m_loaded.m_records, lang);
        promise->addResult(std::move(reading));
        promise->finish();
    });
}

void CHistoryDlg::OnRead(Reading reading)
{
    if (const QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) {
        m_bReloadDue = true; // read again once the box is closed
        return;
    }
    // A reading begun before a change here (a note, a deletion) misses it.
    if (std::exchange(m_bReadAgain, false) || reading.m_loaded.m_nGeneration != m_history.Generation()) {
        StartReload();
        return;
    }
    if (reading.m_loaded.m_error) {
        m_history.Take(std::move(reading.m_loaded));
        return;
    }
    m_pModel->RecordsChanged([&] { m_history.Take(std::move(reading.m_loaded)); }, std::move(reading.m_texts));
    KeepPick();
}

void CHistoryDlg::OnFilter(const QString& text)
{
    m_pModel->SetFilter(text);
    KeepPick(); // Enter in the box opens the pick, else the newest match
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
    const auto due = qScopeGuard([this] { ReloadIfDue(); }); // held while the box is open
    const HistoryRecord& r = m_history.Records()[static_cast<std::size_t>(record)];
    const int lang = Language();
    // The note on several lines and the machine on one, earlier machines
    // offered as one types; kept together.
    QDialog box(this);
    box.setWindowTitle(CommandTitle(g_strHistoryNote, lang));
    auto* layout = new QVBoxLayout(&box);
    auto* note = new QPlainTextEdit(QString::fromStdString(r.m_strNote), &box);
    note->setObjectName(QStringLiteral("note"));
    note->setTabChangesFocus(true);
    LimitNote(note);
    auto* machine = new QLineEdit(QString::fromStdString(r.m_strMachine), &box);
    machine->setObjectName(QStringLiteral("machine"));
    machine->setMaxLength(static_cast<int>(HistoryRecord::kMaxMachine));
    QStringList earlier;
    for (const std::string& m : m_history.Machines())
        earlier << QString::fromStdString(m);
    auto* completer = new QCompleter(earlier, machine);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    machine->setCompleter(completer);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    for (const auto& [text, field] : {std::pair{&g_strHistoryNotePrompt, static_cast<QWidget*>(note)},
                                      std::pair{&g_strHistoryMachinePrompt, static_cast<QWidget*>(machine)}}) {
        auto* label = new QLabel(QString::fromUtf8((*text)[lang]), &box);
        label->setBuddy(field);
        layout->addWidget(label);
        layout->addWidget(field);
    }
    layout->addWidget(buttons);
    note->setFocus();
    if (box.exec() != QDialog::Accepted)
        return;
    HistoryError error;
    const std::string id = r.m_strId;
    if (!m_history.Annotate(id, note->toPlainText().trimmed().toStdString(), machine->text().trimmed().toStdString(),
                            error)) {
        ShowFailure(g_strHistoryNoteFailed, CHistory::Reason(error, lang));
        return;
    }
    m_pModel->NoteChanged(record);
}

void CHistoryDlg::OnExport()
{
    if (m_pModel->Shown().empty() || !m_history.IsWhole())
        return;
    const auto due = qScopeGuard([this] { ReloadIfDue(); }); // held while the box is open
    const int lang = Language();
    const std::optional<QString> path =
        AskSavePath(this, g_strHistoryExport, g_strHistoryCsvFilter, lang, QStringLiteral("csv"),
                    QStringLiteral("Darvell-history-%1.csv").arg(QDate::currentDate().toString(u"yyyyMMdd")),
                    App().m_strSaveFolder);
    if (!path)
        return;
    std::vector<HistoryRecord> shown;
    shown.reserve(m_pModel->Shown().size());
    for (int record : m_pModel->Shown())
        shown.push_back(m_history.Records()[static_cast<std::size_t>(record)]);
    std::string error;
    const std::string file = NativePath(*path);
    if (!platform::WriteFileAtomically(file, historycsv::Export(shown), error)) {
        ShowFailure(g_strHistoryExportFailed, file + "\n" + error);
        return;
    }
    m_strExported = file;
    ShowStatus();
}

void CHistoryDlg::OnDelete()
{
    const int record = SelectedRecord();
    if (record < 0 || !m_history.MayDelete(m_history.Records()[static_cast<std::size_t>(record)]))
        return;
    const auto due = qScopeGuard([this] { ReloadIfDue(); }); // held while the box is open
    const int lang = Language();
    // Asked in a box whose safe answer is the default: a double Enter deletes nothing.
    QMessageBox ask(QMessageBox::Question, CommandTitle(g_strHistoryDelete, lang),
                    QString::fromUtf8(g_strHistoryDeleteAsk[lang]), QMessageBox::Cancel, this);
    QPushButton* remove = ask.addButton(CommandTitle(g_strHistoryDelete, lang), QMessageBox::DestructiveRole);
    ask.setDefaultButton(QMessageBox::Cancel);
    ask.exec();
    if (ask.clickedButton() != remove)
        return;
    const int row = m_pModel->RowOf(record);
    HistoryError error;
    if (!m_history.Delete(m_history.Records()[static_cast<std::size_t>(record)].m_strId, error)) {
        ShowFailure(g_strHistoryDeleteFailed, CHistory::Reason(error, lang));
        return;
    }
    m_strPicked.clear();
    m_pModel->RecordsChanged();
    SelectRow(std::min(row, m_pModel->rowCount() - 1)); // the next older one
}

void CHistoryDlg::ShowFailure(const LocalText& what, const std::string& reason)
{
    ShowMessage(App(), std::string(what[Language()]) + "\n" + reason);
}
