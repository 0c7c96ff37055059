#include "data/PictureTables.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "data/DiagnosisTables.h"

namespace {

// "h00 m01 ..." -> 13 codes; "" gives an empty row.
PictureRow Row(const std::string& text)
{
    PictureRow row;
    std::istringstream in(text);
    for (std::string& code : row)
        in >> code;
    return row;
}

const char* const kBase3 = "h00 m01 m01 m01 ha0 a01 a01 a01 h00 m01 m01 m01 b00";
const char* const kBase2 = "h00 m00 m01 m01 ha0 a00 a01 a01 h00 m00 m01 m01 b00";
const char* const kBase1 = "h00 m00 m00 m01 ha0 a00 a00 a01 h00 m00 m00 m01 b00";

struct Case {
    int series;
    int units;
    int side;
    int errNo;
    const char* errorRow;
    const char* baseRow;
};

// Rows written out in full, independent of how the tables store them.
const Case kCases[] = {
    {0, 0, 1, 3, "h02 m06 m06 m05 ha1 a03 a03 a02 h03 m10 m10 m09 b00", kBase3},
    {0, 1, 1, 109, "h00 m13 m06 m05 ha0 a05 a03 a02 h00 m14 m10 m09 b00", kBase2},
    {0, 1, 2, 175, "h00 m00 m01 m01 ha0 a00 a01 a01 h00 m00 m01 m08 b03", kBase2},
    {0, 0, 1, 2, kBase3, kBase3},
    {0, 1, 1, 108, kBase2, kBase2},
    {0, 2, 1, 149, kBase1, kBase1},
    {1, 0, 1, 1, "h00 m01 m01 m01 ha0 a01 a01 a01 h01 m11 m11 m03 b00", kBase3},
    {1, 1, 1, 1, "h00 m00 m01 m01 ha0 a00 a01 a01 h00 m12 m11 m03 b00", kBase2},
    {1, 2, 1, 1, "h00 m00 m00 m01 ha0 a00 a00 a01 h00 m00 m12 m03 b00", kBase1},
    {1, 1, 2, 6, "", kBase2},
    // A unit-count index other than 0 and 1 is one unit.
    {1, 5, 1, 1, "h00 m00 m00 m01 ha0 a00 a00 a01 h00 m00 m12 m03 b00", kBase1},
    {1, 5, 1, 3, "", kBase1},
    // QL7B: the error row follows the side, not the unit count.
    {0, 2, 1, 3, "h02 m06 m06 m05 ha1 a03 a03 a02 h03 m10 m10 m09 b00", kBase1},
    {0, 0, 2, 239, "h00 m00 m00 m01 ha0 a00 a00 a01 h00 m00 m12 m03 b00", kBase3},
    {0, 0, 7, 175, "h00 m00 m01 m01 ha0 a00 a01 a01 h00 m00 m01 m08 b03", kBase3},
    // Spot rows across the runs of both QL7B tables.
    {0, 0, 1, 1, "h00 m01 m01 m08 ha0 a01 a01 a01 h00 m01 m01 m01 b02", kBase3},
    {0, 0, 1, 6, "h00 m01 m01 m01 ha0 a01 a01 a01 h01 m11 m11 m11 b03", kBase3},
    {0, 0, 1, 17, "h01 m04 m03 m01 ha0 a01 a01 a01 h00 m01 m01 m01 b00", kBase3},
    {0, 0, 1, 92, "h01 m03 m01 m08 ha0 a01 a01 a01 h00 m01 m01 m01 b02", kBase3},
    {0, 0, 1, 141, "h00 m12 m03 m08 ha0 a00 a01 a01 h00 m00 m01 m01 b02", kBase3},
    {0, 0, 1, 161, "h00 m00 m00 m15 ha0 a00 a00 a04 h00 m00 m00 m16 b01", kBase3},
    {0, 0, 1, 163, "h00 m00 m12 m03 ha0 a00 a00 a01 h00 m00 m00 m01 b00", kBase3},
    {0, 0, 2, 6, "h01 m11 m11 m11 ha0 a01 a01 a01 h00 m01 m01 m01 b02", kBase3},
    {0, 0, 2, 66, "h00 m01 m01 m01 ha0 a01 a01 a01 h00 m02 m03 m08 b03", kBase3},
    {0, 0, 2, 92, "h00 m01 m01 m01 ha0 a01 a01 a01 h01 m04 m04 m03 b00", kBase3},
    {0, 0, 2, 173, "h00 m01 m01 m01 ha0 a01 a01 a01 h00 m01 m08 m07 b00", kBase3},
    {0, 0, 2, 180, "h00 m12 m11 m11 ha0 a00 a01 a01 h00 m00 m01 m01 b02", kBase3},
    {0, 0, 2, 214, "h00 m00 m01 m01 ha0 a00 a01 a01 h00 m12 m03 m08 b03", kBase3},
    {0, 0, 2, 226, "h00 m00 m13 m05 ha0 a00 a05 a02 h00 m00 m14 m09 b00", kBase3},
    {0, 0, 2, 230, "h00 m00 m12 m11 ha0 a00 a00 a01 h00 m00 m00 m01 b02", kBase3},
    {1, 0, 1, 3, "h02 m06 m05 m01 ha1 a03 a02 a01 h03 m10 m09 m01 b00", kBase3},
    {1, 0, 1, 26, "h00 m01 m01 m01 ha0 a01 a01 a01 h00 m08 m07 m01 b00", kBase3},
    {1, 1, 1, 25, "h00 m00 m01 m01 ha0 a00 a01 a01 h00 m00 m08 m07 b00", kBase2},
    {1, 2, 1, 24, "h00 m00 m00 m01 ha0 a00 a00 a01 h00 m00 m12 m07 b00", kBase1},
};

struct TableRef {
    const char* name;
    int series, units, side, rows;
};

const TableRef kTables[] = {
    {"QL7-A three", 1, 0, 1, 26}, {"QL7-A two", 1, 1, 1, 26}, {"QL7-A one", 1, 2, 1, 26},
    {"QL7B emitter", 0, 0, 1, 163}, {"QL7B receiver", 0, 0, 2, 239},
};

bool IsEmpty(const PictureRow& row)
{
    for (const std::string& c : row)
        if (!c.empty())
            return false;
    return true;
}

} // namespace

TEST(PictureTables, WorkedRows)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << "series " << c.series << " units " << c.units
                                        << " side " << c.side << " error " << c.errNo);
        PictureRow error, base;
        ASSERT_TRUE(GetPictureRows(c.series, c.units, c.errNo, c.side, error, base));
        EXPECT_EQ(error, Row(c.errorRow));
        EXPECT_EQ(base, Row(c.baseRow));
    }
}

TEST(PictureTables, BaseRowsByUnitCount)
{
    const std::pair<int, const char*> cases[] = {
        {0, kBase3}, {1, kBase2}, {2, kBase1}, {5, kBase1}, {-1, kBase1}};
    for (auto [units, text] : cases) {
        PictureRow row;
        GetBaseRow(units, row);
        EXPECT_EQ(row, Row(text)) << units;
    }
}

TEST(PictureTables, NumbersOutsideTheTableFailAndLeaveBothRowsAlone)
{
    const PictureRow marker = Row("x x x x x x x x x x x x x");
    const Case cases[] = {
        {0, 0, 1, 0, nullptr, nullptr},   {0, 0, 1, 164, nullptr, nullptr},
        {0, 0, 2, 240, nullptr, nullptr}, {0, 2, 2, -3, nullptr, nullptr},
        {1, 0, 1, 27, nullptr, nullptr},  {1, 1, 2, 0, nullptr, nullptr},
        {1, 2, 1, 27, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        PictureRow error = marker, base = marker;
        EXPECT_FALSE(GetPictureRows(c.series, c.units, c.errNo, c.side, error, base)) << c.errNo;
        EXPECT_EQ(error, marker);
        EXPECT_EQ(base, marker);
    }
    PictureRow error, base;
    EXPECT_TRUE(GetPictureRows(0, 0, 163, 1, error, base));
    EXPECT_TRUE(GetPictureRows(0, 0, 239, 2, error, base));
    EXPECT_TRUE(GetPictureRows(1, 0, 26, 1, error, base));
}

TEST(PictureTables, CodeOrderFollowsTheBitmapSlots)
{
    const std::pair<int, const char*> codes[] = {{0, "h00"}, {5, "ha1"}, {18, "m12"}, {22, "a03"}, {23, "b00"},
                                                 {24, "m13"}, {29, "a05"}, {30, "b01"}, {32, "b03"}};
    for (const auto& [slot, code] : codes)
        EXPECT_STREQ(g_pictureCodes[slot], code) << slot;
    std::set<std::string> distinct(g_pictureCodes.begin(), g_pictureCodes.end());
    EXPECT_EQ(distinct.size(), 33u);
}

TEST(PictureTables, EveryCodeIsKnownAndStandsInItsFamily)
{
    const std::set<std::string> known(g_pictureCodes.begin(), g_pictureCodes.end());
    // Which families may stand at each position.
    auto allowed = [](int pos, const std::string& code) {
        const std::string fam = code.substr(0, code[0] == 'h' && code[1] == 'a' ? 2 : 1);
        if (pos == 0 || pos == 8) return fam == "h";
        if (pos == 4) return fam == "ha";
        if (pos == 12) return fam == "b";
        if (pos >= 5 && pos <= 7) return fam == "a";
        return fam == "m";
    };
    for (const TableRef& t : kTables) {
        int empty = 0, equalToBase = 0;
        for (int n = 1; n <= t.rows; ++n) {
            PictureRow error, base;
            ASSERT_TRUE(GetPictureRows(t.series, t.units, n, t.side, error, base));
            if (IsEmpty(error)) {
                ++empty;
                continue;
            }
            for (int pos = 0; pos < 13; ++pos) {
                const std::string& code = error[static_cast<std::size_t>(pos)];
                EXPECT_TRUE(known.count(code)) << t.name << " row " << n << " pos " << pos;
                if (!code.empty()) {
                    EXPECT_TRUE(allowed(pos, code)) << t.name << " row " << n << " " << code;
                }
            }
            // QL7B rows differ from the base row of the unit count they belong to.
            PictureRow own;
            if (t.series == 0) {
                const int units = t.side == 1 ? (n <= 106 ? 0 : n <= 147 ? 1 : 2)
                                              : (n <= 174 ? 0 : n <= 223 ? 1 : 2);
                GetBaseRow(units, own);
            } else {
                own = base;
            }
            if (error == own)
                ++equalToBase;
        }
        SCOPED_TRACE(t.name);
        if (t.series == 0) {
            EXPECT_EQ(empty, 0);
            EXPECT_EQ(equalToBase, 3);
        }
    }
}

// Every error number a diagnosis row gives has a picture; the QL7-A rows are
// filled for exactly those numbers.
TEST(PictureTables, EveryDiagnosisRowHasAPictureAndQl7aRowsNoOthers)
{
    for (int series : {0, 1})
        for (int units = 0; units < 3; ++units)
            for (int side : {1, 2}) {
                if (series == 1 && side == 2)
                    continue; // the QL7-A table serves both sides
                const DiagTable table = GetDiagTable(series, units, side);
                std::set<int> used;
                for (int r = 0; r < table.count; ++r) {
                    const DiagRow& row = table.rows[r];
                    used.insert(row.m_nErrNo);
                    PictureRow error, base;
                    EXPECT_TRUE(GetPictureRows(series, units, row.m_nErrNo, row.m_nCode[0] == 0 ? 2 : 1, error, base));
                    EXPECT_FALSE(IsEmpty(error)) << series << "/" << units << "/" << side << " " << row.m_nErrNo;
                }
                std::set<int> filled;
                for (int n = 1; series == 1 && n <= 26; ++n) {
                    PictureRow error, base;
                    ASSERT_TRUE(GetPictureRows(1, units, n, 1, error, base));
                    if (!IsEmpty(error))
                        filled.insert(n);
                }
                if (series == 1) {
                    EXPECT_EQ(filled, used) << "units " << units;
                }
            }
}
