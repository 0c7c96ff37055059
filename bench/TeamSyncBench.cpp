// The team sync against a PostgreSQL server on loopback (bench/TeamServerStage.h):
// - SendHistory: a laptop's whole history (20,000 records, notes and machines
//   on part) sent in one pass, two laptops in turn, as the two technicians.
//   Target: under 10 s each, from the pass's start to its first read from the
//   server.
// - TakePlant: a plant's 100,000 records (five such laptops' histories, put on
//   the server by the technicians) taken by a laptop with an empty history.
//   Target: under 20 s; and no transaction of the pass's on the laptop's
//   database longer than 50 ms, the longest the window may wait for it.
// - FrameWhileTaking: the history window open while the program's sync
//   (CTeamSyncRunner) takes the plant into the window's database, a 10 ms
//   timer on the UI thread: the longest gap between its ticks while the pass
//   runs, and the longest from its end until 200 ms after the window shows
//   the records it read again.
//   Target: at most 50 ms each.
// Each prints its numbers against its target; the program ends non-zero when
// a target is missed or a benchmark failed.
//   build/bench/TeamSyncBench [--server-dir=DIR] [benchmark options]
// DIR names a server scripts/team-server.sh started (left running; its
// database tc_team is made afresh); without it the benchmark starts one.
#include "bench/SampleHistory.h"
#include "bench/TeamServerStage.h"
#include "data/CSqliteHistory.h"
#include "data/TeamSync.h"
#include "data/TeamSyncRunner.h"
#include "dialogs/CHistoryDlg.h"
#include "dialogs/CHistoryModel.h"
#include "platform/ExeDir.h"

#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to = Clock::now())
{
    return std::chrono::duration<double>(to - from).count();
}

constexpr int kLaptops = 5; // laptops of 20,000 records each: the plant
constexpr std::size_t kPlantRecords = kLaptops * CHistory::kMaxRecords;

bench::TeamServerStage* g_server = nullptr;
bool g_planted = false; // the server holds the plant
std::vector<std::string> g_verdicts;
bool g_failed = false;

// Keeps a measure against its target for the summary (none: shown for
// comparison); false when it is missed.
bool Verdict(const char* what, double value, const char* unit, std::optional<double> target = std::nullopt)
{
    char line[200];
    const int n = std::snprintf(line, sizeof line, "%-62s %9.1f %s", what, value, unit);
    if (target)
        std::snprintf(line + n, sizeof line - std::size_t(n), "  (target %s %g %s)  %s",
                      unit[0] == 's' ? "under" : "at most", *target, unit, value <= *target ? "met" : "MISSED");
    g_verdicts.push_back(line);
    g_failed = g_failed || (target && value > *target);
    return !target || value <= *target;
}

void Fail(benchmark::State& state, const std::string& why)
{
    g_failed = true;
    state.SkipWithError(why.c_str());
}

// The store a pass writes, watched: when the pass turned from sending to
// reading (its first cursor), its longest transaction that writes and the
// time spent in it, the rest of a pass being the server's and the network's.
class WatchedStore final : public HistoryStore {
public:
    explicit WatchedStore(HistoryStore& store) : m_store(store) {}
    std::optional<Clock::time_point> m_firstCursor;
    double m_longestWriteMs = 0;
    double m_localS = 0;

    bool Load(std::vector<HistoryRecord>& r, HistoryError& e) override { return m_store.Load(r, e); }
    bool Add(const HistoryRecord& r, HistoryError& e) override { return m_store.Add(r, e); }
    bool Annotate(std::string_view id, std::optional<std::string_view> note, std::optional<std::string_view> machine,
                  std::string_view time, std::string_view author, HistoryError& e) override
    {
        return m_store.Annotate(id, note, machine, time, author, e);
    }
    bool Delete(std::string_view id, std::string_view time, std::string_view author, HistoryError& e) override
    {
        return m_store.Delete(id, time, author, e);
    }
    bool Pending(std::size_t batch, HistoryChanges& p, HistoryError& e) override
    {
        return Timed([&] { return m_store.Pending(batch, p, e); }, false);
    }
    bool MarkSent(const HistoryChanges& sent, HistoryError& e) override
    {
        return Timed([&] { return m_store.MarkSent(sent, e); });
    }
    bool Apply(const HistoryChanges& batch, std::size_t& skipped, HistoryError& e) override
    {
        return Timed([&] { return m_store.Apply(batch, skipped, e); });
    }
    bool Cursor(std::string_view server, std::string_view table, std::string& horizon, HistoryError& e) override
    {
        if (!m_firstCursor)
            m_firstCursor = Clock::now();
        return Timed([&] { return m_store.Cursor(server, table, horizon, e); }, false);
    }
    bool SetCursor(std::string_view server, std::string_view table, std::string_view horizon, HistoryError& e) override
    {
        return Timed([&] { return m_store.SetCursor(server, table, horizon, e); });
    }
    bool IsReadOnly() const override { return m_store.IsReadOnly(); }
    const HistoryError& ReadOnlyReason() const override { return m_store.ReadOnlyReason(); }
    const std::string& Where() const override { return m_store.Where(); }

private:
    template <typename Work>
    bool Timed(Work work, bool writes = true)
    {
        const auto start = Clock::now();
        const bool ok = work();
        const double took = Seconds(start);
        m_localS += took;
        if (writes)
            m_longestWriteMs = std::max(m_longestWriteMs, took * 1000);
        return ok;
    }
    HistoryStore& m_store;
};

std::unique_ptr<TeamConnection> Connect(int user, TeamError& error)
{
    return ConnectTeam(g_server->Settings(user), {.cancel = nullptr, .password = bench::TeamServerStage::kPasswords[user]},
                       kTeamConnectTimeoutMs, error);
}

// A laptop: its database (laptop's sample history, or empty for -1) and its
// connection as technician user.
struct Laptop {
    QTemporaryDir dir;
    std::unique_ptr<CSqliteHistory> store;
    std::unique_ptr<TeamConnection> server;
    std::string error;

    Laptop(int laptop, int user)
    {
        HistoryError localError;
        TeamError teamError;
        const std::string path = laptop < 0
            ? dir.filePath(CHistory::kFileName).toStdString()
            : bench::SampleHistory(dir.path(), bench::SampleRecords(CHistory::kMaxRecords, laptop));
        if (!path.empty())
            store = CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadWrite, CHistory::kMaxRecords, {}, localError);
        if (store)
            server = Connect(user, teamError);
        if (!store || !server)
            error = path.empty() ? "the sample history was not made" : localError.m_strDetail + teamError.m_strDetail;
    }

    // One pass through watched; false with error when it failed.
    bool Sync(WatchedStore& watched, TeamSyncResult& result)
    {
        TeamError teamError;
        if (team::SyncOnce(watched, *server, result, teamError))
            return true;
        error = "the pass failed: " + teamError.m_strDetail + result.m_localError.m_strDetail;
        return false;
    }
};

// Laptop number laptop sends its whole history as technician laptop % 2:
// the seconds until all was sent, and of the whole pass; negative on failure.
std::pair<double, double> SendHistory(int laptop, benchmark::State& state)
{
    Laptop sender(laptop, laptop % 2);
    if (!sender.error.empty()) {
        Fail(state, sender.error);
        return {-1, -1};
    }
    WatchedStore watched(*sender.store);
    TeamSyncResult result;
    const auto start = Clock::now();
    if (!sender.Sync(watched, result)) {
        Fail(state, sender.error);
        return {-1, -1};
    }
    const double pass = Seconds(start);
    // Everything went in that pass: nothing is left to send.
    HistoryChanges left;
    HistoryError error;
    if (!sender.store->Pending(CHistory::kMaxRecords, left, error) || !left.m_records.empty()
        || !left.m_notes.empty() || !left.m_machines.empty() || result.m_nHeld || result.m_nRefused) {
        Fail(state, "the pass left changes unsent");
        return {-1, -1};
    }
    state.counters["sent"] = static_cast<double>(result.m_nSent);
    state.counters["local_s"] = watched.m_localS;
    return {Seconds(start, *watched.m_firstCursor), pass};
}

// text values as a PostgreSQL array literal.
std::string ArrayOf(const std::vector<std::string>& values)
{
    std::string array = "{";
    for (const std::string& value : values) {
        array += array.size() > 1 ? ",\"" : "\"";
        for (const char c : value)
            array += c == '"' || c == '\\' ? std::string{'\\', c} : std::string{c};
        array += '"';
    }
    return array + '}';
}

// The plant on a new server database, unless the server holds it: each
// laptop's history put there by its technician in one statement a table,
// each row as the laptop's pass sends it (a pass sends one row a statement,
// too slow to fill a server with on every run).
bool Plant(benchmark::State& state)
{
    if (g_planted)
        return true;
    if (!g_server->Reset()) {
        Fail(state, "the server's database could not be made anew");
        return false;
    }
    static const char* const kSql[] = {
        "INSERT INTO record (id, time, narrowed, version, language, series, units, side, code_main, code_sub1, "
        "code_sub2, interlock, halt, error_numbers, laptop) SELECT * FROM unnest($1::text[], $2::text[], "
        "$3::bool[], $4::text[], $5::int2[], $6::int2[], $7::int2[], $8::int2[], $9::text[], $10::text[], "
        "$11::text[], $12::int2[], $13::int2[], $14::text[], $15::text[])",
        "INSERT INTO note_change (record_id, note, time) SELECT * FROM unnest($1::text[], $2::text[], $3::text[])",
        "INSERT INTO machine_change (record_id, machine, time) SELECT * FROM unnest($1::text[], $2::text[], $3::text[])",
    };
    const auto start = Clock::now();
    for (int laptop = 0; laptop < kLaptops; ++laptop) {
        // The columns of records, notes and machines.
        std::vector<std::string> columns[3][15];
        const std::size_t widths[] = {15, 3, 3};
        for (HistoryRecord& r : bench::SampleRecords(CHistory::kMaxRecords, laptop)) {
            r.m_strId = history::NewId();
            const std::string fields[] = {
                r.m_strId, r.m_strTime, r.m_bNarrowed ? "true" : "false", r.m_strVersion,
                std::to_string(r.m_nLanguage), std::to_string(r.m_nSeries), std::to_string(r.m_nUnits),
                std::to_string(r.m_nSide), r.m_strCodes[0], r.m_strCodes[1], r.m_strCodes[2],
                std::to_string(r.m_nInterlock), std::to_string(r.m_nHalt), HistoryRecord::ErrorNumbers(r.m_nErrNos),
                "laptop-" + std::to_string(laptop)};
            for (std::size_t c = 0; c < std::size(fields); ++c)
                columns[0][c].push_back(fields[c]);
            // A value taken over with its record has the record's time.
            for (const auto& [table, value] : {std::pair{1, &r.m_strNote}, std::pair{2, &r.m_strMachine}})
                if (!value->empty()) {
                    columns[table][0].push_back(r.m_strId);
                    columns[table][1].push_back(*value);
                    columns[table][2].push_back(r.m_strTime);
                }
        }
        TeamError error;
        std::vector<TeamConnection::Row> rows;
        auto server = Connect(laptop % 2, error);
        for (int table = 0; server && table < 3; ++table) {
            TeamConnection::Row params;
            for (std::size_t c = 0; c < widths[table]; ++c)
                params.push_back(ArrayOf(columns[table][c]));
            if (!server->Exec(kSql[table], params, rows, 300'000, error))
                server.reset();
        }
        if (!server) {
            Fail(state, "the plant could not be put on the server: " + error.m_strDetail);
            return false;
        }
    }
    Verdict("Plant: the same 100,000 records put there, one statement a table", Seconds(start), "s");
    return g_planted = true;
}

void BM_SendHistory(benchmark::State& state)
{
    g_planted = false;
    if (!g_server->Reset()) {
        Fail(state, "the server's database could not be made anew");
        return;
    }
    double slowest = 0;
    int laptop = 0;
    for (auto _ : state) {
        const auto [send, pass] = SendHistory(laptop++, state);
        if (send < 0)
            return;
        slowest = std::max(slowest, send);
        state.SetIterationTime(send);
        state.counters["pass_s"] = pass; // the last laptop's, which also took the other's records
    }
    Verdict("SendHistory: 20,000 records sent, slowest of the laptops", slowest, "s", 10);
}
BENCHMARK(BM_SendHistory)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

void BM_TakePlant(benchmark::State& state)
{
    if (!Plant(state))
        return;
    double slowest = 0, longestWrite = 0, longestAdd = 0;
    for (auto _ : state) {
        Laptop taker(-1, 1);
        if (!taker.error.empty())
            return Fail(state, taker.error);
        WatchedStore watched(*taker.store);
        TeamSyncResult result;
        const auto start = Clock::now();
        if (!taker.Sync(watched, result))
            return Fail(state, taker.error);
        const double took = Seconds(start);
        state.SetIterationTime(took);
        std::vector<HistoryRecord> records;
        HistoryError error;
        if (!taker.store->Load(records, error) || records.size() != kPlantRecords || result.m_nSkipped)
            return Fail(state, "the laptop holds " + std::to_string(records.size()) + " records, "
                                   + std::to_string(result.m_nSkipped) + " rows skipped");
        // What any write to that database costs: one record added, as the
        // window adds a diagnosis.
        for (int i = 0; i < 20; ++i) {
            HistoryRecord r = records.back();
            r.m_strId = history::NewId();
            const auto add = Clock::now();
            if (!taker.store->Add(r, error))
                return Fail(state, error.m_strDetail);
            longestAdd = std::max(longestAdd, Seconds(add) * 1000);
        }
        slowest = std::max(slowest, took);
        longestWrite = std::max(longestWrite, watched.m_longestWriteMs);
        state.counters["taken"] = static_cast<double>(result.m_nTaken);
        state.counters["longest_write_ms"] = watched.m_longestWriteMs;
    }
    Verdict("TakePlant: 100,000 records taken, slowest run", slowest, "s", 20);
    Verdict("TakePlant: longest transaction on the laptop's database", longestWrite, "ms", 50);
    Verdict("TakePlant: longest of 20 records added to it after", longestAdd, "ms");
}
BENCHMARK(BM_TakePlant)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

void BM_FrameWhileTaking(benchmark::State& state)
{
    if (!Plant(state))
        return;
    double worstPass = 0, worstReload = 0, worstIdle = 0, slowestLoad = 0;
    for (auto _ : state) {
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        if (!g_server->WriteTeamSettings(home.filePath("config").toStdString(), 1))
            return Fail(state, "Team.ini could not be written");
        CHistory history(home.filePath(CHistory::kFileName).toStdString());
        CTeamSyncRunner runner(history, g_server->Settings(1));
        AppState app = bench::WindowState();
        CHistoryDlg dlg(app, history, nullptr, &runner);
        dlg.show();

        // Five seconds of ticks with no sync show the machine's own gaps; then
        // the ticks until the window had the pass's end are the pass's, and
        // those until 200 ms after it lists the plant span its reading of the
        // records and taking them.
        QEventLoop loop;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        auto last = Clock::now();
        double idleGap = 0, passGap = 0, reloadGap = 0;
        bool syncing = false;
        std::optional<TeamSyncState> ended;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const double gap = Seconds(last) * 1000;
            last = Clock::now();
            if (!syncing)
                idleGap = std::max(idleGap, gap);
            else if (!ended)
                passGap = std::max(passGap, gap);
            else
                reloadGap = std::max(reloadGap, gap);
        });
        // Queued after the window's own handler of the same state.
        QObject::connect(&runner, &CTeamSyncRunner::StateChanged, &dlg, [&](const TeamSyncState& s) {
            ended = s;
        }, Qt::QueuedConnection);
        QObject::connect(dlg.Model(), &QAbstractItemModel::modelReset, &loop, [&] {
            if (dlg.Model()->rowCount() == static_cast<int>(kPlantRecords))
                QTimer::singleShot(200, &loop, &QEventLoop::quit);
        });
        QTimer::singleShot(120'000, &loop, &QEventLoop::quit);
        auto start = Clock::now();
        QTimer::singleShot(5000, &loop, [&] {
            syncing = true;
            start = Clock::now();
            runner.Ask();
        });
        tick.start(10);
        loop.exec();
        state.SetIterationTime(Seconds(start));
        if (!ended || ended->m_kind != TeamSyncState::Kind::UpToDate || history.Records().size() != kPlantRecords)
            return Fail(state, "the sync did not end up to date with the plant: "
                                   + (ended ? team::StateText(*ended, 1) : std::string("no pass ended")) + ", "
                                   + std::to_string(history.Records().size()) + " records");
        // What the window's worker does first: the records read again.
        const auto load = Clock::now();
        history.Reload();
        slowestLoad = std::max(slowestLoad, Seconds(load) * 1000);
        worstPass = std::max(worstPass, passGap);
        worstReload = std::max(worstReload, reloadGap);
        worstIdle = std::max(worstIdle, idleGap);
        state.counters["gap_ms"] = passGap;
        state.counters["reload_gap_ms"] = reloadGap;
    }
    Verdict("FrameWhileTaking: longest gap of a 10 ms timer, no sync running", worstIdle, "ms");
    Verdict("FrameWhileTaking: longest gap of a 10 ms timer during the pass", worstPass, "ms", 50);
    Verdict("FrameWhileTaking: the gap across the window's reload after it", worstReload, "ms", 50);
    Verdict("FrameWhileTaking: the 100,000 records read again (on the worker)", slowestLoad, "ms");
}
BENCHMARK(BM_FrameWhileTaking)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const char* serverDir = bench::TakeOption(argc, argv, "--server-dir");
    bench::TeamServerStage server(serverDir ? serverDir : "");
    if (!server.Error().empty()) {
        std::fprintf(stderr, "TeamSyncBench: %s\n", server.Error().c_str());
        return 1;
    }
    g_server = &server;
    QApplication qapp(argc, argv);
    // The team connection's module is beside the benchmark.
    platform::SetExecutableDirForTesting(DARVELL_BINARY_DIR);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n");
    for (const std::string& line : g_verdicts)
        std::printf("%s\n", line.c_str());
    return g_failed ? 1 : 0;
}
