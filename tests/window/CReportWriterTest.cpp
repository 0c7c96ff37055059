#include "diagnosis/CReport.h"

#include <gtest/gtest.h>

#include <ctime>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "data/AppState.h"
#include "diagnosis/CDiagnosis.h"
#include "diagnosis/CEnteredStatus.h"
#include "window/CReportWriter.h"
#include "bitmaps/CBmpData.h"
#include "tests/support/TempDataDir.h"

namespace {

class CReportTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.CopySampleDir(DARVELL_BINARY_DIR "/QL7_Tool")); }

    // The result list of the entry (slot, code) under app's settings.
    void Diagnose(const std::vector<std::pair<int, int>>& entries)
    {
        for (const auto& [slot, code] : entries)
            m_status.Enter(slot, code);
        ASSERT_EQ(m_diag.Diagnose(m_status), std::nullopt);
    }

    TempDataDir m_dir;
    AppState m_app;
    CEnteredStatus m_status{m_app};
    CDiagnosis m_diag{m_app};
};

// What poppler's tool prints for the PDF, in content order.
QString Poppler(const QString& tool, const QString& path)
{
    QProcess p;
    p.start(tool, tool == "pdfinfo" ? QStringList{path} : QStringList{"-raw", path, "-"});
    return p.waitForFinished(30000) && p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

// Text as a PDF viewer's search sees it: no white space, no page footers.
QString Searchable(const std::string& text)
{
    return QString::fromStdString(text).remove(QRegularExpression("\\s|(Page|第)\\s*\\d+\\s*/\\s*\\d+\\s*页?"));
}

// Every line of the report: codes as the entry buttons show them, lamp states
// as applied, causes in list order with their "k / N" and texts in full.
TEST_F(CReportTest, PlainTextHoldsTheEntryConditionsAndEveryCause)
{
    const struct {
        int language;
        std::vector<std::pair<int, int>> entries; // slot, code
        int interlock, halt;                      // 0: not narrowed
        std::string header;                       // the lines after the date
        std::vector<int> errNos;
    } cases[] = {
        {1, {{3, 3}, {4, 2}}, 0, 0,
         "Series: QL7B series\nNumber of units: 2\nMain Sensor, Receiver: 2\nSub Sensor 1, Receiver: 0\n"
         "Additional conditions: None applied\n# of possible causes: 3\n",
         {181, 185, 222}},
        {0, {{3, 1}, {4, 1}}, 2, 2,
         "机种: QL7B series\n直列安装台数: 2\n主传感器, 受光器侧: 无显示\n辅助传感器1, 受光器侧: 无显示\n"
         "追加条件: 连琐功能: 亮灯, 投光停止: 亮灯\n可能是个别异常: 2\n",
         {178, 179}},
    };
    m_app.m_nUnitsIndex = 1;
    for (const auto& c : cases) {
        m_app.m_nLanguage = c.language;
        m_status.Reset();
        Diagnose(c.entries);
        if (c.interlock)
            m_diag.ApplyConditions(c.interlock, c.halt);
        ASSERT_EQ(m_diag.CauseCount(), static_cast<int>(c.errNos.size()));

        const bool en = c.language == 1;
        std::string want = std::string(en ? "Darvell Diagnosis report\n\nProgram: Darvell 1.0.1.0\nDate and time of "
                                            "the diagnosis: "
                                          : "Darvell 诊断报告\n\n程序: Darvell 1.0.1.0\n诊断日期时间: ") +
                           CReport::FormatLocalTime(m_diag.DiagnosedAt()) + "\n" + c.header;
        for (size_t k = 0; k < c.errNos.size(); ++k) {
            const PossibleCause& p = m_diag.Causes()[k];
            EXPECT_EQ(p.m_nErrNo, c.errNos[k]);
            want += (en ? "\nPossible cause " : "\n可能原因 ") + std::to_string(k + 1) + " / " +
                    std::to_string(c.errNos.size()) + (en ? "\n* Cause\n" : "\n* 原因\n") + p.m_strCause +
                    (en ? "\n* Remedy\n" : "\n* 处理方法\n") + p.m_strRemedy + "\n";
        }
        EXPECT_EQ(CReport::Build(m_app, m_status, m_diag).PlainText(), want);
    }

    // The offset is reckoned, not taken from strftime's %z (a zone name on Windows).
    for (const auto& [tz, want] : {std::pair{"CST-8", "1970-01-01T08:00:00+08:00"},
                                   std::pair{"EST5", "1969-12-31T19:00:00-05:00"},
                                   std::pair{"IST-5:30", "1970-01-01T05:30:00+05:30"}}) {
        qputenv("TZ", tz);
        tzset();
        EXPECT_EQ(CReport::FormatLocalTime(0), want) << tz;
    }
    qunsetenv("TZ");
    tzset();
}

// The largest groups of the three-unit tables, QL7B receiver 1.1.1 (six causes)
// and QL7-A emitter 1.1.1 (nine, the longest list of all), in both languages.
TEST_F(CReportTest, PdfHoldsEveryCodeCauseAndRemedyOnA4Pages)
{
    Bitmaps bitmaps;
    ASSERT_TRUE(CBmpData::LoadCodeBitmaps(bitmaps.m_hCodeBitmaps.data()));
    QTemporaryDir out;
    const struct {
        int series, firstSlot, causes;
        std::string codeShown[2];
    } cases[] = {{0, 3, 6, {"无显示", "No error code"}}, {1, 0, 9, {"無表示", "Remains [OFF]"}}};
    for (const auto& c : cases) {
        for (int lang : {0, 1}) {
            m_app.m_nLanguage = lang;
            m_app.m_nSeries = c.series;
            m_status.Reset();
            Diagnose({{c.firstSlot, 1}, {c.firstSlot + 1, 1}, {c.firstSlot + 2, 1}});
            ASSERT_EQ(m_diag.CauseCount(), c.causes);

            const QString path = out.filePath(QString("report-%1-%2.pdf").arg(c.series).arg(lang));
            const CReport report = CReport::Build(m_app, m_status, m_diag);
            QString error;
            ASSERT_TRUE(CReportWriter(report, bitmaps).WritePdf(path, &error)) << error.toStdString();
            const QString text = Searchable(Poppler("pdftotext", path).toStdString());
            // Each header line, label and value: the three entered codes among them.
            int codes = 0;
            for (const auto& [label, value] : report.m_Lines) {
                EXPECT_TRUE(text.contains(Searchable(label + value))) << label << " " << path.toStdString();
                codes += value == c.codeShown[lang];
            }
            EXPECT_EQ(codes, 3);
            for (const PossibleCause& p : m_diag.Causes())
                EXPECT_TRUE(text.contains(Searchable(p.m_strCause)) && text.contains(Searchable(p.m_strRemedy)))
                    << p.m_nErrNo << " " << path.toStdString();
            EXPECT_TRUE(Poppler("pdfinfo", path).contains("(A4)")) << path.toStdString();
        }
    }

    // A save that cannot be written reports why and leaves nothing behind.
    m_diag.Reset();
    QString error;
    EXPECT_FALSE(CReportWriter(CReport::Build(m_app, m_status, m_diag), bitmaps)
                     .WritePdf(out.filePath("missing/report.pdf"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 4);
}

} // namespace
