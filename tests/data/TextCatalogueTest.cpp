#include "data/TextCatalogue.h"

#include <QStringDecoder>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Expected {
    const char* name;
    const LocalText* entry;
    const char* zh;
    const char* en;
};

// Written out independently of the catalogue source: a slip in either shows here.
const std::vector<Expected> kExpected = {
        {"g_strAddTitle", &g_strAddTitle, "Darvell", "Darvell"},
        {"g_strAddEmitterSide", &g_strAddEmitterSide, "投光器侧", "Emitter"},
        {"g_strAddReceiverSide", &g_strAddReceiverSide, "受光器侧", "Receiver"},
        {"g_strAddInterlock", &g_strAddInterlock, "连琐功能", "INTERLOCK"},
        {"g_strAddHalt", &g_strAddHalt, "投光停止", "HALT"},
        {"g_strAddInterlockOn", &g_strAddInterlockOn, "亮灯", "Light ON"},
        {"g_strAddInterlockOff", &g_strAddInterlockOff, "熄灯", "Light OFF"},
        {"g_strAddHaltOn", &g_strAddHaltOn, "亮灯", "Light ON"},
        {"g_strAddHaltOff", &g_strAddHaltOff, "熄灯", "Light OFF"},
        {"g_strAddClear", &g_strAddClear, "清除", "CLEAR"},
        {"g_strAddOk", &g_strAddOk, "OK", "OK"},
        {"g_strMainTitle", &g_strMainTitle, "Darvell", "Darvell"},
        {"g_strCauseHeading", &g_strCauseHeading, "* 原因", "* Cause"},
        {"g_strRemedyHeading", &g_strRemedyHeading, "* 处理方法", "* Remedy"},
        {"g_strEmitter", &g_strEmitter, "投光器侧", "Emitter"},
        {"g_strReceiver", &g_strReceiver, "受光器侧", "Receiver"},
        {"g_strEmitterMain", &g_strEmitterMain, "主传感器", "Main Sensor"},
        {"g_strEmitterSub1", &g_strEmitterSub1, "辅助传感器1", "Sub Sensor 1"},
        {"g_strEmitterSub2", &g_strEmitterSub2, "辅助传感器2", "Sub Sensor 2"},
        {"g_strReceiverMain", &g_strReceiverMain, "主传感器", "Main Sensor"},
        {"g_strReceiverSub1", &g_strReceiverSub1, "辅助传感器1", "Sub Sensor 1"},
        {"g_strReceiverSub2", &g_strReceiverSub2, "辅助传感器2", "Sub Sensor 2"},
        {"g_strCauseCount", &g_strCauseCount, "可能是个别异常", "# of possible causes"},
        {"g_strClear", &g_strClear, "CLEAR", "CLEAR"},
        {"g_strThreeUnits", &g_strThreeUnits, "3台", "3 Units"},
        {"g_strTwoUnits", &g_strTwoUnits, "2台", "2 Units"},
        {"g_strOneUnit", &g_strOneUnit, "1台", "1 Unit"},
        {"g_strSettings", &g_strSettings, "Settings", "Settings"},
        {"g_strExit", &g_strExit, "EXIT", "EXIT"},
        {"g_strClick", &g_strClick, "请选择", "Click"},
        {"g_strUpCjk", &g_strUpCjk, "up", "up"},
        {"g_strDownCjk", &g_strDownCjk, "down", "down"},
        {"g_strUp", &g_strUp, "up", "up"},
        {"g_strDown", &g_strDown, "down", "down"},
        {"g_strStep1", &g_strStep1, "STEP1 选择直列安装结构", "STEP1 Select Number of Units"},
        {"g_strStep2", &g_strStep2, "STEP2 输入错误状态", "STEP2 Input Error Status"},
        {"g_strStep3", &g_strStep3, "STEP3 原因及处理方法", "STEP3 Cause and Remedy"},
        {"g_strStep4", &g_strStep4, "STEP4", "STEP4"},
        {"g_strAddConditions", &g_strAddConditions, "再追加条件", "Additional\nconditions"},
        {"g_strResetNote", &g_strResetNote, "恢复原状态 (清除错误状态)", "Reset Error Status"},
        {"g_strChangeNote", &g_strChangeNote, "语言及机种变更", "Change Language and Series"},
        {"g_strSelectTitle", &g_strSelectTitle, "Darvell", "Darvell"},
        {"g_strSelectPrompt", &g_strSelectPrompt, "确认错误显示灯的亮灯状态、选择错误状态。", "Please select the code on the error indicator.\nIf all indicators are off, please select \"POWER OFF\""},
        {"g_strSelectCancel", &g_strSelectCancel, "取消", "CANCEL"},
        {"g_strSetTitle", &g_strSetTitle, "Darvell", "Darvell"},
        {"g_strSetVersionPrefix", &g_strSetVersionPrefix, "Darvell Ver.", "Darvell Ver."},
        {"g_strSetHeading", &g_strSetHeading, "设定画面", "Settings"},
        {"g_strSetLanguage", &g_strSetLanguage, "使用语言", "Language"},
        {"g_strSetLightCurtain", &g_strSetLightCurtain, "安全光幕", "Light Curtain"},
        {"g_strSetOk", &g_strSetOk, "OK\n\n进入诊断画面", "OK\n\nGo to diagnosis screen"},
        {"g_strSetExit", &g_strSetExit, "EXIT", "EXIT"},
        {"g_strSetStep1", &g_strSetStep1, "STEP1 选择语言", "STEP1 Select Language"},
        {"g_strSetStep2", &g_strSetStep2, "STEP2 选择机种", "STEP2 Select Series"},
};

const char* const kMessages[11][2] = {
        {"无相应的异常模式。请清除并重新输入错误状态。",
         "The status that you have chosen does not seem real.\n Please enter the current status of the digital error indicator again after the Clear button."},
        {"无原因 · 处理文件",
         "No cause or remedy files are available."},
        {"无法取得原因 · 处理方法。请确认文件。",
         "No cause or remedy files can be obtained. \nPlease check the files."},
        {"错误!",
         "Error!"},
        {"已打开(Darvell)",
         "Darvell is open, already."},
        {"无设定文件。",
         "No setting files is available."},
        {"无法取得设定数据、请确认文件。",
         "No setting files can be obtained. \nPlease check the files."},
        {"无法写入设定数据、请确认文件。",
         "This software cannot write in setting data."},
        {"无法取得BMP文件、请确认文件。",
         "No BMP files can be obtained. \nPlease check the files."},
        {"无帮助文件。",
         "No help files is available."},
        {"无法取得帮助资料、请确认文件。",
         "No help files can be obtained. \nPlease check the files."},
};

// True when s is well-formed UTF-8 (no overlongs, no surrogates).
bool IsUtf8(const std::string& s)
{
    // Stateless: a sequence cut at the end is an error too.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
    return !utf8.hasError();
}

std::vector<std::string> AllTexts()
{
    std::vector<std::string> all;
    for (const Expected& e : kExpected)
        for (const char* t : *e.entry)
            all.emplace_back(t);
    for (const LocalText& m : g_strMessage)
        for (const char* t : m)
            all.emplace_back(t);
    all.emplace_back(g_strSeriesName[0]);
    all.emplace_back(g_strSeriesName[1]);
    all.emplace_back(g_strMessageTitle[0]);
    all.emplace_back(g_strMessageTitle[1]);
    all.emplace_back(g_strVersion);
    all.emplace_back(g_strAboutMenuItem);
    return all;
}

} // namespace

// The line breaks of the messages keep the blank beside them: it is part of the
// text that is drawn.
TEST(TextCatalogue, EveryEntryAndMessageMatchesBothLanguagesByteForByte)
{
    for (const Expected& e : kExpected) {
        SCOPED_TRACE(e.name);
        ASSERT_NE((*e.entry)[0], nullptr);
        ASSERT_NE((*e.entry)[1], nullptr);
        EXPECT_EQ(std::string((*e.entry)[0]), e.zh);
        EXPECT_EQ(std::string((*e.entry)[1]), e.en);
    }
    ASSERT_EQ(g_strMessage.size(), 11u);
    for (int n = 0; n < 11; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(std::string(g_strMessage[n][0]), kMessages[n][0]);
        EXPECT_EQ(std::string(g_strMessage[n][1]), kMessages[n][1]);
    }
}

TEST(TextCatalogue, SeriesTitleVersionAndMenuItem)
{
    EXPECT_STREQ(g_strSeriesName[0], "QL7B series");
    EXPECT_STREQ(g_strSeriesName[1], "QL7-A series");
    EXPECT_STREQ(g_strMessageTitle[0], "Darvell");
    EXPECT_STREQ(g_strMessageTitle[1], "Darvell");
    EXPECT_STREQ(g_strVersion, "1.0.1.0");
    EXPECT_STREQ(g_strAboutMenuItem,
                 "Darvell \xE3\x81\xAE\xEF\xBE\x8A\xEF\xBE\x9E\xEF\xBD\xB0\xEF\xBD\xBC\xEF\xBE\x9E"
                 "\xEF\xBD\xAE\xEF\xBE\x9D\xE6\x83\x85\xE5\xA0\xB1(&A)...");
}

TEST(TextCatalogue, ChineseTextsAreUtf8NotGbk)
{
    // "投光器侧" in UTF-8; in GBK it would be 8 bytes.
    EXPECT_EQ(std::string(g_strEmitter[0]), "\xE6\x8A\x95\xE5\x85\x89\xE5\x99\xA8\xE4\xBE\xA7");
    for (const std::string& t : AllTexts()) {
        EXPECT_TRUE(IsUtf8(t)) << t;
        EXPECT_EQ(t.find('\r'), std::string::npos) << t;
    }
}
