// The history window with a full history (20,000 records): opening it (the
// file read and parsed, the list made, the window shown and painted once) and
// one keystroke in its filter box (the list narrowed and painted anew).
#include "data/AppState.h"
#include "data/CHistoryFile.h"
#include "dialogs/CHistoryDlg.h"
#include "platform/ExeDir.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeView>
#include <benchmark/benchmark.h>

namespace {

AppState SampleState()
{
    AppState app;
    app.m_nLanguage = 1;
    app.m_bNonCjkSystem = 1;
    app.m_nDialogWidth = 1024;
    app.m_nDialogHeight = 768;
    return app;
}

// A full history file of varied records, one in five with a note; made once.
const std::string& FullHistory()
{
    static QTemporaryDir dir;
    static const std::string path = [] {
        const char* codes[] = {"No error code", "1", "2", "3", "4", "5", "6", "7", "9", "c", "F", "POWER OFF"};
        std::vector<HistoryRecord> records;
        for (std::size_t i = 0; i < CHistoryFile::kMaxRecords; ++i) {
            HistoryRecord r;
            char time[64];
            std::snprintf(time, sizeof time, "2026-%02zu-%02zuT%02zu:%02zu:%02zu.%03zu+08:00", 1 + i / 2000 % 12,
                          1 + i / 80 % 28, i / 60 % 24, i % 60, i * 7 % 60, i % 1000);
            r.m_strTime = time;
            r.m_strVersion = "1.0.1.0";
            r.m_nUnits = 1 + static_cast<int>(i % 3);
            r.m_nSide = 1 + static_cast<int>(i / 3 % 2);
            for (int u = 0; u < r.m_nUnits; ++u)
                r.m_strCodes[static_cast<std::size_t>(u)] = codes[(i + static_cast<std::size_t>(u) * 5) % 12];
            r.m_bNarrowed = i % 7 == 0;
            for (int k = 0; k < 1 + static_cast<int>(i % 9); ++k)
                r.m_nErrNos.push_back(100 + static_cast<int>(i % 50) + k);
            if (i % 5 == 0)
                r.m_strNote = "Press " + std::to_string(i % 40) + ", bay " + std::to_string(i % 13) + ": new cable, 二号线";
            records.push_back(std::move(r));
        }
        std::string error;
        const std::string file = dir.filePath("History.csv").toStdString();
        if (!CHistoryFile::Export(file, records, error))
            return std::string();
        return file;
    }();
    return path;
}

void BM_OpenHistoryWindow(benchmark::State& state)
{
    const std::string& path = FullHistory();
    AppState app = SampleState();
    for (auto _ : state) {
        CHistoryFile file(path);
        CHistoryDlg dlg(app, file);
        if (file.Records().size() != CHistoryFile::kMaxRecords) {
            state.SkipWithError("the full history did not read back");
            break;
        }
        dlg.show();
        QImage shot(dlg.size(), QImage::Format_RGB32);
        dlg.render(&shot);
        benchmark::DoNotOptimize(shot.constBits());
    }
}
BENCHMARK(BM_OpenHistoryWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// Typing "bay 12" and deleting it again, one keystroke per iteration.
void BM_FilterKeystroke(benchmark::State& state)
{
    AppState app = SampleState();
    CHistoryFile file(FullHistory());
    CHistoryDlg dlg(app, file);
    dlg.show();
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
}
BENCHMARK(BM_FilterKeystroke)->Unit(benchmark::kMillisecond)->UseRealTime();

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
