#include "app/CDarvellApp.h"
#include "data/ControlIds.h"

#include "data/COperateIni.h"

#include "dialogs/CMessageDlg.h"
#include "dialogs/CTemplateDialog.h"
#include "bitmaps/CBmpData.h"
#include "platform/ExeDir.h"
#include "platform/InstanceGuard.h"
#include "tests/support/PixelProbe.h"
#include "tests/support/TempDataDir.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kZh = 0, kEn = 1;

const std::vector<std::string> kPictureFiles = {
    "Orvane_logo.bmp", "ql7a_led.bmp", "ql7b_7seg.bmp", "QL7-A_pic.bmp",
    "QL7B_pic.bmp",    "ql7b-e.bmp",   "ql7b-r.bmp",
};
const std::vector<std::string> kCauseFiles = {"QL7BJ.ini", "QL7BE.ini", "QL7AJ.ini", "QL7AE.ini"};

std::vector<std::string> TileFiles()
{
    std::vector<std::string> names;
    for (int i = 0; i < 33; ++i)
        names.push_back(CBmpData::CodeFileName(i));
    return names;
}

// A "Setting.ini" in the shipped layout; a null value leaves the key out.
std::string Settings(const char* language, const char* type = "0", const char* height = "0")
{
    std::string s = "[Setting]\r\n";
    if (language)
        s += std::string("Language=") + language + "\r\n";
    if (type)
        s += std::string("Type=") + type + "\r\n";
    if (height)
        s += std::string("DialogHeight=") + height + "\r\n";
    return s;
}

// Every entry under the directory: relative path -> bytes (folders marked).
using Snapshot = std::map<std::string, std::string>;

Snapshot TakeSnapshot(const std::string& root)
{
    Snapshot snap;
    const QDir base(QString::fromStdString(root));
    QDirIterator it(base.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const std::string rel = base.relativeFilePath(path).toStdString();
        if (it.fileInfo().isDir()) {
            snap[rel] = "<folder>";
            continue;
        }
        QFile f(path);
        snap[rel] = f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<unreadable>";
    }
    return snap;
}

// Notes every top-level window that is shown and decides what happens to it, so
// that a run that opens a screen it should not cannot hang the test.
class WindowRecorder : public QObject {
public:
    using Action = std::function<void(QDialog*)>;
    std::vector<std::string> shown;
    std::map<std::string, Action> actions;

protected:
    bool eventFilter(QObject* obj, QEvent* event) override
    {
        if (event->type() == QEvent::Show && obj->isWidgetType()
            && static_cast<QWidget*>(obj)->isWindow()) {
            auto* dlg = qobject_cast<QDialog*>(obj);
            if (dlg) {
                const std::string name = dlg->objectName().toStdString();
                shown.push_back(name);
                auto it = actions.find(name);
                Action act = it != actions.end() ? it->second : [](QDialog* d) { d->done(2); };
                QTimer::singleShot(0, dlg, [dlg, act] { act(dlg); });
            }
        }
        return false;
    }
};

void ClickControl(QDialog* dlg, int id)
{
    auto* button = dlg->findChild<QAbstractButton*>(QString::number(id));
    ASSERT_NE(button, nullptr) << "no control " << id << " on " << dlg->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

struct Message {
    int msg;
    int language;
    bool operator==(const Message&) const = default;
};

void PrintTo(const Message& m, std::ostream* os)
{
    *os << "message " << m.msg << (m.language == kZh ? " (Chinese)" : " (English)");
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.IsValid());
        ASSERT_TRUE(m_lockDir.isValid());
        platform::CInstanceGuard::SetLockDirForTesting(m_lockDir.path().toStdString());
        CMessageDlg::SetShowHookForTesting(
            [this](int msg, int language) { m_messages.push_back({msg, language}); });
        qApp->installEventFilter(&m_windows);
        BuildCompleteDataDir();
    }

    void TearDown() override
    {
        qApp->removeEventFilter(&m_windows);
        CDarvellApp::SetEagerStartForTesting(false);
        CMessageDlg::SetShowHookForTesting({});
        platform::CInstanceGuard::SetLockDirForTesting({});
    }

    // The sample directory the build makes, with anything it lacks supplied
    // here, so that every file start-up asks for is present and sound.
    void BuildCompleteDataDir()
    {
        const std::string sample = std::string(DARVELL_BINARY_DIR) + "/QL7_Tool";
        ASSERT_TRUE(m_dir.CopySampleDir(sample)) << sample;
        ASSERT_TRUE(m_dir.Write("Setting.ini", Settings("1")));
        // The build's sample directory is complete: every cause file and bitmap.
        for (const std::string& name : kCauseFiles)
            ASSERT_TRUE(m_dir.Exists(name)) << name;
        for (const std::string& name : TileFiles())
            ASSERT_TRUE(m_dir.Exists(name)) << name;
        for (const std::string& name : kPictureFiles)
            ASSERT_TRUE(m_dir.Exists(name)) << name;
    }

    // One whole start-up; records what the directory looked like before and after.
    int RunApp()
    {
        m_before = TakeSnapshot(m_dir.Root());
        CDarvellApp app;
        const int status = app.InitInstance();
        m_after = TakeSnapshot(m_dir.Root());
        m_state = app.State();
        m_bitmaps = app.LoadedBitmaps();
        return status;
    }

    // A failed start-up: exactly one message, status 1, no screen opened, and
    // the directory unchanged but for the given repaired settings file.
    void ExpectFailure(int status, Message expected,
                       std::optional<std::string> repairedSettings = std::nullopt)
    {
        EXPECT_EQ(status, CDarvellApp::kExitStartupFailed);
        EXPECT_EQ(m_messages, std::vector<Message>{expected});
        EXPECT_TRUE(m_windows.shown.empty()) << "opened " << m_windows.shown.front();
        Snapshot expectedAfter = m_before;
        if (repairedSettings)
            expectedAfter["QL7_Tool/Setting.ini"] = *repairedSettings;
        EXPECT_EQ(m_after, expectedAfter);
    }

    TempDataDir m_dir;
    QTemporaryDir m_lockDir;
    WindowRecorder m_windows;
    std::vector<Message> m_messages;
    Snapshot m_before, m_after;
    AppState m_state;
    Bitmaps m_bitmaps;
};

// ---- start-ups that cannot go on ----------------------------------------

QByteArray PngBytes()
{
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Every bitmap start-up loads: 33 tiles and 7 pictures.
std::vector<std::string> BitmapFiles()
{
    std::vector<std::string> names = TileFiles();
    names.insert(names.end(), kPictureFiles.begin(), kPictureFiles.end());
    return names;
}

TEST(StartupBitmapList, CoversThirtyThreeTilesAndSevenPictures)
{
    const std::vector<std::string> files = BitmapFiles();
    const std::set<std::string> names(files.begin(), files.end());
    EXPECT_EQ(files.size(), 40u);
    EXPECT_EQ(names.size(), 40u);
    EXPECT_TRUE(names.count("QL7-A_pic.bmp"));
    EXPECT_TRUE(names.count("h00.bmp"));
    EXPECT_TRUE(names.count("b00.bmp"));
}

// Changes to the sound directory: each file gets the bytes given, or goes (kGone).
const std::optional<std::string> kGone = std::nullopt;
using Changes = std::vector<std::pair<std::string, std::optional<std::string>>>;

struct FailureCase {
    std::string name;
    Changes changes;
    Message expected;
    std::optional<std::string> repaired = std::nullopt; // the settings file after the run, when a repair was written
    std::function<std::string(const std::string&)> damageB03 = nullptr;
};

std::vector<FailureCase> FailureCases()
{
    std::vector<FailureCase> cases = {
        // Help, cause files and a tile gone too: only the first problem is told.
        {"MissingSettingFileFirst", {{"Setting.ini", kGone}, {"Help.ini", kGone}, {"QL7BJ.ini", kGone},
            {"QL7BE.ini", kGone}, {"QL7AJ.ini", kGone}, {"QL7AE.ini", kGone}, {"h00.bmp", kGone}}, {5, kEn}},
        // Message 6 speaks the language already read, English while "Language" is unusable.
        {"ChineseWithSecondSeries", {{"Setting.ini", Settings("0", "1")}}, {6, kZh}},
        {"ChineseWithUnknownSeries", {{"Setting.ini", Settings("0", "7")}}, {6, kZh}},
        {"EnglishWithBadHeight", {{"Setting.ini", Settings("1", "0", "2")}}, {6, kEn}},
        {"ChineseWithoutHeight", {{"Setting.ini", Settings("0", "0", nullptr)}}, {6, kZh}},
        {"LanguageTwo", {{"Setting.ini", Settings("2")}}, {6, kEn}},
        {"LanguageWord", {{"Setting.ini", Settings("Chinese")}}, {6, kEn}},
        {"LanguageErrMarker", {{"Setting.ini", Settings("ERR")}}, {6, kEn}},
        {"NoLanguageKey", {{"Setting.ini", Settings(nullptr)}}, {6, kEn}},
        {"NoSettingSection", {{"Setting.ini", "[Other]\r\nLanguage=0\r\nType=0\r\nDialogHeight=0\r\n"}}, {6, kEn}},
        {"EmptySettingFile", {{"Setting.ini", ""}}, {6, kEn}},
        // The repair of an empty value is kept even though a later key fails.
        {"EmptySeriesRepairedThenBadHeight", {{"Setting.ini", Settings("0", "", "9")}}, {6, kZh}, Settings("0", "0", "9")},
        {"EmptyLanguageRepairedThenSecondSeries", {{"Setting.ini", Settings("", "1")}}, {6, kZh}, Settings("0", "1")},
        // A missing help file is told in the language read (Chinese after a repair), before cause files and bitmaps.
        {"MissingHelpFileInChinese", {{"Setting.ini", Settings("0")}, {"Help.ini", kGone}}, {9, kZh}},
        {"MissingHelpFileBeforeCauseFileAndBitmaps", {{"Help.ini", kGone}, {"QL7BE.ini", kGone}, {"b00.bmp", kGone}},
            {9, kEn}},
        {"RepairedLanguageGivesLaterMessagesInChinese", {{"Setting.ini", Settings("", "", "")}, {"Help.ini", kGone}},
            {9, kZh}, Settings("0", "0", "0")},
        // Help without both texts.
        {"HelpWithoutEnglishSection", {{"Setting.ini", Settings("0")}, {"Help.ini", "[RemedyJ]\r\nRemedy=help\r\n"}},
            {10, kZh}},
        {"HelpWithoutChineseSection", {{"Setting.ini", Settings("0")}, {"Help.ini", "[RemedyE]\r\nRemedy=help\r\n"}},
            {10, kZh}},
        {"HelpWithWrongKey", {{"Setting.ini", Settings("0")}, {"Help.ini", "[RemedyJ]\r\nText=a\r\n[RemedyE]\r\nText=b\r\n"}},
            {10, kZh}},
        {"HelpWithErrMarker",
            {{"Setting.ini", Settings("0")}, {"Help.ini", "[RemedyJ]\r\nRemedy=ERR\r\n[RemedyE]\r\nRemedy=b\r\n"}},
            {10, kZh}},
        {"EmptyHelp", {{"Setting.ini", Settings("0")}, {"Help.ini", ""}}, {10, kZh}},
        // The cause file of the current language and series; the later tile check is never reached.
        {"MissingEnglishCauseFile", {{"QL7BE.ini", kGone}, {"h00.bmp", kGone}}, {1, kEn}},
        {"MissingChineseCauseFile", {{"Setting.ini", Settings("0")}, {"QL7BJ.ini", kGone}}, {1, kZh}},
        // A tile that cannot be read.
        {"TruncatedTile", {}, {8, kEn}, {}, [](const std::string& s) { return s.substr(0, s.size() / 2); }},
        {"TileWithOnlyTheHeader", {}, {8, kEn}, {}, [](const std::string& s) { return s.substr(0, 54); }},
        {"EmptyTile", {}, {8, kEn}, {}, [](const std::string&) { return std::string(); }},
        {"TextAsTile", {}, {8, kEn}, {}, [](const std::string&) { return std::string("not a bitmap\n"); }},
        {"PngUnderATileName", {}, {8, kEn}, {}, [](const std::string&) { return PngBytes().toStdString(); }},
    };
    // Any one missing bitmap, in either language.
    int i = 0;
    for (const std::string& file : BitmapFiles()) {
        const int language = i++ % 2;
        std::string name = "Missing_" + file;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        cases.push_back({name, {{"Setting.ini", Settings(language == kZh ? "0" : "1")}, {file, kGone}}, {8, language}});
    }
    return cases;
}

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class StartupFailure : public StartupTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(StartupFailure, EndsWithOneMessageAndChangesNothingButARepair)
{
    for (const auto& [file, bytes] : GetParam().changes)
        ASSERT_TRUE(bytes ? m_dir.Write(file, *bytes) : m_dir.Remove(file)) << file;
    if (GetParam().damageB03) {
        const std::string original = m_dir.Read("b03.bmp");
        ASSERT_GT(original.size(), 60u);
        ASSERT_TRUE(m_dir.Write("b03.bmp", GetParam().damageB03(original)));
    }
    ExpectFailure(RunApp(), GetParam().expected, GetParam().repaired);
}

INSTANTIATE_TEST_SUITE_P(Startup, StartupFailure, ::testing::ValuesIn(FailureCases()),
                         [](const auto& info) { return info.param.name; });

TEST_F(StartupTest, FolderNamedLikeTheSettingFileCountsAsMissing)
{
    ASSERT_TRUE(m_dir.Remove("Setting.ini"));
    ASSERT_TRUE(m_dir.MakeDir("Setting.ini"));
    ExpectFailure(RunApp(), {5, kEn});
}

TEST_F(StartupTest, CauseFilesOfOtherLanguagesAndSeriesAreNotNeeded)
{
    for (const char* name : {"QL7BJ.ini", "QL7AJ.ini", "QL7AE.ini"})
        ASSERT_TRUE(m_dir.Remove(name));
    EXPECT_EQ(RunApp(), CDarvellApp::kExitNormal);
    EXPECT_TRUE(m_messages.empty());
}

// The eager order loads every bitmap in turn; the threaded start only checks
// those the first screen does not draw.
TEST_F(StartupTest, TilesLoadInSlotOrderAndStopAtTheFirstGap)
{
    CDarvellApp::SetEagerStartForTesting(true);
    const int gap = 24;
    ASSERT_TRUE(m_dir.Remove(CBmpData::CodeFileName(gap)));
    ASSERT_TRUE(m_dir.Remove("Orvane_logo.bmp"));
    ExpectFailure(RunApp(), {8, kEn});
    for (int i = 0; i < 33; ++i)
        EXPECT_EQ(m_bitmaps.m_hCodeBitmaps[i].isNull(), i >= gap) << "slot " << i;
    EXPECT_TRUE(m_bitmaps.m_hLogoBitmap.isNull());
}

TEST_F(StartupTest, PicturesLoadAfterEveryTile)
{
    CDarvellApp::SetEagerStartForTesting(true);
    ASSERT_TRUE(m_dir.Remove("ql7b-e.bmp"));
    ExpectFailure(RunApp(), {8, kEn});
    for (int i = 0; i < 33; ++i)
        EXPECT_FALSE(m_bitmaps.m_hCodeBitmaps[i].isNull()) << "slot " << i;
    EXPECT_FALSE(m_bitmaps.m_hPicBBitmap.isNull());
}

// ---- repair, success, second copy -----------------------------------------

TEST_F(StartupTest, EmptyLanguageIsRepairedAndTheRunIsChinese)
{
    ASSERT_TRUE(m_dir.Write("Setting.ini", Settings("")));
    EXPECT_EQ(RunApp(), CDarvellApp::kExitNormal);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_state.m_nLanguage, kZh);
    Snapshot expected = m_before;
    expected["QL7_Tool/Setting.ini"] = Settings("0"); // byte for byte otherwise
    EXPECT_EQ(m_after, expected);
}

TEST_F(StartupTest, RepairedLanguageGivesLaterMessagesInChinese)
{
    ASSERT_TRUE(m_dir.Write("Setting.ini", Settings("", "", "")));
    ASSERT_TRUE(m_dir.Remove("Help.ini"));
    ExpectFailure(RunApp(), {9, kZh}, Settings("0", "0", "0"));
}

TEST_F(StartupTest, SoundDirectoryReadsEverythingAndOpensTheSettingsScreen)
{
    ASSERT_TRUE(m_dir.Write("Setting.ini", Settings("0", "0", "1")));
    EXPECT_EQ(RunApp(), CDarvellApp::kExitNormal);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_windows.shown, std::vector<std::string>{"CSetDlg"});
    EXPECT_EQ(m_after, m_before);
    EXPECT_EQ(m_state.m_nLanguage, kZh);
    EXPECT_EQ(m_state.m_nSeries, 0);
    EXPECT_EQ(m_state.m_nDialogWidth, 1024);
    EXPECT_EQ(m_state.m_nDialogHeight, 736);
    EXPECT_FALSE(m_state.m_strHelp[0].empty());
    EXPECT_FALSE(m_state.m_strHelp[1].empty());
}

// A data directory from the field under a folder whose name is Latin-1 bytes:
// the Chinese files in GB18030, the settings and help in UTF-16 with BOM.
TEST_F(StartupTest, EncodedFilesUnderALatin1FolderStartAlike)
{
    const auto causes = [] { // of every three-unit emitter section, as a Chinese diagnosis reads them
        std::string texts, re, ca;
        AppState app;
        for (int errNo = 1; errNo <= 106; ++errNo)
            texts += COperateIni(app, 0).ReadCauseRemedy(errNo, re, ca, 1) ? ca + re : "-";
        return texts;
    };
    ASSERT_TRUE(m_dir.Write("Setting.ini", Settings("0")));
    ASSERT_EQ(RunApp(), CDarvellApp::kExitNormal);
    const std::string help = m_state.m_strHelp[0] + "|" + m_state.m_strHelp[1], utf8Causes = causes();
    for (const char* name : {"QL7BJ.ini", "QL7AJ.ini", "Setting.ini", "Help.ini"})
        ASSERT_TRUE(RecodeFile(m_dir.PathOf(name), name[0] == 'Q' ? "GB18030" : "UTF-16LE"));
    const std::filesystem::path root(m_dir.Root()), latin1 = root / "caf\xE9";
    std::filesystem::create_directory(latin1);
    std::filesystem::rename(root / "QL7_Tool", latin1 / "QL7_Tool");
    platform::SetExecutableDirForTesting(latin1.string());

    const int status = RunApp();
    EXPECT_EQ(causes(), utf8Causes);
    std::filesystem::rename(latin1 / "QL7_Tool", root / "QL7_Tool");
    std::filesystem::remove(latin1);
    EXPECT_EQ(status, CDarvellApp::kExitNormal);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_windows.shown, (std::vector<std::string>{"CSetDlg", "CSetDlg"}));
    EXPECT_EQ(m_state.m_strHelp[0] + "|" + m_state.m_strHelp[1], help);
}

TEST_F(StartupTest, ExitOnTheSettingsScreenEndsWithoutTheMainWindow)
{
    bool wasModal = false;
    m_windows.actions["CSetDlg"] = [&](QDialog* dlg) {
        wasModal = QApplication::activeModalWidget() == dlg;
        ClickControl(dlg, IDCANCEL); // EXIT
    };
    EXPECT_EQ(RunApp(), CDarvellApp::kExitNormal);
    EXPECT_TRUE(wasModal);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_windows.shown, std::vector<std::string>{"CSetDlg"});
    EXPECT_EQ(m_after, m_before); // EXIT stores nothing
}

TEST_F(StartupTest, OkOnTheSettingsScreenOpensTheMainWindowInTheChosenLanguage)
{
    int windowLanguage = -1;
    bool windowWasModal = false;
    m_windows.actions["CSetDlg"] = [](QDialog* dlg) {
        ClickControl(dlg, IDC_CHINESE); // Chinese
        ClickControl(dlg, IDOK); // OK
    };
    m_windows.actions["CDarvellDlg"] = [&](QDialog* dlg) {
        windowWasModal = QApplication::activeModalWidget() == dlg;
        windowLanguage = static_cast<CTemplateDialog*>(dlg)->App().m_nLanguage;
        dlg->close();
    };
    EXPECT_EQ(RunApp(), CDarvellApp::kExitNormal);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_windows.shown, (std::vector<std::string>{"CSetDlg", "CDarvellDlg"}));
    EXPECT_TRUE(windowWasModal);
    EXPECT_EQ(windowLanguage, kZh);
    Snapshot expected = m_before;
    expected["QL7_Tool/Setting.ini"] = Settings("0");
    EXPECT_EQ(m_after, expected);
}

// The bitmaps the first screen does not draw are checked before it and read
// again after it: one removed meanwhile stops the start with the bitmaps'
// message instead of a main window missing a picture.
TEST_F(StartupTest, BitmapRemovedWhileTheSettingsScreenShowsStopsWithTheBitmapMessage)
{
    m_windows.actions["CSetDlg"] = [&](QDialog* dlg) {
        m_dir.Remove("b03.bmp");
        ClickControl(dlg, IDOK);
    };
    EXPECT_EQ(RunApp(), CDarvellApp::kExitStartupFailed);
    EXPECT_EQ(m_windows.shown, std::vector<std::string>{"CSetDlg"});
    EXPECT_EQ(m_messages, (std::vector<Message>{{8, 1}}));
}

TEST_F(StartupTest, SecondCopyIsToldInEnglishAndTouchesNothingTillTheFirstEnds)
{
    // Chinese and an empty value that would be repaired: neither is reached.
    ASSERT_TRUE(m_dir.Write("Setting.ini", Settings("0", "")));
    {
        platform::CInstanceGuard first;
        ASSERT_EQ(first.Acquire(CDarvellApp::kInstanceName), platform::CInstanceGuard::Outcome::Acquired);
        ExpectFailure(RunApp(), {4, kEn});
    }
    m_messages.clear();
    EXPECT_EQ(RunApp(), CDarvellApp::kExitNormal);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(StartupTest, GuardThatCannotBeMadeEndsWithOneLineOnStandardError)
{
    platform::CInstanceGuard::SetLockDirForTesting(m_lockDir.path().toStdString() + "/no/such/dir");
    ::testing::internal::CaptureStderr();
    const int status = RunApp();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, CDarvellApp::kExitStartupFailed);
    EXPECT_EQ(m_messages, (std::vector<Message>{{-1, kEn}})); // in the message box too
    EXPECT_TRUE(m_windows.shown.empty());
    EXPECT_EQ(m_after, m_before);
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
}

TEST_F(StartupTest, BuildWithoutLegacyCodePagesSaysSoOnceAndRunsOn)
{
    ASSERT_TRUE(m_dir.Write("Setting.ini", Settings("0")));
    CDarvellApp::SetLegacyEncodingsCheckForTesting([] { return false; });
    const int status = RunApp();
    CDarvellApp::SetLegacyEncodingsCheckForTesting(nullptr);
    EXPECT_EQ(status, CDarvellApp::kExitNormal);
    EXPECT_EQ(m_messages, (std::vector<Message>{{-1, kZh}})); // in the language read
    EXPECT_EQ(m_windows.shown, std::vector<std::string>{"CSetDlg"});
}

// ---- the threaded start against the eager order ---------------------------

// What a person sees of one start: each message and screen in turn, the exit
// status, the first screen's pixels, and the bitmaps the main window draws.
struct SeenStart {
    std::vector<std::string> events;
    int status = -1;
    QImage firstScreen;
    std::vector<QImage> bitmaps;
};

struct OrderCase {
    const char* name;
    std::function<void(TempDataDir&)> arrange;
    std::vector<std::string> expected; // the messages (number, language; -1 a text) and screens, in turn
    bool secondCopy = false;
    bool noLegacyConverters = false;
};

class StartOrderTest : public StartupTest, public ::testing::WithParamInterface<OrderCase> {
protected:
    SeenStart Start(bool eager)
    {
        BuildCompleteDataDir();
        GetParam().arrange(m_dir);
        SeenStart seen;
        CMessageDlg::SetShowHookForTesting([&](int msg, int language) {
            seen.events.push_back("message " + std::to_string(msg) + " in " + std::to_string(language));
        });
        m_windows.actions["CSetDlg"] = [&](QDialog* dlg) {
            seen.events.push_back("settings screen");
            seen.firstScreen = Render(*dlg);
            ClickControl(dlg, IDOK); // the main window needs every bitmap
        };
        bool mainWindow = false;
        m_windows.actions["CDarvellDlg"] = [&](QDialog* dlg) {
            mainWindow = true;
            dlg->close();
        };
        CDarvellApp::SetEagerStartForTesting(eager);
        CDarvellApp::SetLegacyEncodingsCheckForTesting(GetParam().noLegacyConverters ? +[] { return false; } : nullptr);
        platform::CInstanceGuard first;
        if (GetParam().secondCopy)
            first.Acquire(CDarvellApp::kInstanceName);
        seen.status = RunApp();
        CDarvellApp::SetEagerStartForTesting(false);
        CDarvellApp::SetLegacyEncodingsCheckForTesting(nullptr);
        if (!mainWindow)
            return seen; // no later screen: the bitmaps are not drawn
        Bitmaps& b = m_bitmaps;
        for (const QPixmap* slot : {&b.m_hLogoBitmap, &b.m_hLedBitmap, &b.m_h7SegBitmap, &b.m_hPicABitmap,
                                    &b.m_hPicBBitmap, &b.m_hEmitterBitmap, &b.m_hReceiverBitmap})
            seen.bitmaps.push_back(slot->toImage());
        for (const QPixmap& tile : b.m_hCodeBitmaps)
            seen.bitmaps.push_back(tile.toImage());
        return seen;
    }
};

TEST_P(StartOrderTest, ThreadedStartShowsWhatTheEagerOrderShows)
{
    const SeenStart eager = Start(true);
    const SeenStart threaded = Start(false);
    EXPECT_EQ(eager.events, GetParam().expected);
    EXPECT_EQ(threaded.events, eager.events);
    EXPECT_EQ(threaded.status, eager.status);
    EXPECT_EQ(threaded.firstScreen.isNull(), eager.firstScreen.isNull());
    EXPECT_EQ(threaded.firstScreen.isNull(), threaded.events.back() != "settings screen");
    EXPECT_EQ(DifferingPixels(threaded.firstScreen, eager.firstScreen), 0);
    ASSERT_EQ(threaded.bitmaps.size(), eager.bitmaps.size());
    for (size_t i = 0; i < eager.bitmaps.size(); ++i)
        EXPECT_TRUE(threaded.bitmaps[i] == eager.bitmaps[i]) << "bitmap " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Startup, StartOrderTest,
    ::testing::Values(
        OrderCase{"SoundEnglish", [](TempDataDir&) {}, {"settings screen"}},
        OrderCase{"SoundChinese", [](TempDataDir& d) { d.Write("Setting.ini", Settings("0")); }, {"settings screen"}},
        OrderCase{"MissingPicture", [](TempDataDir& d) { d.Remove("ql7b-r.bmp"); }, {"message 8 in 1"}},
        OrderCase{"TruncatedTile", [](TempDataDir& d) { d.Write("b03.bmp", d.Read("b03.bmp").substr(0, 100)); },
                  {"message 8 in 1"}},
        OrderCase{"UnreadableHelp", [](TempDataDir& d) { d.Write("Help.ini", ""); }, {"message 10 in 1"}},
        OrderCase{"UnreadableSettings", [](TempDataDir& d) { d.Write("Setting.ini", Settings("0", "1")); },
                  {"message 6 in 0"}},
        OrderCase{"SecondCopy", [](TempDataDir&) {}, {"message 4 in 1"}, true},
        OrderCase{"NoLegacyConverters", [](TempDataDir& d) { d.Write("Setting.ini", Settings("0")); },
                  {"message -1 in 0", "settings screen"}, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- system language -----------------------------------------------------

TEST(NonCjkSystemFlag, ChineseAndJapaneseSystemsAreCjk)
{
    const std::pair<int, int> cases[] = {{4, 0}, {17, 0}, {9, 1}, {7, 1}, {18, 1}, {0, 1},
                                       {0x404, 0}, {0x804, 0}, {0x411, 0}, {0x409, 1}};
    for (const auto& [id, flag] : cases)
        EXPECT_EQ(CDarvellApp::NonCjkSystemFlag(id), flag) << "language id " << id;
}

// The interface language stays the file's; the font flag follows the system's language only.
TEST_F(StartupTest, StartUpTakesTheFontFlagFromTheSystemLanguageOnly)
{
    const char* old = std::getenv("LC_ALL");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    const std::pair<const char*, int> cases[] = {
        {"zh_CN.UTF-8", 0}, {"ja_JP.UTF-8", 0}, {"en_US.UTF-8", 1}, {"de_DE.UTF-8", 1}, {"ko_KR.UTF-8", 1}};
    for (const auto& [locale, nonCjk] : cases) {
        ::setenv("LC_ALL", locale, 1);
        EXPECT_EQ(RunApp(), CDarvellApp::kExitNormal) << locale;
        EXPECT_EQ(m_state.m_bNonCjkSystem, nonCjk) << locale;
        EXPECT_EQ(m_state.m_nLanguage, kEn) << locale;
    }
    saved ? ::setenv("LC_ALL", saved->c_str(), 1) : ::unsetenv("LC_ALL");
}

} // namespace
