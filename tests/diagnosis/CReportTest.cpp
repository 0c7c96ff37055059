#include "diagnosis/CReport.h"

#include <gtest/gtest.h>

#include <QtGlobal>
#include <string>
#include <vector>

#include "data/AppState.h"
#include "diagnosis/CDiagnosis.h"
#include "diagnosis/CEnteredStatus.h"
#include "tests/support/TempDataDir.h"

namespace {

struct ReportCase {
    int language, unitsIndex;
    std::vector<std::pair<int, int>> entries; // slot, code
    int interlock, halt;                      // 0: no narrowing
    std::string header;                       // expected lines after the date
    std::vector<int> errNos;
};

// Every line the report holds, codes as the entry buttons show them, lamp
// states as applied, causes in list order with their "k / N".
TEST(CReportTest, PlainTextHoldsTheEntryConditionsAndEveryCause)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.CopySampleDir(DARVELL_BINARY_DIR "/QL7_Tool"));
    const ReportCase cases[] = {
        {1, 1, {{3, 3}, {4, 2}}, 0, 0,
         "Series: QL7B series\nNumber of units: 2\nMain Sensor, Receiver: 2\nSub Sensor 1, Receiver: 0\n"
         "Additional conditions: None applied\n# of possible causes: 3\n",
         {181, 185, 222}},
        {0, 1, {{3, 1}, {4, 1}}, 2, 2,
         "机种: QL7B series\n直列安装台数: 2\n主传感器, 受光器侧: 无显示\n辅助传感器1, 受光器侧: 无显示\n"
         "追加条件: 连琐功能: 亮灯, 投光停止: 亮灯\n可能是个别异常: 2\n",
         {178, 179}},
        {1, 2, {{0, 13}}, 1, 1,
         "Series: QL7B series\nNumber of units: 1\nMain Sensor, Emitter: POWER OFF\n"
         "Additional conditions: None applied\n# of possible causes: 1\n",
         {148}},
    };
    for (const ReportCase& c : cases) {
        AppState app;
        app.m_nLanguage = c.language;
        app.m_nUnitsIndex = c.unitsIndex;
        CEnteredStatus status(app);
        status.Reset();
        for (const auto& [slot, code] : c.entries)
            status.Enter(slot, code);
        CDiagnosis diag(app);
        ASSERT_EQ(diag.Diagnose(status), CDiagnosis::kOk);
        if (c.interlock)
            diag.ApplyConditions(c.interlock, c.halt);

        const CReport report = CReport::Build(app, status, diag);
        const bool en = c.language == 1;
        std::string want = en ? "Darvell Diagnosis report\n\nProgram: Darvell 1.0.1.0\nDate and time of the diagnosis: "
                              : "Darvell 诊断报告\n\n程序: Darvell 1.0.1.0\n诊断日期时间: ";
        want += CReport::FormatLocalTime(diag.DiagnosedAt()) + "\n" + c.header;
        ASSERT_EQ(diag.CauseCount(), static_cast<int>(c.errNos.size()));
        for (size_t k = 0; k < c.errNos.size(); ++k) {
            const PossibleCause& p = diag.Causes()[k];
            EXPECT_EQ(p.m_nErrNo, c.errNos[k]);
            want += std::string("\n") + (en ? "Possible cause " : "可能原因 ") + std::to_string(k + 1) + " / " +
                    std::to_string(c.errNos.size()) + (en ? "\n* Cause\n" : "\n* 原因\n") + p.m_strCause +
                    (en ? "\n* Remedy\n" : "\n* 处理方法\n") + p.m_strRemedy + "\n";
        }
        EXPECT_EQ(report.PlainText(), want);
    }

    // Without a list there is nothing to report.
    AppState app;
    CDiagnosis idle(app);
    EXPECT_TRUE(CReport::Build(app, CEnteredStatus(app), idle).IsEmpty());

    // Local time with its offset in the extended form.
    const QByteArray tz = qgetenv("TZ");
    qputenv("TZ", "CST-8");
    EXPECT_EQ(CReport::FormatLocalTime(0), "1970-01-01T08:00:00+08:00");
    tz.isNull() ? qunsetenv("TZ") : qputenv("TZ", tz);
}

} // namespace
