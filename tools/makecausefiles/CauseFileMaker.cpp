#include "CauseFileMaker.h"

#include <cstdio>
#include <map>
#include <vector>

#include "data/AppState.h"
#include "data/DiagnosisTables.h"
#include "data/UnitRules.h"
#include "diagnosis/CFixNum.h"

namespace {

// Wording of both languages: [0] Chinese, [1] English.
struct Words {
    const char* unit[3];
    const char* side[2];       // emitter, receiver
    const char* shows;         // between "<unit> <side>" and the quoted caption
    const char* showsList;     // ends the heading of a list of statuses
    const char* listSep;
    const char* quoteOpen;
    const char* quoteClose;
    const char* causeHead;     // error number, section; says it is a sample
    const char* remedyHead;    // error number, section; says it is a sample
    const char* statusOne;     // prefix of the single status line
    const char* statusMany;    // count of statuses
    const char* more;          // count of statuses left out
    const char* lampHead;
    const char* lamp[2];       // halt, interlock
    const char* lampState[2];  // unlit, lit
    const char* end;
};

const Words kWords[2] = {
    {
        {"主传感器", "辅助传感器1", "辅助传感器2"},
        {"投光器", "受光器"},
        "显示",
        "显示：",
        "，",
        "“",
        "”",
        "原因示例文本：错误编号 %d（区段 %s），请替换为维护人员自己的原因说明。",
        "处理方法示例文本：错误编号 %d（区段 %s），请替换为维护人员自己的处理方法。",
        "状态：",
        "以下 %d 种状态均导致此错误编号：",
        "……另有 %d 种状态未列出。",
        "指示灯：",
        {"投光停止灯", "连琐功能灯"},
        {"熄灯", "亮灯"},
        "。",
    },
    {
        {"Main Sensor", "Sub Sensor 1", "Sub Sensor 2"},
        {"emitter", "receiver"},
        " shows ",
        " shows:",
        ", ",
        "\"",
        "\"",
        "Sample cause for error number %d (section %s): replace it with the maintainer's own text.",
        "Sample remedy for error number %d (section %s): replace it with the maintainer's own text.",
        "Status: ",
        "Each of these %d statuses leads to this error number:",
        "... and %d further statuses not listed here.",
        "lamps: ",
        {"emission-halt lamp", "interlock lamp"},
        {"unlit", "lit"},
        ".",
    },
};


template <typename... Args>
std::string Format(const char* fmt, Args... args)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

std::string OneLine(std::string caption)
{
    for (char& ch : caption)
        if (ch == '\n')
            ch = ' ';
    return caption;
}

// Caption of the code in slot, on one line and quoted.
std::string QuotedCaption(const AppState& app, int slot, int code)
{
    const Words& w = kWords[app.m_nLanguage];
    CaptionSet captions;
    CFixNum(app).GetCaptions(slot, captions);
    const std::string caption = code >= 1 && code <= 14 ? OneLine(captions[code]) : "?";
    return w.quoteOpen + caption + w.quoteClose;
}

std::string UnitSide(int language, int unit, int side)
{
    const Words& w = kWords[language];
    return std::string(w.unit[unit]) + (language == 1 ? " " : "") + w.side[side - 1];
}

// "Main Sensor emitter shows "3", Sub Sensor 1 emitter shows "No error code""
std::string DescribeCodes(const AppState& app, const DiagRow& row)
{
    const Words& w = kWords[app.m_nLanguage];
    const int side = SideOfCodes(row.m_nCode);
    std::string text;
    for (int u = 0; u < UnitCount(app.m_nUnitsIndex); ++u) {
        const int slot = side == 1 ? u : 3 + u;
        if (u > 0)
            text += w.listSep;
        text += UnitSide(app.m_nLanguage, u, side) + w.shows + QuotedCaption(app, slot, row.m_nCode[slot]);
    }
    return text;
}

// "Main Sensor / Sub Sensor 1 emitter shows:", heading a list of statuses.
std::string CodesHeading(const AppState& app, int side)
{
    const Words& w = kWords[app.m_nLanguage];
    std::string text;
    for (int u = 0; u < UnitCount(app.m_nUnitsIndex); ++u) {
        if (u > 0)
            text += " / ";
        text += w.unit[u];
    }
    text += app.m_nLanguage == 1 ? " " : "";
    text += w.side[side - 1];
    text += w.showsList;
    return text;
}

// "- "3" / "No error code"", one status under CodesHeading.
std::string CodesLine(const AppState& app, const DiagRow& row)
{
    const int side = SideOfCodes(row.m_nCode);
    std::string text = "- ";
    for (int u = 0; u < UnitCount(app.m_nUnitsIndex); ++u) {
        const int slot = side == 1 ? u : 3 + u;
        if (u > 0)
            text += " / ";
        text += QuotedCaption(app, slot, row.m_nCode[slot]);
    }
    return text;
}

std::string DescribeLamps(int language, const DiagRow& row)
{
    const Words& w = kWords[language];
    std::string text;
    const int states[2] = {row.m_nHalt, row.m_nInterlock};
    for (int k = 0; k < 2; ++k) {
        if (states[k] != 1 && states[k] != 2)
            continue;
        if (!text.empty())
            text += w.listSep;
        text += w.lamp[k];
        if (language == 1)
            text += ' ';
        text += w.lampState[states[k] - 1];
    }
    return text;
}

// The status (or statuses) that lead to one error number, as many as the value
// has room for; the ones left out are counted.
std::string StatusBlock(const AppState& app, const std::vector<DiagRow>& rows,
                        std::size_t budget)
{
    const Words& w = kWords[app.m_nLanguage];
    if (rows.size() == 1) {
        // One line, so that a whole page fits the window's text box.
        std::string block = w.statusOne + DescribeCodes(app, rows[0]);
        const std::string lamps = DescribeLamps(app.m_nLanguage, rows[0]);
        if (!lamps.empty())
            block += std::string(w.listSep) + w.lampHead + lamps;
        return block + w.end;
    }

    std::string block = Format(w.statusMany, static_cast<int>(rows.size()));
    // Room for the "further statuses" line, should it be needed.
    const std::size_t reserve = CauseFileMaker::Escape(Format(w.more, 999)).size() + 2;
    std::size_t listed = 0;
    int side = 0;
    for (const DiagRow& row : rows) {
        std::string lines;
        if (SideOfCodes(row.m_nCode) != side)
            lines += "\n" + CodesHeading(app, SideOfCodes(row.m_nCode));
        lines += "\n" + CodesLine(app, row);
        const std::string lamps = DescribeLamps(app.m_nLanguage, row);
        if (!lamps.empty())
            lines += std::string(w.listSep) + w.lampHead + lamps;
        const bool lastRow = listed + 1 == rows.size();
        const std::size_t need = CauseFileMaker::Escape(block + lines).size() + (lastRow ? 0 : reserve);
        if (need > budget)
            break;
        block += lines;
        side = SideOfCodes(row.m_nCode);
        ++listed;
    }
    if (listed < rows.size())
        block += "\n" + Format(w.more, static_cast<int>(rows.size() - listed));
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
                std::string name = SectionName(SectionPrefix(units), series, errNo, side);
                sections.push_back({name, units, side, errNo, std::move(rows)});
            }
        }
    }
    return sections;
}

} // namespace

std::string CauseFileMaker::FileName(int series, int language)
{
    return CauseFileName(series, language);
}

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
    const Words& w = kWords[language];
    std::string file;
    for (const Section& s : SectionsOf(series)) {
        AppState app;
        app.m_nLanguage = language;
        app.m_nSeries = series;
        app.m_nUnitsIndex = s.unitsIndex;

        const std::string causeHead = Format(w.causeHead, s.errNo, s.name.c_str());
        const std::string remedyHead = Format(w.remedyHead, s.errNo, s.name.c_str());

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
