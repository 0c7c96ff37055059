#include "data/COperateIni.h"

#include "data/AppState.h"
#include "platform/ProfileFile.h"
#include "tests/support/ScopedWriteHook.h"
#include "tests/support/TempDataDir.h"

#include <QFile>
#include <gtest/gtest.h>

#include <tuple>

using platform::WriteStage;

namespace {

std::string Settings(const std::string& language, const std::string& type, const std::string& height)
{
    return "[Setting]\r\nLanguage=" + language + "\r\nType=" + type + "\r\nDialogHeight=" + height
        + "\r\n";
}

// ---------------------------------------------------------------- checks

// Settings are never read from, nor made in place of, a missing file or a folder.
TEST(COperateIniChecks, SettingAndHelpFilesMustBeFiles)
{
    TempDataDir dir;
    AppState app;
    COperateIni ini(app);
    EXPECT_FALSE(ini.CheckSettingFile());
    EXPECT_FALSE(ini.CheckHelpFile());
    EXPECT_FALSE(ini.ReadSettings());
    EXPECT_FALSE(dir.Exists("Setting.ini"));

    ASSERT_TRUE(dir.MakeDir("Setting.ini"));
    ASSERT_TRUE(dir.MakeDir("Help.ini"));
    EXPECT_FALSE(ini.CheckSettingFile());
    EXPECT_FALSE(ini.CheckHelpFile());
    EXPECT_FALSE(ini.ReadSettings());

    ASSERT_TRUE(dir.Remove("Setting.ini"));
    ASSERT_TRUE(dir.Write("Setting.ini", Settings("1", "0", "0")));
    EXPECT_TRUE(ini.CheckSettingFile());
    EXPECT_FALSE(ini.CheckHelpFile());
    ASSERT_TRUE(dir.Remove("Help.ini"));
    ASSERT_TRUE(dir.Write("Help.ini", ""));
    EXPECT_TRUE(ini.CheckHelpFile());
}

TEST(COperateIniChecks, CauseFileOfSeriesAndLanguage)
{
    const std::tuple<int, int, const char*> cases[] = {{0, 0, "QL7BJ.ini"}, {0, 1, "QL7BE.ini"},
        {1, 0, "QL7AJ.ini"}, {1, 1, "QL7AE.ini"}, {7, 3, "QL7BE.ini"}};
    for (const auto& [series, language, file] : cases) {
        TempDataDir dir;
        AppState app;
        app.m_nSeries = series;
        app.m_nLanguage = language;
        COperateIni ini(app);
        EXPECT_EQ(ini.CauseFilePath(), dir.PathOf(file));
        for (const char* other : {"QL7BE.ini", "QL7BJ.ini", "QL7AE.ini", "QL7AJ.ini"})
            ASSERT_TRUE(std::string(other) == file || dir.Write(other, "[x]\n"));
        EXPECT_FALSE(ini.CheckCauseFile()) << file;
        ASSERT_TRUE(dir.Write(file, "[x]\n"));
        EXPECT_TRUE(ini.CheckCauseFile()) << file;
    }
}

// The reader and darvell-check take a legacy file's code page from this one rule.
TEST(COperateIniAnsi, ChineseForHelpAndTheJFilesWesternForTheRest)
{
    using enum platform::TextEncoding;
    const std::pair<const char*, platform::TextEncoding> cases[] = {
        {"Help.ini", Gb18030}, {"/d/QL7_Tool/QL7BJ.ini", Gb18030}, {"C:\\x\\QL7AJ.ini", Gb18030},
        {"/d/QL7_Tool/Setting.ini", Windows1252}, {"QL7BE.ini", Windows1252}, {"/d/Help.ini/QL7AE.ini", Windows1252}};
    for (const auto& [path, ansi] : cases)
        EXPECT_EQ(COperateIni::FileAnsi(path), ansi) << path;
}

TEST(COperateIniConstruction, PrefixByUnitCountFileFixedAtConstructionAndSectionNames)
{
    TempDataDir dir;
    AppState app;
    ASSERT_TRUE(dir.Write("QL7BJ.ini", ""));
    COperateIni none(app); // without a unit count: no file, no prefix
    EXPECT_EQ(none.File(), "");
    EXPECT_EQ(none.Prefix(), "");
    EXPECT_FALSE(none.HasCauseFile());
    EXPECT_TRUE(none.CheckCauseFile());

    app.m_nLanguage = 1;
    const std::pair<int, const char*> prefixes[] = {
        {0, "3LINE"}, {1, "2LINE"}, {2, "1LINE"}, {-1, "1LINE"}, {3, "1LINE"}};
    for (const auto& [index, prefix] : prefixes) {
        COperateIni ini(app, index);
        EXPECT_EQ(ini.Prefix(), prefix) << index;
        EXPECT_EQ(ini.File(), dir.PathOf("QL7BE.ini"));
    }
    COperateIni ini(app, 0);
    app.m_nLanguage = 0; // a later change does not move the chosen file
    EXPECT_EQ(ini.File(), dir.PathOf("QL7BE.ini"));
    EXPECT_FALSE(ini.HasCauseFile());
    EXPECT_TRUE(ini.CheckCauseFile());
    ASSERT_TRUE(dir.Write("QL7BE.ini", ""));
    EXPECT_TRUE(ini.HasCauseFile());

    EXPECT_EQ(COperateIni(app, 0).SectionName(12, 1), "3LINEE12");
    EXPECT_EQ(COperateIni(app, 1).SectionName(180, 2), "2LINER180");
    EXPECT_EQ(COperateIni(app, 2).SectionName(7, 0), "1LINER7"); // any side but 1 is the receiver
    app.m_nSeries = 1;
    EXPECT_EQ(COperateIni(app, 2).SectionName(4, 1), "1LINE4");
    EXPECT_EQ(COperateIni(app, 0).SectionName(26, 2), "3LINE26");
}

// ---------------------------------------------------------------- settings

std::string SampleSettings()
{
    QFile file(DARVELL_SOURCE_DIR "/res/QL7_Tool/Setting.ini");
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

TEST(ReadSettings, ValuesRepairsAndFailures)
{
    struct Case {
        const char* name;
        std::string file;
        bool ok;
        int language, series, height; // 99: left as it was
        std::string fileAfter;        // empty: unchanged, and never written
    };
    const Case cases[] = {
        {"Chinese", Settings("0", "0", "0"), true, 0, 0, 768, ""},
        {"English", Settings("1", "0", "0"), true, 1, 0, 768, ""},
        {"ShortWindow", Settings("1", "0", "1"), true, 1, 0, 736, ""},
        {"Sample", SampleSettings(), true, 1, 0, 768, ""},
        {"HeightTwoFails", Settings("1", "0", "2"), false, 1, 0, 99, ""},
        {"SecondSeriesFails", Settings("0", "1", "0"), false, 0, 99, 99, ""},
        {"OtherSeriesFails", Settings("0", "2", "0"), false, 0, 99, 99, ""},
        {"LanguageTwoFails", Settings("2", "0", "0"), false, 99, 99, 99, ""},
        {"WholeStringCompared", Settings("01", "0", "0"), false, 99, 99, 99, ""},
        {"StoredErrCountsAsMissing", Settings("ERR", "0", "0"), false, 99, 99, 99, ""},
        {"BlanksAndQuotesDropped", Settings(" \"1\" ", "'0'", "\t1"), true, 1, 0, 736, ""},
        {"NamesIgnoreCase", "[SETTING]\nlanguage=1\nTYPE=0\ndialogheight=1\n", true, 1, 0, 736, ""},
        {"MissingLanguage", "[Setting]\r\nType=0\r\nDialogHeight=0\r\n", false, 99, 99, 99, ""},
        {"MissingType", "[Setting]\r\nLanguage=1\r\nDialogHeight=0\r\n", false, 1, 99, 99, ""},
        {"WrongSection", "[Settings]\r\nLanguage=1\r\nType=0\r\nDialogHeight=0\r\n", false, 99, 99, 99, ""},
        {"EmptyLanguageRepaired", "; kept\r\n[Setting]\r\nLanguage=\r\nType=0\r\nDialogHeight=1\r\n",
         true, 0, 0, 736, "; kept\r\n[Setting]\r\nLanguage=0\r\nType=0\r\nDialogHeight=1\r\n"},
        {"AllEmptyRepaired", "[Setting]\nLanguage=\nType= \nDialogHeight=\"\"", true, 0, 0, 768,
         "[Setting]\nLanguage=0\nType=0\nDialogHeight=0"},
        {"MissingHeightFailsAfterRepairs", "[Setting]\r\nLanguage=\r\nType=\r\n[Other]\r\nDialogHeight=0\r\n",
         false, 0, 0, 99, "[Setting]\r\nLanguage=0\r\nType=0\r\n[Other]\r\nDialogHeight=0\r\n"},
        {"RepairStopsAtFirstBadValue", "[Setting]\nLanguage=\nType=1\nDialogHeight=\n", false, 0, 99, 99,
         "[Setting]\nLanguage=0\nType=1\nDialogHeight=\n"},
    };
    for (const Case& c : cases) {
        TempDataDir dir;
        ASSERT_FALSE(c.file.empty()) << c.name;
        ASSERT_TRUE(dir.Write("Setting.ini", c.file));
        AppState app;
        app.m_nLanguage = app.m_nSeries = app.m_nDialogHeight = app.m_nDialogWidth = 99;
        ScopedWriteHook stages;
        EXPECT_EQ(COperateIni(app).ReadSettings(), c.ok) << c.name;
        EXPECT_EQ(app.m_nLanguage, c.language) << c.name;
        EXPECT_EQ(app.m_nSeries, c.series) << c.name;
        EXPECT_EQ(app.m_nDialogHeight, c.height) << c.name;
        EXPECT_EQ(app.m_nDialogWidth, 99) << c.name; // set by start-up, not here
        EXPECT_EQ(dir.Read("Setting.ini"), c.fileAfter.empty() ? c.file : c.fileAfter) << c.name;
        if (c.fileAfter.empty()) {
            EXPECT_EQ(stages.Writes(), 0) << c.name;
        }
    }
}

TEST(ReadSettings, ARepairThatCannotBeWrittenFailsAndLeavesTheFileByteForByte)
{
    for (const WriteStage stage : {WriteStage::Open, WriteStage::Write, WriteStage::Replace}) {
        TempDataDir dir;
        const std::string original = Settings("1", "", "0");
        ASSERT_TRUE(dir.Write("Setting.ini", original));
        ScopedWriteHook failing({stage});
        AppState app;
        app.m_nSeries = 99;
        EXPECT_FALSE(COperateIni(app).ReadSettings()) << WriteStageName(stage);
        EXPECT_EQ(app.m_nLanguage, 1);
        EXPECT_EQ(app.m_nSeries, 99);
        EXPECT_EQ(dir.Read("Setting.ini"), original) << WriteStageName(stage);
    }
}

TEST(WriteSettings, WritesFlagsAndNothingElseAndTheSecondSeriesIsNotReadBack)
{
    const std::tuple<int, int, const char*, const char*> cases[] = {
        {0, 0, "0", "0"}, {1, 0, "1", "0"}, {0, 1, "0", "1"}, {5, -1, "1", "1"}};
    for (const auto& [language, series, wantLanguage, wantType] : cases) {
        TempDataDir dir;
        ASSERT_TRUE(dir.Write("Setting.ini", "; top\n[Setting]\nLanguage=\"1\"\nType=0\nDialogHeight=1\n[X]\nType=7"));
        AppState app;
        app.m_nLanguage = app.m_nSeries = 42;
        EXPECT_TRUE(COperateIni(app).WriteSettings(language, series));
        EXPECT_EQ(dir.Read("Setting.ini"), std::string("; top\n[Setting]\nLanguage=") + wantLanguage
                      + "\nType=" + wantType + "\nDialogHeight=1\n[X]\nType=7");
        EXPECT_EQ(app.m_nLanguage, 42); // the caller sets the state after success
        EXPECT_EQ(app.m_nSeries, 42);
        EXPECT_EQ(COperateIni(app).ReadSettings(), *wantType == '0') << language << "/" << series;
    }
}

TEST(WriteSettings, MissingKeysOrAFailedWriteStopItAndLeaveTheFile)
{
    TempDataDir dir;
    AppState app;
    for (const std::string file : {"[Setting]\nType=0\nDialogHeight=0\n", "[Setting]\nLanguage=0\nType=ERR\n", ""}) {
        ASSERT_TRUE(file.empty() ? dir.Remove("Setting.ini") : dir.Write("Setting.ini", file));
        EXPECT_FALSE(COperateIni(app).WriteSettings(1, 0)) << file;
        EXPECT_EQ(dir.Read("Setting.ini"), file);
        EXPECT_EQ(dir.Exists("Setting.ini"), !file.empty());
    }
    const std::string original = Settings("0", "0", "0");
    ASSERT_TRUE(dir.Write("Setting.ini", original));
    for (const WriteStage stage : {WriteStage::Open, WriteStage::Write, WriteStage::Replace}) {
        ScopedWriteHook failing({stage});
        EXPECT_FALSE(COperateIni(app).WriteSettings(1, 1)) << WriteStageName(stage);
        EXPECT_EQ(failing.Writes(), 1); // both keys in one write: no half-stored change
        EXPECT_EQ(dir.Read("Setting.ini"), original) << WriteStageName(stage);
    }
}

// ---------------------------------------------------------------- help

TEST(ReadHelp, BothTextsAsWrittenWithoutEscapeConversionAndCutAt255BytesOnACharacter)
{
    std::string chinese = "a";
    for (int i = 0; i < 100; ++i)
        chinese += "中";
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"[RemedyE]\nRemedy=Press CLEAR.\\nThen start again.\n[remedyj]\nremedy=  按CLEAR键。\\\\n  \n",
         "按CLEAR键。\\\\n", "Press CLEAR.\\nThen start again."},
        {"[RemedyJ]\nRemedy=" + chinese + "\n[RemedyE]\nRemedy=" + std::string(400, 'e') + "\n",
         chinese.substr(0, 1 + 3 * 84), std::string(255, 'e')},
    };
    for (const auto& [file, first, second] : cases) {
        TempDataDir dir;
        ASSERT_TRUE(dir.Write("Help.ini", file));
        AppState app;
        ASSERT_TRUE(COperateIni(app).ReadHelp());
        EXPECT_EQ(app.m_strHelp[0], first);
        EXPECT_EQ(app.m_strHelp[1], second);
    }
}

TEST(ReadHelp, MissingTextsFailInOrder)
{
    TempDataDir dir;
    AppState app;
    app.m_strHelp[0] = app.m_strHelp[1] = "old";
    EXPECT_FALSE(COperateIni(app).ReadHelp()); // no file

    ASSERT_TRUE(dir.Write("Help.ini", "[RemedyE]\nRemedy=English\n"));
    EXPECT_FALSE(COperateIni(app).ReadHelp());
    EXPECT_EQ(app.m_strHelp[0], "old");
    EXPECT_EQ(app.m_strHelp[1], "old");

    ASSERT_TRUE(dir.Write("Help.ini", "[RemedyJ]\nRemedy=中文\n[RemedyE]\nRemedy=ERR\n"));
    EXPECT_FALSE(COperateIni(app).ReadHelp());
    EXPECT_EQ(app.m_strHelp[0], "中文"); // kept from the first step
    EXPECT_EQ(app.m_strHelp[1], "old");

    ASSERT_TRUE(dir.Write("Help.ini", "[RemedyJ]\nRemedy=\n[RemedyE]\nRemedy=\n"));
    EXPECT_TRUE(COperateIni(app).ReadHelp()); // empty texts are allowed
    EXPECT_EQ(app.m_strHelp[0], "");
}

TEST(ReadHelp, SampleHelpFileIsReadWhole)
{
    TempDataDir dir;
    const std::string sample = DARVELL_SOURCE_DIR "/res/QL7_Tool/Help.ini";
    ASSERT_TRUE(dir.CopyFrom(sample, "Help.ini"));
    AppState app;
    ASSERT_TRUE(COperateIni(app).ReadHelp());
    for (int i = 0; i < 2; ++i) {
        const std::string& text = app.m_strHelp[i];
        // Nothing was cut off: a longer buffer reads the same.
        EXPECT_EQ(text, platform::GetProfileString(sample, i == 0 ? "RemedyJ" : "RemedyE", "Remedy",
                                                   "ERR", 1 << 16));
        for (const char* step : {"STEP1", "STEP2", "STEP3", "STEP4", "CLEAR", "EXIT"})
            EXPECT_NE(text.find(step), std::string::npos) << i << " " << step;
        EXPECT_EQ(text.find("\\n"), std::string::npos); // would show as two characters
    }
    EXPECT_NE(app.m_strHelp[0].find("再追加条件"), std::string::npos);
    EXPECT_NE(app.m_strHelp[1].find("Additional conditions"), std::string::npos);
}

// ---------------------------------------------------------------- causes

TEST(ReadCauseRemedy, BothKeysOfTheSectionConvertedCutAt1023BytesAndMissingPiecesFail)
{
    const std::string be = "[3LINEE12]\nca=Beam blocked.\\nCheck the path.\nre=Remove it.\\\\n done\n"
                           "[3LINER12]\nca=receiver\nre=receiver remedy\n"
                           // The cut leaves a lone backslash at the end; it stays a backslash.
                           "[1LINER9]\nca=" + std::string(1021, 'a') + "中\nre=" + std::string(1022, 'b') + "\\nzz\n";
    const std::string bj = "[2LINEE1]\nre=only remedy\n[2LINEE2]\nca=only cause\n[2LINEE3]\nca=cause\nre=ERR\n"
                           "[2LINEE4]\nca=\nre=\n";
    const std::string aj = "[1LINEE4]\nca=wrong\nre=wrong\n[1LINE4]\nca=原因\nre=处理\n";
    struct Case {
        int series, language, units; // units: the index of the unit count
        const char* file;
        const std::string* text;     // nullptr: no file
        int number, side;
        bool ok;
        std::string cause, remedy;   // "c", "r": left as they were
    };
    const Case cases[] = {
        {0, 1, 0, "QL7BE.ini", &be, 12, 1, true, "Beam blocked.\nCheck the path.", "Remove it.\\n done"},
        {0, 1, 0, "QL7BE.ini", &be, 12, 2, true, "receiver", "receiver remedy"},
        {0, 1, 2, "QL7BE.ini", &be, 9, 2, true, std::string(1021, 'a'), std::string(1022, 'b') + "\\"},
        {1, 0, 2, "QL7AJ.ini", &aj, 4, 1, true, "原因", "处理"}, // the second series has no side letter
        {0, 0, 1, "QL7BJ.ini", &bj, 1, 1, false, "c", "r"},
        {0, 0, 1, "QL7BJ.ini", &bj, 2, 1, false, "c", "r"},
        {0, 0, 1, "QL7BJ.ini", &bj, 3, 1, false, "c", "r"},
        {0, 0, 1, "QL7BJ.ini", &bj, 5, 1, false, "c", "r"},
        {0, 0, 1, "QL7BJ.ini", &bj, 4, 1, true, "", ""},
        {0, 0, 1, "QL7BJ.ini", nullptr, 4, 1, false, "c", "r"},
    };
    for (const Case& c : cases) {
        TempDataDir dir;
        ASSERT_TRUE(!c.text || dir.Write(c.file, *c.text));
        AppState app;
        app.m_nSeries = c.series;
        app.m_nLanguage = c.language;
        std::string remedy = "r", cause = "c";
        EXPECT_EQ(COperateIni(app, c.units).ReadCauseRemedy(c.number, remedy, cause, c.side), c.ok)
            << c.file << " " << c.number;
        EXPECT_EQ(cause, c.cause) << c.file << " " << c.number;
        EXPECT_EQ(remedy, c.remedy) << c.file << " " << c.number;
    }
}

TEST(ConvertEscapes, ByteWise)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""}, {"plain", "plain"}, {"a\\nb", "a\nb"}, {"\\n\\n", "\n\n"}, {"\\\\", "\\"}, {"\\\\n", "\\n"},
        {"\\\\\\n", "\\\n"}, {"\\x\\t", "\\x\\t"}, {"end\\", "end\\"}, {"\\N", "\\N"},
        {"\x95\\n", "\x95\n"}, // a 0x5C second byte is a backslash all the same
        {"中\\n文", "中\n文"}, {nullptr, ""}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(COperateIni::ConvertEscapes(text), expected) << (text ? text : "(null)");
}

} // namespace
