#include "data/AppState.h"
#include "data/ControlIds.h"
#include "data/TextCatalogue.h"
#include "dialogs/CMessageDlg.h"
#include "dialogs/CSetDlg.h"
#include "platform/ExeDir.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseButtonR.h"
#include "tests/support/DialogProbe.h"
#include "tests/support/ModalRunner.h"
#include "tests/support/PixelProbe.h"
#include "tests/support/ScopedWriteHook.h"
#include "tests/support/TempDataDir.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kChinese = IDC_CHINESE, kEnglish = IDC_ENGLISH, kThirdLanguage = IDC_THIRD_LANGUAGE;
constexpr int kQl7b = IDC_QL7B, kQl7a = IDC_QL7A, kThirdSeries = IDC_THIRD_SERIES;

// Other sections, a comment and CRLF line ends: OK must leave all of it alone.
const std::string kSettings =
    "; Darvell settings\r\n[Setting]\r\nLanguage=1\r\nType=0\r\nDialogHeight=0\r\n\r\n"
    "[Other]\r\nLanguage=7\r\n";

std::string WithLanguage(const std::string& file, char value)
{
    std::string s = file;
    s[s.find("Language=1")+ 9] = value;
    return s;
}

// Records the numbers the message box would have shown.
class MessageLog {
public:
    MessageLog()
    {
        CMessageDlg::SetShowHookForTesting([this](int msg, int) { shown.push_back(msg); });
    }
    ~MessageLog() { CMessageDlg::SetShowHookForTesting({}); }
    std::vector<int> shown;
};

struct Screen {
    Screen(int language, int series = 0, int height = 768)
    {
        app.m_nLanguage = language;
        app.m_nSeries = series;
        app.m_nDialogWidth = 1024;
        app.m_nDialogHeight = height;
        EXPECT_TRUE(data.IsValid());
        EXPECT_TRUE(data.Write("Setting.ini", kSettings));
    }
    AppState app;
    TempDataDir data;
    SolidBitmaps pictures;
};

int RunSet(CSetDlg& dlg, std::function<void(CSetDlg&)> action)
{
    return RunModal(dlg, [&] { action(dlg); });
}

void Click(CSetDlg& d, int id)
{
    QTest::mouseClick(d.Control<QAbstractButton>(id), Qt::LeftButton);
}

int Check(CSetDlg& d, int id)
{
    return d.Control<CBaseButtonR>(id)->GetCheck();
}

// Every catalogue text of the screen in one language, and the kept template texts.
void ExpectTexts(CSetDlg& d, int language)
{
    const std::pair<int, std::string> texts[] = {
        {IDC_SET_HEADING, g_strSetHeading[language]},
        {IDC_VERSION, std::string(g_strSetVersionPrefix[language]) + "1.0.1.0"},
        {IDC_SERIES_CAPTION, g_strSetLightCurtain[language]},
        {IDC_LANGUAGE_CAPTION, g_strSetLanguage[language]},
        {CTemplateDialog::IDOK, g_strSetOk[language]},
        {CTemplateDialog::IDCANCEL, g_strSetExit[language]},
        {IDC_STEP1, g_strSetStep1[language]},
        {IDC_STEP2, g_strSetStep2[language]},
        {kChinese, "Chinese"},
        {kEnglish, "English"},
        {kQl7b, "QL7B series"},
        {kThirdLanguage, ""},
        {kQl7a, ""},
        {kThirdSeries, ""},
    };
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8(g_strSetTitle[language]));
    for (const auto& [id, text] : texts)
        EXPECT_EQ(d.Text(id), text) << "language " << language << ", control " << id;
}

TEST(CSetDlg, OpensInTheStoredLanguageAndSeriesWithTheirTexts)
{
    for (int language : {0, 1}) {
        Screen s(language);
        CSetDlg dlg(s.app, s.pictures.bitmaps);
        RunSet(dlg, [&](CSetDlg& d) {
            ExpectTexts(d, language);
            EXPECT_EQ(d.Text(IDC_VERSION), "Darvell Ver.1.0.1.0");
            EXPECT_EQ(Check(d, kChinese), language == 0 ? 1 : 0);
            EXPECT_EQ(Check(d, kEnglish), language == 1 ? 1 : 0);
            EXPECT_EQ(Check(d, kThirdLanguage), 0);
            EXPECT_EQ(Check(d, kQl7b), 1);
            EXPECT_EQ(Check(d, kQl7a), 0);
            EXPECT_EQ(d.CheckedLanguage(), language);
            EXPECT_EQ(d.CheckedSeries(), 0);
        });
    }
}

TEST(CSetDlg, SwitchingLanguageReappliesEveryTextAtOnceAndOkStoresIt)
{
    Screen s(1);
    CSetDlg dlg(s.app, s.pictures.bitmaps);
    const int result = RunSet(dlg, [&](CSetDlg& d) {
        ExpectTexts(d, 1);
        Click(d, kChinese);
        EXPECT_EQ(s.app.m_nLanguage, 0); // before OK
        ExpectTexts(d, 0);
        EXPECT_EQ(Check(d, kChinese), 1);
        EXPECT_EQ(Check(d, kEnglish), 0);
        EXPECT_EQ(s.data.Read("Setting.ini"), kSettings); // nothing stored yet
        Click(d, kEnglish);
        EXPECT_EQ(s.app.m_nLanguage, 1);
        ExpectTexts(d, 1);
        Click(d, kChinese);
        Click(d, CTemplateDialog::IDOK);
    });
    EXPECT_EQ(result, CTemplateDialog::IDOK);
    EXPECT_EQ(s.app.m_nLanguage, 0);
    EXPECT_EQ(s.app.m_nSeries, 0);
    // "Language" = "0" and not one other byte changed.
    EXPECT_EQ(s.data.Read("Setting.ini"), WithLanguage(kSettings, '0'));
}

TEST(CSetDlg, ClickingTheCheckedRadioChangesNothing)
{
    Screen s(1);
    CSetDlg dlg(s.app, s.pictures.bitmaps);
    RunSet(dlg, [&](CSetDlg& d) {
        // A marker text shows whether the texts are applied again.
        d.SetText(IDC_SET_HEADING, "marker");
        s.app.m_nLanguage = 1;
        Click(d, kEnglish);
        Click(d, kQl7b);
        EXPECT_EQ(d.Text(IDC_SET_HEADING), "marker");
        EXPECT_EQ(Check(d, kEnglish), 1);
        EXPECT_EQ(Check(d, kChinese), 0);
        EXPECT_EQ(Check(d, kQl7b), 1);
        EXPECT_EQ(s.app.m_nLanguage, 1);
    });
}

TEST(CSetDlg, OnlyTheFirstSeriesAndTwoLanguagesCanBeChosen)
{
    Screen s(0);
    CSetDlg dlg(s.app, s.pictures.bitmaps);
    RunSet(dlg, [&](CSetDlg& d) {
        for (int id : {kThirdLanguage, kQl7a, kThirdSeries}) {
            EXPECT_FALSE(d.Control(id)->isEnabled()) << id;
            EXPECT_EQ(d.Text(id), "") << id;
            Click(d, id);
        }
        EXPECT_EQ(Check(d, kChinese), 1);
        EXPECT_EQ(Check(d, kThirdLanguage), 0);
        EXPECT_EQ(Check(d, kQl7b), 1);
        EXPECT_EQ(Check(d, kQl7a), 0);
        EXPECT_EQ(Check(d, kThirdSeries), 0);
        EXPECT_TRUE(d.Control(kChinese)->isEnabled());
        EXPECT_TRUE(d.Control(kEnglish)->isEnabled());
        EXPECT_TRUE(d.Control(kQl7b)->isEnabled());
    });
}

TEST(CSetDlg, UnknownStoredValuesCheckTheThirdRadio)
{
    // What the screen does with a value outside 0 and 1: the third radio of the
    // row, and OK then stores the second value.
    Screen s(5, 9);
    CSetDlg dlg(s.app, s.pictures.bitmaps);
    const int result = RunSet(dlg, [&](CSetDlg& d) {
        EXPECT_EQ(Check(d, kThirdLanguage), 1);
        EXPECT_EQ(Check(d, kThirdSeries), 1);
        EXPECT_EQ(d.CheckedLanguage(), 1);
        EXPECT_EQ(d.CheckedSeries(), 1);
        Click(d, kQl7b);
        Click(d, CTemplateDialog::IDOK);
    });
    EXPECT_EQ(result, CTemplateDialog::IDOK);
    EXPECT_EQ(s.app.m_nLanguage, 1);
    EXPECT_EQ(s.app.m_nSeries, 0);
}

TEST(CSetDlg, SettingsFileRemovedWhileOpenShowsMessageFiveAndStays)
{
    Screen s(1);
    MessageLog log;
    CSetDlg dlg(s.app, s.pictures.bitmaps);
    const int result = RunSet(dlg, [&](CSetDlg& d) {
        Click(d, kChinese);
        ASSERT_TRUE(s.data.Remove("Setting.ini"));
        Click(d, CTemplateDialog::IDOK);
        QTest::qWait(20);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(Check(d, kChinese), 1); // the radios stay as they were
        EXPECT_EQ(log.shown, std::vector<int>{5});
        EXPECT_FALSE(s.data.Exists("Setting.ini")); // never created
        Click(d, CTemplateDialog::IDCANCEL);
    });
    EXPECT_EQ(result, CTemplateDialog::IDCANCEL);
    EXPECT_EQ(s.app.m_nLanguage, 0); // the radio's change stays
}

TEST(CSetDlg, UnwritableSettingsShowMessageSevenStayAndLeaveTheFile)
{
    for (platform::WriteStage stage :
         {platform::WriteStage::Open, platform::WriteStage::Write, platform::WriteStage::Replace}) {
        Screen s(1);
        MessageLog log;
        ScopedWriteHook failing({stage});
        CSetDlg dlg(s.app, s.pictures.bitmaps);
        bool stayed = false;
        const int result = RunSet(dlg, [&](CSetDlg& d) {
            Click(d, kChinese);
            Click(d, CTemplateDialog::IDOK);
            QTest::qWait(20);
            stayed = d.isVisible();
            Click(d, CTemplateDialog::IDOK); // and once more: still refused
            Click(d, CTemplateDialog::IDCANCEL);
        });
        EXPECT_TRUE(stayed) << WriteStageName(stage);
        EXPECT_EQ(result, CTemplateDialog::IDCANCEL) << WriteStageName(stage);
        EXPECT_EQ(log.shown, (std::vector<int>{7, 7})) << WriteStageName(stage);
        EXPECT_EQ(s.data.Read("Setting.ini"), kSettings) << WriteStageName(stage);
        EXPECT_EQ(s.app.m_nSeries, 0);
    }
}

// An installation the user may only read, run by that user (this program
// again, as a normal user: root ignores modes). The first OK that changes the
// settings says once where they are kept now, and the screen names that place
// from then on; the installation's file stays as it is.
TEST(CSetDlg, ReadOnlyInstallationKeepsTheSettingsInTheUsersFolder)
{
    const QByteArray root = qgetenv("DARVELL_TEST_READ_ONLY_ROOT");
    const std::string copy = qEnvironmentVariable("XDG_CONFIG_HOME").toStdString() + "/Darvell/Setting.ini";
    if (!root.isEmpty()) { // the user's run
        platform::SetExecutableDirForTesting(root.toStdString());
        AppState app;
        app.m_nLanguage = 1;
        app.m_nDialogWidth = 1024;
        app.m_nDialogHeight = 768;
        SolidBitmaps pictures;
        MessageLog log;
        for (const int language : {kChinese, kEnglish}) {
            CSetDlg dlg(app, pictures.bitmaps);
            bool named = false;
            EXPECT_EQ(RunSet(dlg, [&](CSetDlg& d) {
                named = !d.Control(IDC_SETTINGS_PLACE)->isHidden() && QString::fromStdString(d.Text(IDC_SETTINGS_PLACE)).contains(QString::fromStdString(copy));
                Click(d, language);
                Click(d, CTemplateDialog::IDOK);
            }), CTemplateDialog::IDOK);
            EXPECT_EQ(named, language == kEnglish) << "the place named only while the copy is in use";
            EXPECT_EQ(log.shown, std::vector<int>{-1}) << "told once, when the copy is made";
        }
        return;
    }
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run itself as another user";
    Screen s(1);
    const std::string config = s.data.Root() + "/config";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(config)));
    ASSERT_EQ(::chown(config.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(s.data.Root().c_str(), 0755), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("DARVELL_TEST_READ_ONLY_ROOT", s.data.Root().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        ::setenv("HOME", config.c_str(), 1);
        const std::string filter = "--gtest_filter=CSetDlg.ReadOnlyInstallationKeepsTheSettingsInTheUsersFolder";
        char* argv[] = {const_cast<char*>("/proc/self/exe"), const_cast<char*>(filter.c_str()), nullptr};
        if (::setgid(65534) == 0 && ::setuid(65534) == 0)
            ::execv("/proc/self/exe", argv);
        ::_exit(100);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(s.data.Read("Setting.ini"), kSettings);
    QFile written(QString::fromStdString(config + "/Darvell/Setting.ini"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().toStdString(), kSettings) << "English again after Chinese";
}

// Qt's own dialogs speak the language the radios choose.
TEST(CSetDlg, QtsOwnTextsFollowTheLanguage)
{
    Screen s(1);
    CSetDlg dlg(s.app, s.pictures.bitmaps);
    QStringList lookIn;
    RunSet(dlg, [&](CSetDlg& d) {
        for (int language : {kChinese, kEnglish}) {
            Click(d, language);
            lookIn << QCoreApplication::translate("QFileDialog", "Look in:");
        }
    });
    EXPECT_EQ(lookIn, (QStringList{QString::fromUtf8("查找范围："), "Look in:"}));
}

TEST(CSetDlg, ExitCancelsAndStoresNothing)
{
    Screen s(1);
    CSetDlg dlg(s.app, s.pictures.bitmaps);
    const int result = RunSet(dlg, [&](CSetDlg& d) { Click(d, CTemplateDialog::IDCANCEL); });
    EXPECT_EQ(result, CTemplateDialog::IDCANCEL);
    EXPECT_EQ(s.data.Read("Setting.ini"), kSettings);
    EXPECT_EQ(s.app.m_nLanguage, 1);
}

TEST(CSetDlg, KeysAndNoCloseBox)
{
    Screen s(1);
    CSetDlg dlg(s.app, s.pictures.bitmaps);
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    const int result = RunSet(dlg, [&](CSetDlg& d) {
        QTest::keyClick(&d, Qt::Key_Escape);
        QTest::qWait(20);
        EXPECT_TRUE(d.isVisible());
        // Enter acts as Space on the focused radio: it switches the language.
        d.Control(kChinese)->setFocus();
        QTest::keyClick(d.Control(kChinese), Qt::Key_Return);
        EXPECT_EQ(Check(d, kChinese), 1);
        ExpectTexts(d, 0);
        d.Control(CTemplateDialog::IDOK)->setFocus();
        QTest::keyClick(d.Control(CTemplateDialog::IDOK), Qt::Key_Return);
    });
    EXPECT_EQ(result, CTemplateDialog::IDOK);
    EXPECT_EQ(s.data.Read("Setting.ini"), WithLanguage(kSettings, '0'));
}

TEST(CSetDlg, FullWindowSizeAtTheOriginWithBothPictures)
{
    for (int height : {768, 736}) {
        Screen s(1, 0, height);
        CSetDlg dlg(s.app, s.pictures.bitmaps);
        RunSet(dlg, [&](CSetDlg& d) {
            EXPECT_EQ(d.size(), QSize(1024, height));
            EXPECT_EQ(d.frameGeometry().topLeft(), QPoint(0, 0));
            const QImage image = Render(d);
            // "QL7B_pic.bmp" (160 x 240) drawn 80 x 120 at (330, 400).
            EXPECT_EQ(image.pixelColor(330, 400), SolidBitmaps::kPicB);
            EXPECT_EQ(image.pixelColor(409, 519), SolidBitmaps::kPicB);
            EXPECT_NE(image.pixelColor(410, 519), SolidBitmaps::kPicB);
            EXPECT_NE(image.pixelColor(409, 520), SolidBitmaps::kPicB);
            EXPECT_NE(image.pixelColor(329, 400), SolidBitmaps::kPicB);
            // The logo (120 x 40) at its own size at (W - 125, 2).
            EXPECT_EQ(image.pixelColor(899, 2), SolidBitmaps::kLogo);
            EXPECT_EQ(image.pixelColor(1018, 41), SolidBitmaps::kLogo);
            EXPECT_NE(image.pixelColor(898, 2), SolidBitmaps::kLogo);
            EXPECT_NE(image.pixelColor(899, 42), SolidBitmaps::kLogo);
        });
    }
}

TEST(CSetDlg, EveryTextShowsAndFitsInBothLanguages)
{
    for (int language : {0, 1}) {
        Screen s(language);
        CSetDlg dlg(s.app, s.pictures.bitmaps);
        RunSet(dlg, [&](CSetDlg& d) {
            for (int id : std::initializer_list<int>{IDC_VERSION, IDC_SET_HEADING, IDC_STEP1,
                                                     IDC_LANGUAGE_CAPTION, IDC_STEP2, IDC_SERIES_CAPTION,
                                                     kChinese, kEnglish, kQl7b, CTemplateDialog::IDOK,
                                                     CTemplateDialog::IDCANCEL})
                EXPECT_GT(InkOf(d, id), 0) << language << "/" << id;
            const QStringList problems = TextOverflows(d);
            EXPECT_TRUE(problems.isEmpty())
                << language << ": " << problems.join(QStringLiteral("; ")).toStdString();
            // The same after switching the language on the open screen.
            Click(d, language == 0 ? kEnglish : kChinese);
            const QStringList after = TextOverflows(d);
            EXPECT_TRUE(after.isEmpty())
                << language << " switched: " << after.join(QStringLiteral("; ")).toStdString();
        });
    }
}

} // namespace
