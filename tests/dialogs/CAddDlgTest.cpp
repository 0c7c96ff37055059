#include "data/AppState.h"
#include "data/ControlIds.h"
#include "data/TextCatalogue.h"
#include "dialogs/CAddDlg.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseButtonR.h"
#include "tests/support/DialogProbe.h"
#include "tests/support/ModalRunner.h"
#include "tests/support/PixelProbe.h"

#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

constexpr int kInterlockOn = IDC_INTERLOCK_ON, kInterlockOff = IDC_INTERLOCK_OFF, kHaltOn = IDC_HALT_ON,
              kHaltOff = IDC_HALT_OFF;
constexpr int kClear = IDC_ADD_CLEAR;

int Check(CAddDlg& d, int id)
{
    return d.Control<CBaseButtonR>(id)->GetCheck();
}

// The four check states in the order IDC_INTERLOCK_ON, IDC_INTERLOCK_OFF, IDC_HALT_ON, IDC_HALT_OFF.
std::vector<int> Checks(CAddDlg& d)
{
    return {Check(d, kInterlockOn), Check(d, kInterlockOff), Check(d, kHaltOn), Check(d, kHaltOff)};
}

void Click(CAddDlg& d, int id)
{
    QTest::mouseClick(d.Control<QAbstractButton>(id), Qt::LeftButton);
}

int RunAdd(CAddDlg& dlg, std::function<void(CAddDlg&)> action)
{
    return RunModal(dlg, [&] { action(dlg); });
}

TEST(CAddDlg, ClicksThenOkReportTheLampStates)
{
    struct Case {
        const char* name;
        std::vector<int> clicks;
        int interlock, halt;
    };
    const Case cases[] = {
        {"untouched", {}, 1, 1},
        {"interlock on", {kInterlockOn}, 2, 1},
        {"halt on, then clear", {kHaltOn, kClear}, 1, 1},
        {"both on", {kInterlockOn, kHaltOn}, 2, 2},
        {"interlock on, then off", {kInterlockOn, kInterlockOff}, 1, 1},
        {"halt on twice", {kHaltOn, kHaltOn}, 1, 2},
        {"both on, clear, interlock on", {kInterlockOn, kHaltOn, kClear, kInterlockOn}, 2, 1},
        {"clear twice", {kClear, kClear}, 1, 1},
    };
    for (const Case& c : cases) {
        AppState app;
        app.m_nLanguage = 1;
        SolidBitmaps pictures;
        CAddDlg dlg(app, pictures.bitmaps);
        dlg.SetUnlitValue(1);
        dlg.SetLitValue(2);
        const int result = RunAdd(dlg, [&](CAddDlg& d) {
            for (int id : c.clicks)
                Click(d, id);
            Click(d, CTemplateDialog::IDOK);
        });
        EXPECT_EQ(result, CTemplateDialog::IDOK) << c.name;
        EXPECT_EQ(dlg.GetInterlockState(), c.interlock) << c.name;
        EXPECT_EQ(dlg.GetHaltState(), c.halt) << c.name;
    }
}

TEST(CAddDlg, ReportsTheValuesTheCallerSet)
{
    AppState app;
    SolidBitmaps pictures;
    CAddDlg dlg(app, pictures.bitmaps);
    dlg.SetUnlitValue(-7);
    dlg.SetLitValue(40);
    RunAdd(dlg, [&](CAddDlg& d) {
        Click(d, kHaltOn);
        Click(d, CTemplateDialog::IDOK);
    });
    EXPECT_EQ(dlg.GetInterlockState(), -7);
    EXPECT_EQ(dlg.GetHaltState(), 40);
}

TEST(CAddDlg, LampPairsActAsRadioPairs)
{
    AppState app;
    SolidBitmaps pictures;
    CAddDlg dlg(app, pictures.bitmaps);
    RunAdd(dlg, [&](CAddDlg& d) {
        using V = std::vector<int>;
        EXPECT_EQ(Checks(d), (V{0, 1, 0, 1})); // both lamps unlit at the start
        Click(d, kInterlockOff);               // already checked: nothing changes
        EXPECT_EQ(Checks(d), (V{0, 1, 0, 1}));
        Click(d, kInterlockOn);
        EXPECT_EQ(Checks(d), (V{1, 0, 0, 1}));
        Click(d, kInterlockOn);
        EXPECT_EQ(Checks(d), (V{1, 0, 0, 1}));
        Click(d, kHaltOn);
        EXPECT_EQ(Checks(d), (V{1, 0, 1, 0}));
        Click(d, kHaltOn);
        EXPECT_EQ(Checks(d), (V{1, 0, 1, 0}));
        Click(d, kHaltOff);
        EXPECT_EQ(Checks(d), (V{1, 0, 0, 1}));
        Click(d, kHaltOn);
        Click(d, kClear);
        EXPECT_EQ(Checks(d), (V{0, 1, 0, 1}));
        // The checked lamp shows white, the other black.
        EXPECT_GT(CountColour(Render(*d.Control(kInterlockOff)), QRect(6, 6, 10, 10), Qt::white), 0);
        EXPECT_GT(CountColour(Render(*d.Control(kInterlockOn)), QRect(6, 6, 10, 10), Qt::black), 0);
        Click(d, CTemplateDialog::IDOK);
    });
}

TEST(CAddDlg, CloseBoxCancelsWithoutWritingTheStates)
{
    AppState app;
    SolidBitmaps pictures;
    CAddDlg dlg(app, pictures.bitmaps);
    const int interlockBefore = dlg.GetInterlockState(), haltBefore = dlg.GetHaltState();
    const int result = RunAdd(dlg, [&](CAddDlg& d) {
        EXPECT_TRUE(d.windowFlags() & Qt::WindowCloseButtonHint);
        Click(d, kInterlockOn);
        Click(d, kHaltOn);
        d.close(); // what the window system sends for the close box
    });
    EXPECT_EQ(result, CTemplateDialog::IDCANCEL);
    EXPECT_EQ(dlg.GetInterlockState(), interlockBefore);
    EXPECT_EQ(dlg.GetHaltState(), haltBefore);
}

TEST(CAddDlg, EscapeDoesNothingAndEnterPressesTheFocusedButton)
{
    AppState app;
    SolidBitmaps pictures;
    CAddDlg dlg(app, pictures.bitmaps);
    const int result = RunAdd(dlg, [&](CAddDlg& d) {
        QTest::keyClick(&d, Qt::Key_Escape);
        QTest::qWait(20);
        EXPECT_TRUE(d.isVisible());
        d.Control(kInterlockOn)->setFocus();
        QTest::keyClick(d.Control(kInterlockOn), Qt::Key_Return);
        EXPECT_EQ(Check(d, kInterlockOn), 1);
        d.Control(CTemplateDialog::IDOK)->setFocus();
        QTest::keyClick(d.Control(CTemplateDialog::IDOK), Qt::Key_Return);
    });
    EXPECT_EQ(result, CTemplateDialog::IDOK);
    EXPECT_EQ(dlg.GetInterlockState(), 2);
    EXPECT_EQ(dlg.GetHaltState(), 1);
}

TEST(CAddDlg, TextsOfBothLanguagesShowAndFit)
{
    for (int language : {0, 1}) {
        AppState app;
        app.m_nLanguage = language;
        SolidBitmaps pictures;
        CAddDlg dlg(app, pictures.bitmaps);
        RunAdd(dlg, [&](CAddDlg& d) {
            const std::pair<int, const LocalText*> texts[] = {
                {IDC_ADD_EMITTER, &g_strAddEmitterSide}, {IDC_ADD_RECEIVER, &g_strAddReceiverSide},
                {IDC_INTERLOCK, &g_strAddInterlock},   {IDC_HALT, &g_strAddHalt},
                {kInterlockOn, &g_strAddInterlockOn}, {kInterlockOff, &g_strAddInterlockOff},
                {kHaltOn, &g_strAddHaltOn},   {kHaltOff, &g_strAddHaltOff},
                {kClear, &g_strAddClear},     {CTemplateDialog::IDOK, &g_strAddOk},
            };
            EXPECT_EQ(d.windowTitle(), QString::fromUtf8(g_strAddTitle[language]));
            for (const auto& [id, text] : texts) {
                EXPECT_EQ(d.Text(id), (*text)[language]) << language << "/" << id;
                EXPECT_GT(InkOf(d, id), 0) << language << "/" << id;
            }
            const QStringList problems = TextOverflows(d);
            EXPECT_TRUE(problems.isEmpty()) << language << ": "
                                            << problems.join(QStringLiteral("; ")).toStdString();
            Click(d, CTemplateDialog::IDOK);
        });
    }
}

TEST(CAddDlg, EmitterAndReceiverPicturesAtTheirPlaces)
{
    for (int series : {0, 1}) {
        AppState app;
        app.m_nSeries = series; // the QL7B pictures whatever the series
        SolidBitmaps pictures;
        CAddDlg dlg(app, pictures.bitmaps);
        RunAdd(dlg, [&](CAddDlg& d) {
            const QImage image = Render(d);
            const std::tuple<QColor, QPoint> corners[] = {
                {SolidBitmaps::kEmitter, {38, 61}}, {SolidBitmaps::kReceiver, {366, 61}}};
            for (const auto& [colour, at] : corners) {
                EXPECT_EQ(image.pixelColor(at), colour) << series;
                EXPECT_EQ(image.pixelColor(at + QPoint(59, 299)), colour) << series;
                EXPECT_NE(image.pixelColor(at - QPoint(1, 0)), colour) << series;
                EXPECT_NE(image.pixelColor(at - QPoint(0, 1)), colour) << series;
                EXPECT_NE(image.pixelColor(at + QPoint(60, 0)), colour) << series;
                EXPECT_NE(image.pixelColor(at + QPoint(0, 300)), colour) << series;
            }
            Click(d, CTemplateDialog::IDOK);
        });
    }
}

} // namespace
