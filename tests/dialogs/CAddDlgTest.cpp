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

struct Add {
    explicit Add(int language = 1, int series = 0) : app([&] {
        AppState a;
        a.m_nLanguage = language;
        a.m_nSeries = series;
        return a;
    }()) {}
    AppState app;
    SolidBitmaps pictures;
    CAddDlg dlg{app, pictures.bitmaps};

    int Run(std::function<void(CAddDlg&)> action) { return RunModal(dlg, [&] { action(dlg); }); }
};

// Each button clicked, or given the focus and pressed with Enter (after an
// Escape that does nothing), then OK: the states are the values the caller set.
TEST(CAddDlg, ClicksOrKeysThenOkReportTheLampStates)
{
    struct Case {
        const char* name;
        std::vector<int> clicks;
        int interlock, halt;
        bool keys = false;
        int unlit = 1, lit = 2;
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
        {"interlock on by key", {kInterlockOn}, 2, 1, true},
        {"the caller's values", {kHaltOn}, -7, 40, false, -7, 40},
    };
    for (const Case& c : cases) {
        Add add;
        add.dlg.SetUnlitValue(c.unlit);
        add.dlg.SetLitValue(c.lit);
        const int result = add.Run([&](CAddDlg& d) {
            if (c.keys)
                QTest::keyClick(&d, Qt::Key_Escape);
            for (int id : c.clicks) {
                if (!c.keys) {
                    Click(d, id);
                    continue;
                }
                d.Control(id)->setFocus();
                QTest::keyClick(d.Control(id), Qt::Key_Return);
            }
            QTest::qWait(20);
            EXPECT_TRUE(d.isVisible()) << c.name;
            if (!c.keys)
                return Click(d, CTemplateDialog::IDOK);
            d.Control(CTemplateDialog::IDOK)->setFocus();
            QTest::keyClick(d.Control(CTemplateDialog::IDOK), Qt::Key_Return);
        });
        EXPECT_EQ(result, CTemplateDialog::IDOK) << c.name;
        EXPECT_EQ(add.dlg.GetInterlockState(), c.interlock) << c.name;
        EXPECT_EQ(add.dlg.GetHaltState(), c.halt) << c.name;
    }
}

TEST(CAddDlg, LampPairsActAsRadioPairs)
{
    Add add;
    add.Run([&](CAddDlg& d) {
        EXPECT_EQ(Checks(d), (std::vector<int>{0, 1, 0, 1})); // both lamps unlit at the start
        const std::pair<std::vector<int>, std::vector<int>> steps[] = { // clicks, then the checks
            {{kInterlockOff}, {0, 1, 0, 1}}, // already checked: nothing changes
            {{kInterlockOn}, {1, 0, 0, 1}}, {{kInterlockOn}, {1, 0, 0, 1}}, {{kHaltOn}, {1, 0, 1, 0}},
            {{kHaltOn}, {1, 0, 1, 0}}, {{kHaltOff}, {1, 0, 0, 1}}, {{kHaltOn, kClear}, {0, 1, 0, 1}}};
        for (const auto& [clicks, checks] : steps) {
            for (int id : clicks)
                Click(d, id);
            EXPECT_EQ(Checks(d), checks) << clicks.back();
        }
        // The checked lamp shows white, the other black.
        EXPECT_GT(CountColour(Render(*d.Control(kInterlockOff)), QRect(6, 6, 10, 10), Qt::white), 0);
        EXPECT_GT(CountColour(Render(*d.Control(kInterlockOn)), QRect(6, 6, 10, 10), Qt::black), 0);
        Click(d, CTemplateDialog::IDOK);
    });
}

TEST(CAddDlg, CloseBoxCancelsWithoutWritingTheStates)
{
    Add add;
    const int interlockBefore = add.dlg.GetInterlockState(), haltBefore = add.dlg.GetHaltState();
    const int result = add.Run([&](CAddDlg& d) {
        EXPECT_TRUE(d.windowFlags() & Qt::WindowCloseButtonHint);
        Click(d, kInterlockOn);
        Click(d, kHaltOn);
        d.close(); // what the window system sends for the close box
    });
    EXPECT_EQ(result, CTemplateDialog::IDCANCEL);
    EXPECT_EQ(add.dlg.GetInterlockState(), interlockBefore);
    EXPECT_EQ(add.dlg.GetHaltState(), haltBefore);
}

TEST(CAddDlg, TextsOfBothLanguagesShowAndFit)
{
    for (int language : {0, 1}) {
        Add add(language);
        add.Run([&](CAddDlg& d) {
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
            EXPECT_EQ(TextOverflows(d).join(QStringLiteral("; ")).toStdString(), "") << language;
            Click(d, CTemplateDialog::IDOK);
        });
    }
}

TEST(CAddDlg, EmitterAndReceiverPicturesAtTheirPlaces)
{
    for (int series : {0, 1}) {
        Add add(1, series); // the QL7B pictures whatever the series
        add.Run([&](CAddDlg& d) {
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
