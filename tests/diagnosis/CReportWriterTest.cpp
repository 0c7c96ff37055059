#include "diagnosis/CReportWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "data/AppState.h"
#include "diagnosis/CDiagnosis.h"
#include "diagnosis/CEnteredStatus.h"
#include "draw/CBmpData.h"
#include "tests/support/TempDataDir.h"

namespace {

// Output of a poppler tool, or empty when it cannot run.
QString Poppler(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Text as a PDF viewer's search sees it: no white space, no page footers.
QString Searchable(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text.remove(QRegularExpression(QStringLiteral("(Page|第)\\d+/\\d+页?")));
}

// The largest groups of the three-unit tables: QL7B receiver 1.1.1 (six causes,
// four with lamp conditions) and QL7-A emitter 1.1.1 (nine causes, the longest
// list any entry gives), each in both languages.
TEST(CReportWriterTest, PdfHoldsEveryCodeCauseAndRemedyOnA4Pages)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.CopySampleDir(DARVELL_BINARY_DIR "/QL7_Tool"));
    Bitmaps bitmaps;
    ASSERT_TRUE(CBmpData::LoadCodeBitmaps(bitmaps.m_hCodeBitmaps.data()));
    QTemporaryDir out;
    const struct {
        int series, firstSlot, causes;
        const char* codeShown[2];
    } cases[] = {{0, 3, 6, {"无显示", "No error code"}}, {1, 0, 9, {"無表示", "Remains [OFF]"}}};
    for (const auto& c : cases) {
        for (int lang : {0, 1}) {
            AppState app;
            app.m_nLanguage = lang;
            app.m_nSeries = c.series;
            CEnteredStatus status(app);
            status.Reset();
            for (int slot = c.firstSlot; slot < c.firstSlot + 3; ++slot)
                status.Enter(slot, 1);
            CDiagnosis diag(app);
            ASSERT_EQ(diag.Diagnose(status), CDiagnosis::kOk);
            ASSERT_EQ(diag.CauseCount(), c.causes);

            const QString path = out.filePath(QStringLiteral("report-%1-%2.pdf").arg(c.series).arg(lang));
            const CReport report = CReport::Build(app, status, diag);
            QString error;
            ASSERT_TRUE(CReportWriter(report, bitmaps).WritePdf(path, &error))
                << error.toStdString();
            const QString text = Searchable(Poppler(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), path, QStringLiteral("-")}));
            ASSERT_FALSE(text.isEmpty()) << "pdftotext (poppler-utils) gave nothing";
            const auto has = [&text](const std::string& s) {
                return text.contains(Searchable(QString::fromStdString(s)));
            };
            // Header lines, each label with its value: the entered codes among them.
            int codes = 0;
            for (const auto& [label, value] : report.m_Lines) {
                EXPECT_TRUE(has(label + value)) << label << " " << path.toStdString();
                codes += value == c.codeShown[lang];
            }
            EXPECT_EQ(codes, 3);
            for (const PossibleCause& p : diag.Causes()) {
                EXPECT_TRUE(has(p.m_strCause)) << p.m_nErrNo << " " << path.toStdString();
                EXPECT_TRUE(has(p.m_strRemedy)) << p.m_nErrNo << " " << path.toStdString();
            }
            const QString info = Poppler(QStringLiteral("pdfinfo"), {path});
            EXPECT_TRUE(info.contains(QStringLiteral("(A4)"))) << info.toStdString();
        }
    }

    // A save that cannot be written leaves nothing behind.
    AppState app;
    CDiagnosis none(app);
    const QString bad = out.filePath(QStringLiteral("missing/report.pdf"));
    QString error;
    EXPECT_FALSE(CReportWriter(CReport::Build(app, CEnteredStatus(app), none), bitmaps).WritePdf(bad, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 4);
}

} // namespace
