// The program's readers and the checker on hostile data directories: files
// that are directories, symbolic-link loops, FIFOs, 100 MB files, empty bitmaps.
#include "data/AppState.h"
#include "data/COperateIni.h"
#include "bitmaps/CBmpData.h"
#include "platform/ExeDir.h"
#include "tests/tools/check/DataDirFixture.h"
#include "tools/check/CDataDirChecker.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kTextFiles[] = {"Setting.ini", "Help.ini", "QL7BJ.ini", "QL7BE.ini", "QL7AJ.ini", "QL7AE.ini"};

class DataDirFault : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        m_dir = fixture::MakeDataDir(m_tmp.path());
        platform::SetExecutableDirForTesting(m_tmp.path().toStdString());
    }
    void TearDown() override { platform::SetExecutableDirForTesting({}); }

    QString File(const QString& name) const { return m_dir + "/" + name; }
    void Replace(const QString& name, const std::function<bool(const QString&)>& make)
    {
        ASSERT_TRUE(QFile::remove(File(name))) << name.toStdString();
        ASSERT_TRUE(make(File(name))) << name.toStdString();
    }
    std::vector<std::string> CheckerLines(int expectedStatus)
    {
        CDataDirChecker checker(m_dir.toStdString());
        EXPECT_EQ(checker.Run(), expectedStatus);
        std::vector<std::string> lines;
        for (const CheckProblem& p : checker.Problems())
            lines.push_back(FormatProblem(p));
        return lines;
    }
    static bool Has(const std::vector<std::string>& lines, const std::string& start)
    {
        for (const std::string& l : lines)
            if (l.rfind(start, 0) == 0)
                return true;
        return false;
    }
    // What start-up and a diagnosis get from the directory.
    struct ProgramView {
        bool settingFile, settings, helpFile, help, causeFile, cause, tiles, pictures;
        bool operator==(const ProgramView&) const = default;
        friend void PrintTo(const ProgramView& v, std::ostream* os)
        {
            *os << "setting file " << v.settingFile << ", settings " << v.settings << ", help file " << v.helpFile
                << ", help " << v.help << ", cause file " << v.causeFile << ", cause " << v.cause << ", tiles "
                << v.tiles << ", pictures " << v.pictures;
        }
    };
    ProgramView Program(int language = 1)
    {
        AppState app;
        ProgramView v{};
        COperateIni ini(app);
        v.settingFile = ini.CheckSettingFile();
        v.settings = ini.ReadSettings();
        app.m_nLanguage = language;
        app.m_nSeries = 0;
        v.helpFile = ini.CheckHelpFile();
        v.help = ini.ReadHelp();
        v.causeFile = ini.CheckCauseFile();
        std::string remedy, cause;
        v.cause = COperateIni(app, 2).ReadCauseRemedy(149, remedy, cause, 1);
        Bitmaps bitmaps;
        v.tiles = CBmpData::LoadCodeBitmaps(bitmaps.m_hCodeBitmaps.data());
        v.pictures = CBmpData::LoadPictures(bitmaps);
        return v;
    }

    QTemporaryDir m_tmp;
    QString m_dir;
};

TEST_F(DataDirFault, CompleteDirectoryWorksForTheProgram)
{
    EXPECT_EQ(Program(), (ProgramView{true, true, true, true, true, true, true, true}));
}

TEST_F(DataDirFault, EveryFileADirectory)
{
    for (const QString& name : QDir(m_dir).entryList(QDir::Files))
        Replace(name, [](const QString& p) { return QDir().mkdir(p); });
    EXPECT_EQ(Program(), ProgramView{});
    AppState app;
    EXPECT_FALSE(COperateIni(app).WriteSettings(1, 0));

    const auto lines = CheckerLines(CDataDirChecker::kProblems);
    EXPECT_EQ(lines.size(), 46u);
    for (const char* name : kTextFiles)
        EXPECT_TRUE(Has(lines, std::string("error: ") + name + ": is a directory, not a file")) << name;
    EXPECT_TRUE(Has(lines, "error: b03.bmp: is a directory, not a file"));
}

TEST_F(DataDirFault, SymbolicLinkLoops)
{
    for (const char* name : {"Setting.ini", "QL7BE.ini", "m07.bmp", "ql7b-r.bmp"})
        Replace(name, [](const QString& p) { return QFile::link(p, p); });
    const ProgramView v = Program();
    EXPECT_EQ(v, (ProgramView{false, false, v.helpFile, true, false, false, false, false}));
    AppState app;
    EXPECT_FALSE(COperateIni(app).WriteSettings(1, 0));
    EXPECT_TRUE(QFileInfo(File("Setting.ini")).isSymLink()) << "the link must stay as it was";

    const auto lines = CheckerLines(CDataDirChecker::kProblems);
    EXPECT_EQ(lines.size(), 4u);
    for (const char* name : {"Setting.ini", "QL7BE.ini", "m07.bmp", "ql7b-r.bmp"})
        EXPECT_TRUE(Has(lines, std::string("error: ") + name + ": is a symbolic link loop")) << name;
}

// A FIFO passes the presence test (it is no directory) but must not make a
// reader wait for a writer forever.
TEST_F(DataDirFault, FifosInPlaceOfFilesAreNotWaitedOn)
{
    const auto fifo = [](const QString& p) { return ::mkfifo(p.toLocal8Bit().constData(), 0600) == 0; };
    for (const char* name : {"Setting.ini", "Help.ini", "QL7BE.ini", "h00.bmp", "Orvane_logo.bmp"})
        Replace(name, fifo);
    const ProgramView v = Program();
    EXPECT_EQ(v, (ProgramView{v.settingFile, false, v.helpFile, false, v.causeFile, false, false, false}));
    AppState app;
    EXPECT_FALSE(COperateIni(app).WriteSettings(1, 0));

    const auto lines = CheckerLines(CDataDirChecker::kProblems);
    EXPECT_EQ(lines.size(), 5u);
    EXPECT_TRUE(Has(lines, "error: Help.ini: is not a regular file"));
}

TEST_F(DataDirFault, HundredMegabyteCauseFile)
{
    constexpr qsizetype kSize = 100 * 1024 * 1024;
    // One enormous value in a section the diagnosis asks for: read, but cut.
    QByteArray big = "[1LINEE149]\r\nre=short\r\nca=";
    big += QByteArray(kSize - big.size() - 2, 'x');
    big += "\r\n";
    fixture::WriteFile(File("QL7BE.ini"), big);
    AppState app;
    app.m_nLanguage = 1;
    std::string remedy, cause;
    ASSERT_TRUE(COperateIni(app, 2).ReadCauseRemedy(149, remedy, cause, 1));
    EXPECT_EQ(cause, std::string(1023, 'x'));
    EXPECT_EQ(remedy, "short");

    const auto lines = CheckerLines(CDataDirChecker::kProblems);
    EXPECT_TRUE(Has(lines, "error: QL7BE.ini [1LINEE149] ca: " + std::to_string(kSize - 28)
                               + " bytes, more than the 1023 the program reads: cut after byte 1023"));
    EXPECT_TRUE(Has(lines, "error: QL7BE.ini [3LINEE1]: section missing"));

    // 100 MB without a single line break or section.
    fixture::WriteFile(File("QL7BE.ini"), QByteArray(kSize, 'y'));
    EXPECT_FALSE(COperateIni(app, 2).ReadCauseRemedy(149, remedy, cause, 1));
    EXPECT_EQ(cause, std::string(1023, 'x')) << "a failed read leaves the outputs";
    EXPECT_TRUE(Has(CheckerLines(CDataDirChecker::kProblems),
                    "error: QL7BE.ini: none of the 400 sections the diagnosis asks for is present"));
}

TEST_F(DataDirFault, FilesBeyondAnyRealSizeAreUnreadableNotFatal)
{
    // Sparse files of a terabyte: nothing may try to hold them in memory.
    constexpr off_t kTerabyte = off_t(1) << 40;
    for (const char* name : {"Setting.ini", "Help.ini", "QL7BE.ini", "h00.bmp", "Orvane_logo.bmp"})
        ASSERT_EQ(::truncate(File(name).toLocal8Bit().constData(), kTerabyte), 0) << name;
    const ProgramView v = Program();
    EXPECT_EQ(v, (ProgramView{true, false, v.helpFile, false, true, false, false, false}));
    AppState app;
    EXPECT_FALSE(COperateIni(app).WriteSettings(1, 0));
    EXPECT_EQ(QFileInfo(File("Setting.ini")).size(), kTerabyte);
}

TEST_F(DataDirFault, HundredMegabyteTile)
{
    constexpr qsizetype kSize = 100 * 1024 * 1024;
    // A real header that promises more pixels than the file holds, then zeros.
    QByteArray bytes = fixture::ReadFile(File("m03.bmp")).left(54);
    bytes.resize(kSize, '\0');
    qToLittleEndian<qint32>(20000, bytes.data() + 18);
    qToLittleEndian<qint32>(20000, bytes.data() + 22);
    fixture::WriteFile(File("m03.bmp"), bytes);
    QPixmap slot;
    EXPECT_FALSE(CBmpData::LoadBitmapFile("m03.bmp", &slot));
    EXPECT_TRUE(slot.isNull());

    fixture::WriteFile(File("m03.bmp"), QByteArray(kSize, '\xFF'));
    EXPECT_FALSE(CBmpData::LoadBitmapFile("m03.bmp", &slot));
    EXPECT_TRUE(Has(CheckerLines(CDataDirChecker::kProblems), "error: m03.bmp: cannot be read as a BMP image"));
}

TEST_F(DataDirFault, ZeroByteBitmaps)
{
    fixture::WriteFile(File("m02.bmp"), "");
    Bitmaps bitmaps;
    const QPixmap marker(3, 3);
    bitmaps.m_hCodeBitmaps[9] = marker;
    EXPECT_FALSE(CBmpData::LoadCodeBitmaps(bitmaps.m_hCodeBitmaps.data()));
    EXPECT_FALSE(bitmaps.m_hCodeBitmaps[7].isNull()) << "tiles before the empty one stay loaded";
    EXPECT_TRUE(bitmaps.m_hCodeBitmaps[8].isNull()) << "m02 is slot 8";
    EXPECT_EQ(bitmaps.m_hCodeBitmaps[9].cacheKey(), marker.cacheKey()) << "slots after it are not touched";

    fixture::WriteFile(File("ql7b-e.bmp"), "");
    EXPECT_FALSE(CBmpData::LoadPictures(bitmaps));
    EXPECT_FALSE(bitmaps.m_hPicBBitmap.isNull());
    EXPECT_TRUE(bitmaps.m_hEmitterBitmap.isNull());
    EXPECT_TRUE(bitmaps.m_hReceiverBitmap.isNull()) << "loading stops at the empty picture";

    const auto lines = CheckerLines(CDataDirChecker::kProblems);
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_TRUE(Has(lines, "error: m02.bmp: cannot be read as a BMP image"));
    EXPECT_TRUE(Has(lines, "error: ql7b-e.bmp: cannot be read as a BMP image"));
}

TEST_F(DataDirFault, DirectoryMissingOrAFile)
{
    ASSERT_TRUE(QDir(m_dir).removeRecursively());
    fixture::WriteFile(m_dir, "not a directory");
    EXPECT_EQ(Program(), ProgramView{});
    EXPECT_EQ(CheckerLines(CDataDirChecker::kUnreadable).size(), 1u);
}

} // namespace
