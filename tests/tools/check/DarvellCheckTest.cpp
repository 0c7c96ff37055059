#include "tests/support/TempDataDir.h"
#include "tests/tools/check/DataDirFixture.h"
#include "tools/check/CDataDirChecker.h"
#include "tools/check/ReachableSections.h"
#include "platform/TextEncoding.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

using fixture::ReplaceInFile;
using fixture::WriteBitmap;
using fixture::WriteFile;

namespace {

std::vector<std::string> Lines(const CDataDirChecker& checker)
{
    std::vector<std::string> lines;
    for (const CheckProblem& p : checker.Problems())
        lines.push_back(FormatProblem(p));
    return lines;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string s;
    for (const std::string& l : lines)
        s += l + "\n";
    return s;
}

class DarvellCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        m_dir = fixture::MakeDataDir(m_tmp.path());
    }
    QString File(const char* name) const { return m_dir + "/" + name; }

    QTemporaryDir m_tmp;
    QString m_dir;
};

TEST_F(DarvellCheckTest, CompleteDirectoryIsClean)
{
    CDataDirChecker checker(m_dir.toStdString());
    EXPECT_EQ(checker.Run(), CDataDirChecker::kClean) << Joined(Lines(checker));
    EXPECT_TRUE(checker.Problems().empty()) << Joined(Lines(checker));
    EXPECT_EQ(checker.Summary(), "0 errors, 0 warnings");
}

// The data directory the build puts beside the program is what ships.
TEST(DarvellCheckSample, BuiltSampleDirectoryIsClean)
{
    CDataDirChecker checker(DARVELL_BINARY_DIR "/QL7_Tool");
    EXPECT_EQ(checker.Run(), CDataDirChecker::kClean) << Joined(Lines(checker));
    EXPECT_EQ(checker.Summary(), "0 errors, 0 warnings") << Joined(Lines(checker));
}

struct Breakage {
    const char* name;
    std::function<void(const QString& dir)> breakIt;
    const char* expected; // the start of one report line
    int status;
};

class DarvellCheckBreakageTest : public DarvellCheckTest,
                                 public ::testing::WithParamInterface<Breakage> {};

TEST_P(DarvellCheckBreakageTest, ReportsTheProblem)
{
    GetParam().breakIt(m_dir);
    CDataDirChecker checker(m_dir.toStdString());
    EXPECT_EQ(checker.Run(), GetParam().status);
    std::vector<std::string> lines = Lines(checker);
    for (const CheckProblem& p : checker.Notes())
        lines.push_back(FormatProblem(p));
    const bool found = std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind(GetParam().expected, 0) == 0;
    });
    EXPECT_TRUE(found) << "expected a line starting with: " << GetParam().expected << "\ngot:\n"
                       << Joined(lines);
}

QByteArray Repeat(const char* unit, int times)
{
    QByteArray out;
    for (int i = 0; i < times; ++i)
        out += unit;
    return out;
}

// A folder, or a symbolic link to target, in place of the file.
void MakeDirectory(const QString& path)
{
    QFile::remove(path);
    QDir().mkdir(path);
}
void MakeLink(const QString& path, const QString& target)
{
    QFile::remove(path);
    QFile::link(target, path);
}

const Breakage kBreakages[] = {
    {"SettingMissing", [](const QString& d) { QFile::remove(d + "/Setting.ini"); },
     "error: Setting.ini: missing (the program stops with message 5)", 1},
    {"SettingDirectory", [](const QString& d) { MakeDirectory(d + "/Setting.ini"); },
     "error: Setting.ini: is a directory, not a file", 1},
    {"LanguageNotAccepted",
     [](const QString& d) { ReplaceInFile(d + "/Setting.ini", "Language=1", "Language=2"); },
     "error: Setting.ini [Setting] Language: value \"2\" is not accepted", 1},
    {"SecondSeriesNotAccepted",
     [](const QString& d) { ReplaceInFile(d + "/Setting.ini", "Type=0", "Type=1"); },
     "error: Setting.ini [Setting] Type: value \"1\" is not accepted", 1},
    {"DialogHeightMissing",
     [](const QString& d) { ReplaceInFile(d + "/Setting.ini", "DialogHeight=0\r\n", ""); },
     "error: Setting.ini [Setting] DialogHeight: missing (the program stops with message 6)", 1},
    {"TypeIsErr", [](const QString& d) { ReplaceInFile(d + "/Setting.ini", "Type=0", "Type=ERR"); },
     "error: Setting.ini [Setting] Type: value \"ERR\" counts as missing", 1},
    {"EmptyLanguageIsOnlyAWarning",
     [](const QString& d) { ReplaceInFile(d + "/Setting.ini", "Language=1", "Language="); },
     "warning: Setting.ini [Setting] Language: empty", 0},
    {"HelpSectionMissing",
     [](const QString& d) { ReplaceInFile(d + "/Help.ini", "[RemedyJ]", "[RemedyX]"); },
     "error: Help.ini [RemedyJ] Remedy: missing (the program stops with message 10)", 1},
    {"HelpTooLong",
     [](const QString& d) { ReplaceInFile(d + "/Help.ini", "Help text", Repeat("0123456789", 30)); },
     "error: Help.ini [RemedyE] Remedy: 300 bytes, more than the 255 the program reads: cut after byte 255",
     1},
    {"HelpCutKeepsWholeCharacters",
     // 100 three-byte characters: the cut at 255 bytes falls on a character boundary.
     [](const QString& d) { ReplaceInFile(d + "/Help.ini", "帮助文本", Repeat("帮", 100)); },
     "error: Help.ini [RemedyJ] Remedy: 300 bytes, more than the 255 the program reads: cut after byte 255",
     1},
    {"CauseFileMissing", [](const QString& d) { QFile::remove(d + "/QL7BJ.ini"); },
     "error: QL7BJ.ini: missing (the program stops with message 1", 1},
    {"CauseFileIsADirectory", [](const QString& d) { MakeDirectory(d + "/QL7AJ.ini"); },
     "error: QL7AJ.ini: is a directory, not a file", 1},
    {"CauseFileOfOtherContent",
     [](const QString& d) { WriteFile(d + "/QL7AE.ini", "just some text\n"); },
     "error: QL7AE.ini: none of the 50 sections the diagnosis asks for is present", 1},
    {"SectionMissing",
     [](const QString& d) { ReplaceInFile(d + "/QL7BE.ini", "[3LINEE12]", "[3LINEX12]"); },
     "error: QL7BE.ini [3LINEE12]: section missing (message 2 when a diagnosis reaches this section)", 1},
    {"UnreachableSectionIsAWarning",
     [](const QString& d) { ReplaceInFile(d + "/QL7BE.ini", "[3LINEE12]", "[3LINEE92]\r\nca=x\r\nre=y\r\n[3LINEE12]"); },
     "warning: QL7BE.ini [3LINEE92]: no diagnosis asks for this section", 0},
    {"DuplicateSectionIsAWarning",
     [](const QString& d) { ReplaceInFile(d + "/QL7BE.ini", "[3LINEE13]", "[3LINEE12]\r\nca=x\r\n[3LINEE13]"); },
     "warning: QL7BE.ini [3LINEE12]: appears 2 times; only the first is read", 0},
    {"KeyMissing",
     [](const QString& d) { ReplaceInFile(d + "/QL7BE.ini", "re=Remedy 12.\r\n", ""); },
     "error: QL7BE.ini [3LINEE12] re: missing (message 2", 1},
    {"ValueErr",
     [](const QString& d) { ReplaceInFile(d + "/QL7BJ.ini", "re=Remedy 180.", "re=ERR"); },
     "error: QL7BJ.ini [2LINER180] re: value \"ERR\" counts as missing", 1},
    {"QuotedErrIsErrToo",
     [](const QString& d) { ReplaceInFile(d + "/QL7BJ.ini", "re=Remedy 180.", "re= \"ERR\" "); },
     "error: QL7BJ.ini [2LINER180] re: value \"ERR\" counts as missing", 1},
    {"ValueEmpty",
     [](const QString& d) {
         ReplaceInFile(d + "/QL7AE.ini", "[1LINE4]\r\nca=English cause of error 4.\\nSecond line.", "[1LINE4]\r\nca=  ");
     },
     "error: QL7AE.ini [1LINE4] ca: empty", 1},
    {"CauseTooLong",
     [](const QString& d) { ReplaceInFile(d + "/QL7BE.ini", "re=Remedy 12.", "re=" + Repeat("abcdefghij", 150)); },
     "error: QL7BE.ini [3LINEE12] re: 1500 bytes, more than the 1023 the program reads: cut after byte 1023",
     1},
    {"ChineseFilesInGb18030", [](const QString& d) { RecodeFile((d + "/QL7BJ.ini").toStdString(), "GB18030"); },
     "note: QL7BJ.ini: read as GB18030", 0},
    {"SettingsInUtf16", [](const QString& d) { RecodeFile((d + "/Setting.ini").toStdString(), "UTF-16LE"); },
     "note: Setting.ini: read as UTF-16 LE", 0},
    {"GbkCauseTooLong",
     [](const QString& d) { ReplaceInFile(d + "/QL7BJ.ini", "re=Remedy 180.", "re=" + Repeat("\xD6\xD0", 600)); },
     "error: QL7BJ.ini [2LINER180] re: 1200 bytes, more than the 1023 the program reads: cut after byte 1022", 1},
    {"CauseUndecodable",
     [](const QString& d) { ReplaceInFile(d + "/QL7BJ.ini", "re=Remedy 180.", "re=Remedy \xB9\xFF"); },
     "error: QL7BJ.ini: byte ", 1},
    {"TileMissing", [](const QString& d) { QFile::remove(d + "/h00.bmp"); },
     "error: h00.bmp: missing (the program stops with message 8)", 1},
    {"TileNameInWrongCase", [](const QString& d) { QFile::rename(d + "/m13.bmp", d + "/M13.bmp"); },
     "error: m13.bmp: missing (there is \"M13.bmp\": names are case-sensitive)", 1},
    {"TileZeroBytes", [](const QString& d) { WriteFile(d + "/m05.bmp", ""); },
     "error: m05.bmp: cannot be read as a BMP image (the program stops with message 8)", 1},
    {"TileNotABitmap", [](const QString& d) { WriteFile(d + "/a02.bmp", "BM this is text"); },
     "error: a02.bmp: cannot be read as a BMP image", 1},
    {"TileTruncated", [](const QString& d) { WriteFile(d + "/a03.bmp", fixture::ReadFile(d + "/a03.bmp").chopped(100)); },
     "error: a03.bmp: cannot be read as a BMP image", 1},
    // The base pictures all hold h00 with three m00 below it.
    {"ColumnTooHigh", [](const QString& d) { WriteBitmap(d + "/h00.bmp", 60, 50); },
     "error: h00.bmp: 60 x 50 px makes a column too high in ", 1},
    {"PictureTooWide", [](const QString& d) { WriteBitmap(d + "/a01.bmp", 80, 80); },
     "error: a01.bmp: 80 x 80 px makes the picture too wide in ", 1},
    {"StripTooHigh", [](const QString& d) { WriteBitmap(d + "/b00.bmp", 188, 60); },
     "error: b00.bmp: strip tile is 188 x 60 px, more than 188 x 51 px", 1},
    {"BlinkPartnerOfAnotherSize", [](const QString& d) { WriteBitmap(d + "/m07.bmp", 60, 78); },
     "warning: m07.bmp: 60 x 78 px, but", 0},
    {"LogoTooHigh", [](const QString& d) { WriteBitmap(d + "/Orvane_logo.bmp", 120, 80); },
     "error: Orvane_logo.bmp: 120 x 80 px at (899, 2) on the main window and settings screen ends at (1019, 82)",
     1},
    {"EmitterOverLampButtons", [](const QString& d) { WriteBitmap(d + "/ql7b-e.bmp", 170, 340); },
     "error: ql7b-e.bmp: 170 x 340 px at (38, 61) on the additional-conditions dialog ends at (208, 401); "
     "its room ends at (198, 425)",
     1},
    {"ReceiverPastTheDialog", [](const QString& d) { WriteBitmap(d + "/ql7b-r.bmp", 200, 300); },
     "error: ql7b-r.bmp: 200 x 300 px at (366, 61)", 1},
    {"ScaledPictureOverOkButton", [](const QString& d) { WriteBitmap(d + "/QL7B_pic.bmp", 100, 300); },
     "error: QL7B_pic.bmp: 100 x 300 px, drawn 80 x 240 px, at (330, 400) on the settings screen ends at "
     "(410, 640); its room ends at (1024, 603)",
     1},
    {"SevenSegmentOverCancel", [](const QString& d) { WriteBitmap(d + "/ql7b_7seg.bmp", 180, 420); },
     "error: ql7b_7seg.bmp: 180 x 420 px at (380, 95)", 1},
    {"UndrawnPictureMustStillLoad", [](const QString& d) { WriteFile(d + "/QL7-A_pic.bmp", "x"); },
     "error: QL7-A_pic.bmp: cannot be read as a BMP image", 1},
    {"SymbolicLinkLoop", [](const QString& d) { MakeLink(d + "/Help.ini", d + "/Help.ini"); },
     "error: Help.ini: is a symbolic link loop (the program stops with message 9)", 1},
    {"DanglingLink", [](const QString& d) { MakeLink(d + "/b01.bmp", d + "/nowhere.bmp"); },
     "error: b01.bmp: is a symbolic link to nothing", 1},
};

INSTANTIATE_TEST_SUITE_P(Kinds, DarvellCheckBreakageTest, ::testing::ValuesIn(kBreakages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DarvellCheckTest, DirectoryThatCannotBeReadGivesStatusTwo)
{
    CDataDirChecker missing((m_tmp.path() + "/nothing").toStdString());
    EXPECT_EQ(missing.Run(), CDataDirChecker::kUnreadable);
    ASSERT_EQ(missing.Problems().size(), 1u);
    EXPECT_NE(FormatProblem(missing.Problems()[0]).find("cannot read the data directory"), std::string::npos);

    CDataDirChecker file(File("Setting.ini").toStdString());
    EXPECT_EQ(file.Run(), CDataDirChecker::kUnreadable);
}

TEST_F(DarvellCheckTest, DirectoryOfAnotherNameIsCheckedAlike)
{
    const QString other = m_tmp.path() + "/shipping copy";
    ASSERT_TRUE(QDir().rename(m_dir, other));
    WriteFile(other + "/m05.bmp", "");
    CDataDirChecker checker(other.toStdString() + "/");
    EXPECT_EQ(checker.Run(), CDataDirChecker::kProblems);
    EXPECT_EQ(Joined(Lines(checker)),
              "error: m05.bmp: cannot be read as a BMP image (the program stops with message 8)\n");
}

TEST_F(DarvellCheckTest, EveryFileADirectoryReportsEachFileOnce)
{
    QDir dir(m_dir);
    for (const QString& name : dir.entryList(QDir::Files)) {
        ASSERT_TRUE(dir.remove(name));
        ASSERT_TRUE(dir.mkdir(name));
    }
    CDataDirChecker checker(m_dir.toStdString());
    EXPECT_EQ(checker.Run(), CDataDirChecker::kProblems);
    EXPECT_EQ(checker.ErrorCount(), 2 + 4 + 40) << Joined(Lines(checker));
    EXPECT_EQ(checker.WarningCount(), 0);
}

TEST_F(DarvellCheckTest, ProblemsAreCountedInTheSummary)
{
    ReplaceInFile(File("Setting.ini"), "Language=1", "Language=");
    QFile::remove(File("b03.bmp"));
    WriteFile(File("b02.bmp"), "");
    CDataDirChecker checker(m_dir.toStdString());
    EXPECT_EQ(checker.Run(), CDataDirChecker::kProblems);
    EXPECT_EQ(checker.Summary(), "2 errors, 1 warning");
}

// The sections the tables reach, against the ranges the data maintainers are given.
TEST(ReachableSectionsTest, MatchTheRangesOfEachTable)
{
    const auto range = [](const char* prefix, int from, int to, std::set<int> skip = {}) {
        std::set<std::string> names;
        for (int n = from; n <= to; ++n)
            if (!skip.count(n))
                names.insert(prefix + std::to_string(n));
        return names;
    };
    std::set<std::string> b;
    for (const auto& part : {range("3LINEE", 1, 106, {92}), range("2LINEE", 107, 147),
                             range("1LINEE", 148, 163), range("3LINER", 1, 172), range("3LINER", 174, 174),
                             range("2LINER", 175, 223), range("1LINER", 224, 239)})
        b.insert(part.begin(), part.end());
    std::set<std::string> a = range("3LINE", 1, 26);
    for (int n : {1, 2, 3, 4, 5, 7, 11, 12, 14, 15, 16, 17, 18, 20, 24, 25})
        a.insert("2LINE" + std::to_string(n));
    for (int n : {1, 2, 4, 11, 14, 15, 17, 24})
        a.insert("1LINE" + std::to_string(n));

    for (const auto& [series, expected] : {std::pair{0, b}, std::pair{1, a}}) {
        std::set<std::string> got;
        for (const ReachableSection& s : ReachableSections(series))
            EXPECT_TRUE(got.insert(s.name).second) << "listed twice: " << s.name;
        EXPECT_EQ(got, expected) << "series " << series;
    }
}

TEST(Utf8CheckTest, FindsTheFirstBadByte)
{
    const struct {
        std::string text;
        std::size_t bad;
    } cases[] = {
        {"plain ASCII", std::string::npos},
        {"中文 and €", std::string::npos},
        {"\xF0\x9F\x98\x80", std::string::npos},   // U+1F600
        {"ab\x80", 2},                            // stray continuation byte
        {"ab\xC3", 2},                            // cut-off sequence
        {"\xC0\xAF", 0},                          // overlong slash
        {"x\xE0\x80\xAF", 1},                     // overlong three-byte form
        {"\xED\xA0\x80", 0},                      // surrogate
        {"\xF4\x90\x80\x80", 0},                  // above U+10FFFF
        {"ok\xE4\xB8", 2},                        // GBK-looking tail cut short
        {"\xB9\xCA\xD5\xCF", 0},                  // GBK text
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::FirstInvalidUtf8(c.text), c.bad) << c.text;
}

// The program itself: exit status and report on stdout.
class DarvellCheckProgramTest : public DarvellCheckTest {
protected:
    int RunProgram(const QStringList& args, QString& out)
    {
        QProcess p;
        p.start(QStringLiteral(DARVELL_BINARY_DIR "/darvell-check"), args);
        EXPECT_TRUE(p.waitForFinished(120000));
        out = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};

TEST_F(DarvellCheckProgramTest, ExitStatusFollowsTheFindings)
{
    QString out;
    const QString notes = "note: Setting.ini: read as UTF-8\nnote: Help.ini: read as UTF-8\n"
                          "note: QL7BJ.ini: read as UTF-8\nnote: QL7BE.ini: read as UTF-8\n"
                          "note: QL7AJ.ini: read as UTF-8\nnote: QL7AE.ini: read as UTF-8\n";
    EXPECT_EQ(RunProgram({m_dir}, out), 0);
    EXPECT_EQ(out, notes + "0 errors, 0 warnings\n");

    ReplaceInFile(File("Setting.ini"), "DialogHeight=0", "DialogHeight=");
    EXPECT_EQ(RunProgram({m_dir}, out), 0);
    EXPECT_EQ(out, notes + "warning: Setting.ini [Setting] DialogHeight: empty; the program writes \"0\" in its place "
                   "at start\n0 errors, 1 warning\n");

    QFile::remove(File("ql7b-r.bmp"));
    EXPECT_EQ(RunProgram({m_dir}, out), 1);
    EXPECT_TRUE(out.endsWith("1 error, 1 warning\n")) << out.toStdString();

    EXPECT_EQ(RunProgram({m_tmp.path() + "/absent"}, out), 2);
    EXPECT_TRUE(out.startsWith("error: ")) << out.toStdString();
}

TEST_F(DarvellCheckProgramTest, HelpStatesTheRules)
{
    QString out;
    EXPECT_EQ(RunProgram({"--help"}, out), 0);
    for (const char* rule : {"188 px wide", "274 px high", "188 x 51 px", "(899, 2): to (1022, 62)",
                             "to (198, 425)", "to (1024, 603)", "1023 bytes"})
        EXPECT_TRUE(out.contains(rule)) << rule << "\n" << out.toStdString();
}

} // namespace
