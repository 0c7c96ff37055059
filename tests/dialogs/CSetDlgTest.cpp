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

// The checks of Chinese, English, the third language, QL7B, QL7A, the third series.
std::vector<int> Checks(CSetDlg& d)
{
    std::vector<int> checks;
    for (int id : {kChinese, kEnglish, kThirdLanguage, kQl7b, kQl7a, kThirdSeries})
        checks.push_back(Check(d, id));
    return checks;
}
using Radios = std::vector<int>;

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

TEST(CSetDlg, OpensInTheStoredLanguageAndSeriesAndEveryTextShowsAndFits)
{
    for (int language : {0, 1}) {
        Screen s(language);
        CSetDlg dlg(s.app, s.pictures.bitmaps);
        RunSet(dlg, [&](CSetDlg& d) {
            ExpectTexts(d, language);
            EXPECT_EQ(d.Text(IDC_VERSION), "Darvell Ver.1.0.1.0");
            EXPECT_EQ(Checks(d), (language == 0 ? Radios{1, 0, 0, 1, 0, 0} : Radios{0, 1, 0, 1, 0, 0}));
            EXPECT_EQ(d.CheckedLanguage(), language);
            EXPECT_EQ(d.CheckedSeries(), 0);
            for (int id : std::initializer_list<int>{IDC_VERSION, IDC_SET_HEADING, IDC_STEP1, IDC_LANGUAGE_CAPTION,
                                                     IDC_STEP2, IDC_SERIES_CAPTION, kChinese, kEnglish, kQl7b,
                                                     CTemplateDialog::IDOK, CTemplateDialog::IDCANCEL})
                EXPECT_GT(InkOf(d, id), 0) << language << "/" << id;
            EXPECT_EQ(TextOverflows(d).join(QStringLiteral("; ")).toStdString(), "") << language;
            // The same after switching the language on the open screen.
            Click(d, language == 0 ? kEnglish : kChinese);
            EXPECT_EQ(TextOverflows(d).join(QStringLiteral("; ")).toStdString(), "") << language << " switched";
        });
    }
}

// Escape does nothing; a click or Enter on a radio switches every text, Qt's
// own included, at once; only OK stores the language.
TEST(CSetDlg, SwitchingLanguageReappliesEveryTextAtOnceAndOkStoresIt)
{
    Screen s(1);
    CSetDlg dlg(s.app, s.pictures.bitmaps);
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    QStringList lookIn;
    const int result = RunSet(dlg, [&](CSetDlg& d) {
        QTest::keyClick(&d, Qt::Key_Escape);
        QTest::qWait(20);
        EXPECT_TRUE(d.isVisible());
        Click(d, kChinese);
        EXPECT_EQ(s.app.m_nLanguage, 0); // before OK
        ExpectTexts(d, 0);
        lookIn << QCoreApplication::translate("QFileDialog", "Look in:");
        EXPECT_EQ(Checks(d), (Radios{1, 0, 0, 1, 0, 0}));
        EXPECT_EQ(s.data.Read("Setting.ini"), kSettings); // nothing stored yet
        Click(d, kEnglish);
        EXPECT_EQ(s.app.m_nLanguage, 1);
        ExpectTexts(d, 1);
        lookIn << QCoreApplication::translate("QFileDialog", "Look in:");
        d.Control(kChinese)->setFocus(); // Enter acts as Space on the focused radio
        QTest::keyClick(d.Control(kChinese), Qt::Key_Return);
        EXPECT_EQ(Check(d, kChinese), 1);
        ExpectTexts(d, 0);
        d.Control(CTemplateDialog::IDOK)->setFocus();
        QTest::keyClick(d.Control(CTemplateDialog::IDOK), Qt::Key_Return);
    });
    EXPECT_EQ(result, CTemplateDialog::IDOK);
    EXPECT_EQ(lookIn, (QStringList{QString::fromUtf8("查找范围："), "Look in:"}));
    EXPECT_EQ(s.app.m_nLanguage, 0);
    EXPECT_EQ(s.app.m_nSeries, 0);
    // "Language" = "0" and not one other byte changed.
    EXPECT_EQ(s.data.Read("Setting.ini"), WithLanguage(kSettings, '0'));
}

// Only the first series and two languages can be chosen; Exit stores nothing.
TEST(CSetDlg, ACheckedOrDisabledRadioChangesNothingAndExitCancels)
{
    Screen s(1);
    CSetDlg dlg(s.app, s.pictures.bitmaps);
    const int result = RunSet(dlg, [&](CSetDlg& d) {
        d.SetText(IDC_SET_HEADING, "marker"); // shows whether the texts are applied again
        for (int id : {kThirdLanguage, kQl7a, kThirdSeries}) {
            EXPECT_FALSE(d.Control(id)->isEnabled()) << id;
            Click(d, id);
        }
        Click(d, kEnglish);
        Click(d, kQl7b);
        EXPECT_EQ(d.Text(IDC_SET_HEADING), "marker");
        EXPECT_EQ(Checks(d), (Radios{0, 1, 0, 1, 0, 0}));
        for (int id : {kChinese, kEnglish, kQl7b})
            EXPECT_TRUE(d.Control(id)->isEnabled()) << id;
        EXPECT_EQ(s.app.m_nLanguage, 1);
        Click(d, CTemplateDialog::IDCANCEL);
    });
    EXPECT_EQ(result, CTemplateDialog::IDCANCEL);
    EXPECT_EQ(s.data.Read("Setting.ini"), kSettings);
    EXPECT_EQ(s.app.m_nLanguage, 1);
}

TEST(CSetDlg, UnknownStoredValuesCheckTheThirdRadio)
{
    // What the screen does with a value outside 0 and 1: the third radio of the
    // row, and OK then stores the second value.
    Screen s(5, 9);
    CSetDlg dlg(s.app, s.pictures.bitmaps);
    const int result = RunSet(dlg, [&](CSetDlg& d) {
        EXPECT_EQ(Checks(d), (Radios{0, 0, 1, 0, 0, 1}));
        EXPECT_EQ(d.CheckedLanguage(), 1);
        EXPECT_EQ(d.CheckedSeries(), 1);
        Click(d, kQl7b);
        Click(d, CTemplateDialog::IDOK);
    });
    EXPECT_EQ(result, CTemplateDialog::IDOK);
    EXPECT_EQ(s.app.m_nLanguage, 1);
    EXPECT_EQ(s.app.m_nSeries, 0);
}

// A settings file removed while the screen is open (message 5, never created
// again) or one that cannot be written (message 7, left as it was): OK stays
// on the screen, every time, and the radios stay as they were.
TEST(CSetDlg, AnOkThatCannotStoreSaysWhyAndStays)
{
    using enum platform::WriteStage;
    struct Case { const char* name; std::vector<platform::WriteStage> failAt; std::vector<int> shown; };
    const Case cases[] = {{"removed", {}, {5, 5}}, {"Open", {Open}, {7, 7}}, {"Write", {Write}, {7, 7}},
                          {"Replace", {Replace}, {7, 7}}};
    for (const Case& c : cases) {
        Screen s(1);
        MessageLog log;
        ScopedWriteHook failing(c.failAt);
        CSetDlg dlg(s.app, s.pictures.bitmaps);
        const bool removed = c.failAt.empty();
        bool stayed = false;
        int chinese = 0;
        const int result = RunSet(dlg, [&](CSetDlg& d) {
            Click(d, kChinese);
            ASSERT_TRUE(!removed || s.data.Remove("Setting.ini"));
            Click(d, CTemplateDialog::IDOK);
            QTest::qWait(20);
            stayed = d.isVisible();
            chinese = Check(d, kChinese);
            Click(d, CTemplateDialog::IDOK); // and once more: still refused
            Click(d, CTemplateDialog::IDCANCEL);
        });
        EXPECT_TRUE(stayed) << c.name;
        EXPECT_EQ(chinese, 1) << c.name;
        EXPECT_EQ(result, CTemplateDialog::IDCANCEL) << c.name;
        EXPECT_EQ(log.shown, c.shown) << c.name;
        EXPECT_EQ(s.data.Exists("Setting.ini"), !removed) << c.name;
        EXPECT_EQ(s.data.Read("Setting.ini"), removed ? "" : kSettings) << c.name;
        EXPECT_EQ(s.app.m_nLanguage, 0) << c.name; // the radio's change stays
        EXPECT_EQ(s.app.m_nSeries, 0) << c.name;
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

TEST(CSetDlg, FullWindowSizeAtTheOriginWithBothPictures)
{
    // "QL7B_pic.bmp" (160 x 240) drawn 80 x 120 at (330, 400); the logo
    // (120 x 40) at its own size at (W - 125, 2).
    const std::tuple<int, int, QColor, bool> pixels[] = {
        {330, 400, SolidBitmaps::kPicB, true}, {409, 519, SolidBitmaps::kPicB, true},
        {410, 519, SolidBitmaps::kPicB, false}, {409, 520, SolidBitmaps::kPicB, false},
        {329, 400, SolidBitmaps::kPicB, false}, {899, 2, SolidBitmaps::kLogo, true},
        {1018, 41, SolidBitmaps::kLogo, true}, {898, 2, SolidBitmaps::kLogo, false},
        {899, 42, SolidBitmaps::kLogo, false}};
    for (int height : {768, 736}) {
        Screen s(1, 0, height);
        CSetDlg dlg(s.app, s.pictures.bitmaps);
        RunSet(dlg, [&](CSetDlg& d) {
            EXPECT_EQ(d.size(), QSize(1024, height));
            EXPECT_EQ(d.frameGeometry().topLeft(), QPoint(0, 0));
            const QImage image = Render(d);
            for (const auto& [x, y, colour, drawn] : pixels)
                EXPECT_EQ(image.pixelColor(x, y) == colour, drawn) << height << ": " << x << "," << y;
        });
    }
}

} // namespace
