#include "dialogs/CHistoryDlg.h"

#include "data/AppState.h"
#include "data/CHistoryFile.h"
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
#include <QInputDialog>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

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

    std::string Path() const { return m_dir.PathOf("History.csv"); }

    // The record of a diagnosis of one unit, Main Sensor emitter code `code`.
    HistoryRecord Diagnosed(int code, std::string note = {})
    {
        AppState app = m_app;
        app.m_nUnitsIndex = 2;
        CEnteredStatus status(app);
        EXPECT_TRUE(status.Enter(0, code));
        CDiagnosis diag(app);
        EXPECT_FALSE(diag.Diagnose(status).has_value()) << code;
        HistoryRecord r = CHistoryEntry::Make(app, status, diag, false);
        r.m_strNote = std::move(note);
        return r;
    }
    void Keep(const std::vector<HistoryRecord>& records)
    {
        CHistoryFile file(Path());
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
    Keep({Diagnosed(1, "Press 3, bay 4"), Diagnosed(3, "二号线 冲床"), Diagnosed(1)});
    CHistoryFile file(Path());
    CHistoryDlg dlg(m_app, file);
    ASSERT_EQ(dlg.Model()->rowCount(), 3);
    EXPECT_EQ(dlg.SelectedRecord(), 2); // newest first, selected
    struct Case { const char* typed; std::vector<int> shown; };
    const Case cases[] = {
        {"", {2, 1, 0}},
        {"BAY", {0}},                  // note, case ignored
        {"冲床", {1}},                  // Chinese note
        {"no error code", {2, 0}},     // entered codes
        {"149 150", {2, 0}},           // causes
        {"emitter: 1", {1}},           // the side and the code "1"
        {"nothing like it", {}},
    };
    for (const Case& c : cases) {
        dlg.FilterBox()->clear();
        for (QChar ch : QString::fromUtf8(c.typed)) // typed key by key; the test's keyboard has no Chinese
            ch.unicode() < 128 ? QTest::keyClick(dlg.FilterBox(), ch.toLatin1()) : dlg.FilterBox()->insert(ch);
        EXPECT_EQ(dlg.Model()->Shown(), c.shown) << c.typed;
        EXPECT_EQ(dlg.SelectedRecord(), c.shown.empty() ? -1 : c.shown.front()) << c.typed;
    }
    dlg.FilterBox()->setText("bay");
    QTest::keyClick(dlg.FilterBox(), Qt::Key_Return);
    ASSERT_NE(dlg.Chosen(), nullptr);
    EXPECT_EQ(dlg.Chosen()->m_strNote, "Press 3, bay 4");
}

TEST_F(CHistoryDlgTest, OpenShowsTheOlderResultAgainAndRecordsNothingNew)
{
    Keep({Diagnosed(1), Diagnosed(3)});
    InHistory([](CHistoryDlg& dlg) {
        const QPoint row1 = dlg.List()->visualRect(dlg.Model()->index(1, 0)).center();
        QTest::mouseClick(dlg.List()->viewport(), Qt::LeftButton, {}, row1);
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
    EXPECT_EQ(CHistoryFile(Path()).Records().size(), 2u);
}

TEST_F(CHistoryDlgTest, NoteIsKeptInTheFileAndOpenedResultsReportIt)
{
    Keep({Diagnosed(1)});
    InHistory([](CHistoryDlg& dlg) {
        WhenModalShown([](QWidget* w) {
            auto* input = qobject_cast<QInputDialog*>(w);
            ASSERT_NE(input, nullptr);
            input->setTextValue(QString::fromUtf8("Press 3, \"bay\" 4 — 新电缆"));
            input->accept();
        });
        QTest::mouseClick(dlg.Control<QAbstractButton>(IDC_HISTORY_NOTE), Qt::LeftButton);
        EXPECT_EQ(dlg.Model()->data(dlg.Model()->index(0, CHistoryModel::kNote)).toString(),
                  QString::fromUtf8("Press 3, \"bay\" 4 — 新电缆"));
        QTest::mouseClick(dlg.Control<QAbstractButton>(IDOK), Qt::LeftButton);
    });
    EXPECT_EQ(CHistoryFile(Path()).Records().at(0).m_strNote, "Press 3, \"bay\" 4 — 新电缆");
    Window().OnCopyReport();
    EXPECT_TRUE(QApplication::clipboard()->text().contains(QString::fromUtf8("Note: Press 3, \"bay\" 4 — 新电缆")));
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
    const std::vector<HistoryRecord> kept = CHistoryFile(Path()).Records();
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

    ASSERT_TRUE(m_dir.Remove("History.csv"));
    ASSERT_TRUE(m_dir.MakeDir("History.csv")); // no longer a file that takes a line
    CMessageDlg::SetShowHookForTesting([this](int msg, int) { m_messages.push_back(msg); });
    diagnose();
    EXPECT_EQ(Window().Diagnosis().CauseCount(), 4);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(Window().HistoryAction()->text().startsWith("Diagnosis history… (history not kept: "))
        << Window().HistoryAction()->text().toStdString();
}

} // namespace
