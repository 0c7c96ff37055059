#include "data/DiagnosisTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <vector>

#include "data/AppState.h"
#include "diagnosis/CFixNum.h"

namespace {

std::set<int> Range(int first, int last, std::set<int> without = {})
{
    std::set<int> s;
    for (int n = first; n <= last; ++n)
        if (!without.count(n))
            s.insert(n);
    return s;
}

struct TableCase {
    const char* name;
    int series, units, side; // side 0: both sides in one table
    int rows;
    std::set<int> errNos;
    int extraAfterConditions; // unconditional rows after the conditioned ones
};

const std::vector<TableCase>& Tables()
{
    static const std::vector<TableCase> cases = {
        {"QL7-A three", 1, 0, 0, 151, Range(1, 26), 0},
        {"QL7-A two", 1, 1, 0, 41, {1, 2, 3, 4, 5, 7, 11, 12, 14, 15, 16, 17, 18, 20, 24, 25}, 0},
        {"QL7-A one", 1, 2, 0, 11, {1, 2, 4, 11, 14, 15, 17, 24}, 0},
        {"QL7B three emitter", 0, 0, 1, 105, Range(1, 106, {92}), 0},
        {"QL7B two emitter", 0, 1, 1, 41, Range(107, 147), 0},
        {"QL7B one emitter", 0, 2, 1, 16, Range(148, 163), 0},
        {"QL7B three receiver", 0, 0, 2, 173, Range(1, 174, {173}), 2},
        {"QL7B two receiver", 0, 1, 2, 49, Range(175, 223), 1},
        {"QL7B one receiver", 0, 2, 2, 16, Range(224, 239), 0},
    };
    return cases;
}

std::vector<DiagRow> RowsOf(const TableCase& s)
{
    const DiagTable t = GetDiagTable(s.series, s.units, s.side == 0 ? 1 : s.side);
    return std::vector<DiagRow>(t.rows, t.rows + t.count);
}

using Codes = std::array<int, 6>;
Codes CodesOf(const DiagRow& r)
{
    return {r.m_nCode[0], r.m_nCode[1], r.m_nCode[2], r.m_nCode[3], r.m_nCode[4], r.m_nCode[5]};
}

bool IsReceiverRow(const DiagRow& r) { return r.m_nCode[0] == 0; }

int UnitCount(int unitsIndex) { return 3 - unitsIndex; }

// Each distinct key occurs as one run of consecutive rows.
template <typename Key>
void ExpectContiguous(const std::vector<DiagRow>& rows, Key key, const char* what)
{
    std::set<decltype(key(rows[0]))> closed;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto k = key(rows[i]);
        if (i > 0 && key(rows[i - 1]) != k)
            closed.insert(key(rows[i - 1]));
        EXPECT_FALSE(closed.count(k)) << what << " reappears at row " << i;
    }
}

} // namespace

TEST(DiagnosisTables, RowCountsAndErrorNumbers)
{
    int total = 0;
    for (const TableCase& s : Tables()) {
        SCOPED_TRACE(s.name);
        const std::vector<DiagRow> rows = RowsOf(s);
        EXPECT_EQ(static_cast<int>(rows.size()), s.rows);
        std::set<int> errNos;
        for (const DiagRow& r : rows)
            errNos.insert(r.m_nErrNo);
        EXPECT_EQ(errNos, s.errNos);
        total += static_cast<int>(rows.size());
    }
    EXPECT_EQ(total, 603);
}

TEST(DiagnosisTables, SelectionBySeriesUnitsAndSide)
{
    // The QL7-A table serves both sides; any unknown unit-count index is one unit.
    EXPECT_EQ(GetDiagTable(1, 0, 1).rows, GetDiagTable(1, 0, 2).rows);
    EXPECT_EQ(GetDiagTable(0, 5, 1).rows, GetDiagTable(0, 2, 1).rows);
    EXPECT_EQ(GetDiagTable(0, -1, 2).rows, GetDiagTable(0, 2, 2).rows);
    EXPECT_EQ(GetDiagTable(0, 0, 0).rows, GetDiagTable(0, 0, 2).rows);
    EXPECT_NE(GetDiagTable(0, 0, 1).rows, GetDiagTable(0, 0, 2).rows);
}

TEST(DiagnosisTables, CodesOnOneSideOfConnectedUnitsOnly)
{
    for (const TableCase& s : Tables()) {
        SCOPED_TRACE(s.name);
        AppState app;
        app.m_nLanguage = 1;
        app.m_nSeries = s.series;
        app.m_nUnitsIndex = s.units;
        const CFixNum fix(app);
        for (const DiagRow& r : RowsOf(s)) {
            const bool receiver = IsReceiverRow(r);
            if (s.side != 0) {
                EXPECT_EQ(receiver, s.side == 2) << r.m_nErrNo;
            }
            const int base = receiver ? 3 : 0;
            for (int slot = 0; slot < 6; ++slot) {
                const int unit = slot - base;
                const int code = r.m_nCode[slot];
                if (unit < 0 || unit >= 3 || unit >= UnitCount(s.units)) {
                    EXPECT_EQ(code, 0) << "error " << r.m_nErrNo << " slot " << slot;
                    continue;
                }
                ASSERT_GE(code, 1) << "error " << r.m_nErrNo << " slot " << slot;
                ASSERT_LE(code, 14);
                // The code must name an entry that the picker can show.
                CaptionSet captions;
                fix.GetCaptions(slot, captions);
                EXPECT_FALSE(captions[static_cast<std::size_t>(code)].empty())
                    << "error " << r.m_nErrNo << " slot " << slot << " code " << code;
            }
        }
    }
}

TEST(DiagnosisTables, GroupsAreContiguousAndShort)
{
    for (const TableCase& s : Tables()) {
        SCOPED_TRACE(s.name);
        const std::vector<DiagRow> rows = RowsOf(s);
        ExpectContiguous(rows, [](const DiagRow& r) { return std::make_pair(r.m_nCode[0], r.m_nCode[3]); },
                         "Main Sensor code");
        ExpectContiguous(rows, CodesOf, "key");
        int run = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            run = (i > 0 && CodesOf(rows[i]) == CodesOf(rows[i - 1])) ? run + 1 : 1;
            EXPECT_LE(run, 9) << "row " << i;
        }
    }
}

TEST(DiagnosisTables, Ql7bTablesAreOrderedWithUniqueErrorNumbers)
{
    for (const TableCase& s : Tables()) {
        if (s.series != 0)
            continue;
        SCOPED_TRACE(s.name);
        const std::vector<DiagRow> rows = RowsOf(s);
        EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [](const DiagRow& a, const DiagRow& b) {
            return CodesOf(a) < CodesOf(b);
        }));
        std::multiset<int> errNos;
        for (const DiagRow& r : rows)
            errNos.insert(r.m_nErrNo);
        for (int n : errNos)
            EXPECT_EQ(errNos.count(n), 1u) << n;
    }
}

TEST(DiagnosisTables, LampConditionsOnlyOnTheAllClearKey)
{
    for (const TableCase& s : Tables()) {
        SCOPED_TRACE(s.name);
        const std::vector<DiagRow> rows = RowsOf(s);
        std::set<Codes> keysWithConditions;
        for (const DiagRow& r : rows) {
            EXPECT_GE(r.m_nHalt, 0);
            EXPECT_LE(r.m_nHalt, 2);
            EXPECT_GE(r.m_nInterlock, 0);
            EXPECT_LE(r.m_nInterlock, 2);
            EXPECT_EQ(r.m_nHalt == 1, r.m_nInterlock == 1) << r.m_nErrNo;
            if (r.m_nHalt || r.m_nInterlock)
                keysWithConditions.insert(CodesOf(r));
        }
        if (s.series == 1) {
            EXPECT_TRUE(keysWithConditions.empty());
            continue;
        }
        // The key where every connected unit of the side shows code 1.
        Codes allClear{};
        for (int u = 0; u < UnitCount(s.units); ++u)
            allClear[static_cast<std::size_t>((s.side == 2 ? 3 : 0) + u)] = 1;
        ASSERT_EQ(keysWithConditions, std::set<Codes>{allClear});

        std::vector<std::pair<int, int>> group;
        for (const DiagRow& r : rows)
            if (CodesOf(r) == allClear)
                group.emplace_back(r.m_nHalt, r.m_nInterlock);
        std::vector<std::pair<int, int>> expected = {{0, 0}, {1, 1}, {2, 0}, {0, 2}};
        for (int i = 0; i < s.extraAfterConditions; ++i)
            expected.emplace_back(0, 0);
        EXPECT_EQ(group, expected);
    }
}

TEST(DiagnosisTables, SampleRowsInFull)
{
    struct Sample {
        int series, units, side, index;
        std::array<int, 9> row;
    };
    const Sample samples[] = {
        // One unit, Main Sensor "No error code": the four lamp variants.
        {0, 2, 1, 0, {1, 0, 0, 0, 0, 0, 0, 0, 149}},
        {0, 2, 1, 1, {1, 0, 0, 0, 0, 0, 1, 1, 150}},
        {0, 2, 1, 2, {1, 0, 0, 0, 0, 0, 2, 0, 151}},
        {0, 2, 1, 3, {1, 0, 0, 0, 0, 0, 0, 2, 152}},
        {0, 2, 1, 15, {13, 0, 0, 0, 0, 0, 0, 0, 148}},
        {0, 0, 1, 104, {12, 6, 5, 0, 0, 0, 0, 0, 1}},
        {0, 0, 2, 5, {0, 0, 0, 1, 1, 1, 0, 0, 167}},
        {0, 0, 2, 172, {0, 0, 0, 12, 8, 6, 0, 0, 1}},
        {0, 1, 2, 4, {0, 0, 0, 1, 1, 0, 0, 0, 219}},
        {0, 1, 2, 48, {0, 0, 0, 12, 6, 0, 0, 0, 175}},
        {0, 2, 2, 13, {0, 0, 0, 10, 0, 0, 0, 0, 230}},
        {1, 0, 1, 0, {2, 2, 2, 0, 0, 0, 0, 0, 11}},
        {1, 0, 1, 150, {0, 0, 0, 1, 1, 4, 0, 0, 26}},
        {1, 1, 1, 40, {0, 0, 0, 1, 4, 0, 0, 0, 25}},
        {1, 2, 1, 0, {2, 0, 0, 0, 0, 0, 0, 0, 11}},
        {1, 2, 1, 10, {0, 0, 0, 2, 0, 0, 0, 0, 24}},
    };
    for (const Sample& s : samples) {
        const DiagTable t = GetDiagTable(s.series, s.units, s.side);
        ASSERT_LT(s.index, t.count);
        const DiagRow& r = t.rows[s.index];
        const std::array<int, 9> got = {r.m_nCode[0], r.m_nCode[1], r.m_nCode[2],
                                        r.m_nCode[3], r.m_nCode[4], r.m_nCode[5],
                                        r.m_nHalt,    r.m_nInterlock, r.m_nErrNo};
        EXPECT_EQ(got, s.row) << "series " << s.series << " units " << s.units << " side " << s.side
                              << " row " << s.index;
    }
}

TEST(DiagnosisTables, Ql7aThreeUnitErrorFrequencies)
{
    // Shared error numbers recur under many keys; a dropped or doubled group shows here.
    std::map<int, int> count;
    for (const DiagRow& r : RowsOf(Tables()[0]))
        ++count[r.m_nErrNo];
    const std::map<int, int> expected = {{12, 18}, {25, 18}, {13, 12}, {26, 12}, {1, 1}, {2, 2}, {14, 1}};
    for (const auto& [errNo, times] : expected)
        EXPECT_EQ(count[errNo], times) << errNo;
}
