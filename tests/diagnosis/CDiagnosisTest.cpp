#include "diagnosis/CDiagnosis.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "data/AppState.h"
#include "data/PictureTables.h"
#include "diagnosis/CEnteredStatus.h"
#include "tests/support/TempDataDir.h"

namespace {

using Codes = CDiagnosis::Codes;

constexpr Codes kOneUnitNoErrorEmitter{1, 0, 0, 0, 0, 0};

std::vector<int> ErrNos(const CDiagnosis& d)
{
    std::vector<int> out;
    for (const PossibleCause& c : d.Causes())
        out.push_back(c.m_nErrNo);
    return out;
}

DiagnosisView IdleView()
{
    return DiagnosisView{};
}

class CDiagnosisTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.IsValid());
        m_app.m_nLanguage = 1;
        m_app.m_nSeries = 0;
        m_app.m_nUnitsIndex = 2;
    }

    void WriteFile(const std::string& name, const std::string& text)
    {
        ASSERT_TRUE(m_dir.Write(name, text));
    }

    // One section per name; the texts carry the section name so that a test can
    // tell which section a page came from.
    static std::string Sections(std::initializer_list<std::string> names)
    {
        std::string text;
        for (const std::string& n : names)
            text += "[" + n + "]\r\nca=cause " + n + "\\nsecond line\r\nre=remedy " + n + "\r\n";
        return text;
    }

    TempDataDir m_dir;
    AppState m_app;
};

TEST_F(CDiagnosisTest, OneUnitNoErrorCodeListsFourCausesInTableOrder)
{
    WriteFile("QL7BE.ini", Sections({"1LINEE152", "1LINEE151", "1LINEE150", "1LINEE149"}));
    CDiagnosis d(m_app);
    ASSERT_EQ(d.Diagnose(kOneUnitNoErrorEmitter), std::nullopt);

    EXPECT_EQ(ErrNos(d), (std::vector<int>{149, 150, 151, 152}));
    PictureRow base;
    GetBaseRow(2, base);
    for (const PossibleCause& c : d.Causes()) {
        const std::string section = "1LINEE" + std::to_string(c.m_nErrNo);
        EXPECT_EQ(c.m_strCause, "cause " + section + "\nsecond line");
        EXPECT_EQ(c.m_strRemedy, "remedy " + section);
        EXPECT_EQ(c.m_nSide, 1);
        EXPECT_EQ(c.m_Row.m_nErrNo, c.m_nErrNo);
        EXPECT_EQ(c.m_strBaseRow, base);
        PictureRow err, unusedBase;
        ASSERT_TRUE(GetPictureRows(0, 2, c.m_nErrNo, 1, err, unusedBase));
        EXPECT_EQ(c.m_strErrorRow, err);
    }
    EXPECT_TRUE(d.HasConditions());
    EXPECT_EQ(d.PageLabel(), "1 / 4");
    EXPECT_EQ(d.CountLabel(), "4");
    EXPECT_EQ(d.Page(), 0);

    const DiagnosisView& v = d.View();
    EXPECT_TRUE(v.m_bResultsVisible);
    EXPECT_TRUE(v.m_bConditionVisible);
    EXPECT_TRUE(v.m_bUpDownVisible);
    EXPECT_TRUE(v.m_bDownEnabled);
    EXPECT_FALSE(v.m_bUpEnabled);
    EXPECT_TRUE(v.m_bEntryButtonsDisabled);
    EXPECT_TRUE(v.m_bBlinkRunning);
    EXPECT_EQ(d.BlinkPhase(), 0);
}

TEST_F(CDiagnosisTest, ReceiverSideReadsReceiverSections)
{
    WriteFile("QL7BE.ini", Sections({"1LINER225", "1LINER226", "1LINER227", "1LINER228"}));
    CDiagnosis d(m_app);
    ASSERT_EQ(d.Diagnose(Codes{0, 0, 0, 1, 0, 0}), std::nullopt);
    EXPECT_EQ(ErrNos(d), (std::vector<int>{225, 226, 227, 228}));
    for (const PossibleCause& c : d.Causes())
        EXPECT_EQ(c.m_nSide, 2);
    EXPECT_EQ(d.Causes()[0].m_strCause, "cause 1LINER225\nsecond line");
}

TEST_F(CDiagnosisTest, SecondSeriesSectionsHaveNoSideLetter)
{
    m_app.m_nSeries = 1;
    WriteFile("QL7AE.ini", Sections({"1LINE1", "1LINE2", "1LINE11"}));
    CDiagnosis d(m_app);
    ASSERT_EQ(d.Diagnose(Codes{1, 0, 0, 0, 0, 0}), std::nullopt);
    EXPECT_EQ(ErrNos(d), (std::vector<int>{1, 2, 11}));
    EXPECT_EQ(d.Causes()[2].m_strRemedy, "remedy 1LINE11");
    EXPECT_FALSE(d.HasConditions());
    EXPECT_FALSE(d.View().m_bConditionVisible);
}

TEST_F(CDiagnosisTest, TakesTheStatusFromTheEnteredModel)
{
    WriteFile("QL7BE.ini", Sections({"1LINEE149", "1LINEE150", "1LINEE151", "1LINEE152"}));
    CEnteredStatus status(m_app);
    status.Reset();
    ASSERT_TRUE(status.Enter(0, 1));
    CDiagnosis d(m_app);
    ASSERT_EQ(d.Diagnose(status), std::nullopt);
    EXPECT_EQ(ErrNos(d), (std::vector<int>{149, 150, 151, 152}));
}

struct LampCase {
    const char* name;
    int interlock;
    int halt;
    std::vector<int> kept;
    const char* pageLabel;
};

class LampFilterTest : public CDiagnosisTest, public ::testing::WithParamInterface<LampCase> {};

TEST_P(LampFilterTest, NarrowsTheList)
{
    const LampCase& lc = GetParam();
    WriteFile("QL7BE.ini", Sections({"1LINEE149", "1LINEE150", "1LINEE151", "1LINEE152"}));
    CDiagnosis d(m_app);
    ASSERT_EQ(d.Diagnose(kOneUnitNoErrorEmitter), std::nullopt);
    d.Down();
    d.ToggleBlink();

    ASSERT_TRUE(d.ApplyConditions(lc.interlock, lc.halt));
    EXPECT_EQ(ErrNos(d), lc.kept);
    EXPECT_EQ(d.Page(), 0);
    EXPECT_EQ(d.PageLabel(), lc.pageLabel);
    EXPECT_EQ(d.CountLabel(), std::to_string(lc.kept.size()));
    EXPECT_EQ(d.Causes()[0].m_strRemedy, "remedy 1LINEE" + std::to_string(lc.kept[0]));
    EXPECT_EQ(d.BlinkPhase(), 0);

    const DiagnosisView& v = d.View();
    EXPECT_FALSE(v.m_bConditionVisible);
    EXPECT_TRUE(v.m_bResultsVisible);
    EXPECT_TRUE(v.m_bBlinkRunning);
    EXPECT_FALSE(v.m_bUpEnabled);
    EXPECT_EQ(v.m_bUpDownVisible, lc.kept.size() > 1);
    EXPECT_EQ(v.m_bDownEnabled, lc.kept.size() > 1);
}

INSTANTIATE_TEST_SUITE_P(
    OneUnitNoErrorCode, LampFilterTest,
    ::testing::Values(LampCase{"BothUnlit", 1, 1, {150}, "1 / 1"},
                      LampCase{"HaltLit", 1, 2, {151}, "1 / 1"},
                      LampCase{"InterlockLit", 2, 1, {152}, "1 / 1"},
                      LampCase{"BothLitHaltFirst", 2, 2, {151, 152}, "1 / 2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CDiagnosisTest, ConditionsDialogClosedWithoutOkChangesNothing)
{
    WriteFile("QL7BE.ini", Sections({"1LINEE149", "1LINEE150", "1LINEE151", "1LINEE152"}));
    CDiagnosis d(m_app);
    ASSERT_EQ(d.Diagnose(kOneUnitNoErrorEmitter), std::nullopt);
    d.Down();
    const DiagnosisView before = d.View();
    const std::string text = d.PageText();

    EXPECT_FALSE(d.ApplyConditions(2, 2, false));
    EXPECT_EQ(ErrNos(d), (std::vector<int>{149, 150, 151, 152}));
    EXPECT_EQ(d.Page(), 1);
    EXPECT_EQ(d.View(), before);
    EXPECT_TRUE(d.View().m_bConditionVisible);
    EXPECT_EQ(d.PageText(), text);
}

TEST_F(CDiagnosisTest, LampStatesThatSelectNothingKeepTheList)
{
    WriteFile("QL7BE.ini", Sections({"1LINEE149", "1LINEE150", "1LINEE151", "1LINEE152"}));
    CDiagnosis d(m_app);
    ASSERT_EQ(d.Diagnose(kOneUnitNoErrorEmitter), std::nullopt);
    const DiagnosisView before = d.View();
    EXPECT_FALSE(d.ApplyConditions(0, 0));
    EXPECT_EQ(d.CauseCount(), 4);
    EXPECT_EQ(d.View(), before);
}

TEST_F(CDiagnosisTest, PagingFollowsUpAndDownRules)
{
    WriteFile("QL7BE.ini", Sections({"1LINEE149", "1LINEE150", "1LINEE151", "1LINEE152"}));
    CDiagnosis d(m_app);
    ASSERT_EQ(d.Diagnose(kOneUnitNoErrorEmitter), std::nullopt);

    // UP on the first page: nothing moves, only the blink restarts.
    DiagnosisView before = d.View();
    d.ToggleBlink();
    EXPECT_TRUE(d.Up());
    EXPECT_EQ(d.Page(), 0);
    EXPECT_EQ(d.View(), before);
    EXPECT_EQ(d.BlinkPhase(), 0);

    struct Step {
        bool down;
        int page;
        bool upEnabled;
        bool downEnabled;
        const char* label;
    };
    const Step steps[] = {
        {true, 1, true, true, "2 / 4"},   {true, 2, true, true, "3 / 4"},
        {true, 3, true, false, "4 / 4"},  {true, 3, true, false, "4 / 4"}, // last page
        {false, 2, true, true, "3 / 4"},  {false, 1, true, true, "2 / 4"},
        {false, 0, false, true, "1 / 4"}, {false, 0, false, true, "1 / 4"}, // first page
    };
    for (const Step& s : steps) {
        d.ToggleBlink();
        EXPECT_TRUE(s.down ? d.Down() : d.Up());
        EXPECT_EQ(d.Page(), s.page);
        EXPECT_EQ(d.PageLabel(), s.label);
        EXPECT_EQ(d.View().m_bUpEnabled, s.upEnabled) << s.label;
        EXPECT_EQ(d.View().m_bDownEnabled, s.downEnabled) << s.label;
        EXPECT_TRUE(d.View().m_bUpDownVisible);
        EXPECT_EQ(d.BlinkPhase(), 0);
        EXPECT_EQ(d.CountLabel(), "4");
    }
}

TEST_F(CDiagnosisTest, OneEntryListKeepsUpAndDownHidden)
{
    WriteFile("QL7BE.ini", Sections({"1LINEE155"}));
    CDiagnosis d(m_app);
    ASSERT_EQ(d.Diagnose(Codes{2, 0, 0, 0, 0, 0}), std::nullopt);
    EXPECT_EQ(ErrNos(d), std::vector<int>{155});
    EXPECT_EQ(d.PageLabel(), "1 / 1");
    EXPECT_EQ(d.CountLabel(), "1");
    const DiagnosisView v = d.View();
    EXPECT_FALSE(v.m_bUpDownVisible);
    EXPECT_FALSE(v.m_bUpEnabled);
    EXPECT_FALSE(v.m_bDownEnabled);
    EXPECT_FALSE(v.m_bConditionVisible);
    EXPECT_TRUE(v.m_bResultsVisible);

    d.ToggleBlink();
    EXPECT_TRUE(d.Down());
    EXPECT_EQ(d.BlinkPhase(), 0);
    d.ToggleBlink();
    EXPECT_TRUE(d.Up());
    EXPECT_EQ(d.BlinkPhase(), 0);
    EXPECT_EQ(d.View(), v);
    EXPECT_EQ(d.Page(), 0);
}

TEST_F(CDiagnosisTest, PagingWithoutListDoesNothing)
{
    CDiagnosis d(m_app);
    EXPECT_FALSE(d.Up());
    EXPECT_FALSE(d.Down());
    EXPECT_FALSE(d.ApplyConditions(2, 2));
    EXPECT_EQ(d.View(), IdleView());
    EXPECT_EQ(d.PageText(), "");
    EXPECT_EQ(d.PageLabel(), "");
    EXPECT_EQ(d.CountLabel(), "");
}

TEST_F(CDiagnosisTest, PageTextInBothLanguages)
{
    WriteFile("QL7BE.ini", "[1LINEE155]\r\nca=Line one\\nLine two\r\nre=Do this\\\\n literally\r\n");
    WriteFile("QL7BJ.ini", "[1LINEE155]\r\nca=原因一\\n原因二\r\nre=处理\r\n");
    CDiagnosis d(m_app);
    ASSERT_EQ(d.Diagnose(Codes{2, 0, 0, 0, 0, 0}), std::nullopt);
    EXPECT_EQ(d.PageText(), "* Cause\nLine one\nLine two\n* Remedy\nDo this\\n literally");

    m_app.m_nLanguage = 0;
    ASSERT_EQ(d.Diagnose(Codes{2, 0, 0, 0, 0, 0}), std::nullopt);
    EXPECT_EQ(d.PageText(), "* 原因\n原因一\n原因二\n* 处理方法\n处理");
}

TEST_F(CDiagnosisTest, PhaseRowsFollowThePageAndFallBackToTheBaseRow)
{
    WriteFile("QL7BE.ini", Sections({"1LINEE149", "1LINEE150", "1LINEE151", "1LINEE152"}));
    CDiagnosis d(m_app);
    PictureRow base;
    GetBaseRow(2, base);
    EXPECT_EQ(d.PhaseRow(0), base);
    EXPECT_EQ(d.PictureRowNow(), base);

    ASSERT_EQ(d.Diagnose(kOneUnitNoErrorEmitter), std::nullopt);
    d.Down();
    const PossibleCause& second = d.Causes()[1];
    EXPECT_EQ(d.PhaseRow(0), second.m_strErrorRow);
    EXPECT_EQ(d.PhaseRow(1), second.m_strBaseRow);
    EXPECT_EQ(d.PictureRowNow(), second.m_strErrorRow);
    d.ToggleBlink();
    EXPECT_EQ(d.PictureRowNow(), second.m_strBaseRow);

    d.Reset();
    EXPECT_EQ(d.View(), IdleView());
    EXPECT_EQ(d.CauseCount(), 0);
    EXPECT_EQ(d.PhaseRow(0), base);
}

// Every failure reports its message and leaves nothing of a list behind, also
// when a list was showing before.
struct FailCase {
    const char* name;
    int unitsIndex;
    Codes codes;
    const char* fileName; // nullptr: no cause file
    std::string fileText;
    Message message;
};

class DiagnoseFailureTest : public CDiagnosisTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(DiagnoseFailureTest, ReportsMessageAndEmptiesTheList)
{
    const FailCase& fc = GetParam();
    WriteFile("QL7BJ.ini", Sections({"1LINEE155"}));
    m_app.m_nLanguage = 0;
    CDiagnosis d(m_app);
    ASSERT_EQ(d.Diagnose(Codes{2, 0, 0, 0, 0, 0}), std::nullopt);
    ASSERT_TRUE(m_dir.Remove("QL7BJ.ini"));

    m_app.m_nLanguage = 1;
    m_app.m_nUnitsIndex = fc.unitsIndex;
    if (fc.fileName != nullptr)
        WriteFile(fc.fileName, fc.fileText);
    EXPECT_EQ(d.Diagnose(fc.codes), fc.message);
    EXPECT_EQ(d.CauseCount(), 0);
    EXPECT_EQ(d.View(), IdleView());
    EXPECT_FALSE(d.HasConditions());
    EXPECT_EQ(d.PageLabel(), "");
}

const std::string kOtherSections = "[3LINEE11]\r\nca=a\r\nre=b\r\n[3LINEE13]\r\nca=a\r\nre=b\r\n";

INSTANTIATE_TEST_SUITE_P(
    Failures, DiagnoseFailureTest,
    ::testing::Values(
        FailCase{"NoRowMatches", 2, {14, 0, 0, 0, 0, 0}, "QL7BE.ini", "", Message::NoMatch},
        FailCase{"NoCauseFile", 2, {1, 0, 0, 0, 0, 0}, nullptr, "", Message::NoCauseFile},
        FailCase{"OtherLanguageFileOnly", 0, {3, 1, 2, 0, 0, 0}, "QL7BJ.ini",
                 "[3LINEE12]\r\nca=a\r\nre=b\r\n", Message::NoCauseFile},
        FailCase{"SectionMissing", 0, {3, 1, 2, 0, 0, 0}, "QL7BE.ini", kOtherSections,
                 Message::CauseUnreadable},
        FailCase{"CauseIsErr", 0, {3, 1, 2, 0, 0, 0}, "QL7BE.ini",
                 "[3LINEE12]\r\nca=ERR\r\nre=fine\r\n", Message::CauseUnreadable},
        FailCase{"RemedyIsErr", 0, {3, 1, 2, 0, 0, 0}, "QL7BE.ini",
                 "[3LINEE12]\r\nca=fine\r\nre=ERR\r\n", Message::CauseUnreadable},
        FailCase{"RemedyKeyMissing", 0, {3, 1, 2, 0, 0, 0}, "QL7BE.ini",
                 "[3LINEE12]\r\nca=fine\r\n", Message::CauseUnreadable},
        FailCase{"LaterEntryMissing", 2, {1, 0, 0, 0, 0, 0}, "QL7BE.ini",
                 "[1LINEE149]\r\nca=a\r\nre=b\r\n[1LINEE150]\r\nca=a\r\nre=b\r\n"
                 "[1LINEE152]\r\nca=a\r\nre=b\r\n",
                 Message::CauseUnreadable}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CDiagnosisTest, ErrorNumberWithoutPictureReportsMessageThree)
{
    WriteFile("QL7BE.ini", Sections({"1LINEE9999"}));
    const DiagRow rows[] = {{{5, 0, 0, 0, 0, 0}, 0, 0, 9999}};
    CDiagnosis d(m_app);
    EXPECT_EQ(d.Diagnose(Codes{5, 0, 0, 0, 0, 0}, DiagTable{rows, 1}), Message::NoPicture);
    EXPECT_EQ(d.CauseCount(), 0);
    EXPECT_EQ(d.View(), IdleView());
}

TEST(CDiagnosisMatch, ScanStopsAtTheEndOfTheFirstRun)
{
    const DiagRow rows[] = {
        {{1, 0, 0, 0, 0, 0}, 0, 0, 10}, {{2, 0, 0, 0, 0, 0}, 0, 0, 11},
        {{2, 0, 0, 0, 0, 0}, 2, 0, 12}, {{3, 0, 0, 0, 0, 0}, 0, 0, 13},
        {{2, 0, 0, 0, 0, 0}, 0, 0, 14}, // after the run: never reached
        {{0, 0, 0, 2, 0, 0}, 0, 0, 15},
    };
    const DiagTable table{rows, 6};
    struct Case {
        Codes codes;
        std::vector<int> errNos;
    };
    const Case cases[] = {
        {{2, 0, 0, 0, 0, 0}, {11, 12}},
        {{1, 0, 0, 0, 0, 0}, {10}},
        {{3, 0, 0, 0, 0, 0}, {13}},
        {{0, 0, 0, 2, 0, 0}, {15}},
        {{2, 0, 0, 0, 0, 1}, {}},
        {{4, 0, 0, 0, 0, 0}, {}},
    };
    for (const Case& c : cases) {
        std::vector<int> got;
        for (const DiagRow& r : CDiagnosis::MatchRows(table, c.codes))
            got.push_back(r.m_nErrNo);
        EXPECT_EQ(got, c.errNos) << "first code " << c.codes[0];
    }
    EXPECT_TRUE(CDiagnosis::MatchRows(DiagTable{rows, 0}, Codes{1, 0, 0, 0, 0, 0}).empty());
}

TEST_F(CDiagnosisTest, ListLongerThanFifteenIsKeptWhole)
{
    std::vector<DiagRow> rows;
    rows.push_back({{1, 0, 0, 0, 0, 0}, 0, 0, 40});
    for (int e = 1; e <= 20; ++e)
        rows.push_back({{2, 0, 0, 0, 0, 0}, 0, 0, e});
    rows.push_back({{3, 0, 0, 0, 0, 0}, 0, 0, 41});
    std::string text;
    for (int e = 1; e <= 20; ++e)
        text += Sections({"1LINEE" + std::to_string(e)});
    WriteFile("QL7BE.ini", text);

    CDiagnosis d(m_app);
    ASSERT_EQ(d.Diagnose(Codes{2, 0, 0, 0, 0, 0}, DiagTable{rows.data(), static_cast<int>(rows.size())}),
              std::nullopt);
    ASSERT_EQ(d.CauseCount(), 20);
    EXPECT_EQ(d.PageLabel(), "1 / 20");
    EXPECT_EQ(d.CountLabel(), "20");
    for (int i = 0; i < 19; ++i)
        d.Down();
    EXPECT_EQ(d.PageLabel(), "20 / 20");
    EXPECT_EQ(d.Causes()[19].m_strRemedy, "remedy 1LINEE20");
    EXPECT_FALSE(d.View().m_bDownEnabled);
    EXPECT_TRUE(d.View().m_bUpEnabled);
}

} // namespace
