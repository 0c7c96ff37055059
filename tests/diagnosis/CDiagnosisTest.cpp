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

// Each first diagnosis: the causes in table order (the file's order does not
// matter), each page from its own section with the pictures of its row.
TEST_F(CDiagnosisTest, ListsTheCausesOfTheEntryInTableOrderEachFromItsSection)
{
    struct Case {
        int series;
        const char* file;
        Codes codes;
        std::vector<std::string> sections; // in the list's order
        std::vector<int> errNos;
        int side;
        bool conditions;
    };
    const Case cases[] = {
        {0, "QL7BE.ini", kOneUnitNoErrorEmitter, {"1LINEE149", "1LINEE150", "1LINEE151", "1LINEE152"},
         {149, 150, 151, 152}, 1, true},
        {0, "QL7BE.ini", {0, 0, 0, 1, 0, 0}, {"1LINER225", "1LINER226", "1LINER227", "1LINER228"},
         {225, 226, 227, 228}, 2, true},
        {0, "QL7BE.ini", {2, 0, 0, 0, 0, 0}, {"1LINEE155"}, {155}, 1, false},
        {1, "QL7AE.ini", {1, 0, 0, 0, 0, 0}, {"1LINE1", "1LINE2", "1LINE11"}, {1, 2, 11}, 1, false}, // no side letter
    };
    PictureRow base;
    GetBaseRow(2, base);
    for (const Case& c : cases) {
        m_app.m_nSeries = c.series;
        std::string text;
        for (auto it = c.sections.rbegin(); it != c.sections.rend(); ++it)
            text += Sections({*it});
        WriteFile(c.file, text);
        CDiagnosis d(m_app);
        ASSERT_EQ(d.Diagnose(c.codes), std::nullopt) << c.sections[0];
        ASSERT_EQ(ErrNos(d), c.errNos);
        for (std::size_t i = 0; i < c.sections.size(); ++i) {
            const PossibleCause& cause = d.Causes()[i];
            EXPECT_EQ(cause.m_strCause, "cause " + c.sections[i] + "\nsecond line");
            EXPECT_EQ(cause.m_strRemedy, "remedy " + c.sections[i]);
            EXPECT_EQ(cause.m_nSide, c.side) << c.sections[i];
            EXPECT_EQ(cause.m_Row.m_nErrNo, cause.m_nErrNo);
            EXPECT_EQ(cause.m_strBaseRow, base) << c.sections[i];
            PictureRow err, unusedBase;
            ASSERT_TRUE(GetPictureRows(c.series, 2, cause.m_nErrNo, c.side, err, unusedBase)) << c.sections[i];
            EXPECT_EQ(cause.m_strErrorRow, err) << c.sections[i];
        }
        const std::string count = std::to_string(c.errNos.size());
        const bool pages = c.errNos.size() > 1;
        EXPECT_EQ(d.HasConditions(), c.conditions);
        EXPECT_EQ(d.PageLabel(), "1 / " + count);
        EXPECT_EQ(d.CountLabel(), count);
        EXPECT_EQ(d.Page(), 0);
        EXPECT_EQ(d.BlinkPhase(), 0);
        const DiagnosisView& v = d.View();
        EXPECT_TRUE(v.m_bResultsVisible) << c.sections[0];
        EXPECT_TRUE(v.m_bEntryButtonsDisabled) << c.sections[0];
        EXPECT_TRUE(v.m_bBlinkRunning) << c.sections[0];
        EXPECT_EQ(v.m_bConditionVisible, c.conditions) << c.sections[0];
        EXPECT_EQ(v.m_bUpDownVisible, pages) << c.sections[0];
        EXPECT_EQ(v.m_bDownEnabled, pages) << c.sections[0];
        EXPECT_FALSE(v.m_bUpEnabled) << c.sections[0];
        ASSERT_TRUE(m_dir.Remove(c.file));
    }

    m_app.m_nSeries = 0; // the same from the entered-status model
    WriteFile("QL7BE.ini", Sections({"1LINEE149", "1LINEE150", "1LINEE151", "1LINEE152"}));
    CEnteredStatus status(m_app);
    status.Reset();
    ASSERT_TRUE(status.Enter(0, 1));
    CDiagnosis d(m_app);
    ASSERT_EQ(d.Diagnose(status), std::nullopt);
    EXPECT_EQ(ErrNos(d), (std::vector<int>{149, 150, 151, 152}));
}

// The lamp conditions narrow the list and start again at its first page; a
// dialog closed without OK, or lamps that select nothing, change nothing.
TEST_F(CDiagnosisTest, LampConditionsNarrowTheList)
{
    WriteFile("QL7BE.ini", Sections({"1LINEE149", "1LINEE150", "1LINEE151", "1LINEE152"}));
    struct Case { int interlock, halt; bool accepted; std::vector<int> kept; };
    const Case cases[] = {
        {1, 1, true, {150}},      // both unlit
        {1, 2, true, {151}},      // halt lit
        {2, 1, true, {152}},      // interlock lit
        {2, 2, true, {151, 152}}, // both lit, halt first
        {2, 2, false, {}},        // closed without OK
        {0, 0, true, {}},         // selects nothing
    };
    for (const Case& c : cases) {
        CDiagnosis d(m_app);
        ASSERT_EQ(d.Diagnose(kOneUnitNoErrorEmitter), std::nullopt);
        d.Down();
        d.ToggleBlink();
        const DiagnosisView before = d.View();
        const std::string text = d.PageText();
        const std::string name = std::to_string(c.interlock) + "/" + std::to_string(c.halt);
        ASSERT_EQ(d.ApplyConditions(c.interlock, c.halt, c.accepted), !c.kept.empty()) << name;
        if (c.kept.empty()) {
            EXPECT_EQ(ErrNos(d), (std::vector<int>{149, 150, 151, 152})) << name;
            EXPECT_EQ(d.Page(), 1) << name;
            EXPECT_EQ(d.View(), before) << name;
            EXPECT_TRUE(d.View().m_bConditionVisible) << name;
            EXPECT_EQ(d.PageText(), text) << name;
            continue;
        }
        const std::string count = std::to_string(c.kept.size());
        EXPECT_EQ(ErrNos(d), c.kept) << name;
        EXPECT_EQ(d.Page(), 0) << name;
        EXPECT_EQ(d.PageLabel(), "1 / " + count) << name;
        EXPECT_EQ(d.CountLabel(), count) << name;
        EXPECT_EQ(d.Causes()[0].m_strRemedy, "remedy 1LINEE" + std::to_string(c.kept[0])) << name;
        EXPECT_EQ(d.BlinkPhase(), 0) << name;
        const DiagnosisView& v = d.View();
        EXPECT_FALSE(v.m_bConditionVisible) << name;
        EXPECT_FALSE(v.m_bUpEnabled) << name;
        EXPECT_TRUE(v.m_bResultsVisible) << name;
        EXPECT_TRUE(v.m_bBlinkRunning) << name;
        EXPECT_EQ(v.m_bUpDownVisible, c.kept.size() > 1) << name;
        EXPECT_EQ(v.m_bDownEnabled, c.kept.size() > 1) << name;
    }
}

TEST_F(CDiagnosisTest, PagingFollowsUpAndDownRules)
{
    WriteFile("QL7BE.ini", Sections({"1LINEE149", "1LINEE150", "1LINEE151", "1LINEE152", "1LINEE155"}));
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

    // A list of one page: both keys only restart the blink.
    ASSERT_EQ(d.Diagnose(Codes{2, 0, 0, 0, 0, 0}), std::nullopt);
    before = d.View();
    for (bool down : {true, false}) {
        d.ToggleBlink();
        EXPECT_TRUE(down ? d.Down() : d.Up());
        EXPECT_EQ(d.BlinkPhase(), 0);
        EXPECT_EQ(d.View(), before);
        EXPECT_EQ(d.Page(), 0);
    }
}

// Without a list nothing pages; the picture is the base row, then the page's
// rows by blink phase, and the base row again after a reset.
TEST_F(CDiagnosisTest, PhaseRowsFollowThePageAndFallBackToTheBaseRow)
{
    WriteFile("QL7BE.ini", Sections({"1LINEE149", "1LINEE150", "1LINEE151", "1LINEE152"}));
    CDiagnosis d(m_app);
    EXPECT_FALSE(d.Up());
    EXPECT_FALSE(d.Down());
    EXPECT_FALSE(d.ApplyConditions(2, 2));
    EXPECT_EQ(d.View(), IdleView());
    EXPECT_EQ(d.PageText(), "");
    EXPECT_EQ(d.PageLabel(), "");
    EXPECT_EQ(d.CountLabel(), "");
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

// Every failure reports its message and leaves nothing of a list behind, also
// when a list was showing before.
TEST_F(CDiagnosisTest, AFailureReportsItsMessageAndEmptiesTheList)
{
    const DiagRow noPicture[] = {{{5, 0, 0, 0, 0, 0}, 0, 0, 9999}};
    const DiagTable noPictureTable{noPicture, 1};
    const std::string otherSections = "[3LINEE11]\r\nca=a\r\nre=b\r\n[3LINEE13]\r\nca=a\r\nre=b\r\n";
    struct Case {
        const char* name;
        int unitsIndex;
        Codes codes;
        const char* fileName; // nullptr: no cause file
        std::string fileText;
        Message message;
        const DiagTable* table = nullptr; // nullptr: the program's own
    };
    const Case cases[] = {
        {"NoRowMatches", 2, {14, 0, 0, 0, 0, 0}, "QL7BE.ini", "", Message::NoMatch},
        {"NoCauseFile", 2, {1, 0, 0, 0, 0, 0}, nullptr, "", Message::NoCauseFile},
        {"OtherLanguageFileOnly", 0, {3, 1, 2, 0, 0, 0}, "QL7BJ.ini", "[3LINEE12]\r\nca=a\r\nre=b\r\n",
         Message::NoCauseFile},
        {"SectionMissing", 0, {3, 1, 2, 0, 0, 0}, "QL7BE.ini", otherSections, Message::CauseUnreadable},
        {"CauseIsErr", 0, {3, 1, 2, 0, 0, 0}, "QL7BE.ini", "[3LINEE12]\r\nca=ERR\r\nre=fine\r\n",
         Message::CauseUnreadable},
        {"RemedyIsErr", 0, {3, 1, 2, 0, 0, 0}, "QL7BE.ini", "[3LINEE12]\r\nca=fine\r\nre=ERR\r\n",
         Message::CauseUnreadable},
        {"RemedyKeyMissing", 0, {3, 1, 2, 0, 0, 0}, "QL7BE.ini", "[3LINEE12]\r\nca=fine\r\n",
         Message::CauseUnreadable},
        {"LaterEntryMissing", 2, {1, 0, 0, 0, 0, 0}, "QL7BE.ini",
         "[1LINEE149]\r\nca=a\r\nre=b\r\n[1LINEE150]\r\nca=a\r\nre=b\r\n[1LINEE152]\r\nca=a\r\nre=b\r\n",
         Message::CauseUnreadable},
        {"ErrorNumberWithoutPicture", 2, {5, 0, 0, 0, 0, 0}, "QL7BE.ini", Sections({"1LINEE9999"}),
         Message::NoPicture, &noPictureTable},
    };
    for (const Case& c : cases) {
        m_dir.Remove("QL7BE.ini");
        WriteFile("QL7BJ.ini", Sections({"1LINEE155"}));
        m_app.m_nLanguage = 0;
        m_app.m_nUnitsIndex = 2;
        CDiagnosis d(m_app);
        ASSERT_EQ(d.Diagnose(Codes{2, 0, 0, 0, 0, 0}), std::nullopt) << c.name;
        ASSERT_TRUE(m_dir.Remove("QL7BJ.ini"));

        m_app.m_nLanguage = 1;
        m_app.m_nUnitsIndex = c.unitsIndex;
        if (c.fileName != nullptr)
            WriteFile(c.fileName, c.fileText);
        EXPECT_EQ(c.table ? d.Diagnose(c.codes, *c.table) : d.Diagnose(c.codes), c.message) << c.name;
        EXPECT_EQ(d.CauseCount(), 0) << c.name;
        EXPECT_EQ(d.View(), IdleView()) << c.name;
        EXPECT_FALSE(d.HasConditions()) << c.name;
        EXPECT_EQ(d.PageLabel(), "") << c.name;
    }
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
