#include "data/COperateIni.h"

#include "data/AppState.h"
#include "platform/ProfileFile.h"
#include "tests/support/ScopedWriteHook.h"
#include "tests/support/TempDataDir.h"

#include <gtest/gtest.h>

using platform::WriteStage;

namespace {

std::string Settings(const std::string& language, const std::string& type, const std::string& height)
{
    return "[Setting]\r\nLanguage=" + language + "\r\nType=" + type + "\r\nDialogHeight=" + height
        + "\r\n";
}

// ---------------------------------------------------------------- checks

TEST(COperateIniChecks, SettingAndHelpFilesMustBeFiles)
{
    TempDataDir dir;
    AppState app;
    COperateIni ini(app);
    EXPECT_FALSE(ini.CheckSettingFile());
    EXPECT_FALSE(ini.CheckHelpFile());

    ASSERT_TRUE(dir.MakeDir("Setting.ini"));
    ASSERT_TRUE(dir.MakeDir("Help.ini"));
    EXPECT_FALSE(ini.CheckSettingFile());
    EXPECT_FALSE(ini.CheckHelpFile());

    ASSERT_TRUE(dir.Remove("Setting.ini"));
    ASSERT_TRUE(dir.Write("Setting.ini", Settings("1", "0", "0")));
    EXPECT_TRUE(ini.CheckSettingFile());
    EXPECT_FALSE(ini.CheckHelpFile());
    ASSERT_TRUE(dir.Remove("Help.ini"));
    ASSERT_TRUE(dir.Write("Help.ini", ""));
    EXPECT_TRUE(ini.CheckHelpFile());
}

struct CauseFileCase {
    int series;
    int language;
    const char* file;
};

class CauseFileChoice : public ::testing::TestWithParam<CauseFileCase> {};

TEST_P(CauseFileChoice, FileOfSeriesAndLanguage)
{
    const CauseFileCase& c = GetParam();
    TempDataDir dir;
    AppState app;
    app.m_nSeries = c.series;
    app.m_nLanguage = c.language;
    COperateIni ini(app);
    EXPECT_EQ(ini.CauseFilePath(), dir.PathOf(c.file));

    for (const char* other : {"QL7BE.ini", "QL7BJ.ini", "QL7AE.ini", "QL7AJ.ini"}) {
        if (std::string(other) != c.file) {
            ASSERT_TRUE(dir.Write(other, "[x]\n"));
        }
    }
    EXPECT_FALSE(ini.CheckCauseFile());
    ASSERT_TRUE(dir.Write(c.file, "[x]\n"));
    EXPECT_TRUE(ini.CheckCauseFile());
}

INSTANTIATE_TEST_SUITE_P(AllFour, CauseFileChoice, ::testing::Values(
    CauseFileCase{0, 0, "QL7BJ.ini"}, CauseFileCase{0, 1, "QL7BE.ini"},
    CauseFileCase{1, 0, "QL7AJ.ini"}, CauseFileCase{1, 1, "QL7AE.ini"},
    CauseFileCase{7, 3, "QL7BE.ini"}));

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

TEST(COperateIniConstruction, DefaultHasNoFileNorPrefix)
{
    TempDataDir dir;
    AppState app;
    ASSERT_TRUE(dir.Write("QL7BJ.ini", ""));
    COperateIni ini(app);
    EXPECT_EQ(ini.File(), "");
    EXPECT_EQ(ini.Prefix(), "");
    EXPECT_FALSE(ini.HasCauseFile());
    EXPECT_TRUE(ini.CheckCauseFile());
}

TEST(COperateIniConstruction, PrefixByUnitCountAndFileFixedAtConstruction)
{
    TempDataDir dir;
    AppState app;
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
    ASSERT_TRUE(dir.Write("QL7BJ.ini", ""));
    EXPECT_FALSE(ini.HasCauseFile());
    EXPECT_TRUE(ini.CheckCauseFile());
    ASSERT_TRUE(dir.Write("QL7BE.ini", ""));
    EXPECT_TRUE(ini.HasCauseFile());
}

TEST(COperateIniConstruction, SectionNames)
{
    AppState app;
    EXPECT_EQ(COperateIni(app, 0).SectionName(12, 1), "3LINEE12");
    EXPECT_EQ(COperateIni(app, 1).SectionName(180, 2), "2LINER180");
    EXPECT_EQ(COperateIni(app, 2).SectionName(7, 0), "1LINER7"); // any side but 1 is the receiver
    app.m_nSeries = 1;
    EXPECT_EQ(COperateIni(app, 2).SectionName(4, 1), "1LINE4");
    EXPECT_EQ(COperateIni(app, 0).SectionName(26, 2), "3LINE26");
}

// ---------------------------------------------------------------- settings

struct SettingsCase {
    const char* name;
    std::string file;
    bool ok;
    int language, series, height; // 99: left as it was
    std::string fileAfter;        // empty: unchanged
};

class ReadSettings : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(ReadSettings, ValuesRepairsAndFailures)
{
    const SettingsCase& c = GetParam();
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Setting.ini", c.file));
    AppState app;
    app.m_nLanguage = app.m_nSeries = app.m_nDialogHeight = app.m_nDialogWidth = 99;

    EXPECT_EQ(COperateIni(app).ReadSettings(), c.ok);
    EXPECT_EQ(app.m_nLanguage, c.language);
    EXPECT_EQ(app.m_nSeries, c.series);
    EXPECT_EQ(app.m_nDialogHeight, c.height);
    EXPECT_EQ(app.m_nDialogWidth, 99); // set by start-up, not here
    EXPECT_EQ(dir.Read("Setting.ini"), c.fileAfter.empty() ? c.file : c.fileAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadSettings, ::testing::Values(
    SettingsCase{"Chinese", Settings("0", "0", "0"), true, 0, 0, 768, ""},
    SettingsCase{"English", Settings("1", "0", "0"), true, 1, 0, 768, ""},
    SettingsCase{"ShortWindow", Settings("1", "0", "1"), true, 1, 0, 736, ""},
    SettingsCase{"HeightTwoFails", Settings("1", "0", "2"), false, 1, 0, 99, ""},
    SettingsCase{"SecondSeriesFails", Settings("0", "1", "0"), false, 0, 99, 99, ""},
    SettingsCase{"OtherSeriesFails", Settings("0", "2", "0"), false, 0, 99, 99, ""},
    SettingsCase{"LanguageTwoFails", Settings("2", "0", "0"), false, 99, 99, 99, ""},
    SettingsCase{"WholeStringCompared", Settings("01", "0", "0"), false, 99, 99, 99, ""},
    SettingsCase{"StoredErrCountsAsMissing", Settings("ERR", "0", "0"), false, 99, 99, 99, ""},
    SettingsCase{"BlanksAndQuotesDropped", Settings(" \"1\" ", "'0'", "\t1"), true, 1, 0, 736, ""},
    SettingsCase{"NamesIgnoreCase", "[SETTING]\nlanguage=1\nTYPE=0\ndialogheight=1\n", true, 1, 0, 736, ""},
    SettingsCase{"MissingLanguage", "[Setting]\r\nType=0\r\nDialogHeight=0\r\n", false, 99, 99, 99, ""},
    SettingsCase{"MissingType", "[Setting]\r\nLanguage=1\r\nDialogHeight=0\r\n", false, 1, 99, 99, ""},
    SettingsCase{"WrongSection", "[Settings]\r\nLanguage=1\r\nType=0\r\nDialogHeight=0\r\n", false, 99, 99, 99, ""},
    SettingsCase{"EmptyLanguageRepaired", "; kept\r\n[Setting]\r\nLanguage=\r\nType=0\r\nDialogHeight=1\r\n",
                 true, 0, 0, 736, "; kept\r\n[Setting]\r\nLanguage=0\r\nType=0\r\nDialogHeight=1\r\n"},
    SettingsCase{"AllEmptyRepaired", "[Setting]\nLanguage=\nType= \nDialogHeight=\"\"", true, 0, 0, 768,
                 "[Setting]\nLanguage=0\nType=0\nDialogHeight=0"},
    SettingsCase{"MissingHeightFailsAfterRepairs", "[Setting]\r\nLanguage=\r\nType=\r\n[Other]\r\nDialogHeight=0\r\n",
                 false, 0, 0, 99, "[Setting]\r\nLanguage=0\r\nType=0\r\n[Other]\r\nDialogHeight=0\r\n"},
    SettingsCase{"RepairStopsAtFirstBadValue", "[Setting]\nLanguage=\nType=1\nDialogHeight=\n", false, 0, 99, 99,
                 "[Setting]\nLanguage=0\nType=1\nDialogHeight=\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadSettingsFile, MissingFileFailsAndIsNotCreated)
{
    TempDataDir dir;
    AppState app;
    EXPECT_FALSE(COperateIni(app).ReadSettings());
    EXPECT_FALSE(dir.Exists("Setting.ini"));
}

TEST(ReadSettingsFile, DirectoryNamedLikeTheFileFails)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.MakeDir("Setting.ini"));
    AppState app;
    COperateIni ini(app);
    EXPECT_FALSE(ini.CheckSettingFile());
    EXPECT_FALSE(ini.ReadSettings());
}

class RepairWriteFailure : public ::testing::TestWithParam<WriteStage> {};

TEST_P(RepairWriteFailure, FailsAndLeavesTheFileByteForByte)
{
    TempDataDir dir;
    const std::string original = Settings("1", "", "0");
    ASSERT_TRUE(dir.Write("Setting.ini", original));
    ScopedWriteHook failing({GetParam()});
    AppState app;
    app.m_nSeries = 99;
    EXPECT_FALSE(COperateIni(app).ReadSettings());
    EXPECT_EQ(app.m_nLanguage, 1);
    EXPECT_EQ(app.m_nSeries, 99);
    EXPECT_EQ(dir.Read("Setting.ini"), original);
}

INSTANTIATE_TEST_SUITE_P(EachStage, RepairWriteFailure,
    ::testing::Values(WriteStage::Open, WriteStage::Write, WriteStage::Replace),
    [](const auto& info) { return std::string(WriteStageName(info.param)); });

TEST(ReadSettingsFile, ValidFileIsNeverWritten)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Setting.ini", Settings("0", "0", "1")));
    ScopedWriteHook stages;
    AppState app;
    EXPECT_TRUE(COperateIni(app).ReadSettings());
    EXPECT_EQ(stages.Writes(), 0);
}

TEST(ReadSettingsFile, SampleFileReadsAsEnglish)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.CopyFrom(DARVELL_SOURCE_DIR "/res/QL7_Tool/Setting.ini", "Setting.ini"));
    const std::string before = dir.Read("Setting.ini");
    AppState app;
    EXPECT_TRUE(COperateIni(app).ReadSettings());
    EXPECT_EQ(app.m_nLanguage, 1);
    EXPECT_EQ(app.m_nSeries, 0);
    EXPECT_EQ(app.m_nDialogHeight, 768);
    EXPECT_EQ(dir.Read("Setting.ini"), before);
}

TEST(WriteSettings, WritesFlagsAndNothingElse)
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
    }
}

TEST(WriteSettings, SecondSeriesWrittenButNotReadBack)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Setting.ini", Settings("0", "0", "0")));
    AppState app;
    ASSERT_TRUE(COperateIni(app).WriteSettings(1, 1));
    EXPECT_EQ(dir.Read("Setting.ini"), Settings("1", "1", "0"));
    EXPECT_FALSE(COperateIni(app).ReadSettings());
}

TEST(WriteSettings, MissingKeysStopTheWrite)
{
    TempDataDir dir;
    AppState app;
    const std::string noLanguage = "[Setting]\nType=0\nDialogHeight=0\n";
    ASSERT_TRUE(dir.Write("Setting.ini", noLanguage));
    EXPECT_FALSE(COperateIni(app).WriteSettings(1, 0));
    EXPECT_EQ(dir.Read("Setting.ini"), noLanguage);

    // A missing "Type" stops the write before anything is stored.
    ASSERT_TRUE(dir.Write("Setting.ini", "[Setting]\nLanguage=0\nType=ERR\n"));
    EXPECT_FALSE(COperateIni(app).WriteSettings(1, 0));
    EXPECT_EQ(dir.Read("Setting.ini"), "[Setting]\nLanguage=0\nType=ERR\n");

    ASSERT_TRUE(dir.Remove("Setting.ini"));
    EXPECT_FALSE(COperateIni(app).WriteSettings(1, 0));
    EXPECT_FALSE(dir.Exists("Setting.ini"));
}

TEST(WriteSettings, FailedWritesReportFalse)
{
    TempDataDir dir;
    AppState app;
    const std::string original = Settings("0", "0", "0");
    ASSERT_TRUE(dir.Write("Setting.ini", original));
    {
        ScopedWriteHook failing({WriteStage::Replace});
        EXPECT_FALSE(COperateIni(app).WriteSettings(1, 1));
        EXPECT_EQ(failing.Writes(), 1); // stops at the first failure
    }
    EXPECT_EQ(dir.Read("Setting.ini"), original);
    for (const WriteStage stage : {WriteStage::Open, WriteStage::Write}) {
        ScopedWriteHook failing({stage});
        EXPECT_FALSE(COperateIni(app).WriteSettings(1, 1));
        EXPECT_EQ(failing.Writes(), 1); // both keys in one write: no half-stored change
    }
    EXPECT_EQ(dir.Read("Setting.ini"), original);
}

// ---------------------------------------------------------------- help

TEST(ReadHelp, BothTextsAsWrittenWithoutEscapeConversion)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Help.ini", "[RemedyE]\nRemedy=Press CLEAR.\\nThen start again.\n"
                                      "[remedyj]\nremedy=  按CLEAR键。\\\\n  \n"));
    AppState app;
    ASSERT_TRUE(COperateIni(app).ReadHelp());
    EXPECT_EQ(app.m_strHelp[0], "按CLEAR键。\\\\n");
    EXPECT_EQ(app.m_strHelp[1], "Press CLEAR.\\nThen start again.");
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

TEST(ReadHelp, LongTextCutAt255BytesOnACharacter)
{
    TempDataDir dir;
    std::string chinese = "a";
    for (int i = 0; i < 100; ++i)
        chinese += "中";
    const std::string english(400, 'e');
    ASSERT_TRUE(dir.Write("Help.ini", "[RemedyJ]\nRemedy=" + chinese + "\n[RemedyE]\nRemedy=" + english + "\n"));
    AppState app;
    ASSERT_TRUE(COperateIni(app).ReadHelp());
    EXPECT_EQ(app.m_strHelp[0], chinese.substr(0, 1 + 3 * 84));
    EXPECT_EQ(app.m_strHelp[1], std::string(255, 'e'));
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

TEST(ReadCauseRemedy, ReadsBothKeysOfTheSectionAndConverts)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("QL7BE.ini",
        "[3LINEE12]\nca=Beam blocked.\\nCheck the path.\nre=Remove it.\\\\n done\n"
        "[3LINER12]\nca=receiver\nre=receiver remedy\n"));
    AppState app;
    app.m_nLanguage = 1;
    COperateIni ini(app, 0);
    std::string remedy, cause;
    ASSERT_TRUE(ini.ReadCauseRemedy(12, remedy, cause, 1));
    EXPECT_EQ(cause, "Beam blocked.\nCheck the path.");
    EXPECT_EQ(remedy, "Remove it.\\n done");
    ASSERT_TRUE(ini.ReadCauseRemedy(12, remedy, cause, 2));
    EXPECT_EQ(cause, "receiver");
    EXPECT_EQ(remedy, "receiver remedy");
}

TEST(ReadCauseRemedy, SecondSeriesHasNoSideLetter)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("QL7AJ.ini", "[1LINEE4]\nca=wrong\nre=wrong\n[1LINE4]\nca=原因\nre=处理\n"));
    AppState app;
    app.m_nSeries = 1;
    COperateIni ini(app, 2);
    std::string remedy, cause;
    ASSERT_TRUE(ini.ReadCauseRemedy(4, remedy, cause, 1));
    EXPECT_EQ(cause, "原因");
    EXPECT_EQ(remedy, "处理");
}

TEST(ReadCauseRemedy, MissingPiecesFailAndLeaveOutputs)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("QL7BJ.ini",
        "[2LINEE1]\nre=only remedy\n[2LINEE2]\nca=only cause\n[2LINEE3]\nca=cause\nre=ERR\n"
        "[2LINEE4]\nca=\nre=\n"));
    AppState app;
    COperateIni ini(app, 1);
    for (int number : {1, 2, 3, 5}) {
        std::string remedy = "r", cause = "c";
        EXPECT_FALSE(ini.ReadCauseRemedy(number, remedy, cause, 1)) << number;
        EXPECT_EQ(remedy, "r");
        EXPECT_EQ(cause, "c");
    }
    std::string remedy = "r", cause = "c";
    EXPECT_TRUE(ini.ReadCauseRemedy(4, remedy, cause, 1));
    EXPECT_EQ(remedy, "");
    EXPECT_EQ(cause, "");

    ASSERT_TRUE(dir.Remove("QL7BJ.ini"));
    EXPECT_FALSE(ini.ReadCauseRemedy(4, remedy, cause, 1));
}

TEST(ReadCauseRemedy, CutAt1023BytesBeforeConversion)
{
    TempDataDir dir;
    std::string cause(1021, 'a');
    cause += "中"; // bytes 1021..1023: one past the buffer
    // The cut leaves a lone backslash at the end; it stays a backslash.
    const std::string remedy = std::string(1022, 'b') + "\\nzz";
    ASSERT_TRUE(dir.Write("QL7BE.ini", "[1LINER9]\nca=" + cause + "\nre=" + remedy + "\n"));
    AppState app;
    app.m_nLanguage = 1;
    COperateIni ini(app, 2);
    std::string gotRemedy, gotCause;
    ASSERT_TRUE(ini.ReadCauseRemedy(9, gotRemedy, gotCause, 2));
    EXPECT_EQ(gotCause, std::string(1021, 'a'));
    EXPECT_EQ(gotRemedy, std::string(1022, 'b') + "\\");
}

struct EscapeCase {
    const char* text;
    const char* expected;
};

class ConvertEscapes : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(ConvertEscapes, ByteWise)
{
    EXPECT_EQ(COperateIni::ConvertEscapes(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConvertEscapes, ::testing::Values(
    EscapeCase{"", ""},
    EscapeCase{"plain", "plain"},
    EscapeCase{"a\\nb", "a\nb"},
    EscapeCase{"\\n\\n", "\n\n"},
    EscapeCase{"\\\\", "\\"},
    EscapeCase{"\\\\n", "\\n"},
    EscapeCase{"\\\\\\n", "\\\n"},
    EscapeCase{"\\x\\t", "\\x\\t"},
    EscapeCase{"end\\", "end\\"},
    EscapeCase{"\\N", "\\N"},
    EscapeCase{"\x95\\n", "\x95\n"},   // a 0x5C second byte is a backslash all the same
    EscapeCase{"中\\n文", "中\n文"}));

TEST(ConvertEscapesNull, NullGivesEmpty)
{
    EXPECT_EQ(COperateIni::ConvertEscapes(nullptr), "");
}

} // namespace
