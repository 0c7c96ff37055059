// The work behind one step of a diagnosis on the main window: the lookup of the
// largest group of any table (nine rows, each with a cause/remedy read and its
// picture rows), and one paint of the light-curtain picture, both as the bare
// tile composition and as the window's own repaint of the picture rectangle;
// and the diagnosis report of that nine-cause list, built and written as a PDF.
#include "data/AppState.h"
#include "window/CDarvellDlg.h"
#include "diagnosis/CDiagnosis.h"
#include "diagnosis/CEnteredStatus.h"
#include "diagnosis/CReport.h"
#include "window/CReportWriter.h"
#include "bitmaps/CBmpData.h"
#include "platform/ExeDir.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

AppState SampleState(int series, int unitsIndex)
{
    AppState app;
    app.m_nLanguage = 1;
    app.m_nSeries = series;
    app.m_nUnitsIndex = unitsIndex;
    app.m_bNonCjkSystem = 1;
    app.m_nDialogWidth = 1024;
    app.m_nDialogHeight = 768;
    app.m_strHelp[1] = "Help";
    return app;
}

const Bitmaps& SampleBitmaps()
{
    static const Bitmaps bitmaps = [] {
        Bitmaps b;
        if (!CBmpData::LoadCodeBitmaps(b.m_hCodeBitmaps.data()) || !CBmpData::LoadPictures(b))
            b = Bitmaps{};
        return b;
    }();
    return bitmaps;
}

// Second series, three units, every emitter showing "Remains [OFF]": nine rows,
// the longest run of equal codes in all the tables.
void BM_DiagnoseNineRows(benchmark::State& state)
{
    AppState app = SampleState(1, 0);
    CDiagnosis diag(app);
    const CDiagnosis::Codes codes{1, 1, 1, 0, 0, 0};
    for (auto _ : state) {
        if (diag.Diagnose(codes) || diag.CauseCount() != 9) {
            state.SkipWithError("the nine-row lookup did not succeed on the sample data");
            break;
        }
        benchmark::DoNotOptimize(diag.Causes().data());
    }
}
BENCHMARK(BM_DiagnoseNineRows)->Unit(benchmark::kMicrosecond);

// The 13 tiles of one picture row into an image of the window's size.
void BM_DrawPictureRow(benchmark::State& state)
{
    const Bitmaps& bitmaps = SampleBitmaps();
    if (bitmaps.m_hCodeBitmaps[0].isNull()) {
        state.SkipWithError("sample bitmaps missing");
        return;
    }
    PictureRow errorRow, baseRow;
    GetPictureRows(0, 0, 3, 1, errorRow, baseRow); // a row that differs almost everywhere
    QImage target(1024, 768, QImage::Format_RGB32);
    target.fill(Qt::green);
    bool phase = false;
    for (auto _ : state) {
        QPainter painter(&target);
        DrawPictureRow(painter, bitmaps, phase ? baseRow : errorRow, 418, 136);
        phase = !phase;
    }
}
BENCHMARK(BM_DrawPictureRow)->Unit(benchmark::kMicrosecond);

// The window's repaint of its picture rectangle, as a blink tick asks for it:
// background, tiles, and whatever else overlaps the rectangle.
void BM_WindowPictureRepaint(benchmark::State& state)
{
    const Bitmaps& bitmaps = SampleBitmaps();
    AppState app = SampleState(0, 0);
    CDarvellDlg dlg(app, bitmaps);
    const QRect pic = dlg.PictureRect();
    QImage target(dlg.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        dlg.render(&target, pic.topLeft(), QRegion(pic));
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_WindowPictureRepaint)->Unit(benchmark::kMicrosecond);

// The report of the nine-row list, in the language given, built and written as
// an A4 PDF (through a temporary file renamed into place).
void BM_NineCauseReportPdf(benchmark::State& state)
{
    AppState app = SampleState(1, 0);
    app.m_nLanguage = static_cast<int>(state.range(0));
    CEnteredStatus status(app);
    for (int slot = 0; slot < 3; ++slot)
        status.Enter(slot, 1);
    CDiagnosis diag(app);
    QTemporaryDir out;
    if (diag.Diagnose(status) || diag.CauseCount() != 9 || !out.isValid()) {
        state.SkipWithError("the nine-cause result could not be set up from the sample data");
        return;
    }
    const QString path = out.filePath("report.pdf");
    for (auto _ : state)
        benchmark::DoNotOptimize(CReportWriter(CReport::Build(app, status, diag), SampleBitmaps()).WritePdf(path));
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
