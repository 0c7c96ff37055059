#include "data/DiagnosisTables.h"

#include "data/UnitRules.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

// Each table is written as its groups in row order, "key: error numbers".
// A key holds the codes of the side's connected units, Main Sensor first; in
// tables that hold both sides it starts with E (emitter) or R (receiver).
// "n[h,i]" gives error number n the halt-lamp condition h and the
// interlock-lamp condition i; a plain number has both conditions 0.

// QL7B series, three units, emitter table, 105 rows
const char* const kQl7bEmitterThree =
    "1.1.1: 2, 3[1,1], 4[2,0], 5[0,2]; 1.1.4: 101; 1.1.5: 102; 1.5.1: 63; 1.5.3: 62; 1.5.4: 81; "
    "1.6.5: 99; 2.1.1: 20; 2.1.4: 83; 2.5.1: 68; 2.5.4: 96; 3.1.1: 13, 24, 30, 34; 3.1.2: 12; "
    "3.1.4: 23, 29, 33, 67, 84, 103; 3.1.5: 104; 3.2.1: 11; 3.2.2: 10; 3.2.3: 8, 18; 3.3.1: 28; "
    "3.3.2: 9, 19; 3.3.3: 98; 3.3.4: 7, 27, 66, 85, 105; 3.3.5: 106; 3.4.1: 36; "
    "3.5.1: 22, 26, 32, 65, 69; 3.5.3: 64, 70; 3.5.4: 21, 25, 31, 82; 3.6.5: 100; 4.1.1: 35; "
    "5.1.1: 40; 5.1.3: 39; 5.1.4: 86; 5.3.1: 38; 5.3.3: 37; 5.3.4: 87; 5.5.1: 71; 5.5.3: 72; "
    "6.1.1: 42; 6.1.3: 41; 6.1.4: 88; 6.3.1: 44; 6.3.3: 43; 6.3.4: 89; 6.5.1: 73; 6.5.3: 74; "
    "7.1.1: 49; 7.1.3: 50; 7.1.4: 51; 7.3.1: 52; 7.3.3: 53; 7.3.4: 54, 93; 7.5.1: 55, 77; "
    "7.5.3: 56, 78; 7.5.4: 57; 8.1.1: 17; 8.1.2: 16; 8.2.1: 15; 8.2.2: 14; 9.1.1: 46; 9.1.3: 45; "
    "9.1.4: 90; 9.3.1: 48; 9.3.3: 47; 9.3.4: 91; 9.5.1: 75; 9.5.3: 76; 10.1.1: 6; 11.1.1: 59; "
    "11.1.3: 58; 11.1.4: 94; 11.3.1: 61; 11.3.3: 60; 11.3.4: 95; 11.5.1: 79; 11.5.3: 80; "
    "11.5.4: 97; 12.6.5: 1";

// QL7B series, two units, emitter table, 41 rows
const char* const kQl7bEmitterTwo =
    "1.1: 108, 109[1,1], 110[2,0], 111[0,2]; 1.4: 134, 147; 1.5: 145; 2.1: 116; 2.4: 136, 143; "
    "3.1: 118, 120, 122; 3.2: 114, 115; 3.3: 144; 3.4: 113, 117, 119, 135, 137; 3.5: 146; "
    "4.1: 121; 5.1: 124; 5.3: 123; 5.4: 138; 6.1: 126; 6.3: 125; 6.4: 139; 7.1: 129; 7.3: 130; "
    "7.4: 131, 141; 8.1: 128; 8.3: 127; 8.4: 140; 9.1: 112; 10.1: 133; 10.3: 132; 10.4: 142; "
    "11.5: 107";

// QL7B series, one unit, emitter table, 16 rows
const char* const kQl7bEmitterOne =
    "1: 149, 150[1,1], 151[2,0], 152[0,2]; 2: 155; 3: 156; 4: 157; 5: 158; 6: 159; 7: 160; "
    "8: 153; 9: 161; 10: 162; 11: 154; 12: 163; 13: 148";

// QL7B series, three units, receiver table, 173 rows
const char* const kQl7bReceiverThree =
    "1.1.1: 2, 3[1,1], 4[2,0], 5[0,2], 149, 167; 1.1.2: 150, 168; 1.1.4: 44; 1.1.5: 46; "
    "1.1.6: 151, 169; 1.2.1: 152; 1.2.2: 153; 1.2.6: 154; 1.3.1: 170; 1.3.2: 171; 1.3.3: 72; "
    "1.3.5: 47, 74; 1.3.6: 172; 1.5.1: 38; 1.5.4: 82; 1.5.5: 83; 1.6.3: 76; 1.6.4: 78; "
    "1.6.5: 80; 1.7.1: 40; 1.7.3: 41, 84; 1.7.4: 86; 1.7.5: 88; 1.8.1: 155; 1.8.2: 156; "
    "1.8.6: 157; 2.1.1: 13; 2.1.5: 90; 2.5.1: 50; 2.5.4: 115; 2.5.5: 116; 2.7.1: 51; 2.7.4: 117; "
    "2.7.5: 118; 3.1.1: 15, 20, 158; 3.1.2: 14, 159, 174; 3.1.3: 91; 3.1.5: 48, 93; 3.1.6: 160; "
    "3.2.1: 17, 161; 3.2.2: 7, 16, 162; 3.2.3: 12; 3.2.6: 163; 3.3.1: 18, 52; 3.3.2: 8, 11, 19; "
    "3.3.3: 9, 53, 73, 92, 119, 148; 3.3.5: 10, 49, 75, 94, 120; 3.4.1: 22; 3.6.3: 77; "
    "3.6.4: 79; 3.6.5: 81; 3.7.1: 42, 54; 3.7.3: 43, 55, 85, 121; 3.7.5: 89, 122; 3.8.1: 164; "
    "3.8.2: 165; 3.8.6: 166; 4.1.1: 21; 5.1.1: 23; 5.1.4: 95; 5.1.5: 96; 5.5.1: 56; 5.5.4: 123; "
    "5.5.5: 124; 5.7.1: 57; 5.7.4: 125; 5.7.5: 126; 6.1.1: 24; 6.1.3: 97; 6.1.4: 100; "
    "6.1.5: 104; 6.3.4: 101; 6.5.4: 128; 6.5.5: 130; 6.7.1: 61; 6.7.4: 133; 6.7.5: 135; "
    "7.1.1: 29; 7.1.2: 30; 7.1.5: 107; 7.2.1: 31; 7.2.2: 32; 7.7.1: 64; 8.1.1: 37; 8.1.4: 108; "
    "8.1.5: 109; 8.5.1: 65; 8.5.4: 137; 8.5.5: 138; 8.7.1: 66; 8.7.4: 139; 8.7.5: 140; "
    "9.1.1: 25; 9.1.3: 26, 98; 9.1.4: 102; 9.1.5: 105; 9.3.1: 27, 58; 9.3.3: 28, 59, 99, 127; "
    "9.3.4: 103; 9.3.5: 106; 9.5.1: 60; 9.5.4: 129; 9.5.5: 131; 9.7.1: 62; 9.7.3: 63, 132; "
    "9.7.4: 134; 9.7.5: 136; 10.1.1: 6; 10.1.5: 45; 10.7.1: 39; 10.7.4: 87; 11.1.1: 33; "
    "11.1.3: 34, 110; 11.1.4: 112; 11.1.5: 113; 11.3.1: 35, 67; 11.3.3: 36, 68, 111, 141; "
    "11.3.5: 114, 142; 11.5.1: 69; 11.5.4: 143; 11.5.5: 144; 11.7.1: 70; 11.7.3: 71, 145; "
    "11.7.4: 146; 11.7.5: 147; 12.8.6: 1";

// QL7B series, two units, receiver table, 49 rows
const char* const kQl7bReceiverTwo =
    "1.1: 176, 177[1,1], 178[2,0], 179[0,2], 219; 1.2: 220; 1.4: 198; 1.5: 200; 1.6: 221; "
    "2.1: 184; 2.5: 202; 3.1: 186, 187; 3.2: 181, 185, 222; 3.3: 182, 183, 203, 218; "
    "3.5: 201, 204; 3.6: 223; 4.1: 188; 5.1: 189; 5.4: 205; 6.1: 190; 6.3: 206; 6.4: 208; "
    "6.5: 210; 7.1: 193; 7.2: 194; 7.5: 212; 8.1: 197; 8.4: 213; 8.5: 214; 9.1: 191; "
    "9.3: 192, 207; 9.4: 209; 9.5: 211; 10.1: 180; 10.5: 199; 11.1: 195; 11.3: 196, 215; "
    "11.4: 216; 11.5: 217; 12.6: 175";

// QL7B series, one unit, receiver table, 16 rows
const char* const kQl7bReceiverOne =
    "1: 225, 226[1,1], 227[2,0], 228[0,2]; 2: 231; 3: 232; 4: 233; 5: 234; 6: 235; 7: 236; "
    "8: 237; 9: 238; 10: 229, 230; 11: 239; 12: 224";

// QL7-A series, three units, 151 rows
const char* const kQl7aThree =
    "E2.2.2: 11; E2.2.3: 12, 13; E2.2.5: 6; E2.2.4: 12, 13; E2.2.1: 12, 13; E2.4.3: 5; "
    "E2.4.5: 8; E2.4.1: 5, 8; E2.3.3: 12; E2.3.4: 12; E2.3.1: 12; E2.1.2: 11; E2.1.3: 12, 13; "
    "E2.1.5: 6, 8; E2.1.4: 12, 13; E2.1.1: 8, 12, 13; E4.2.3: 4; E4.2.5: 9; E4.2.1: 4, 9; "
    "E4.4.3: 7; E4.4.5: 10; E4.4.1: 7, 10; E4.1.3: 4, 7; E4.1.5: 9, 10; E4.1.1: 4, 7, 9, 10; "
    "E3.1.1: 2; E1.2.2: 11; E1.2.3: 12, 13; E1.2.5: 6, 9; E1.2.4: 12, 13; E1.2.1: 9, 12, 13; "
    "E1.4.3: 5, 7; E1.4.5: 8, 10; E1.4.1: 5, 7, 8, 10; E1.3.3: 12; E1.3.4: 12; E1.3.1: 12; "
    "E1.1.2: 11; E1.1.3: 7, 12, 13; E1.1.5: 6, 8, 9, 10; E1.1.4: 12, 13; "
    "E1.1.1: 1, 2, 3, 7, 8, 9, 10, 12, 13; R2.2.2: 24; R2.2.3: 25, 26; R2.2.5: 19; "
    "R2.2.1: 25, 26; R2.2.4: 25, 26; R2.4.3: 18; R2.4.5: 21; R2.4.1: 18, 21; R2.3.3: 25; "
    "R2.3.4: 25; R2.3.1: 25; R2.1.2: 24; R2.1.3: 25, 26; R2.1.5: 19, 21; R2.1.4: 25, 26; "
    "R2.1.1: 21, 25, 26; R3.2.3: 17; R3.2.5: 22; R3.2.1: 17, 22; R3.4.3: 20; R3.4.5: 23; "
    "R3.4.1: 20, 23; R3.1.3: 17, 20; R3.1.5: 22, 23; R3.1.1: 17, 20, 22, 23; R1.2.2: 24; "
    "R1.2.3: 25, 26; R1.2.5: 19; R1.2.1: 25, 26; R1.2.4: 25, 26; R1.4.3: 18; R1.4.5: 21; "
    "R1.4.1: 18, 21; R1.3.3: 25; R1.3.1: 25; R1.3.4: 25; R1.1.2: 24; R1.1.3: 25, 26; "
    "R1.1.5: 19, 21; R1.1.1: 14, 15, 16, 21, 25, 26; R1.1.4: 25, 26";

// QL7-A series, two units, 41 rows
const char* const kQl7aTwo =
    "E2.2: 11; E2.3: 5, 12; E2.1: 5, 12; E2.4: 12; E4.3: 4, 7; E4.1: 4, 7; E3.1: 2; E1.2: 11; "
    "E1.3: 5, 7, 12; E1.1: 1, 2, 3, 5, 7, 12; E1.4: 12; R2.2: 24; R2.3: 18, 25; R2.1: 18, 25; "
    "R2.4: 25; R3.3: 17, 20; R3.1: 17, 20; R1.2: 24; R1.3: 18, 25; R1.1: 14, 15, 16, 18, 25; "
    "R1.4: 25";

// QL7-A series, one unit, 11 rows
const char* const kQl7aOne =
    "E2: 11; E3: 4; E1: 1, 2, 11; R1: 14, 15, 17, 24; R3: 17; R2: 24";

enum class Side { Emitter, Receiver, FromKey };

class GroupParser {
public:
    explicit GroupParser(const char* text) : m_p(text) {}

    std::vector<DiagRow> Parse(Side side)
    {
        std::vector<DiagRow> rows;
        while (*m_p) {
            bool receiver = side == Side::Receiver;
            if (side == Side::FromKey) {
                receiver = *m_p == 'R';
                Expect(receiver ? "R" : "E");
            }
            DiagRow key{};
            const int base = receiver ? 3 : 0;
            int unit = 0;
            do {
                if (unit == 3)
                    Fail();
                key.m_nCode[base + unit++] = Number();
            } while (Accept('.'));
            Expect(": ");
            do {
                DiagRow row = key;
                row.m_nErrNo = Number();
                if (Accept('[')) {
                    row.m_nHalt = Number();
                    Expect(",");
                    row.m_nInterlock = Number();
                    Expect("]");
                }
                rows.push_back(row);
            } while (Accept(',') && Accept(' '));
            if (*m_p)
                Expect("; ");
        }
        return rows;
    }

private:
    // The texts are constants of this file: a slip in one is a build defect.
    [[noreturn]] static void Fail() { std::abort(); }

    bool Accept(char c)
    {
        if (*m_p != c)
            return false;
        ++m_p;
        return true;
    }
    void Expect(std::string_view text)
    {
        for (char c : text)
            if (!Accept(c))
                Fail();
    }
    int Number()
    {
        if (!std::isdigit(static_cast<unsigned char>(*m_p)))
            Fail();
        int n = 0;
        while (std::isdigit(static_cast<unsigned char>(*m_p)))
            n = n * 10 + (*m_p++ - '0');
        return n;
    }

    const char* m_p;
};

// [QL7B emitter, QL7B receiver, QL7-A][unit-count index 0..2]
using Tables = std::array<std::array<std::vector<DiagRow>, 3>, 3>;

const Tables& AllTables()
{
    static const Tables tables = [] {
        const char* const texts[3][3] = {{kQl7bEmitterThree, kQl7bEmitterTwo, kQl7bEmitterOne},
                                         {kQl7bReceiverThree, kQl7bReceiverTwo, kQl7bReceiverOne},
                                         {kQl7aThree, kQl7aTwo, kQl7aOne}};
        const Side sides[3] = {Side::Emitter, Side::Receiver, Side::FromKey};
        Tables t;
        for (int kind = 0; kind < 3; ++kind)
            for (int units = 0; units < 3; ++units)
                t[kind][units] = GroupParser(texts[kind][units]).Parse(sides[kind]);
        return t;
    }();
    return tables;
}

} // namespace

DiagTable GetDiagTable(int series, int unitsIndex, int side)
{
    const int kind = series == 1 ? 2 : side == 1 ? 0 : 1;
    const std::vector<DiagRow>& rows = AllTables()[kind][UnitsRow(unitsIndex)];
    return DiagTable{rows.data(), static_cast<int>(rows.size())};
}
