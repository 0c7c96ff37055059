// The history window with a full history (20,000 records of this laptop's),
// and with a plant's (80,000 more taken from a team server): opening it (the
// database read, the list made, the window shown and painted once; at most
// 200 ms), and apart from it the time from the start until the list holds
// every record (all_in_ms: the rest is read on a worker), and one keystroke in its filter box (the list narrowed and painted
// anew; at most 50 ms), each with its target beside it; and one record
// written to a full history.
#include "bench/SampleHistory.h"
#include "data/AppState.h"
#include "data/CHistory.h"
#include "data/CSqliteHistory.h"
#include "dialogs/CHistoryDlg.h"
#include "platform/ExeDir.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeView>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>

namespace {

// A full history of this laptop's own, made once.
const std::string& OwnHistory()
{
    static QTemporaryDir dir;
    static const std::string path = bench::SampleHistory(dir.path(), bench::SampleRecords(CHistory::kMaxRecords));
    return path;
}

// The full history with records from other laptops up to total, taken from a
// team server in batches as a sync takes them, one in three with a machine.
std::string FullHistory(std::size_t total = CHistory::kMaxRecords)
{
    static QTemporaryDir dir;
    static std::map<std::size_t, std::string> made;
    if (total <= CHistory::kMaxRecords || made.count(total))
        return total <= CHistory::kMaxRecords ? OwnHistory() : made[total];
    const std::string file = dir.filePath(QString("History-%1.sqlite").arg(total)).toStdString();
    HistoryError error;
    if (!QFile::copy(QString::fromStdString(OwnHistory()), QString::fromStdString(file)))
        return {};
    auto store = CSqliteHistory::Open(file, CSqliteHistory::Mode::ReadWrite, CHistory::kMaxRecords, {}, error);
    for (std::size_t i = CHistory::kMaxRecords; store && i < total;) {
        HistoryChanges batch;
        for (; i < total && batch.m_records.size() < 5000; ++i) {
            HistoryRecord r;
            r.m_strId = history::NewId();
            r.m_strTime = history::LocalTime(1704067200000 + static_cast<std::int64_t>(i) * 600000);
            r.m_strVersion = "1.0.1.0";
            r.m_strCodes = {"No error code", "", ""};
            r.m_nErrNos = {149, 150, 151, 152};
            r.m_strAuthor = "tech" + std::to_string(i % 12);
            r.m_strLaptop = "laptop-" + std::to_string(i % 7);
            if (i % 3 == 0)
                batch.m_machines.push_back({r.m_strId, "Press " + std::to_string(i % 40), r.m_strTime, r.m_strAuthor,
                                            static_cast<std::int64_t>(i)});
            batch.m_records.push_back(std::move(r));
        }
        std::size_t skipped = 0;
        if (!store->Apply(batch, skipped, error) || skipped)
            return {};
    }
    store.reset();
    return made[total] = CHistory(file).Records().size() == total ? file : std::string();
}

// Until the window lists every record, read on its worker; false past 30 s.
bool WaitWhole(const CHistory& file)
{
    const auto start = std::chrono::steady_clock::now();
    for (QEventLoop wait; !file.IsWhole() && std::chrono::steady_clock::now() - start < std::chrono::seconds(30);)
        wait.processEvents(QEventLoop::WaitForMoreEvents);
    return file.IsWhole();
}

void BM_OpenHistoryWindow(benchmark::State& state)
{
    const std::string path = FullHistory(static_cast<std::size_t>(state.range(0)));
    AppState app = bench::WindowState();
    double allIn = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        CHistory file(path);
        CHistoryDlg dlg(app, file);
        dlg.show();
        QImage shot(dlg.size(), QImage::Format_RGB32);
        dlg.render(&shot);
        benchmark::DoNotOptimize(shot.constBits());
        state.PauseTiming();
        WaitWhole(file);
        allIn += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (file.Records().size() != static_cast<std::size_t>(state.range(0))) {
            state.SkipWithError("the full history did not read back");
            break;
        }
        state.ResumeTiming();
    }
    state.counters["all_in_ms"] = benchmark::Counter(allIn, benchmark::Counter::kAvgIterations);
    state.counters["target_ms"] = 200;
}
BENCHMARK(BM_OpenHistoryWindow)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Typing "bay 12" and deleting it again, one keystroke per iteration.
void BM_FilterKeystroke(benchmark::State& state)
{
    AppState app = bench::WindowState();
    CHistory file(FullHistory(static_cast<std::size_t>(state.range(0))));
    CHistoryDlg dlg(app, file);
    dlg.show();
    if (!WaitWhole(file))
        return state.SkipWithError("the full history did not read back");
    const QString typed = QStringLiteral("bay 12");
    std::vector<QString> steps;
    for (qsizetype n = 1; n <= typed.size(); ++n)
        steps.push_back(typed.left(n));
    for (qsizetype n = typed.size() - 1; n >= 0; --n)
        steps.push_back(typed.left(n));
    QImage shot(dlg.List()->size(), QImage::Format_RGB32);
    std::size_t step = 0;
    for (auto _ : state) {
        dlg.FilterBox()->setText(steps[step++ % steps.size()]);
        dlg.List()->render(&shot);
        benchmark::DoNotOptimize(shot.constBits());
    }
    state.counters["target_ms"] = 50;
}
BENCHMARK(BM_FilterKeystroke)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// One new record in a full history: the insert, the oldest record cut and the
// sync, on this machine's disk (the temporary folder). Reported per write, and
// as their median.
void BM_AppendRecord(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("History.sqlite").toStdString();
    if (!QFile::copy(QString::fromStdString(FullHistory()), QString::fromStdString(path))) {
        state.SkipWithError("no full history to copy");
        return;
    }
    HistoryError error;
    auto store = CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadWrite, CHistory::kMaxRecords, {}, error);
    HistoryRecord r;
    r.m_strVersion = "1.0.1.0";
    r.m_strCodes = {"No error code", "", ""};
    r.m_nErrNos = {149, 150, 151, 152};
    std::vector<double> times;
    for (auto _ : state) {
        r.m_strId = history::NewId();
        r.m_strTime = history::Now();
        const auto start = std::chrono::steady_clock::now();
        if (!store || !store->Add(r, error)) {
            state.SkipWithError(error.m_strDetail.c_str());
            break;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        times.push_back(took.count() * 1000);
    }
    if (!times.empty()) {
        std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
        state.counters["median_ms"] = times[times.size() / 2];
    }
}
BENCHMARK(BM_AppendRecord)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(200);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    // Nothing of the program's own data directory is touched.
    QTemporaryDir exe;
    platform::SetExecutableDirForTesting(exe.path().toStdString());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
