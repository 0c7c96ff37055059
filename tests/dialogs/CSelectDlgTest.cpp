#include "data/AppState.h"
#include "data/ControlIds.h"
#include "data/TextCatalogue.h"
#include "diagnosis/CFixNum.h"
#include "dialogs/CSelectDlg.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseStatic.h"
#include "draw/ControlFont.h"
#include "tests/support/DialogProbe.h"
#include "tests/support/ModalRunner.h"
#include "tests/support/PixelProbe.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

// What the main window does for the Main Sensor emitter of a three-unit QL7B
// line: the caption set of that slot, every entry enabled.
void FillMainEmitter(CSelectDlg& dlg, const AppState& app)
{
    CaptionSet set;
    CFixNum(app).GetCaptions(0, set);
    dlg.SetCaptions(&set[1]);
    for (PickerEntry& e : dlg.m_Entries)
        e.m_bEnabled = 1;
}

AppState App(int language, int series = 0)
{
    AppState app;
    app.m_nLanguage = language;
    app.m_nSeries = series;
    app.m_nUnitsIndex = 0;
    return app;
}

CBaseButton* Code(CSelectDlg& dlg, int i)
{
    return dlg.Control<CBaseButton>(CSelectDlg::kFirstCode + i);
}

// Runs the picker; action gets the shown dialog and must end it (or leave it
// to the fallback cancel click that follows).
int RunPicker(CSelectDlg& dlg, std::function<void(CSelectDlg&)> action)
{
    return RunModal(dlg, [&] { action(dlg); });
}

TEST(CSelectDlg, SetCaptionsShowsOnlyNonEmptyCaptions)
{
    const AppState app = App(1);
    CaptionSet set;
    CFixNum(app).GetCaptions(0, set);
    SolidBitmaps pictures;
    AppState state = app;
    CSelectDlg dlg(state, pictures.bitmaps);
    dlg.SetCaptions(&set[1]);
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(dlg.m_Entries[i].m_strCaption, set[i + 1]) << i;
        EXPECT_EQ(dlg.m_Entries[i].m_bShown, i < 12 ? 1 : 0) << i;
    }
}

TEST(CSelectDlg, ThreeUnitMainEmitterShowsTwelveButtonsAndTheSixthReturns1005)
{
    for (int language : {0, 1}) {
        AppState app = App(language);
        SolidBitmaps pictures;
        CSelectDlg dlg(app, pictures.bitmaps);
        FillMainEmitter(dlg, app);
        CaptionSet set;
        CFixNum(app).GetCaptions(0, set);
        const int result = RunPicker(dlg, [&](CSelectDlg& d) {
            EXPECT_EQ(d.windowTitle(), QString::fromUtf8(g_strSelectTitle[language]));
            EXPECT_EQ(d.Text(IDC_SELECT_PROMPT), g_strSelectPrompt[language]);
            EXPECT_EQ(d.Text(CTemplateDialog::IDCANCEL), g_strSelectCancel[language]);
            for (int i = 0; i < 14; ++i) {
                CBaseButton* b = Code(d, i);
                ASSERT_NE(b, nullptr);
                EXPECT_EQ(b->isVisible(), i < 12) << language << "/" << i;
                if (i < 12) {
                    EXPECT_EQ(b->text().toStdString(), set[i + 1]);
                    EXPECT_GT(InkOf(d, IDC_CODE_FIRST + i), 0) << i;
                    // Fits in the button's own font.
                    EXPECT_EQ(b->font().pixelSize(), ControlFont(18, false, 0).pixelSize()) << i;
                }
            }
            if (language == 1) {
                EXPECT_EQ(Code(d, 0)->text(), QStringLiteral("No\nerror code"));
                EXPECT_EQ(Code(d, 11)->text(), QStringLiteral("POWER\nOFF"));
            }
            // The seven-segment picture of the QL7B series, top-left at (380, 95).
            const QImage image = Render(d);
            EXPECT_EQ(image.pixelColor(380, 95), SolidBitmaps::k7Seg);
            EXPECT_EQ(image.pixelColor(380 + 89, 95 + 149), SolidBitmaps::k7Seg);
            EXPECT_NE(image.pixelColor(379, 95), SolidBitmaps::k7Seg);
            EXPECT_NE(image.pixelColor(380, 94), SolidBitmaps::k7Seg);
            EXPECT_EQ(CountColour(image, image.rect(), SolidBitmaps::kLed), 0);
            QTest::mouseClick(Code(d, 5), Qt::LeftButton);
        });
        EXPECT_EQ(result, IDC_CODE_FIRST + 5) << language;
    }
}

TEST(CSelectDlg, EveryCodeButtonEndsWithItsOwnIdAndCancelWithTwo)
{
    std::string captions[14];
    for (int i = 0; i < 14; ++i)
        captions[i] = std::to_string(i);
    for (int pressed = 0; pressed <= 14; ++pressed) {
        AppState app = App(1);
        SolidBitmaps pictures;
        CSelectDlg dlg(app, pictures.bitmaps);
        dlg.SetCaptions(captions);
        for (PickerEntry& e : dlg.m_Entries)
            e.m_bEnabled = 1;
        const int result = RunPicker(dlg, [&](CSelectDlg& d) {
            const int id = pressed < 14 ? IDC_CODE_FIRST + pressed : CTemplateDialog::IDCANCEL;
            QTest::mouseClick(d.Control<CBaseButton>(id), Qt::LeftButton);
        });
        EXPECT_EQ(result, pressed < 14 ? IDC_CODE_FIRST + pressed : CTemplateDialog::IDCANCEL);
    }
}

TEST(CSelectDlg, ShownAndEnabledFlagsActApart)
{
    AppState app = App(1);
    SolidBitmaps pictures;
    CSelectDlg dlg(app, pictures.bitmaps);
    std::string captions[14] = {"A", "B", "C", ""};
    dlg.SetCaptions(captions);
    dlg.m_Entries[0].m_bEnabled = 1;
    dlg.m_Entries[1].m_bEnabled = 0; // visible but cannot be pressed
    dlg.m_Entries[2].m_bEnabled = 1;
    dlg.m_Entries[2].m_bShown = 2;   // only exactly 1 shows a button
    dlg.m_Entries[3].m_bEnabled = 1; // empty caption: hidden though enabled
    const int result = RunPicker(dlg, [&](CSelectDlg& d) {
        EXPECT_TRUE(Code(d, 0)->isVisible());
        EXPECT_TRUE(Code(d, 1)->isVisible());
        EXPECT_FALSE(Code(d, 1)->isEnabled());
        EXPECT_FALSE(Code(d, 2)->isVisible());
        EXPECT_FALSE(Code(d, 3)->isVisible());
        EXPECT_TRUE(Code(d, 3)->isEnabled());
        // A disabled button shows black on black: no readable caption.
        EXPECT_EQ(InkOf(d, IDC_CODE_FIRST + 1), 0);
        QTest::mouseClick(Code(d, 1), Qt::LeftButton);
        QTest::qWait(20);
        EXPECT_TRUE(d.isVisible()); // the click did nothing
        QTest::mouseClick(d.Control<CBaseButton>(CTemplateDialog::IDCANCEL), Qt::LeftButton);
    });
    EXPECT_EQ(result, CTemplateDialog::IDCANCEL);
}

TEST(CSelectDlg, EnterPressesTheFocusedButtonAndEscapeDoesNothing)
{
    struct Case {
        const char* name;
        int focus;  // index of the button given the focus, -1: leave the start focus
        int expect; // result of Enter
    };
    const Case cases[] = {
        {"start focus on the first code", -1, IDC_CODE_FIRST},
        {"fourth code", 3, IDC_CODE_FIRST + 3},
        {"cancel", 14, CTemplateDialog::IDCANCEL},
    };
    for (const Case& c : cases) {
        AppState app = App(1);
        SolidBitmaps pictures;
        CSelectDlg dlg(app, pictures.bitmaps);
        FillMainEmitter(dlg, app);
        const int result = RunPicker(dlg, [&](CSelectDlg& d) {
            QTest::keyClick(&d, Qt::Key_Escape);
            QTest::qWait(20);
            EXPECT_TRUE(d.isVisible()) << c.name;
            if (c.focus >= 0) {
                const int id = c.focus < 14 ? IDC_CODE_FIRST + c.focus : CTemplateDialog::IDCANCEL;
                d.Control<CBaseButton>(id)->setFocus();
            }
            QWidget* focused = d.focusWidget();
            ASSERT_NE(focused, nullptr) << c.name;
            QTest::keyClick(focused, Qt::Key_Return);
        });
        EXPECT_EQ(result, c.expect) << c.name;
    }
}

TEST(CSelectDlg, EveryEntryDisabledLeavesOnlyCancel)
{
    AppState app = App(1);
    SolidBitmaps pictures;
    CSelectDlg dlg(app, pictures.bitmaps);
    FillMainEmitter(dlg, app);
    for (PickerEntry& e : dlg.m_Entries)
        e.m_bEnabled = 0;
    const int result = RunPicker(dlg, [&](CSelectDlg& d) {
        for (int i = 0; i < 12; ++i) {
            EXPECT_TRUE(Code(d, i)->isVisible());
            QTest::mouseClick(Code(d, i), Qt::LeftButton);
        }
        QTest::qWait(20);
        EXPECT_TRUE(d.isVisible());
        // With every code button disabled the focus is on cancel, and Enter presses it.
        ASSERT_EQ(d.focusWidget(), d.Control<CBaseButton>(CTemplateDialog::IDCANCEL));
        QTest::keyClick(d.focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    });
    EXPECT_EQ(result, CTemplateDialog::IDCANCEL);
}

TEST(CSelectDlg, NoCloseBoxAndEveryCodeButtonTakesFocus)
{
    AppState app = App(1);
    SolidBitmaps pictures;
    CSelectDlg dlg(app, pictures.bitmaps);
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowSystemMenuHint);
    for (int id = IDC_CODE_FIRST; id <= IDC_CODE_LAST; ++id)
        EXPECT_EQ(dlg.Control<CBaseButton>(id)->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
}

TEST(CSelectDlg, TheLedPictureForAnyOtherSeries)
{
    for (int series : {1, 7}) {
        AppState app = App(1, series);
        SolidBitmaps pictures;
        CSelectDlg dlg(app, pictures.bitmaps);
        FillMainEmitter(dlg, app);
        RunPicker(dlg, [&](CSelectDlg& d) {
            const QImage image = Render(d);
            // (280, 95) lies under the right column; the picture shows beside it.
            EXPECT_EQ(image.pixelColor(370, 95), SolidBitmaps::kLed) << series;
            EXPECT_EQ(image.pixelColor(379, 194), SolidBitmaps::kLed) << series;
            EXPECT_NE(image.pixelColor(380, 194), SolidBitmaps::kLed) << series;
            EXPECT_NE(image.pixelColor(379, 195), SolidBitmaps::kLed) << series;
            EXPECT_EQ(CountColour(image, image.rect(), SolidBitmaps::k7Seg), 0) << series;
        });
    }
}

TEST(CSelectDlg, CentredOnTheWindowThatOpensIt)
{
    AppState app = App(1);
    SolidBitmaps pictures;
    QWidget owner;
    owner.setGeometry(100, 80, 1024, 768);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    owner.activateWindow();
    for (QWidget* parent : {&owner, static_cast<QWidget*>(nullptr)}) {
        owner.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
        CSelectDlg dlg(app, pictures.bitmaps, parent);
        FillMainEmitter(dlg, app);
        RunPicker(dlg, [&](CSelectDlg& d) {
            const QPoint centre = d.geometry().center();
            // Both centres round down: up to 1.5 pixels apart on each axis.
            EXPECT_LE((centre - owner.frameGeometry().center()).manhattanLength(), 3)
                << (parent ? "parent" : "active window");
        });
    }
    owner.close();
    CSelectDlg alone(app, pictures.bitmaps);
    FillMainEmitter(alone, app);
    RunPicker(alone, [&](CSelectDlg& d) {
        const QRect screen = d.screen()->availableGeometry();
        EXPECT_LE((d.geometry().center() - screen.center()).manhattanLength(), 3);
    });
}

TEST(CSelectDlg, EveryCaptionAndTextFitsItsControlInBothLanguages)
{
    // All caption sets of every slot, unit count and series, in both languages.
    for (int language : {0, 1}) {
        for (int series : {0, 1}) {
            for (int units : {0, 1, 2}) {
                for (int slot = 0; slot < 6; ++slot) {
                    AppState app = App(language, series);
                    app.m_nUnitsIndex = units;
                    CaptionSet set;
                    CFixNum(app).GetCaptions(slot, set);
                    if (set[1].empty())
                        continue;
                    SolidBitmaps pictures;
                    CSelectDlg dlg(app, pictures.bitmaps);
                    dlg.SetCaptions(&set[1]);
                    for (PickerEntry& e : dlg.m_Entries)
                        e.m_bEnabled = 1;
                    RunPicker(dlg, [&](CSelectDlg& d) {
                        const QStringList problems = TextOverflows(d);
                        EXPECT_TRUE(problems.isEmpty())
                            << language << "/" << series << "/" << units << "/" << slot << ": "
                            << problems.join(QStringLiteral("; ")).toStdString();
                        EXPECT_GT(InkOf(d, IDC_SELECT_PROMPT), 0);
                    });
                }
            }
        }
    }
}

} // namespace
