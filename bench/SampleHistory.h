#pragma once
// A technician's history as the benchmarks use it: varied records, one in
// five with a note and one in three with a machine, taken over by a new
// database from a History.csv (one transaction, as the program takes over an
// earlier file).
#include "data/AppState.h"
#include "data/CHistory.h"
#include "data/HistoryCsv.h"
#include "diagnosis/CFixNum.h"
#include "platform/AtomicWrite.h"

#include <QString>

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// The program's state for a window in English at 1024 x 768.
inline AppState WindowState()
{
    AppState app;
    app.m_nLanguage = 1;
    app.m_bNonCjkSystem = 1;
    app.m_nDialogWidth = 1024;
    app.m_nDialogHeight = 768;
    return app;
}

// count records of one laptop; each laptop's fall in a year of their own, so
// that no two laptops hold the same record.
inline std::vector<HistoryRecord> SampleRecords(std::size_t count, int laptop = 0)
{
    // The codes as the picker captions of 1, 2 and 3 units give them.
    AppState units[3];
    for (int u = 0; u < 3; ++u) {
        units[u].m_nLanguage = 1;
        units[u].m_nUnitsIndex = 2 - u;
    }
    std::vector<HistoryRecord> records;
    for (std::size_t i = 0; i < count; ++i) {
        HistoryRecord r;
        char time[64];
        std::snprintf(time, sizeof time, "%d-%02zu-%02zuT%02zu:%02zu:%02zu.%03zu+08:00", 2026 - laptop,
                      1 + i / 2000 % 12, 1 + i / 80 % 28, i / 60 % 24, i % 60, i * 7 % 60, i % 1000);
        r.m_strTime = time;
        r.m_strVersion = "1.0.1.0";
        r.m_nUnits = 1 + static_cast<int>(i % 3);
        r.m_nSide = 1 + static_cast<int>(i / 3 % 2);
        const CFixNum captions(units[r.m_nUnits - 1]);
        for (int u = 0; u < r.m_nUnits; ++u)
            r.m_strCodes[static_cast<std::size_t>(u)] = captions.OneLineCaption(
                r.m_nSide == 1 ? u : u + 3, 1 + static_cast<int>((i + static_cast<std::size_t>(u) * 5) % 14));
        r.m_bNarrowed = i % 7 == 0;
        for (int k = 0; k < 1 + static_cast<int>(i % 9); ++k)
            r.m_nErrNos.push_back(100 + static_cast<int>(i % 50) + k);
        if (i % 5 == 0)
            r.m_strNote = "Press " + std::to_string(i % 40) + ", bay " + std::to_string(i % 13) + ": new cable, 二号线";
        if (i % 3 == 0)
            r.m_strMachine = "Press " + std::to_string(i % 40);
        records.push_back(std::move(r));
    }
    return records;
}

// records as History.csv in folder, taken over by a new History.sqlite there:
// its path, or empty when it does not hold them all.
inline std::string SampleHistory(const QString& folder, const std::vector<HistoryRecord>& records)
{
    std::string error;
    const std::string csv = (folder + QStringLiteral("/History.csv")).toStdString();
    if (!platform::WriteFileAtomically(csv, historycsv::Export(records), error))
        return {};
    const std::string file = (folder + u'/' + QString::fromLatin1(CHistory::kFileName)).toStdString();
    return CHistory(file).Records().size() == records.size() ? file : std::string();
}

} // namespace bench
