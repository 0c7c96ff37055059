#include "diagnosis/CEnteredStatus.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "data/AppState.h"
#include "data/DiagnosisTables.h"

namespace {

using Flags = std::array<bool, 14>;
using Codes = std::array<int, 6>;

AppState State(int series, int units, int language = 1)
{
    AppState app;
    app.m_nLanguage = language;
    app.m_nSeries = series;
    app.m_nUnitsIndex = units;
    return app;
}

Flags FlagsOf(std::initializer_list<int> codes)
{
    Flags f{};
    for (int c : codes)
        f[static_cast<std::size_t>(c - 1)] = true;
    return f;
}

Codes CodesOf(const CEnteredStatus& s)
{
    Codes c{};
    for (int i = 0; i < 6; ++i)
        c[static_cast<std::size_t>(i)] = s.Code(i);
    return c;
}

Codes CodesOf(const DiagRow& r)
{
    return {r.m_nCode[0], r.m_nCode[1], r.m_nCode[2], r.m_nCode[3], r.m_nCode[4], r.m_nCode[5]};
}

// Reference for Choices: a full scan of the table, no early stop.
Flags FullScan(const AppState& app, const CEnteredStatus& s, int slot)
{
    static const int kCompared[6] = {0, 1, 2, 0, 4, 5};
    const CFixNum fix(app);
    const DiagRow* rows = fix.GetTable(s.Code(0));
    Flags f{};
    for (int r = 0; r < fix.GetRowCount(s.Code(0)); ++r) {
        bool match = true;
        for (int c = 0; c < kCompared[slot]; ++c)
            match = match && rows[r].m_nCode[c] == s.Code(c);
        if (match && rows[r].m_nCode[slot] >= 1)
            f[static_cast<std::size_t>(rows[r].m_nCode[slot] - 1)] = true;
    }
    return f;
}

void ExpectEnabled(const CEnteredStatus& s, std::initializer_list<int> enabled)
{
    const std::set<int> on(enabled);
    for (int slot = 0; slot < 6; ++slot)
        EXPECT_EQ(s.IsEnabled(slot), on.count(slot) == 1) << "slot " << slot;
}

} // namespace

TEST(CEnteredStatus, StartsAndResetsEmptyWithBothMainSensorsEnabled)
{
    const AppState app = State(0, 1);
    CEnteredStatus s(app);
    for (bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset" : "start");
        ExpectEnabled(s, {0, 3});
        EXPECT_EQ(CodesOf(s), Codes{});
        EXPECT_FALSE(s.IsComplete());
        for (int slot = 0; slot < 6; ++slot)
            EXPECT_FALSE(s.IsEntered(slot));
        EXPECT_EQ(s.NextSlot(), CEnteredStatus::kNoSlot);
        s.Enter(3, 1);
        s.Enter(4, 1);
        ASSERT_TRUE(s.IsComplete());
        s.DisableAll();
        ExpectEnabled(s, {});
        EXPECT_EQ(s.Code(3), 1);
        s.Reset();
    }
}

TEST(CEnteredStatus, TransitionsSlotBySlot)
{
    struct Step {
        int slot;
        int code;
        int next;
        bool complete;
        std::initializer_list<int> enabled;
    };
    struct Case {
        const char* name;
        int units;
        std::initializer_list<Step> steps;
    };
    const int none = CEnteredStatus::kNoSlot;
    const Case cases[] = {
        {"three, emitter", 0, {{0, 1, 1, false, {1}}, {1, 1, 2, false, {2}}, {2, 1, none, true, {}}}},
        {"two, emitter", 1, {{0, 3, 1, false, {1}}, {1, 2, none, true, {}}}},
        {"one, emitter", 2, {{0, 1, none, true, {}}}},
        {"three, receiver", 0, {{3, 1, 4, false, {4}}, {4, 1, 5, false, {5}}, {5, 2, none, true, {}}}},
        {"two, receiver", 1, {{3, 2, 4, false, {4}}, {4, 5, none, true, {}}}},
        {"one, receiver", 2, {{3, 12, none, true, {}}}},
        {"unknown count is one unit", 4, {{3, 1, none, true, {}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AppState app = State(0, c.units);
        CEnteredStatus s(app);
        for (const Step& st : c.steps) {
            EXPECT_EQ(s.Enter(st.slot, st.code), st.complete) << "slot " << st.slot;
            EXPECT_EQ(s.Code(st.slot), st.code);
            EXPECT_TRUE(s.IsEntered(st.slot));
            EXPECT_EQ(s.NextSlot(), st.next);
            EXPECT_EQ(s.IsComplete(), st.complete);
            ExpectEnabled(s, st.enabled);
        }
        // Only the chosen side carries codes.
        const bool emitter = c.steps.begin()->slot == 0;
        for (int slot = emitter ? 3 : 0; slot < (emitter ? 6 : 3); ++slot)
            EXPECT_EQ(s.Code(slot), 0);
    }
}

TEST(CEnteredStatus, RefusedEntriesChangeNothing)
{
    const AppState app = State(0, 0);
    CEnteredStatus s(app);
    EXPECT_FALSE(s.Enter(1, 1)); // not enabled yet
    EXPECT_FALSE(s.Enter(0, 0));
    EXPECT_FALSE(s.Enter(0, 15));
    EXPECT_FALSE(s.Enter(6, 1));
    EXPECT_FALSE(s.Enter(-1, 1));
    EXPECT_EQ(CodesOf(s), Codes{});
    ExpectEnabled(s, {0, 3});

    s.Enter(0, 2);
    EXPECT_FALSE(s.Enter(3, 1)); // receiver side locked out
    EXPECT_FALSE(s.Enter(0, 5)); // already entered
    EXPECT_EQ(CodesOf(s), (Codes{2, 0, 0, 0, 0, 0}));
    ExpectEnabled(s, {1});
}

TEST(CEnteredStatus, ConnectedSlots)
{
    const int units[] = {3, 2, 1, 1};
    const int index[] = {0, 1, 2, 9};
    for (int k = 0; k < 4; ++k) {
        const AppState app = State(0, index[k]);
        const CEnteredStatus s(app);
        EXPECT_EQ(s.Units(), units[k]);
        for (int slot = 0; slot < 6; ++slot)
            EXPECT_EQ(s.IsConnected(slot), slot % 3 < units[k]) << index[k] << " " << slot;
    }
}

TEST(CEnteredStatus, CaptionsFollowTheState)
{
    AppState app = State(0, 0);
    const CEnteredStatus s(app);
    CaptionSet c;
    s.Captions(0, c);
    EXPECT_EQ(c[12], "POWER\nOFF");
    app.m_nLanguage = 0;
    s.Captions(0, c);
    EXPECT_EQ(c[12], "电源OFF");
    app.m_nUnitsIndex = 2;
    s.Captions(1, c);
    EXPECT_EQ(c[1], "");
}

// A Main Sensor slot offers every code; any other slot the codes of the table
// rows that agree with what was entered before it.
TEST(CEnteredStatus, ChoicesAreTheCodesOfTheRowsThatAgree)
{
    Flags all;
    all.fill(true);
    struct Case { int series, units; std::vector<std::pair<int, int>> entered; int slot; Flags flags; };
    const Case cases[] = {
        {0, 2, {}, 0, all},
        {0, 2, {}, 3, all},
        {1, 1, {{0, 2}}, 1, FlagsOf({1, 2, 3, 4})}, // QL7A two units, "Two blinks": E2.2, E2.3, E2.1, E2.4
        {1, 1, {{0, 3}}, 1, FlagsOf({1})},          // "5 blinks": E3.1
        {1, 1, {{0, 4}}, 1, FlagsOf({1, 3})},       // E4.3, E4.1
        {0, 0, {{3, 2}}, 4, FlagsOf({1, 5, 7})},    // rows 2.1.x, 2.5.x and 2.7.x of the three-unit receiver table
        {0, 0, {{3, 2}, {4, 5}}, 5, FlagsOf({1, 4, 5})},
        {0, 0, {{0, 2}}, 1, FlagsOf({1, 5})},       // the emitter table has no code 7 there
        {0, 0, {{0, 1}, {1, 14}}, 2, Flags{}},      // no row has Sub Sensor 1 code 14
    };
    for (const Case& c : cases) {
        const AppState app = State(c.series, c.units);
        CEnteredStatus s(app);
        for (const auto& [slot, code] : c.entered)
            s.Enter(slot, code);
        EXPECT_EQ(s.Choices(c.slot), c.flags) << c.series << "/" << c.units << " slot " << c.slot;
    }
}

// From the start state, take every choice the model offers, slot by slot, to a
// complete entry. Every complete entry must match a row, and every row must be
// reached.
TEST(CEnteredStatus, ExhaustiveWalkReachesEveryRowAndOnlyRows)
{
    int entries = 0;
    for (int series : {0, 1}) {
        for (int units : {0, 1, 2}) {
            const AppState app = State(series, units);
            std::set<Codes> reached;
            std::set<Codes> tableKeys;
            for (int mainSlot : {0, 3}) {
                SCOPED_TRACE(testing::Message() << "series " << series << " units " << units
                                                << " side slot " << mainSlot);
                // QL7B keeps one table per side; the QL7-A table holds both.
                const DiagTable table = GetDiagTable(series, units, mainSlot == 0 ? 1 : 2);
                std::set<Codes> keys;
                for (int r = 0; r < table.count; ++r)
                    keys.insert(CodesOf(table.rows[r]));
                tableKeys.insert(keys.begin(), keys.end());

                std::function<void(const CEnteredStatus&)> walk = [&](const CEnteredStatus& at) {
                    const int slot = at.IsEnabled(mainSlot) ? mainSlot : at.NextSlot();
                    ASSERT_NE(slot, CEnteredStatus::kNoSlot);
                    const Flags flags = at.Choices(slot);
                    if (slot != mainSlot) {
                        EXPECT_EQ(flags, FullScan(app, at, slot));
                    }
                    CaptionSet captions;
                    at.Captions(slot, captions);
                    int offered = 0;
                    for (int code = 1; code <= 14; ++code) {
                        if (!flags[static_cast<std::size_t>(code - 1)] ||
                            captions[static_cast<std::size_t>(code)].empty())
                            continue;
                        ++offered;
                        CEnteredStatus next = at;
                        const bool complete = next.Enter(slot, code);
                        if (complete) {
                            const Codes c = CodesOf(next);
                            EXPECT_TRUE(keys.count(c)) << "entry without a row";
                            reached.insert(c);
                            ++entries;
                        } else {
                            walk(next);
                        }
                    }
                    EXPECT_GT(offered, 0) << "a slot with nothing to choose";
                };
                CEnteredStatus start(app);
                walk(start);
            }
            EXPECT_EQ(reached, tableKeys) << "series " << series << " units " << units;
        }
    }
    EXPECT_GT(entries, 0);
}
