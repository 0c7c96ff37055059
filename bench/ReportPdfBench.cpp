// Building the diagnosis report of the longest result list (nine causes: second
// series, three units, every emitter showing "Remains [OFF]") and writing it as
// an A4 PDF, in each language.
#include "data/AppState.h"
#include "diagnosis/CDiagnosis.h"
#include "diagnosis/CEnteredStatus.h"
#include "diagnosis/CReport.h"
#include "diagnosis/CReportWriter.h"
#include "draw/CBmpData.h"
#include "platform/ExeDir.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void BM_NineCauseReportPdf(benchmark::State& state)
{
    Bitmaps bitmaps;
    QTemporaryDir out;
    AppState app;
    app.m_nLanguage = static_cast<int>(state.range(0));
    app.m_nSeries = 1;
    app.m_nUnitsIndex = 0;
    CEnteredStatus status(app);
    status.Reset();
    for (int slot = 0; slot < 3; ++slot)
        status.Enter(slot, 1);
    CDiagnosis diag(app);
    if (!CBmpData::LoadCodeBitmaps(bitmaps.m_hCodeBitmaps.data()) || !out.isValid() ||
        diag.Diagnose(status) != CDiagnosis::kOk || diag.CauseCount() != 9) {
        state.SkipWithError("the nine-cause result could not be set up from the sample data");
        return;
    }
    const QString path = out.filePath(QStringLiteral("report.pdf"));
    for (auto _ : state) {
        const CReport report = CReport::Build(app, status, diag);
        if (!CReportWriter(report, bitmaps).WritePdf(path)) {
            state.SkipWithError("the PDF could not be written");
            break;
        }
    }
}
BENCHMARK(BM_NineCauseReportPdf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    // The sample data directory the build puts beside the program.
    platform::SetExecutableDirForTesting(DARVELL_BINARY_DIR);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
