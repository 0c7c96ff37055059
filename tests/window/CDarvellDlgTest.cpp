#include "data/AppState.h"
#include "data/ControlIds.h"
#include "data/COperateIni.h"
#include "data/DiagnosisTables.h"
#include "data/TextCatalogue.h"
#include "window/CDarvellDlg.h"
#include "diagnosis/CReport.h"
#include "dialogs/CMessageDlg.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseButtonR.h"
#include "bitmaps/CBmpData.h"
#include "draw/CTextBox.h"
#include "tests/support/ModalRunner.h"
#include "tests/support/PixelProbe.h"
#include "tests/support/TempDataDir.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

const QColor kGreen(135, 255, 135);
const QColor kWhite(255, 255, 255);

constexpr int kSub2Row[] = {IDC_EMITTER_SUB2, IDC_EMITTER_SUB2_LABEL, IDC_RECEIVER_SUB2, IDC_RECEIVER_SUB2_LABEL};
constexpr int kSub1Row[] = {IDC_EMITTER_SUB1, IDC_EMITTER_SUB1_LABEL, IDC_RECEIVER_SUB1, IDC_RECEIVER_SUB1_LABEL};
constexpr int kMainRow[] = {IDC_EMITTER_MAIN, IDC_EMITTER_MAIN_LABEL, IDC_RECEIVER_MAIN, IDC_RECEIVER_MAIN_LABEL};

// Records every paint event of a window and its children.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* window) : m_window(window) { qApp->installEventFilter(this); }
    ~PaintRecorder() override { qApp->removeEventFilter(this); }
    std::vector<std::pair<QWidget*, QRegion>> events;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        auto* w = qobject_cast<QWidget*>(o);
        if (e->type() == QEvent::Paint && w && (w == m_window || m_window->isAncestorOf(w)))
            events.emplace_back(w, static_cast<QPaintEvent*>(e)->region());
        return false;
    }

private:
    QWidget* m_window;
};

std::string FocusName(const QWidget& dlg)
{
    const QString name = dlg.focusWidget()->objectName();
    return name == QString::number(IDC_UP) ? "UP" : name == QString::number(IDC_DOWN) ? "DOWN" : name.toStdString();
}

class CDarvellDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.IsValid());
        ASSERT_TRUE(m_dir.CopySampleDir(DARVELL_BINARY_DIR "/QL7_Tool"));
        ASSERT_TRUE(CBmpData::LoadCodeBitmaps(m_bitmaps.m_hCodeBitmaps.data()));
        ASSERT_TRUE(CBmpData::LoadPictures(m_bitmaps));
        m_app.m_nLanguage = 1;
        m_app.m_nSeries = 0;
        m_app.m_bNonCjkSystem = 1;
        m_app.m_nDialogWidth = 1024;
        m_app.m_nDialogHeight = 768;
        m_app.m_strHelp[0] = "帮助文本";
        m_app.m_strHelp[1] = "Help text";
        CMessageDlg::SetShowHookForTesting([this](int msg, int) { m_messages.push_back(msg); });
    }
    void TearDown() override { CMessageDlg::SetShowHookForTesting({}); }

    // The main window, shown as a plain window so tests can click it.
    CDarvellDlg& Window()
    {
        if (!m_dlg) {
            m_dlg = std::make_unique<CDarvellDlg>(m_app, m_bitmaps);
            m_dlg->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(m_dlg.get()));
        }
        return *m_dlg;
    }

    void Click(int id)
    {
        QWidget* w = Window().Control(id);
        ASSERT_NE(w, nullptr) << id;
        QTest::mouseClick(w, Qt::LeftButton);
    }

    // Presses the entry button of slot and picks entry `code` (1..14) in the picker;
    // code 0 closes the picker with its cancel button instead.
    void Enter(int slot, int code)
    {
        bool picked = false;
        WhenModalShown([&](QWidget* picker) {
            ASSERT_NE(picker, nullptr);
            EXPECT_EQ(picker->objectName(), "CSelectDlg");
            auto* b = picker->findChild<QAbstractButton*>(QString::number(code ? 999 + code : 2),
                                                          Qt::FindDirectChildrenOnly);
            if (b && b->isEnabled() && b->isVisibleTo(picker)) {
                QTest::mouseClick(b, Qt::LeftButton);
                picked = true;
            } else {
                static_cast<QDialog*>(picker)->done(2); // never leave the test hanging
            }
        });
        Click(CDarvellDlg::EntryButtonId(slot));
        EXPECT_TRUE(picked) << "slot " << slot << " code " << code << " not offered";
    }

    // Opens the additional-conditions dialog and sets the lamps (true = lit);
    // ok false closes it with the close box.
    void Conditions(bool interlockLit, bool haltLit, bool ok = true)
    {
        WhenModalShown([=](QWidget* add) {
            ASSERT_NE(add, nullptr);
            EXPECT_EQ(add->objectName(), "CAddDlg");
            auto click = [add](int id) {
                QTest::mouseClick(add->findChild<QAbstractButton*>(QString::number(id)), Qt::LeftButton);
            };
            click(interlockLit ? IDC_INTERLOCK_ON : IDC_INTERLOCK_OFF);
            click(haltLit ? IDC_HALT_ON : IDC_HALT_OFF);
            if (ok)
                click(1);
            else
                add->close();
        });
        Click(IDC_CONDITIONS);
    }

    bool Shown(int id) { return !Window().Control(id)->isHidden(); }
    bool Enabled(int id) { return Window().Control(id)->isEnabled(); }
    std::string Text(int id) { return Window().Text(id); }

    std::vector<int> ErrorNumbers()
    {
        std::vector<int> v;
        for (const PossibleCause& c : Window().Diagnosis().Causes())
            v.push_back(c.m_nErrNo);
        return v;
    }

    void ExpectIdle()
    {
        for (int slot = 0; slot < 6; ++slot) {
            const int id = CDarvellDlg::EntryButtonId(slot);
            EXPECT_EQ(Enabled(id), slot == 0 || slot == 3) << id;
            EXPECT_EQ(Text(id), g_strClick[m_app.m_nLanguage]) << id;
            EXPECT_EQ(Window().Status().Code(slot), 0);
        }
        for (int id : {IDC_COUNT, IDC_COUNT_CAPTION, IDC_PAGE, IDC_DOWN, IDC_UP, IDC_CONDITIONS})
            EXPECT_FALSE(Shown(id)) << id;
        EXPECT_FALSE(Enabled(IDC_DOWN));
        EXPECT_FALSE(Enabled(IDC_UP));
        EXPECT_EQ(Text(IDC_COUNT), "");
        EXPECT_EQ(Text(IDC_PAGE), "");
        EXPECT_EQ(Text(IDC_TEXTBOX), m_app.m_strHelp[m_app.m_nLanguage]);
        EXPECT_FALSE(Window().BlinkTimer().isActive());
        EXPECT_EQ(Window().Diagnosis().CauseCount(), 0);
    }

    TempDataDir m_dir;
    AppState m_app;
    Bitmaps m_bitmaps;
    std::vector<int> m_messages;
    std::unique_ptr<CDarvellDlg> m_dlg;
};

TEST_F(CDarvellDlgTest, StartsIdleWithThreeUnitsAtTheTopLeft)
{
    for (int lang : {0, 1}) {
        m_app.m_nLanguage = lang;
        m_app.m_nUnitsIndex = 2; // the window starts with three units whatever came before
        m_dlg.reset();
        CDarvellDlg& dlg = Window();
        EXPECT_EQ(m_app.m_nUnitsIndex, 0);
        EXPECT_EQ(dlg.Control<CBaseButtonR>(IDC_THREE_UNITS)->GetCheck(), 1);
        EXPECT_EQ(dlg.Control<CBaseButtonR>(IDC_TWO_UNITS)->GetCheck(), 0);
        EXPECT_EQ(dlg.Control<CBaseButtonR>(IDC_ONE_UNIT)->GetCheck(), 0);
        for (const auto* row : {kMainRow, kSub1Row, kSub2Row})
            for (int i = 0; i < 4; ++i)
                EXPECT_TRUE(Shown(row[i])) << row[i];
        ExpectIdle();
        EXPECT_EQ(dlg.windowTitle(), "Darvell");
        EXPECT_EQ(Text(IDC_THREE_UNITS), g_strThreeUnits[lang]);
        EXPECT_EQ(Text(IDC_EMITTER_MAIN_LABEL), g_strEmitterMain[lang]);
        EXPECT_EQ(Text(IDC_STEP3), g_strStep3[lang]);
        EXPECT_EQ(Text(IDC_SERIES), "QL7B series");
        EXPECT_EQ(Text(IDC_CONDITIONS), g_strAddConditions[lang]);
        EXPECT_EQ(dlg.pos(), QPoint(0, 0));
        EXPECT_EQ(dlg.size(), QSize(1024, 768));
        EXPECT_EQ(dlg.PictureRect(), QRect(418, 136, 188, 325));
        EXPECT_EQ(dlg.PictureOrigin(), QPoint(418, 136));
    }
}

TEST_F(CDarvellDlgTest, ShorterWindowFromTheSettings)
{
    m_app.m_nDialogHeight = 736;
    EXPECT_EQ(Window().size(), QSize(1024, 736));
    EXPECT_EQ(Window().PictureRect(), QRect(418, 136, 188, 325));
    // Every control still lies inside the client area.
    for (QWidget* w : Window().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->isWindow()) {
            EXPECT_TRUE(Window().rect().contains(w->geometry())) << w->objectName().toStdString();
        }
    }
}

TEST_F(CDarvellDlgTest, UnitRadiosShowTheConnectedRowsOnly)
{
    struct Case { int radio; int index; bool sub1; bool sub2; };
    for (const Case c : {Case{IDC_ONE_UNIT, 2, false, false}, Case{IDC_TWO_UNITS, 1, true, false},
                         Case{IDC_THREE_UNITS, 0, true, true}}) {
        Click(c.radio);
        EXPECT_EQ(m_app.m_nUnitsIndex, c.index);
        for (int r : {IDC_THREE_UNITS, IDC_TWO_UNITS, IDC_ONE_UNIT})
            EXPECT_EQ(Window().Control<CBaseButtonR>(r)->GetCheck(), r == c.radio ? 1 : 0);
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(Shown(kMainRow[i]));
            EXPECT_EQ(Shown(kSub1Row[i]), c.sub1) << kSub1Row[i];
            EXPECT_EQ(Shown(kSub2Row[i]), c.sub2) << kSub2Row[i];
        }
        ExpectIdle();
    }
}

TEST_F(CDarvellDlgTest, CheckedRadioStillResetsTheEntry)
{
    Enter(0, 2);
    ASSERT_EQ(Window().Status().Code(0), 2);
    Click(IDC_THREE_UNITS); // already checked
    EXPECT_EQ(Window().Control<CBaseButtonR>(IDC_THREE_UNITS)->GetCheck(), 1);
    EXPECT_EQ(m_app.m_nUnitsIndex, 0);
    ExpectIdle();
}

TEST_F(CDarvellDlgTest, MainCodeLocksTheOtherSideOut)
{
    Enter(0, 2); // "1"
    EXPECT_FALSE(Enabled(IDC_RECEIVER_MAIN));
    EXPECT_EQ(Text(IDC_RECEIVER_MAIN), "Click");
    EXPECT_FALSE(Enabled(IDC_EMITTER_MAIN));
    EXPECT_EQ(Text(IDC_EMITTER_MAIN), "1");
    EXPECT_TRUE(Enabled(IDC_EMITTER_SUB1));
    EXPECT_EQ(Window().focusWidget(), Window().Control(IDC_EMITTER_SUB1));
    EXPECT_FALSE(Enabled(IDC_EMITTER_SUB2));
    EXPECT_FALSE(Shown(IDC_PAGE));
    // The chosen code shows black on white; the locked-out button stays all black.
    const QImage entered = Render(*Window().Control(IDC_EMITTER_MAIN));
    const QImage locked = Render(*Window().Control(IDC_RECEIVER_MAIN));
    EXPECT_GT(CountColour(entered, entered.rect(), kWhite), entered.width() * entered.height() / 2);
    EXPECT_EQ(CountColour(locked, locked.rect().adjusted(3, 3, -3, -3), kWhite), 0);

    Click(IDC_CLEAR);
    Enter(3, 1);
    EXPECT_FALSE(Enabled(IDC_EMITTER_MAIN));
    EXPECT_EQ(Text(IDC_EMITTER_MAIN), "Click");
    EXPECT_EQ(Text(IDC_RECEIVER_MAIN), "No\nerror code");
    EXPECT_TRUE(Enabled(IDC_RECEIVER_SUB1));
    Enter(4, 1);
    EXPECT_TRUE(Enabled(IDC_RECEIVER_SUB2));
    EXPECT_EQ(Window().focusWidget(), Window().Control(IDC_RECEIVER_SUB2));
}

TEST_F(CDarvellDlgTest, PickerClosedWithoutAChoiceChangesNothing)
{
    Enter(0, 0);
    ExpectIdle();
    Enter(0, 1);
    Enter(1, 0);
    EXPECT_TRUE(Enabled(IDC_EMITTER_SUB1));
    EXPECT_EQ(Text(IDC_EMITTER_SUB1), "Click");
    EXPECT_EQ(Window().Status().Code(1), 0);
    EXPECT_EQ(Text(IDC_EMITTER_MAIN), "No\nerror code");
}

TEST_F(CDarvellDlgTest, OneUnitNoErrorCodeShowsTheFirstOfFourPagesInEitherLanguage)
{
    m_app.m_nLanguage = 0;
    Click(IDC_ONE_UNIT);
    Enter(0, 1);
    std::string cause, remedy;
    ASSERT_TRUE(COperateIni(m_app, 2).ReadCauseRemedy(149, remedy, cause, 1));
    EXPECT_EQ(Text(IDC_TEXTBOX), "* 原因\n" + cause + "\n* 处理方法\n" + remedy);
    EXPECT_EQ(Text(IDC_COUNT_CAPTION), "可能是个别异常");

    m_app.m_nLanguage = 1;
    m_dlg.reset();
    Click(IDC_ONE_UNIT);
    Enter(0, 1);
    EXPECT_EQ(ErrorNumbers(), (std::vector<int>{149, 150, 151, 152}));
    EXPECT_EQ(Text(IDC_COUNT), "4");
    EXPECT_EQ(Text(IDC_PAGE), "1 / 4");
    for (int id : {IDC_COUNT, IDC_COUNT_CAPTION, IDC_PAGE, IDC_DOWN, IDC_UP, IDC_CONDITIONS})
        EXPECT_TRUE(Shown(id)) << id;
    EXPECT_FALSE(Enabled(IDC_UP));
    EXPECT_TRUE(Enabled(IDC_DOWN));
    for (int slot = 0; slot < 6; ++slot)
        EXPECT_FALSE(Enabled(CDarvellDlg::EntryButtonId(slot)));
    EXPECT_TRUE(Window().BlinkTimer().isActive());
    EXPECT_EQ(Window().BlinkTimer().interval(), 500);
    EXPECT_TRUE(m_messages.empty());

    ASSERT_TRUE(COperateIni(m_app, 2).ReadCauseRemedy(149, remedy, cause, 1));
    ASSERT_FALSE(cause.empty());
    EXPECT_EQ(Text(IDC_TEXTBOX), "* Cause\n" + cause + "\n* Remedy\n" + remedy);
    EXPECT_NE(Text(IDC_TEXTBOX).back(), '\n');
}

// The Enter that closed the picker, pressed again, must not wipe the result.
TEST_F(CDarvellDlgTest, FocusAfterAResultRestsWhereNoKeyClearsIt)
{
    const struct {
        int code;
        const char* focus;
        const char* pageAfterKeys; // Enter, Enter, Space
    } cases[] = {{1, "DOWN", "4 / 4"}, {2, "TextBox", "1 / 1"}};
    for (const auto& c : cases) {
        Click(IDC_ONE_UNIT);
        Enter(0, c.code);
        EXPECT_EQ(FocusName(Window()), c.focus) << c.code;
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})
            QTest::keyClick(Window().focusWidget(), key);
        EXPECT_EQ(Text(IDC_PAGE), c.pageAfterKeys) << c.code;
        EXPECT_GT(Window().Diagnosis().CauseCount(), 0) << c.code;
    }
    // CLEAR still clears by keyboard once the user puts the focus there.
    Window().Control(IDC_CLEAR)->setFocus();
    QTest::keyClick(Window().focusWidget(), Qt::Key_Return);
    ExpectIdle();
}

// The lamp conditions narrow the list (closed without OK they change nothing);
// a list of one entry has no UP, DOWN or conditions.
TEST_F(CDarvellDlgTest, LampFilterNarrowsTheList)
{
    struct Case { int code; int lamps; bool conditionsShown; std::vector<int> errNos; const char* page; };
    enum { kNone = -1, kInterlock = 1, kHalt = 2, kNoOk = 4 };
    const Case cases[] = {
        {1, 0, false, {150}, "1 / 1"},
        {1, kHalt, false, {151}, "1 / 1"},
        {1, kInterlock, false, {152}, "1 / 1"},
        {1, kInterlock | kHalt, false, {151, 152}, "1 / 2"},
        {1, kInterlock | kHalt | kNoOk, true, {149, 150, 151, 152}, "1 / 4"},
        {2, kNone, false, {155}, "1 / 1"},
    };
    for (const Case& c : cases) {
        Click(IDC_ONE_UNIT);
        Enter(0, c.code);
        if (c.lamps != kNone)
            Conditions(c.lamps & kInterlock, c.lamps & kHalt, !(c.lamps & kNoOk));
        EXPECT_EQ(ErrorNumbers(), c.errNos) << c.code << " " << c.lamps;
        EXPECT_EQ(Text(IDC_PAGE), c.page);
        EXPECT_EQ(Text(IDC_COUNT), std::to_string(c.errNos.size()));
        EXPECT_EQ(Shown(IDC_CONDITIONS), c.conditionsShown);
        const bool paging = c.errNos.size() > 1;
        EXPECT_EQ(Shown(IDC_DOWN), paging);
        EXPECT_EQ(Shown(IDC_UP), paging);
        EXPECT_EQ(Enabled(IDC_DOWN), paging);
        EXPECT_FALSE(Enabled(IDC_UP));
        std::string cause, remedy;
        ASSERT_TRUE(COperateIni(m_app, 2).ReadCauseRemedy(c.errNos[0], remedy, cause, 1));
        EXPECT_EQ(Text(IDC_TEXTBOX), "* Cause\n" + cause + "\n* Remedy\n" + remedy);
        EXPECT_TRUE(Window().BlinkTimer().isActive());
    }
}

TEST_F(CDarvellDlgTest, PagingUpAndDownAndTheEnds)
{
    Click(IDC_ONE_UNIT);
    Enter(0, 1);
    CDarvellDlg& dlg = Window();
    const std::string first = Text(IDC_TEXTBOX);

    // UP on the first page: same page, blink back to phase 0.
    QSignalSpy tick(&dlg.BlinkTimer(), &QTimer::timeout);
    ASSERT_TRUE(tick.wait(1500));
    ASSERT_EQ(dlg.Diagnosis().BlinkPhase(), 1);
    dlg.OnUp();
    EXPECT_EQ(Text(IDC_PAGE), "1 / 4");
    EXPECT_EQ(Text(IDC_TEXTBOX), first);
    EXPECT_EQ(dlg.Diagnosis().BlinkPhase(), 0);
    EXPECT_TRUE(dlg.BlinkTimer().isActive());
    EXPECT_FALSE(Enabled(IDC_UP));

    for (const char* page : {"2 / 4", "3 / 4", "4 / 4"}) {
        Click(IDC_DOWN);
        EXPECT_EQ(Text(IDC_PAGE), page);
        EXPECT_TRUE(Enabled(IDC_UP));
    }
    EXPECT_FALSE(Enabled(IDC_DOWN));
    EXPECT_NE(Text(IDC_TEXTBOX), first);

    // DOWN on the last page: same page, blink restarted.
    ASSERT_TRUE(tick.wait(1500));
    ASSERT_EQ(dlg.Diagnosis().BlinkPhase(), 1);
    const std::string last = Text(IDC_TEXTBOX);
    dlg.OnDown();
    EXPECT_EQ(Text(IDC_PAGE), "4 / 4");
    EXPECT_EQ(Text(IDC_TEXTBOX), last);
    EXPECT_EQ(dlg.Diagnosis().BlinkPhase(), 0);

    for (const char* page : {"3 / 4", "2 / 4", "1 / 4"}) {
        Click(IDC_UP);
        EXPECT_EQ(Text(IDC_PAGE), page);
        EXPECT_TRUE(Enabled(IDC_DOWN));
    }
    EXPECT_FALSE(Enabled(IDC_UP));
    EXPECT_EQ(Text(IDC_TEXTBOX), first);
}

// Writes the sample file of the one-unit English emitter list without one section.
std::string WithoutSection(const std::string& text, const std::string& section)
{
    const std::string head = "[" + section + "]";
    const size_t at = text.find(head);
    if (at == std::string::npos)
        return text;
    const size_t next = text.find("\n[", at);
    return text.substr(0, at) + (next == std::string::npos ? "" : text.substr(next + 1));
}

TEST_F(CDarvellDlgTest, DiagnosisFailuresResetTheEntryAndExplain)
{
    const std::string original = m_dir.Read("QL7BE.ini");
    ASSERT_NE(original.find("[1LINEE151]"), std::string::npos);
    struct Case { const char* what; std::string file; bool present; int msg; };
    const Case cases[] = {
        {"section missing", WithoutSection(original, "1LINEE151"), true, 2},
        {"file missing", "", false, 1},
    };
    for (const Case& c : cases) {
        m_messages.clear();
        if (c.present)
            ASSERT_TRUE(m_dir.Write("QL7BE.ini", c.file));
        else
            ASSERT_TRUE(m_dir.Remove("QL7BE.ini"));
        Click(IDC_ONE_UNIT);
        Enter(0, 1);
        EXPECT_EQ(m_messages, std::vector<int>{c.msg}) << c.what;
        ExpectIdle();
        EXPECT_EQ(m_app.m_nUnitsIndex, 2); // the unit count survives the failure
        EXPECT_FALSE(Shown(IDC_EMITTER_SUB1));
    }
    // With the file back the same entry works again.
    ASSERT_TRUE(m_dir.Write("QL7BE.ini", original));
    Enter(0, 1);
    EXPECT_EQ(Text(IDC_PAGE), "1 / 4");
}

TEST_F(CDarvellDlgTest, SettingsExitEndsTheWindowAndOkReloads)
{
    // EXIT on the settings screen ends the main window with IDCANCEL.
    {
        CDarvellDlg dlg(m_app, m_bitmaps);
        WhenModalShown([&](QWidget* main) {
            ASSERT_EQ(main, &dlg);
            WhenModalShown([](QWidget* settings) {
                ASSERT_NE(settings, nullptr);
                EXPECT_EQ(settings->objectName(), "CSetDlg");
                QTest::mouseClick(settings->findChild<QAbstractButton*>("2"), Qt::LeftButton);
            });
            QTest::mouseClick(dlg.Control(IDC_SETTINGS), Qt::LeftButton);
        });
        EXPECT_EQ(dlg.DoModal(), CTemplateDialog::IDCANCEL);
        EXPECT_FALSE(dlg.BlinkTimer().isActive());
    }
    // OK after choosing Chinese: the window stays, reset, in the new language.
    Click(IDC_ONE_UNIT);
    Enter(0, 1);
    WhenModalShown([](QWidget* settings) {
        ASSERT_NE(settings, nullptr);
        QTest::mouseClick(settings->findChild<QAbstractButton*>(QString::number(IDC_CHINESE)), Qt::LeftButton);
        QTest::mouseClick(settings->findChild<QAbstractButton*>("1"), Qt::LeftButton);
    });
    Click(IDC_SETTINGS);
    EXPECT_TRUE(Window().isVisible());
    EXPECT_EQ(m_app.m_nLanguage, 0);
    ExpectIdle();
    EXPECT_EQ(Text(IDC_EMITTER_MAIN_LABEL), "主传感器");
    EXPECT_EQ(Text(IDC_CLEAR), "CLEAR");
    EXPECT_EQ(m_app.m_nUnitsIndex, 2);
}

TEST_F(CDarvellDlgTest, CountAndPageAreWhiteBoxesOnGreen)
{
    Click(IDC_ONE_UNIT);
    Enter(0, 1);
    const QImage shot = Render(Window());
    auto area = [&](int id) { // the text box's label sits inside a frame
        const QWidget* w = Window().Control(id);
        return QRect(w->mapTo(&Window(), QPoint()), w->size()).adjusted(2, 2, -2, -2);
    };
    auto pixels = [](const QRect& r) { return r.width() * r.height(); };
    for (int id : {IDC_COUNT, IDC_PAGE, IDC_TEXTBOX}) {
        EXPECT_GT(CountColour(shot, area(id), kWhite), pixels(area(id)) / 2) << id;
        EXPECT_EQ(CountColour(shot, area(id), kGreen), 0) << id;
    }
    for (int id : {IDC_COUNT_CAPTION, IDC_STEP1, IDC_EMITTER_MAIN_LABEL, IDC_RESET_NOTE}) {
        EXPECT_GT(CountColour(shot, area(id), kGreen), pixels(area(id)) / 3) << id;
        EXPECT_EQ(CountColour(shot, area(id), kWhite), 0) << id;
    }
}

// The picture as the window should draw it: tiles of row at the picture origin.
QImage ExpectedPicture(const Bitmaps& bitmaps, const PictureRow& row, const QSize& size, QPoint origin)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(kGreen);
    QPainter p(&img);
    DrawPictureRow(p, bitmaps, row, origin.x(), origin.y());
    return img;
}

TEST_F(CDarvellDlgTest, PictureShowsTheBaseRowWhenIdleAndTheLogo)
{
    for (int radio : {IDC_THREE_UNITS, IDC_TWO_UNITS, IDC_ONE_UNIT}) {
        Click(radio);
        PictureRow base;
        GetBaseRow(m_app.m_nUnitsIndex, base);
        const QRect pic = Window().PictureRect();
        const QImage shot = Render(Window()).copy(pic);
        const QImage want =
            ExpectedPicture(m_bitmaps, base, Window().size(), Window().PictureOrigin()).copy(pic);
        EXPECT_EQ(DifferingPixels(shot, want), 0) << radio;
    }
    const QImage shot = Render(Window());
    const QImage logo = m_bitmaps.m_hLogoBitmap.toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(DifferingPixels(shot.copy(QRect(QPoint(1024 - 125, 2), logo.size())), logo), 0);
}

TEST_F(CDarvellDlgTest, BlinkFlipsThePhaseAndRepaintsOnlyThePicture)
{
    Click(IDC_ONE_UNIT);
    Enter(0, 1);
    Click(IDC_DOWN); // page 1 (error 149) is the healthy picture itself; page 2 blinks
    ASSERT_EQ(Text(IDC_PAGE), "2 / 4");
    CDarvellDlg& dlg = Window();
    QTest::qWait(50); // let the repaints of the paging itself settle
    const QRect pic = dlg.PictureRect();
    const QImage phase0 = Render(dlg);
    const PossibleCause first = dlg.Diagnosis().Causes()[1];
    EXPECT_EQ(DifferingPixels(phase0.copy(pic),
                              ExpectedPicture(m_bitmaps, first.m_strErrorRow, dlg.size(), dlg.PictureOrigin()).copy(pic)),
              0);

    PaintRecorder paints(&dlg);
    QSignalSpy tick(&dlg.BlinkTimer(), &QTimer::timeout);
    ASSERT_TRUE(tick.wait(1500));
    EXPECT_EQ(dlg.Diagnosis().BlinkPhase(), 1);
    QTest::qWait(50);
    ASSERT_FALSE(paints.events.empty());
    for (const auto& [widget, region] : paints.events) {
        EXPECT_EQ(widget, &dlg) << widget->objectName().toStdString();
        EXPECT_TRUE(QRegion(pic).contains(region.boundingRect())) << "repainted outside the picture";
    }

    // Phase 1 is the healthy picture; the two grabs differ inside the picture only.
    const QImage phase1 = Render(dlg);
    EXPECT_EQ(DifferingPixels(phase1.copy(pic),
                              ExpectedPicture(m_bitmaps, first.m_strBaseRow, dlg.size(), dlg.PictureOrigin()).copy(pic)),
              0);
    QImage outside0 = phase0, outside1 = phase1;
    {
        QPainter a(&outside0), b(&outside1);
        a.fillRect(pic, Qt::black);
        b.fillRect(pic, Qt::black);
    }
    EXPECT_EQ(DifferingPixels(outside0, outside1), 0);
    EXPECT_GT(DifferingPixels(phase0.copy(pic), phase1.copy(pic)), 0);

    // CLEAR ends the diagnosis and the blink, and keeps the unit count.
    Click(IDC_CLEAR);
    ExpectIdle();
    EXPECT_EQ(dlg.Diagnosis().BlinkPhase(), 0);
    EXPECT_EQ(m_app.m_nUnitsIndex, 2);
}

TEST_F(CDarvellDlgTest, WindowMenuOpensByRightClickOrAltSpaceAndOpensTheAboutBox)
{
    CDarvellDlg& dlg = Window();
    QMenu* menu = dlg.WindowMenu();
    ASSERT_NE(menu, nullptr);
    // Right-click on the background, away from every control, and Alt+Space.
    QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(700, 40), dlg.mapToGlobal(QPoint(700, 40)));
    QApplication::sendEvent(&dlg, &right);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    dlg.activateWindow();
    QTest::keyClick(&dlg, Qt::Key_Space, Qt::AltModifier);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();

    ASSERT_EQ(menu->actions().size(), 8); // About, a separator, the three report commands, a separator, the history, the team server
    QAction* about = menu->actions().front();
    EXPECT_EQ(about->text().toStdString(), g_strAboutMenuItem);
    QString opened;
    WhenModalShown([&](QWidget* box) {
        ASSERT_NE(box, nullptr);
        opened = box->objectName();
        QTest::mouseClick(box->findChild<QAbstractButton*>("1"), Qt::LeftButton);
    });
    about->trigger();
    EXPECT_EQ(opened, "CAboutDlg");
    WhenModalShown([&](QWidget* box) {
        ASSERT_NE(box, nullptr);
        opened = box->objectName();
        QTest::mouseClick(box->findChild<QAbstractButton*>("2"), Qt::LeftButton); // Cancel
    });
    dlg.TeamAction()->trigger();
    EXPECT_EQ(opened, "CTeamDlg");
    ExpectIdle();
}

// The report commands work only while a result is shown (the end-to-end run
// checks them again after CLEAR); Copy, by its shortcut, puts the report's
// text on the clipboard.
TEST_F(CDarvellDlgTest, ReportCommandsFollowTheResult)
{
    CDarvellDlg& dlg = Window();
    const auto enabled = [&dlg] {
        return int(dlg.PrintAction()->isEnabled()) + dlg.SavePdfAction()->isEnabled() + dlg.CopyAction()->isEnabled();
    };
    EXPECT_EQ(enabled(), 0);
    Click(IDC_ONE_UNIT);
    Enter(0, 1);
    EXPECT_EQ(enabled(), 3);
    QApplication::clipboard()->clear();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(&dlg, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              CReport::Build(m_app, dlg.Status(), dlg.Diagnosis()).PlainText());
    // A print that cannot start is told in the message box, as a failed save is.
    QPrinter printer;
    printer.setOutputFileName(QString::fromStdString(m_dir.PathOf("no-such-folder/report.pdf")));
    EXPECT_FALSE(dlg.PrintReport(printer));
    EXPECT_EQ(m_messages, std::vector<int>{-1});
}

// Every key of the one-unit tables of both sides, entered through the window,
// lists exactly the rows of the table that carry that key.
TEST_F(CDarvellDlgTest, EveryOneUnitEntryListsItsMatchingRows)
{
    Click(IDC_ONE_UNIT);
    int walked = 0;
    for (int side : {1, 2}) {
        const DiagTable table = GetDiagTable(0, 2, side);
        std::set<int> codes;
        for (int i = 0; i < table.count; ++i)
            codes.insert(table.rows[i].m_nCode[side == 1 ? 0 : 3]);
        for (int code : codes) {
            Click(IDC_CLEAR);
            Enter(side == 1 ? 0 : 3, code);
            std::vector<int> want;
            for (int i = 0; i < table.count; ++i)
                if (table.rows[i].m_nCode[side == 1 ? 0 : 3] == code)
                    want.push_back(table.rows[i].m_nErrNo);
            EXPECT_EQ(ErrorNumbers(), want) << "side " << side << " code " << code;
            EXPECT_EQ(Text(IDC_COUNT), std::to_string(want.size()));
            EXPECT_EQ(Text(IDC_PAGE), "1 / " + std::to_string(want.size()));
            ++walked;
        }
    }
    EXPECT_EQ(walked, 13 + 12);
    EXPECT_TRUE(m_messages.empty());
}

// The same for the two-unit receiver table: every Main Sensor code, then every
// Sub Sensor 1 code the picker offers for it.
TEST_F(CDarvellDlgTest, EveryTwoUnitReceiverEntryListsItsMatchingRows)
{
    Click(IDC_TWO_UNITS);
    const DiagTable table = GetDiagTable(0, 1, 2);
    std::set<std::pair<int, int>> keys;
    for (int i = 0; i < table.count; ++i)
        keys.insert({table.rows[i].m_nCode[3], table.rows[i].m_nCode[4]});
    size_t rows = 0;
    for (const auto& [main, sub1] : keys) {
        Click(IDC_CLEAR);
        Enter(3, main);
        Enter(4, sub1);
        std::vector<int> want;
        for (int i = 0; i < table.count; ++i)
            if (table.rows[i].m_nCode[3] == main && table.rows[i].m_nCode[4] == sub1)
                want.push_back(table.rows[i].m_nErrNo);
        EXPECT_EQ(ErrorNumbers(), want) << main << "." << sub1;
        rows += want.size();
    }
    EXPECT_EQ(rows, size_t(table.count));
    EXPECT_TRUE(m_messages.empty());
}

// Lowest row, plus one, that the text's glyphs (and underline) cover when drawn
// from the top of a tall image.
int InkBottom(const QFont& font, const QString& text)
{
    QImage img(1200, 120, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(img.rect(), Qt::AlignLeft | Qt::AlignTop, text);
    }
    for (int y = img.height() - 1; y >= 0; --y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != QColor(Qt::white).rgb())
                return y + 1;
    return 0;
}

// Every visible label and button text fits its control: none is cut off.
void ExpectTextsFit(CDarvellDlg& dlg, const std::string& state)
{
    for (QWidget* w : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->isHidden())
            continue;
        QString text;
        auto* label = qobject_cast<QLabel*>(w);
        if (label)
            text = label->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            text = b->text();
        if (text.isEmpty())
            continue;
        const QRect room = w->contentsRect();
        const QFontMetrics fm(w->font());
        const std::string what = state + ": " + w->objectName().toStdString() + " " + text.toStdString();
        if (label && !text.contains('\n') && fm.horizontalAdvance(text) <= room.width()) {
            EXPECT_LE(InkBottom(w->font(), text), room.height()) << what;
            continue;
        }
        const QRect need = fm.boundingRect(room, Qt::TextWordWrap | Qt::AlignHCenter, text);
        EXPECT_LE(need.height(), room.height()) << what;
        EXPECT_LE(need.width(), room.width()) << what;
    }
    // The text box as drawn: its last line keeps clear of the bottom edge, so
    // no line is cut off (a cut line's ink runs into the last row).
    if (auto* box = dlg.findChild<QLabel*>(QString::number(IDC_TEXTBOX)); box && !box->isHidden()) {
        const QImage image = box->grab().toImage();
        const QRect inside = box->contentsRect();
        int lowest = -1;
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x)
                if (image.pixelColor(x, y) != QColor(Qt::white))
                    lowest = y;
        EXPECT_LT(lowest, inside.bottom() - 1) << state << ": the text box's last line is cut off";
    }
    // ... and no two visible controls overlap.
    const QList<QWidget*> all = dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (int i = 0; i < all.size(); ++i) {
        for (int j = i + 1; j < all.size(); ++j) {
            if (all[i]->isHidden() || all[j]->isHidden() || all[i]->isWindow() || all[j]->isWindow())
                continue;
            EXPECT_FALSE(all[i]->geometry().intersects(all[j]->geometry()))
                << state << ": " << all[i]->objectName().toStdString() << " overlaps "
                << all[j]->objectName().toStdString();
        }
    }
}

} // namespace

// Idle, entering and both blink phases of a result in both languages: every
// text fits. With DARVELL_SHOT_DIR set, each state is also saved for a look.
TEST_F(CDarvellDlgTest, EveryStateInBothLanguagesFitsItsTexts)
{
    const QString shotDir = qEnvironmentVariable("DARVELL_SHOT_DIR");
    for (int lang : {0, 1}) {
        m_app.m_nLanguage = lang;
        m_dlg.reset();
        CDarvellDlg& dlg = Window();
        const std::string prefix = lang == 0 ? "zh" : "en";
        auto shot = [&](const std::string& state) {
            ExpectTextsFit(dlg, prefix + "-" + state);
            if (!shotDir.isEmpty())
                Render(dlg).save(shotDir + "/" + QString::fromStdString(prefix + "-" + state) + ".png");
        };
        shot("1-idle");
        Enter(0, 2);
        shot("2-entering");
        Click(IDC_CLEAR);
        Click(IDC_ONE_UNIT);
        Enter(0, 2); // "0": one cause, its picture blinks from the first page
        ASSERT_EQ(dlg.Diagnosis().CauseCount(), 1);
        shot("3-results-phase0");
        QSignalSpy tick(&dlg.BlinkTimer(), &QTimer::timeout);
        ASSERT_TRUE(tick.wait(1500));
        ASSERT_EQ(dlg.Diagnosis().BlinkPhase(), 1);
        shot("4-results-phase1");
        Click(IDC_CLEAR);
        Click(IDC_ONE_UNIT);
        Enter(0, 1); // four causes with the lamp conditions offered
        shot("5-results-paged");
        Click(IDC_DOWN); // the longest page: its texts carry the lamp states
        shot("6-results-page2");
    }
}

// The focused control: UP and DOWN by name, any other by its object name.
// A page near the read limit keeps the box's font and scrolls; Page Down/Up
// scroll the box first and then page; Enter past the last page and the
// conditions leave the focus where Enter keeps the result; Ctrl+C copies.
TEST_F(CDarvellDlgTest, LongPagesScrollAndNoKeyDestroysTheResult)
{
    std::string file = m_dir.Read("QL7BE.ini"), text;
    for (int i = 0; i < 19; ++i) // 988 bytes
        text += "Check the wiring, mounting and supply of the unit.\\n";
    const size_t at = file.find("ca=", file.find("[1LINEE149]"));
    file.replace(at, file.find("\r\n[", at) - at, "ca=" + text + "\r\nre=" + text + "LAST LINE\r\n");
    ASSERT_TRUE(m_dir.Write("QL7BE.ini", file));
    Click(IDC_ONE_UNIT);
    Enter(0, 1);
    CDarvellDlg& dlg = Window();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg)); // for the Ctrl+C shortcut
    QScrollBar* bar = dlg.TextBox()->verticalScrollBar();
    EXPECT_EQ(dlg.TextBox()->Label()->font(), dlg.Control(IDC_EMITTER)->font()); // the small labels' font
    // Page, focus, and the box scrolled to its top (-1), its end (1, the last line shown) or between.
    // Keypad keys (Num Lock off) page alike; the first page's Page Up keeps the
    // box where it is; Page Up from the top of a page opens the previous one at its end.
    const Qt::KeyboardModifier pad = Qt::KeypadModifier, none = Qt::NoModifier;
    const std::tuple<int, Qt::Key, Qt::KeyboardModifier, const char*> steps[] = {
        {IDC_TEXTBOX, Qt::Key_PageDown, none, "1 / 4 TextBox 0"}, {0, Qt::Key_End, none, "1 / 4 TextBox 1"},
        {0, Qt::Key_PageDown, none, "2 / 4 TextBox -1"},   {IDC_DOWN, Qt::Key_Return, none, "3 / 4 DOWN -1"},
        {0, Qt::Key_Return, none, "4 / 4 UP -1"},        {0, Qt::Key_Return, none, "3 / 4 UP -1"},
        {0, Qt::Key_PageUp, none, "2 / 4 UP -1"},        {0, Qt::Key_PageUp, none, "1 / 4 DOWN -1"},
        {IDC_TEXTBOX, Qt::Key_End, none, "1 / 4 TextBox 1"}, {IDC_DOWN, Qt::Key_PageUp, pad, "1 / 4 DOWN 1"},
        {IDC_TEXTBOX, Qt::Key_PageDown, pad, "2 / 4 TextBox -1"}, {0, Qt::Key_PageUp, pad, "1 / 4 TextBox 1"},
        {0, Qt::Key_PageUp, pad, "1 / 4 TextBox 0"},
    };
    for (const auto& [focusFirst, key, modifier, expected] : steps) {
        if (focusFirst)
            dlg.Control(focusFirst)->setFocus();
        QTest::keyClick(dlg.focusWidget(), key, modifier);
        const int scrolled = bar->value() == 0 ? -1 : bar->value() == bar->maximum() ? 1 : 0;
        // A wrong focus would let the next Enter open or clear something: stop at once.
        ASSERT_EQ(Text(IDC_PAGE) + " " + FocusName(dlg) + " " + std::to_string(scrolled), expected);
    }
    QTest::keyClick(dlg.focusWidget(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), Text(IDC_TEXTBOX));
    // A selection across lines, and any line separator, reach the clipboard as plain line breaks.
    const QString page = dlg.TextBox()->Label()->text();
    for (const QString& text : {page, QString(page).replace(u'\n', QChar::LineSeparator)}) {
        dlg.TextBox()->SetPage(text);
        dlg.TextBox()->Label()->setSelection(2, 20);
        QTest::keyClick(dlg.focusWidget(), Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), page.mid(2, 20).toStdString());
    }
    ASSERT_TRUE(page.mid(2, 20).contains(u'\n')) << page.toStdString();
    // Both lamps unlit leave one cause: UP, DOWN and the conditions button go, the box keeps the focus.
    dlg.Control(IDC_CONDITIONS)->setFocus();
    WhenModalShown([](QWidget* add) { QTest::keyClick(add->findChild<QWidget*>("1"), Qt::Key_Return); });
    QTest::keyClick(dlg.Control(IDC_CONDITIONS), Qt::Key_Return);
    EXPECT_EQ(Text(IDC_PAGE) + " " + FocusName(dlg), "1 / 1 TextBox");
}
