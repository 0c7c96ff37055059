#include "diagnosis/CFixNum.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "data/AppState.h"

namespace {

using List = std::vector<std::string>;

AppState State(int language, int series, int units)
{
    AppState app;
    app.m_nLanguage = language;
    app.m_nSeries = series;
    app.m_nUnitsIndex = units;
    return app;
}

// Entries 1..n of the set; string 0 and everything after entry n must be empty.
void ExpectSet(const CaptionSet& got, const List& want)
{
    EXPECT_EQ(got[0], "");
    for (std::size_t i = 1; i < 15; ++i)
        EXPECT_EQ(got[i], i <= want.size() ? want[i - 1] : "") << "entry " << i;
}

const std::string kNo = "No\nerror code";
const std::string kOff = "POWER\nOFF";

struct SetCase {
    int series, units, slot;
    List english;
};

// Every set in English, slot by slot; sets not listed are empty.
const std::vector<SetCase> kEnglish = {
    {0, 0, 0, {kNo, "1", "2", "3", "4", "5", "6", "7", "9", "c", "F", kOff}},
    {0, 1, 0, {kNo, "1", "2", "3", "4", "5", "6", "9", "c", "F", kOff}},
    {0, 2, 0, {kNo, "0", "1", "2", "4", "5", "6", "7", "8", "9", "c", "F", kOff}},
    {0, 7, 0, {kNo, "0", "1", "2", "4", "5", "6", "7", "8", "9", "c", "F", kOff}}, // an unknown count is one unit
    {0, 7, 1, {}},
    {0, 0, 1, {kNo, "0", "2", "3", "F", kOff}},
    {0, 1, 1, {kNo, "0", "2", "F", kOff}},
    {0, 2, 1, {}},
    {0, 0, 2, {kNo, "0", "2", "F", kOff}},
    {0, 1, 2, {}},
    {0, 2, 2, {}},
    {0, 0, 3, {kNo, "1", "2", "3", "4", "5", "6", "7", "9", "c", "F", kOff}},
    {0, 1, 3, {kNo, "1", "2", "3", "4", "5", "6", "7", "9", "c", "F", kOff}},
    {0, 2, 3, {kNo, "0", "1", "2", "4", "5", "6", "7", "9", "c", "F", kOff}},
    {0, 0, 4, {kNo, "0", "2", "3", "4", "9", "F", kOff}},
    {0, 1, 4, {kNo, "0", "2", "4", "F", kOff}},
    {0, 2, 4, {}},
    {0, 0, 5, {kNo, "0", "2", "4", "F", kOff}},
    {0, 1, 5, {}},
    {0, 2, 5, {}},
    {1, 0, 0, {"Remains [OFF]", "Two blinks", "5 blinks", "Other than one or two blinks"}},
    {1, 1, 0, {"Remains [OFF]", "Two blinks", "5 blinks", "Other than one or two blinks"}},
    {1, 2, 0, {"Remains [OFF]", "One blinks", "Certain blinks"}},
    {1, 0, 1, {"Remains [OFF]", "Two blinks", "Power OFF", "Other than one or two blinks"}},
    {1, 1, 1, {"Remains [OFF]", "One blinks", "Two blinks", "Power OFF"}},
    {1, 2, 1, {}},
    {1, 0, 2, {"Remains [OFF]", "One blinks", "Two blinks", "Power OFF", "Other than one or two blinks"}},
    {1, 1, 2, {}},
    {1, 0, 3, {"Remains [OFF]", "Two blinks", "Other than one or two blinks"}},
    {1, 1, 3, {"Remains [OFF]", "Two blinks", "Other than one or two blinks"}},
    {1, 2, 3, {"Remains [OFF]", "One blinks", "Certain blinks"}},
    {1, 0, 4, {"Remains [OFF]", "Two blinks", "Power OFF", "Other than one or two blinks"}},
    {1, 1, 4, {"Remains [OFF]", "One blinks", "Two blinks", "Power OFF"}},
    {1, 0, 5, {"Remains [OFF]", "One blinks", "Two blinks", "Power OFF", "Other than one or two blinks"}},
    {1, 2, 5, {}},
};

} // namespace

TEST(CFixNum, EnglishSets)
{
    for (const SetCase& c : kEnglish) {
        SCOPED_TRACE(testing::Message() << "series " << c.series << " units " << c.units
                                        << " slot " << c.slot);
        const AppState app = State(1, c.series, c.units);
        CaptionSet got;
        got.fill("stale");
        CFixNum(app).GetCaptions(c.slot, got);
        ExpectSet(got, c.english);
    }
}

// Language 0: Chinese for QL7B, where only the two words change, and the
// Japanese texts for QL7-A.
TEST(CFixNum, LanguageZeroSets)
{
    using Op = void (CFixNum::*)(CaptionSet&) const;
    const std::tuple<int, int, Op, List> cases[] = {
        {0, 0, &CFixNum::GetMainEmitterCaptions, {"无显示", "1", "2", "3", "4", "5", "6", "7", "9", "c", "F", "电源OFF"}},
        {0, 0, &CFixNum::GetSub2ReceiverCaptions, {"无显示", "0", "2", "4", "F", "电源OFF"}},
        {0, 2, &CFixNum::GetMainEmitterCaptions,
         {"无显示", "0", "1", "2", "4", "5", "6", "7", "8", "9", "c", "F", "电源OFF"}},
        {1, 0, &CFixNum::GetMainEmitterCaptions, {"無表示", "２回点滅", "５回点滅", "２回点滅以外"}},
        {1, 0, &CFixNum::GetSub2EmitterCaptions, {"無表示", "１回点滅", "２回点滅", "電源ＯＦＦ", "２回点滅以外"}},
        {1, 2, &CFixNum::GetMainReceiverCaptions, {"無表示", "１回点滅", "何らかの点滅"}},
    };
    for (const auto& [series, units, op, want] : cases) {
        SCOPED_TRACE(testing::Message() << "series " << series << " units " << units << " " << want[1]);
        CaptionSet got;
        got.fill("stale");
        (CFixNum(State(0, series, units)).*op)(got);
        ExpectSet(got, want);
    }
}

TEST(CFixNum, NamedOperationsMatchTheirSlots)
{
    const AppState app = State(1, 0, 0);
    const CFixNum fix(app);
    using Op = void (CFixNum::*)(CaptionSet&) const;
    const Op ops[6] = {&CFixNum::GetMainEmitterCaptions, &CFixNum::GetSub1EmitterCaptions,
                       &CFixNum::GetSub2EmitterCaptions, &CFixNum::GetMainReceiverCaptions,
                       &CFixNum::GetSub1ReceiverCaptions, &CFixNum::GetSub2ReceiverCaptions};
    for (int slot = 0; slot < 6; ++slot) {
        CaptionSet a, b;
        (fix.*ops[slot])(a);
        fix.GetCaptions(slot, b);
        EXPECT_EQ(a, b) << slot;
        EXPECT_FALSE(a[1].empty()) << slot;
    }
}

TEST(CFixNum, UnknownLanguageLeavesTheCallersStrings)
{
    for (int language : {2, -1, 17}) {
        const AppState app = State(language, 0, 0);
        CaptionSet got;
        got.fill("keep");
        CFixNum(app).GetMainEmitterCaptions(got);
        for (const std::string& s : got)
            EXPECT_EQ(s, "keep") << language;
    }
}

TEST(CFixNum, TableInForce)
{
    struct Case {
        int series, units, mainEmitterCode, rows, firstErrNo;
    };
    const Case cases[] = {
        {0, 0, 1, 105, 2},   {0, 0, 12, 105, 2},  {0, 0, 0, 173, 2},  {0, 1, 3, 41, 108},
        {0, 1, 0, 49, 176},  {0, 2, 1, 16, 149},  {0, 2, 0, 16, 225}, {0, 9, 0, 16, 225},
        {1, 0, 0, 151, 11},  {1, 0, 2, 151, 11},  {1, 1, 0, 41, 11},  {1, 2, 1, 11, 11},
    };
    for (const Case& c : cases) {
        const AppState app = State(1, c.series, c.units);
        const CFixNum fix(app);
        ASSERT_NE(fix.GetTable(c.mainEmitterCode), nullptr);
        EXPECT_EQ(fix.GetRowCount(c.mainEmitterCode), c.rows)
            << c.series << "/" << c.units << "/" << c.mainEmitterCode;
        EXPECT_EQ(fix.GetTable(c.mainEmitterCode)->m_nErrNo, c.firstErrNo);
    }
}
