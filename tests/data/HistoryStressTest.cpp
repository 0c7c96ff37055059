// The history database under the faults it is kept for: a writer killed at
// random moments, and two writers at once across the record limit. Each
// writer is a process of its own (history-writer) that prints every change
// as soon as it has returned.
#include "data/CHistory.h"
#include "data/CSqliteHistory.h"
#include "data/HistoryCsv.h"
#include "tests/support/TempDataDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <map>
#include <random>
#include <sstream>
#include <thread>

namespace {

// The writer lies beside the test program.
QString Writer()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/history-writer");
}

struct Acknowledged {
    std::vector<std::string> records;
    std::map<std::string, std::string> notes, machines; // by record id
    std::vector<std::string> taken;                     // records taken from a server's batch
    std::string failure;                                // an "F" line
};

void Collect(const QByteArray& output, Acknowledged& acked)
{
    std::istringstream lines(output.toStdString());
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("R "))
            acked.records.push_back(line.substr(2));
        else if ((line.starts_with("N ") || line.starts_with("M ")) && line.size() > 39)
            (line[0] == 'N' ? acked.notes : acked.machines)[line.substr(2, 36)] = line.substr(39);
        else if (line.starts_with("A "))
            acked.taken.push_back(line.substr(2));
        else if (line.starts_with("F "))
            acked.failure = line;
    }
}

std::map<std::string, HistoryRecord> Kept(const std::string& path, std::string& integrity)
{
    // Opened as the next start opens it: a writer killed mid-transaction
    // leaves a hot journal, which only a connection that may write rolls back.
    HistoryError error;
    auto store = CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadWrite, CHistory::kMaxRecords, {}, error);
    std::map<std::string, HistoryRecord> kept;
    std::vector<HistoryRecord> records;
    if (!store || !store->Load(records, error)) {
        integrity = "cannot read: " + error.m_strDetail;
        return kept;
    }
    integrity = store->CheckIntegrity();
    for (HistoryRecord& r : records)
        kept.emplace(r.m_strId, std::move(r));
    return kept;
}

TEST(HistoryStress, AWriterKilledAtAnyMomentLosesNothingItAcknowledged)
{
    TempDataDir dir;
    const std::string path = dir.PathOf("History.sqlite");
    // An earlier History.csv, taken over by whichever writer first gets to
    // make the database: all of it, once.
    std::vector<HistoryRecord> old(50);
    for (std::size_t i = 0; i < old.size(); ++i) {
        old[i].m_strTime = "2025-06-01T08:" + std::to_string(10 + i) + ":00.000+02:00";
        old[i].m_strVersion = "1.0.0.9";
        old[i].m_nErrNos = {static_cast<int>(i)};
    }
    ASSERT_TRUE(dir.Write("History.csv", historycsv::Export(old)));

    const unsigned seed = static_cast<unsigned>(std::random_device{}());
    std::mt19937 random(seed);
    Acknowledged acked;
    int killedBeforeOpen = 0, killedWriting = 0;
    std::chrono::microseconds window{0};
    for (int kill = 0; kill < 200; ++kill) {
        QProcess writer;
        QElapsedTimer started;
        started.start();
        writer.start(Writer(),
                     {QString::fromStdString(path), "0", QString::fromStdString(dir.PathOf("History.csv"))});
        ASSERT_TRUE(writer.waitForStarted()) << writer.errorString().toStdString();
        if (kill == 0) {
            // The first run measures how long a start takes, so that the
            // moments below cover the start, the database's making and the writes.
            ASSERT_TRUE(writer.waitForReadyRead(30000));
            window = std::chrono::microseconds(2 * started.nsecsElapsed() / 1000 + 20000);
        } else {
            std::this_thread::sleep_for(
                std::chrono::microseconds(std::uniform_int_distribution<long>(0, window.count())(random)));
        }
        writer.kill(); // SIGKILL
        ASSERT_TRUE(writer.waitForFinished(30000));
        const QByteArray output = writer.readAllStandardOutput();
        (output.contains("open\n") ? killedWriting : killedBeforeOpen)++;
        Collect(output, acked);
        ASSERT_TRUE(acked.failure.empty()) << acked.failure << " (seed " << seed << ")";
    }
    // Otherwise the kills missed the moments that matter.
    EXPECT_GT(killedBeforeOpen, 0) << "seed " << seed;
    EXPECT_GT(killedWriting, 50) << "seed " << seed;
    ASSERT_GT(acked.records.size(), 200u) << "seed " << seed;

    std::string integrity;
    const std::map<std::string, HistoryRecord> kept = Kept(path, integrity);
    EXPECT_EQ(integrity, "ok") << "seed " << seed;
    for (const std::string& id : acked.records)
        ASSERT_TRUE(kept.count(id)) << "acknowledged record " << id << " lost (seed " << seed << ")";
    for (const auto& [id, note] : acked.notes)
        ASSERT_EQ(kept.at(id).m_strNote, note) << "seed " << seed;
    for (const auto& [id, machine] : acked.machines)
        ASSERT_EQ(kept.at(id).m_strMachine, machine) << "seed " << seed;
    for (const std::string& id : acked.taken)
        ASSERT_TRUE(kept.count(id) && !kept.at(id).m_bOwn && kept.at(id).m_strNote == "from the server")
            << "record " << id << " taken from the server lost (seed " << seed << ")";
    // The earlier file's records once; besides the acknowledged records at
    // most the one each killed writer had committed but not yet said, of each kind.
    std::size_t imported = 0, taken = 0;
    for (const auto& [id, r] : kept) {
        imported += r.m_strVersion == "1.0.0.9";
        taken += !r.m_bOwn;
    }
    EXPECT_EQ(imported, old.size()) << "seed " << seed;
    EXPECT_LE(kept.size() - taken, acked.records.size() + old.size() + static_cast<std::size_t>(killedWriting))
        << "seed " << seed;
    EXPECT_LE(taken, acked.taken.size() + static_cast<std::size_t>(killedWriting)) << "seed " << seed;
}

TEST(HistoryStress, TwoWritersAtOnceAcrossTheLimitKeepEveryRecordTheCutLeaves)
{
    TempDataDir dir;
    const std::string path = dir.PathOf("History.sqlite");
    constexpr int kOlder = static_cast<int>(CHistory::kMaxRecords) - 500, kEach = 1000;
    {
        HistoryError error;
        ASSERT_TRUE(CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadWrite, CHistory::kMaxRecords, {}, error));
        // Older records, made in one step: a day of 2020 each.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        const std::string fill =
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kOlder) + ") "
            "INSERT INTO record (id, time, utc_ms, narrowed, version, language, series, units, side, code_main, "
            "code_sub1, code_sub2, interlock, halt, error_numbers) SELECT 'older-' || i, "
            "strftime('%Y-%m-%dT%H:%M:%S.000+00:00', 1577836800 + i * 60, 'unixepoch'), (1577836800 + i * 60) * 1000, "
            "0, '1.0.0.9', 1, 0, 1, 1, 'No error code', '', '', 0, 0, '149' FROM n";
        ASSERT_EQ(sqlite3_exec(db, fill.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
    QProcess writers[2];
    for (QProcess& w : writers)
        w.start(Writer(), {QString::fromStdString(path), QString::number(kEach)});
    Acknowledged acked;
    for (QProcess& w : writers) {
        ASSERT_TRUE(w.waitForFinished(300000)) << w.errorString().toStdString();
        Collect(w.readAllStandardOutput(), acked);
        EXPECT_EQ(w.exitCode(), 0) << acked.failure;
    }
    ASSERT_EQ(acked.records.size(), 2u * kEach) << acked.failure;
    ASSERT_EQ(acked.taken.size(), 2u * kEach) << acked.failure;

    std::string integrity;
    const std::map<std::string, HistoryRecord> kept = Kept(path, integrity);
    EXPECT_EQ(integrity, "ok");
    // The limit counts this laptop's records; those taken from a server stay besides.
    EXPECT_EQ(kept.size(), CHistory::kMaxRecords + acked.taken.size());
    for (const auto* ids : {&acked.records, &acked.taken})
        for (const std::string& id : *ids)
            ASSERT_TRUE(kept.count(id)) << "record " << id << " of a writer lost";
    // The cut took the oldest: of the older records the newest remain.
    EXPECT_FALSE(kept.count("older-1500"));
    EXPECT_TRUE(kept.count("older-1501"));
}

} // namespace
