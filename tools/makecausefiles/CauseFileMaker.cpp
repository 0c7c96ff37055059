#include "CauseFileMaker.h"

#include <cstdio>
#include <map>
#include <vector>

#include "data/AppState.h"
#include "data/DiagnosisTables.h"
#include "data/TextCatalogue.h"
#include "data/UnitRules.h"
#include "diagnosis/CFixNum.h"

namespace {

// Wording of both languages, [0] Chinese, [1] English, as in the catalogue;
// the unit names are the catalogue's own.
const LocalText* const kUnit[3] = {&g_strEmitterMain, &g_strEmitterSub1, &g_strEmitterSub2};
const LocalText kSide[2] = {{"投光器", "emitter"}, {"受光器", "receiver"}};
const LocalText kShows = {"显示", " shows "};       // between "<unit> <side>" and the quoted caption
const LocalText kShowsList = {"显示：", " shows:"}; // ends the heading of a list of statuses
const LocalText kListSep = {"，", ", "};
const LocalText kQuoteOpen = {"“", "\""};
const LocalText kQuoteClose = {"”", "\""};
// Error number, section; each says it is a sample.
const LocalText kCauseHead = {
    "原因示例文本：错误编号 %d（区段 %s），请替换为维护人员自己的原因说明。",
    "Sample cause for error number %d (section %s): replace it with the maintainer's own text."};
const LocalText kRemedyHead = {
    "处理方法示例文本：错误编号 %d（区段 %s），请替换为维护人员自己的处理方法。",
    "Sample remedy for error number %d (section %s): replace it with the maintainer's own text."};
const LocalText kStatusOne = {"状态：", "Status: "}; // prefix of the single status line
const LocalText kStatusMany = {"以下 %d 种状态均导致此错误编号：",
                               "Each of these %d statuses leads to this error number:"};
const LocalText kMore = {"……另有 %d 种状态未列出。", "... and %d further statuses not listed here."};
const LocalText kLampHead = {"指示灯：", "lamps: "};
const LocalText kLamp[2] = {{"投光停止灯", "emission-halt lamp"}, {"连琐功能灯", "interlock lamp"}};
const LocalText kLampState[2] = {{"熄灯", "unlit"}, {"亮灯", "lit"}};
const LocalText kEnd = {"。", "."};

template <typename... Args>
std::string Format(const char* fmt, Args... args)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

// Caption of the code in slot, on one line and quoted.
std::string QuotedCaption(const AppState& app, int slot, int code)
{
    const int lang = app.m_nLanguage;
    const std::string caption = code >= 1 && code <= 14 ? CFixNum(app).OneLineCaption(slot, code) : "?";
    return kQuoteOpen[lang] + caption + kQuoteClose[lang];
}

// The connected units' texts of one side, unit(u, slot) each, joined by separator.
template <typename UnitText>
std::string JoinUnits(const AppState& app, int side, const char* separator, UnitText unit)
{
    std::string text;
    for (int u = 0; u < UnitCount(app.m_nUnitsIndex); ++u) {
        if (u > 0)
            text += separator;
        text += unit(u, side == 1 ? u : 3 + u);
    }
    return text;
}

const char* WordSpace(int language)
{
    return language == 1 ? " " : "";
}

// "Main Sensor emitter shows "3", Sub Sensor 1 emitter shows "No error code""
std::string DescribeCodes(const AppState& app, const DiagRow& row)
{
    const int lang = app.m_nLanguage;
    const int side = SideOfCodes(row.m_nCode);
    return JoinUnits(app, side, kListSep[lang], [&](int u, int slot) {
        return (*kUnit[u])[lang] + std::string(WordSpace(lang)) + kSide[side - 1][lang] + kShows[lang] +
               QuotedCaption(app, slot, row.m_nCode[slot]);
    });
}

// "Main Sensor / Sub Sensor 1 emitter shows:", heading a list of statuses.
std::string CodesHeading(const AppState& app, int side)
{
    const int lang = app.m_nLanguage;
    return JoinUnits(app, side, " / ", [&](int u, int) { return std::string((*kUnit[u])[lang]); }) +
           WordSpace(lang) + kSide[side - 1][lang] + kShowsList[lang];
}

// "- "3" / "No error code"", one status under CodesHeading.
std::string CodesLine(const AppState& app, const DiagRow& row)
{
    return "- " + JoinUnits(app, SideOfCodes(row.m_nCode), " / ", [&](int, int slot) {
        return QuotedCaption(app, slot, row.m_nCode[slot]);
    });
}

// ", lamps: emission-halt lamp lit", or empty for a row without lamp conditions.
std::string DescribeLamps(int language, const DiagRow& row)
{
    std::string text;
    const int states[2] = {row.m_nHalt, row.m_nInterlock};
    for (int k = 0; k < 2; ++k) {
        if (states[k] != 1 && states[k] != 2)
            continue;
        if (!text.empty())
            text += kListSep[language];
        text += kLamp[k][language];
        text += WordSpace(language);
        text += kLampState[states[k] - 1][language];
    }
    return text.empty() ? text : kListSep[language] + (kLampHead[language] + text);
}

// The status (or statuses) that lead to one error number, as many as the value
// has room for; the ones left out are counted.
std::string StatusBlock(const AppState& app, const std::vector<DiagRow>& rows,
                        std::size_t budget)
{
    const int lang = app.m_nLanguage;
    if (rows.size() == 1) {
        // One line, so that a whole page fits the window's text box.
        return kStatusOne[lang] + DescribeCodes(app, rows[0]) + DescribeLamps(lang, rows[0]) + kEnd[lang];
    }

    std::string block = Format(kStatusMany[lang], static_cast<int>(rows.size()));
    // Room for the "further statuses" line, should it be needed.
    const std::size_t reserve = CauseFileMaker::Escape(Format(kMore[lang], 999)).size() + 2;
    std::size_t listed = 0;
    int side = 0;
    for (const DiagRow& row : rows) {
        std::string lines;
        if (SideOfCodes(row.m_nCode) != side)
            lines += "\n" + CodesHeading(app, SideOfCodes(row.m_nCode));
        lines += "\n" + CodesLine(app, row);
        lines += DescribeLamps(lang, row);
        const bool lastRow = listed + 1 == rows.size();
        const std::size_t need = CauseFileMaker::Escape(block + lines).size() + (lastRow ? 0 : reserve);
        if (need > budget)
            break;
        block += lines;
        side = SideOfCodes(row.m_nCode);
        ++listed;
    }
    if (listed < rows.size())
        block += "\n" + Format(kMore[lang], static_cast<int>(rows.size() - listed));
    return block;
}

struct Section {
    std::string name;
    int unitsIndex;
    int side;       // QL7B: the table's side; QL7-A: 0 (both sides in one table)
    int errNo;
    std::vector<DiagRow> rows;
};

std::vector<Section> SectionsOf(int series)
{
    std::vector<Section> sections;
    for (int units = 0; units < 3; ++units) {
        const std::vector<int> sides = series == 0 ? std::vector<int>{1, 2} : std::vector<int>{0};
        for (int side : sides) {
            const DiagTable table = GetDiagTable(series, units, side == 0 ? 1 : side);
            std::map<int, std::vector<DiagRow>> byErrNo;
            for (int i = 0; i < table.count; ++i)
                byErrNo[table.rows[i].m_nErrNo].push_back(table.rows[i]);
            for (auto& [errNo, rows] : byErrNo) {
                sections.push_back({SectionName(SectionPrefix(units), series, errNo, side), units, side, errNo,
                                    std::move(rows)});
            }
        }
    }
    return sections;
}

} // namespace

std::string CauseFileMaker::Escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (char ch : text) {
        if (ch == '\\')
            out += "\\\\";
        else if (ch == '\n')
            out += "\\n";
        else if (ch != '\r')
            out += ch;
    }
    return out;
}

std::string CauseFileMaker::FileText(int series, int language)
{
    std::string file;
    for (const Section& s : SectionsOf(series)) {
        AppState app;
        app.m_nLanguage = language;
        app.m_nSeries = series;
        app.m_nUnitsIndex = s.unitsIndex;

        const std::string causeHead = Format(kCauseHead[language], s.errNo, s.name.c_str());
        const std::string remedyHead = Format(kRemedyHead[language], s.errNo, s.name.c_str());

        auto value = [&](const std::string& head) {
            const std::size_t fixed = Escape(head + "\n").size();
            const std::size_t budget = kMaxValueBytes > fixed ? kMaxValueBytes - fixed : 0;
            return Escape(head + "\n" + StatusBlock(app, s.rows, budget));
        };

        file += "[" + s.name + "]\r\n";
        file += "ca=" + value(causeHead) + "\r\n";
        file += "re=" + value(remedyHead) + "\r\n";
        file += "\r\n";
    }
    return file;
}
