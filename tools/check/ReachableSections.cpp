#include "tools/check/ReachableSections.h"

#include "data/AppState.h"
#include "data/COperateIni.h"
#include "data/DiagnosisTables.h"

#include <algorithm>
#include <set>

const std::array<CauseFileInfo, 4> g_causeFiles{{
    {"QL7BJ.ini", 0, 0},
    {"QL7BE.ini", 0, 1},
    {"QL7AJ.ini", 1, 0},
    {"QL7AE.ini", 1, 1},
}};

std::vector<ReachableSection> ReachableSections(int series)
{
    std::vector<ReachableSection> out;
    AppState app;
    app.m_nSeries = series;
    // The QL7-A tables hold both sides, and its section names carry no side letter.
    const std::vector<int> sides = series == 1 ? std::vector<int>{1} : std::vector<int>{1, 2};
    std::set<std::string> seen;
    for (int units = 0; units <= 2; ++units) {
        // Section names come from the program's own naming.
        const COperateIni ini(app, units);
        for (int side : sides) {
            const DiagTable table = GetDiagTable(series, units, side);
            std::vector<int> numbers;
            for (int i = 0; i < table.count; ++i)
                numbers.push_back(table.rows[i].m_nErrNo);
            std::sort(numbers.begin(), numbers.end());
            for (int errNo : numbers) {
                std::string name = ini.SectionName(errNo, side);
                if (seen.insert(name).second)
                    out.push_back({std::move(name), units, side, errNo});
            }
        }
    }
    return out;
}
