#include "diagnosis/CFixNum.h"

#include <algorithm>

#include "data/AppState.h"
#include "data/DiagnosisTables.h"
#include "data/UnitRules.h"

namespace {

// Words that differ between the languages; every other caption (digits and
// letters of the seven-segment indicator) reads the same in both.
enum Word { kNoCode, kPowerOff, kRemainsOff, kOneBlink, kTwoBlinks, kFiveBlinks,
            kOtherBlinks, kCertainBlinks, kPowerOffLamp, kWordCount };

const char* const kWords[2][kWordCount] = {
    {"无显示", "电源OFF", "無表示", "１回点滅", "２回点滅", "５回点滅", "２回点滅以外",
     "何らかの点滅", "電源ＯＦＦ"},
    {"No\nerror code", "POWER\nOFF", "Remains [OFF]", "One blinks", "Two blinks", "5 blinks",
     "Other than one or two blinks", "Certain blinks", "Power OFF"},
};

// A caption is either a Word or a literal text; a default one ends the set.
struct Caption {
    constexpr Caption() = default;
    constexpr Caption(Word w) : word(w) {}
    constexpr Caption(const char* t) : text(t) {}
    int word = -1;
    const char* text = nullptr;
};
using List = std::array<Caption, 14>;

// [slot 0..5][unit-count index 0..2]
constexpr List kQl7b[6][3] = {
    {{kNoCode, "1", "2", "3", "4", "5", "6", "7", "9", "c", "F", kPowerOff},
     {kNoCode, "1", "2", "3", "4", "5", "6", "9", "c", "F", kPowerOff},
     {kNoCode, "0", "1", "2", "4", "5", "6", "7", "8", "9", "c", "F", kPowerOff}},
    {{kNoCode, "0", "2", "3", "F", kPowerOff}, {kNoCode, "0", "2", "F", kPowerOff}, {}},
    {{kNoCode, "0", "2", "F", kPowerOff}, {}, {}},
    {{kNoCode, "1", "2", "3", "4", "5", "6", "7", "9", "c", "F", kPowerOff},
     {kNoCode, "1", "2", "3", "4", "5", "6", "7", "9", "c", "F", kPowerOff},
     {kNoCode, "0", "1", "2", "4", "5", "6", "7", "9", "c", "F", kPowerOff}},
    {{kNoCode, "0", "2", "3", "4", "9", "F", kPowerOff}, {kNoCode, "0", "2", "4", "F", kPowerOff}, {}},
    {{kNoCode, "0", "2", "4", "F", kPowerOff}, {}, {}},
};

constexpr List kQl7a[6][3] = {
    {{kRemainsOff, kTwoBlinks, kFiveBlinks, kOtherBlinks},
     {kRemainsOff, kTwoBlinks, kFiveBlinks, kOtherBlinks},
     {kRemainsOff, kOneBlink, kCertainBlinks}},
    {{kRemainsOff, kTwoBlinks, kPowerOffLamp, kOtherBlinks},
     {kRemainsOff, kOneBlink, kTwoBlinks, kPowerOffLamp}, {}},
    {{kRemainsOff, kOneBlink, kTwoBlinks, kPowerOffLamp, kOtherBlinks}, {}, {}},
    {{kRemainsOff, kTwoBlinks, kOtherBlinks},
     {kRemainsOff, kTwoBlinks, kOtherBlinks},
     {kRemainsOff, kOneBlink, kCertainBlinks}},
    {{kRemainsOff, kTwoBlinks, kPowerOffLamp, kOtherBlinks},
     {kRemainsOff, kOneBlink, kTwoBlinks, kPowerOffLamp}, {}},
    {{kRemainsOff, kOneBlink, kTwoBlinks, kPowerOffLamp, kOtherBlinks}, {}, {}},
};

} // namespace

void CFixNum::GetCaptions(int slot, CaptionSet& out) const
{
    const int lang = m_app.m_nLanguage;
    if (lang != 0 && lang != 1)
        return;
    out.fill(std::string());
    if (slot < 0 || slot > 5)
        return;
    const List& list = (m_app.m_nSeries == 1 ? kQl7a : kQl7b)[slot][UnitsRow(m_app.m_nUnitsIndex)];
    for (std::size_t i = 0; i < 14; ++i) {
        const Caption& c = list[i];
        if (c.text)
            out[i + 1] = c.text;
        else if (c.word >= 0)
            out[i + 1] = kWords[lang][c.word];
    }
}

std::string CFixNum::OneLineCaption(int slot, int code) const
{
    if (code < 1 || code > 14)
        return {};
    CaptionSet captions;
    GetCaptions(slot, captions);
    std::string text = captions[static_cast<std::size_t>(code)];
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

void CFixNum::GetMainEmitterCaptions(CaptionSet& out) const { GetCaptions(0, out); }
void CFixNum::GetSub1EmitterCaptions(CaptionSet& out) const { GetCaptions(1, out); }
void CFixNum::GetSub2EmitterCaptions(CaptionSet& out) const { GetCaptions(2, out); }
void CFixNum::GetMainReceiverCaptions(CaptionSet& out) const { GetCaptions(3, out); }
void CFixNum::GetSub1ReceiverCaptions(CaptionSet& out) const { GetCaptions(4, out); }
void CFixNum::GetSub2ReceiverCaptions(CaptionSet& out) const { GetCaptions(5, out); }

const DiagRow* CFixNum::GetTable(int mainEmitterCode) const
{
    return GetDiagTable(m_app.m_nSeries, m_app.m_nUnitsIndex, mainEmitterCode != 0 ? 1 : 2).rows;
}

int CFixNum::GetRowCount(int mainEmitterCode) const
{
    return GetDiagTable(m_app.m_nSeries, m_app.m_nUnitsIndex, mainEmitterCode != 0 ? 1 : 2).count;
}
