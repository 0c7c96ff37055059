#include "dialogs/CHistoryDlg.h"

#include "data/AppState.h"
#include "data/CHistory.h"
#include "data/CSqliteHistory.h"
#include "data/TeamSyncRunner.h"
#include "window/CDarvellDlg.h"
#include "diagnosis/CHistoryEntry.h"
#include "dialogs/CHistoryModel.h"
#include "dialogs/CMessageDlg.h"
#include "bitmaps/CBmpData.h"
#include "tests/support/ModalRunner.h"
#include "tests/support/TempDataDir.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QCompleter>
#include <QPlainTextEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QTest>
#include <QThreadPool>
#include <QTreeView>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

class CHistoryDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.CopySampleDir(DARVELL_BINARY_DIR "/QL7_Tool"));
        ASSERT_TRUE(CBmpData::LoadCodeBitmaps(m_bitmaps.m_hCodeBitmaps.data()));
        ASSERT_TRUE(CBmpData::LoadPictures(m_bitmaps));
        m_app.m_nLanguage = 1;
        m_app.m_bNonCjkSystem = 1;
        m_app.m_nDialogWidth = 1024;
        m_app.m_nDialogHeight = 768;
        CMessageDlg::SetShowHookForTesting([this](int msg, int) { m_messages.push_back(msg); });
    }
    void TearDown() override { CMessageDlg::SetShowHookForTesting({}); }

    std::string Path() const { return m_dir.PathOf("History.sqlite"); }

    // The record of a diagnosis of one unit, Main Sensor emitter code `code`.
    HistoryRecord Diagnosed(int code, std::string note = {}, std::string machine = {})
    {
        AppState app = m_app;
        app.m_nUnitsIndex = 2;
        CEnteredStatus status(app);
        EXPECT_TRUE(status.Enter(0, code));
        CDiagnosis diag(app);
        EXPECT_FALSE(diag.Diagnose(status).has_value()) << code;
        HistoryRecord r = CHistoryEntry::Make(app, status, diag, false);
        r.m_strNote = std::move(note);
        r.m_strMachine = std::move(machine);
        return r;
    }
    void Keep(const std::vector<HistoryRecord>& records)
    {
        CHistory file(Path());
        for (const HistoryRecord& r : records)
            ASSERT_TRUE(file.Append(r));
    }

    CDarvellDlg& Window()
    {
        if (!m_window) {
            m_window = std::make_unique<CDarvellDlg>(m_app, m_bitmaps);
            m_window->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        }
        return *m_window;
    }
    // Ctrl+H on the main window, then action on the history window it opens.
    void InHistory(std::function<void(CHistoryDlg&)> action)
    {
        bool seen = false;
        WhenModalShown([&](QWidget* w) {
            auto* dlg = qobject_cast<CHistoryDlg*>(w);
            ASSERT_NE(dlg, nullptr);
            seen = true;
            action(*dlg);
            if (dlg->isVisible())
                dlg->OnCancel();
        });
        QTest::keyClick(&Window(), Qt::Key_H, Qt::ControlModifier);
        EXPECT_TRUE(seen);
    }

    TempDataDir m_dir;
    AppState m_app;
    Bitmaps m_bitmaps;
    std::vector<int> m_messages;
    std::unique_ptr<CDarvellDlg> m_window;
};

TEST_F(CHistoryDlgTest, FilterNarrowsTheListAsOneTypesAndEnterOpensTheNewestMatch)
{
    Keep({Diagnosed(1, "Press 3, bay 4"), Diagnosed(3, "二号线 冲床"), Diagnosed(1, {}, "Line 7")});
    CHistory file(Path());
    CHistoryDlg dlg(m_app, file);
    ASSERT_EQ(dlg.Model()->rowCount(), 3);
    EXPECT_EQ(dlg.SelectedRecord(), 2); // newest first, selected
    // picked: the record clicked first (-1: none); selected: the one then
    // selected (-1: none, every command but Close disabled).
    struct Case { const char* typed; int picked; std::vector<int> shown; int selected; };
    const Case cases[] = {
        {"", -1, {2, 1, 0}, 2},
        {"BAY", -1, {0}, 0},                  // note, case ignored
        {"冲床", -1, {1}, 1},                  // Chinese note
        {"no error code", -1, {2, 0}, 2},     // entered codes
        {"149 150", -1, {2, 0}, 2},           // causes
        {"emitter: 1", -1, {1}, 1},           // the side and the code "1"
        {"line 7", -1, {2}, 2},               // machine
        {"nothing like it", -1, {}, -1},
        {"no error code", 0, {2, 0}, 0},      // the pick stays while listed
        {"冲床", 0, {1}, 1},
        {"", 0, {2, 1, 0}, 0},
    };
    for (const Case& c : cases) {
        if (c.picked >= 0) {
            dlg.FilterBox()->clear();
            const int row = dlg.Model()->RowOf(c.picked);
            QTest::mouseClick(dlg.List()->viewport(), Qt::LeftButton, {},
                              dlg.List()->visualRect(dlg.Model()->index(row, 0)).center());
        }
        dlg.FilterBox()->clear();
        for (QChar ch : QString::fromUtf8(c.typed)) // typed key by key; the test's keyboard has no Chinese
            ch.unicode() < 128 ? QTest::keyClick(dlg.FilterBox(), ch.toLatin1()) : dlg.FilterBox()->insert(ch);
        EXPECT_EQ(dlg.Model()->Shown(), c.shown) << c.typed;
        EXPECT_EQ(dlg.SelectedRecord(), c.selected) << c.typed;
        for (int id : {IDOK, IDC_HISTORY_NOTE, IDC_HISTORY_EXPORT, IDC_HISTORY_DELETE})
            EXPECT_EQ(dlg.Control(id)->isEnabled(), c.selected >= 0) << c.typed << " " << id;
    }
    dlg.FilterBox()->setText("bay");
    QTest::keyClick(dlg.FilterBox(), Qt::Key_Return);
    ASSERT_NE(dlg.Chosen(), nullptr);
    EXPECT_EQ(dlg.Chosen()->m_strNote, "Press 3, bay 4");

    // A record from another laptop: marked, with where it came from, and found by it.
    HistoryChanges batch;
    batch.m_records = {Diagnosed(3)};
    batch.m_records[0].m_strAuthor = "anna";
    batch.m_records[0].m_strLaptop = "press-pc";
    HistoryError error;
    std::size_t skipped = 0;
    ASSERT_TRUE(CSqliteHistory::Open(Path(), CSqliteHistory::Mode::ReadWrite, CHistory::kMaxRecords, {}, error)
                    ->Apply(batch, skipped, error));
    CHistoryDlg again(m_app, file);
    again.FilterBox()->setText("ANNA@");
    ASSERT_EQ(again.Model()->rowCount(), 1);
    const QModelIndex from = again.Model()->index(0, CHistoryModel::kFrom);
    EXPECT_EQ(from.data().toString(), "anna@press-pc");
    EXPECT_FALSE(from.data(Qt::DecorationRole).isNull());
    // Delete… with a team server user set: that user's records, and this
    // laptop's own from before one was set; Note… for every record.
    struct Team { const char* user; const char* typed; bool deletable; };
    for (const Team& t : {Team{"tc_tech", "ANNA@", false}, Team{"anna", "ANNA@", true}, Team{"tc_tech", "bay", true},
                          Team{"", "ANNA@", true}}) {
        file.SetAuthor(t.user);
        again.FilterBox()->clear();
        again.FilterBox()->setText(t.typed);
        ASSERT_EQ(again.Model()->rowCount(), 1) << t.typed;
        EXPECT_TRUE(again.Control(IDC_HISTORY_NOTE)->isEnabled());
        EXPECT_EQ(again.Control(IDC_HISTORY_DELETE)->isEnabled(), t.deletable) << t.user << " " << t.typed;
    }
    file.SetAuthor("tc_tech");
    EXPECT_FALSE(file.Delete(batch.m_records[0].m_strId, error));
    EXPECT_EQ(CHistory(Path()).Records().size(), 4u);
}

TEST_F(CHistoryDlgTest, RecordsBeyondTheFirstScreenAndThoseTakenBySyncAreReadOffTheWindow)
{
    Keep({Diagnosed(1), Diagnosed(3)});
    // Records from another laptop, a first screen of them (newer), then one more.
    const auto take = [&](std::size_t n, int code) {
        HistoryChanges batch;
        for (batch.m_records.assign(n, Diagnosed(code)); HistoryRecord& r : batch.m_records) {
            r.m_strId = history::NewId();
            r.m_strAuthor = "anna";
        }
        HistoryError error;
        std::size_t skipped = 0;
        ASSERT_TRUE(CSqliteHistory::Open(Path(), CSqliteHistory::Mode::ReadWrite, CHistory::kMaxRecords, {}, error)
                        ->Apply(batch, skipped, error));
    };
    take(CHistoryDlg::kFirstScreen, 3);
    CHistory file(Path());
    { CHistoryDlg closed(m_app, file); } // closed while it reads: nothing waits for it
    CTeamSyncRunner team(file, TeamSettings()); // not set: the test sends its states
    CHistoryDlg dlg(m_app, file, nullptr, &team);
    dlg.FilterBox()->setText("no error code"); // typed before the older records are in
    EXPECT_TRUE(dlg.Model()->Shown().empty());
    EXPECT_FALSE(dlg.Control(IDC_HISTORY_EXPORT)->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg.Model()->Shown() == std::vector<int>{0}; }, 5000));
    EXPECT_TRUE(dlg.Control(IDC_HISTORY_EXPORT)->isEnabled());

    take(1, 1);
    TeamSyncState took;
    took.m_bTook = true;
    emit team.StateChanged(took);
    QCoreApplication::sendPostedEvents(&dlg, QEvent::MetaCall); // the window starts reading
    QThreadPool::globalInstance()->waitForDone();               // read, not yet taken
    HistoryError error;
    ASSERT_TRUE(file.Annotate(file.Records()[0].m_strId, "bay 9", {}, error));
    // Read again with the note, the filter over the records taken.
    const auto note = [&] { return dlg.Model()->data(dlg.Model()->index(1, CHistoryModel::kNote)).toString(); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return note() == "bay 9"; }, 5000)) << note().toStdString();
    const int newest = static_cast<int>(CHistoryDlg::kFirstScreen) + 2;
    EXPECT_EQ(dlg.Model()->Shown(), (std::vector<int>{newest, 0}));
    EXPECT_EQ(dlg.SelectedRecord(), newest);
}

TEST_F(CHistoryDlgTest, OpenShowsTheOlderResultAgainAndRecordsNothingNew)
{
    Keep({Diagnosed(1), Diagnosed(3)});
    // A platform that opens items on a single click.
    struct SingleClick : QProxyStyle {
        int styleHint(StyleHint hint, const QStyleOption* o, const QWidget* w, QStyleHintReturn* r) const override
        {
            return hint == SH_ItemView_ActivateItemOnSingleClick ? 1 : QProxyStyle::styleHint(hint, o, w, r);
        }
    };
    InHistory([](CHistoryDlg& dlg) {
        auto* style = new SingleClick;
        style->setParent(dlg.List()); // a widget does not own its style
        dlg.List()->setStyle(style);
        const QPoint row1 = dlg.List()->visualRect(dlg.Model()->index(1, 0)).center();
        QTest::mouseClick(dlg.List()->viewport(), Qt::LeftButton, {}, row1);
        EXPECT_TRUE(dlg.isVisible() && !dlg.Chosen()) << "a single click opened the record";
        QTest::mouseDClick(dlg.List()->viewport(), Qt::LeftButton, {}, row1);
    });
    CDarvellDlg& w = Window();
    EXPECT_EQ(w.CheckOf(IDC_ONE_UNIT), 1);
    EXPECT_EQ(w.Status().Code(0), 1);
    EXPECT_EQ(w.Text(IDC_EMITTER_MAIN), "No\nerror code");
    EXPECT_EQ(w.Diagnosis().CauseCount(), 4);
    EXPECT_EQ(w.Text(IDC_PAGE), "1 / 4");
    EXPECT_TRUE(w.BlinkTimer().isActive());
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(CHistory(Path()).Records().size(), 2u);
}

TEST_F(CHistoryDlgTest, NoteIsKeptInTheFileAndOpenedResultsReportIt)
{
    Keep({Diagnosed(3, {}, "Press 12 north"), Diagnosed(1)});
    InHistory([](CHistoryDlg& dlg) {
        WhenModalShown([](QWidget* w) {
            auto* note = w->findChild<QPlainTextEdit*>("note");
            auto* machine = w->findChild<QLineEdit*>("machine");
            ASSERT_TRUE(note && machine);
            note->setPlainText(QString(600, u'x'));
            EXPECT_EQ(note->toPlainText().size(), 500); // at most 500 characters
            note->setPlainText(QString::fromUtf8("Press 3,\n\"bay\" 4 — 新电缆"));
            machine->setText(QString(70, u'm'));
            EXPECT_EQ(machine->text().size(), 60);
            // Earlier machines are offered as one types.
            machine->completer()->setCompletionPrefix("NORTH");
            EXPECT_EQ(machine->completer()->currentCompletion(), "Press 12 north");
            machine->setText(QString::fromUtf8("二号线 Press 3"));
            static_cast<QDialog*>(w)->accept();
        });
        QTest::mouseClick(dlg.Control<QAbstractButton>(IDC_HISTORY_NOTE), Qt::LeftButton);
        EXPECT_EQ(dlg.Model()->data(dlg.Model()->index(0, CHistoryModel::kNote)).toString(),
                  QString::fromUtf8("Press 3, \"bay\" 4 — 新电缆")); // on one line
        EXPECT_EQ(dlg.Model()->data(dlg.Model()->index(0, CHistoryModel::kMachine)).toString(),
                  QString::fromUtf8("二号线 Press 3"));
        QTest::mouseClick(dlg.Control<QAbstractButton>(IDOK), Qt::LeftButton);
    });
    const HistoryRecord kept = CHistory(Path()).Records().at(1);
    EXPECT_EQ(kept.m_strNote, "Press 3,\n\"bay\" 4 — 新电缆");
    EXPECT_EQ(kept.m_strMachine, "二号线 Press 3");
    // The report of a record opened again: its own time, when it was opened, its note.
    Window().OnCopyReport();
    const QString report = QApplication::clipboard()->text();
    EXPECT_TRUE(report.contains(QString::fromUtf8("Machine: 二号线 Press 3\nNote: Press 3,\n\"bay\" 4 — 新电缆")))
        << report.toStdString();
    EXPECT_TRUE(report.contains(QString::fromStdString("diagnosis: " + history::WithoutMilliseconds(kept.m_strTime) + "\nOpened again: ")))
        << report.toStdString();
}

TEST_F(CHistoryDlgTest, DeleteAsksFirstExportSaysWhereAndANewerHistoryIsOnlyShown)
{
    Keep({Diagnosed(1, "=1+1", "=Press"), Diagnosed(3)});
    CHistory history(Path());
    {
        CHistoryDlg dlg(m_app, history);
        WhenModalShown([](QWidget* w) {
            auto* ask = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(ask, nullptr);
            EXPECT_EQ(static_cast<QAbstractButton*>(ask->defaultButton()), ask->button(QMessageBox::Cancel));
            for (QAbstractButton* b : ask->buttons())
                if (ask->buttonRole(b) == QMessageBox::DestructiveRole)
                    b->click();
        });
        dlg.OnDelete();
        EXPECT_EQ(dlg.Model()->rowCount(), 1);
        EXPECT_EQ(dlg.SelectedRecord(), 0);

        const QString file = QString::fromStdString(m_dir.Root()) + QStringLiteral("/导出.csv");
        m_app.m_strSaveFolder = m_dir.Root(); // the folder used last
        WhenModalShown([&](QWidget* w) {
            auto* ask = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(ask, nullptr);
            EXPECT_EQ(ask->directory().absolutePath(), QDir(QString::fromStdString(m_dir.Root())).absolutePath());
            ask->findChild<QLineEdit*>("fileNameEdit")->setText(QStringLiteral("导出.csv"));
            QMetaObject::invokeMethod(ask, "accept");
        });
        dlg.OnExport();
        EXPECT_TRUE(m_messages.empty());
        QFile exported(file);
        ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
        EXPECT_TRUE(exported.readAll().contains(",'=1+1,'=Press\r\n"));
        EXPECT_TRUE(dlg.StatusLine()->toolTip().contains(QStringLiteral("Exported to ") + QDir::toNativeSeparators(file)));
    }
    ASSERT_EQ(CHistory(Path()).Records().size(), 1u);

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path().c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA user_version = 3", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    CHistory newer(Path());
    CHistoryDlg dlg(m_app, newer);
    ASSERT_EQ(dlg.Model()->rowCount(), 1);
    EXPECT_EQ(dlg.Model()->data(dlg.Model()->index(0, 0), Qt::ForegroundRole).value<QColor>(), QColor(Qt::darkGray));
    EXPECT_TRUE(dlg.Control(IDOK)->isEnabled());
    EXPECT_FALSE(dlg.Control(IDC_HISTORY_NOTE)->isEnabled() || dlg.Control(IDC_HISTORY_DELETE)->isEnabled());
    EXPECT_TRUE(dlg.StatusLine()->toolTip().startsWith("No new records are kept: the history was made by a newer"))
        << dlg.StatusLine()->toolTip().toStdString();
}

TEST_F(CHistoryDlgTest, ResultsAreRecordedAndTheMenuSaysWhenTheyCannotBe)
{
    auto diagnose = [this] {
        Window().OnUnitsRadio(2);
        WhenModalShown([](QWidget* picker) {
            QTest::mouseClick(picker->findChild<QAbstractButton*>("1000"), Qt::LeftButton);
        });
        Window().OnEntryButton(0);
    };
    diagnose();
    WhenModalShown([](QWidget* add) { // both lamps unlit, a narrowed list
        for (int id : {IDC_INTERLOCK_OFF, IDC_HALT_OFF, IDOK})
            QTest::mouseClick(add->findChild<QAbstractButton*>(QString::number(id)), Qt::LeftButton);
    });
    Window().OnConditionAddition();
    const std::vector<HistoryRecord> kept = CHistory(Path()).Records();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].m_strCodes[0], "No error code");
    EXPECT_EQ(kept[0].m_nErrNos, (std::vector<int>{149, 150, 151, 152}));
    EXPECT_FALSE(kept[0].m_bNarrowed);
    EXPECT_TRUE(kept[1].m_bNarrowed && kept[1].m_nInterlock == 1 && kept[1].m_nHalt == 1);
    EXPECT_EQ(kept[1].m_nErrNos, std::vector<int>{150});
    EXPECT_EQ(Window().HistoryAction()->text(), "Diagnosis history…");

    // A record whose data now gives other causes: the message says so, the result shows.
    HistoryRecord changed = Diagnosed(1);
    changed.m_nErrNos = {7, 8};
    CMessageDlg::SetShowHookForTesting({});
    std::string said;
    WhenModalShown([&](QWidget* w) {
        auto* box = qobject_cast<CMessageDlg*>(w);
        ASSERT_NE(box, nullptr);
        said = box->Text(IDC_MESSAGE);
        box->OnOK();
    });
    Window().OpenRecord(changed);
    EXPECT_NE(said.find("Recorded: 7 8\nNow: 149 150 151 152"), std::string::npos) << said;
    EXPECT_EQ(Window().Diagnosis().CauseCount(), 4);

    // Another copy holds the history past the wait.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(Path().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    CMessageDlg::SetShowHookForTesting([this](int msg, int) { m_messages.push_back(msg); });
    diagnose();
    sqlite3_close(other);
    EXPECT_EQ(Window().Diagnosis().CauseCount(), 4);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(Window().HistoryAction()->text().startsWith("Diagnosis history… (history not kept: another copy"))
        << Window().HistoryAction()->text().toStdString();
}

} // namespace
