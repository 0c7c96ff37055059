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

AppState App(int language, int series = 0, int units = 0)
{
    AppState app;
    app.m_nLanguage = language;
    app.m_nSeries = series;
    app.m_nUnitsIndex = units;
    return app;
}

// A picker with the captions of one slot, every entry enabled: by default
// what the main window does for the Main Sensor emitter of a three-unit QL7B line.
struct Picker {
    explicit Picker(int language = 1, int series = 0, int units = 0, int slot = 0)
        : app(App(language, series, units))
    {
        CFixNum(app).GetCaptions(slot, captions);
        dlg.SetCaptions(&captions[1]);
        for (PickerEntry& e : dlg.m_Entries)
            e.m_bEnabled = 1;
    }
    AppState app;
    SolidBitmaps pictures;
    CaptionSet captions;
    CSelectDlg dlg{app, pictures.bitmaps};

    // Runs the picker; action gets the shown dialog and must end it (or leave
    // it to the fallback cancel click that follows).
    int Run(std::function<void(CSelectDlg&)> action) { return RunModal(dlg, [&] { action(dlg); }); }
};

CBaseButton* Code(CSelectDlg& dlg, int i)
{
    return dlg.Control<CBaseButton>(CSelectDlg::kFirstCode + i);
}

TEST(CSelectDlg, ThreeUnitMainEmitterShowsTwelveButtonsAndTheSixthReturns1005)
{
    for (int language : {0, 1}) {
        Picker p(language);
        for (int i = 0; i < 14; ++i) { // only non-empty captions are shown
            EXPECT_EQ(p.dlg.m_Entries[i].m_strCaption, p.captions[i + 1]) << i;
            EXPECT_EQ(p.dlg.m_Entries[i].m_bShown, i < 12 ? 1 : 0) << i;
        }
        const int result = p.Run([&](CSelectDlg& d) {
            EXPECT_EQ(d.windowTitle(), QString::fromUtf8(g_strSelectTitle[language]));
            EXPECT_EQ(d.Text(IDC_SELECT_PROMPT), g_strSelectPrompt[language]);
            EXPECT_EQ(d.Text(CTemplateDialog::IDCANCEL), g_strSelectCancel[language]);
            for (int i = 0; i < 14; ++i) {
                CBaseButton* b = Code(d, i);
                ASSERT_NE(b, nullptr);
                EXPECT_EQ(b->isVisible(), i < 12) << language << "/" << i;
                if (i < 12) {
                    EXPECT_EQ(b->text().toStdString(), p.captions[i + 1]);
                    EXPECT_GT(InkOf(d, IDC_CODE_FIRST + i), 0) << i;
                    // Fits in the button's own font.
                    EXPECT_EQ(b->font().pixelSize(), ControlFont(18, false, 0).pixelSize()) << i;
                }
            }
            if (language == 1) {
                EXPECT_EQ(Code(d, 0)->text(), QStringLiteral("No\nerror code"));
                EXPECT_EQ(Code(d, 11)->text(), QStringLiteral("POWER\nOFF"));
            }
            QTest::mouseClick(Code(d, 5), Qt::LeftButton);
        });
        EXPECT_EQ(result, IDC_CODE_FIRST + 5) << language;
    }
}

// The seven-segment picture for the QL7B series, top-left at (380, 95), the
// LED picture for any other, beside the right column.
TEST(CSelectDlg, ThePictureOfTheSeries)
{
    struct Pixel { int x, y; bool drawn; };
    struct Case { int series; QColor shown, absent; std::vector<Pixel> pixels; };
    const Case cases[] = {
        {0, SolidBitmaps::k7Seg, SolidBitmaps::kLed,
         {{380, 95, true}, {469, 244, true}, {379, 95, false}, {380, 94, false}}},
        {1, SolidBitmaps::kLed, SolidBitmaps::k7Seg,
         {{370, 95, true}, {379, 194, true}, {380, 194, false}, {379, 195, false}}},
        {7, SolidBitmaps::kLed, SolidBitmaps::k7Seg,
         {{370, 95, true}, {379, 194, true}, {380, 194, false}, {379, 195, false}}},
    };
    for (const Case& c : cases) {
        Picker p(1, c.series);
        p.Run([&](CSelectDlg& d) {
            const QImage image = Render(d);
            for (const Pixel& px : c.pixels)
                EXPECT_EQ(image.pixelColor(px.x, px.y) == c.shown, px.drawn) << c.series << ": " << px.x << "," << px.y;
            EXPECT_EQ(CountColour(image, image.rect(), c.absent), 0) << c.series;
        });
    }
}

TEST(CSelectDlg, EveryCodeButtonEndsWithItsOwnIdAndCancelWithTwo)
{
    std::string captions[14];
    for (int i = 0; i < 14; ++i)
        captions[i] = std::to_string(i);
    for (int pressed = 0; pressed <= 14; ++pressed) {
        Picker p;
        p.dlg.SetCaptions(captions);
        const int id = pressed < 14 ? IDC_CODE_FIRST + pressed : CTemplateDialog::IDCANCEL;
        EXPECT_EQ(p.Run([&](CSelectDlg& d) { QTest::mouseClick(d.Control<CBaseButton>(id), Qt::LeftButton); }), id);
    }
}

TEST(CSelectDlg, ShownAndEnabledFlagsActApart)
{
    Picker p;
    std::string captions[14] = {"A", "B", "C", ""};
    p.dlg.SetCaptions(captions);
    p.dlg.m_Entries[1].m_bEnabled = 0; // visible but cannot be pressed
    p.dlg.m_Entries[2].m_bShown = 2;   // only exactly 1 shows a button
    // Entry 3: empty caption, hidden though enabled.
    const int result = p.Run([&](CSelectDlg& d) {
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

// No close box, Escape does nothing, every code button takes the focus and
// Enter presses the focused one; with every entry disabled only Cancel is left.
TEST(CSelectDlg, EnterPressesTheFocusedButtonAndEscapeDoesNothing)
{
    struct Case {
        const char* name;
        int focus;  // index of the button given the focus, -1: leave the start focus
        int expect; // result of Enter
        bool disabled = false;
    };
    const Case cases[] = {
        {"start focus on the first code", -1, IDC_CODE_FIRST},
        {"fourth code", 3, IDC_CODE_FIRST + 3},
        {"cancel", 14, CTemplateDialog::IDCANCEL},
        {"every entry disabled", -1, CTemplateDialog::IDCANCEL, true},
    };
    for (const Case& c : cases) {
        Picker p;
        EXPECT_FALSE(p.dlg.windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(p.dlg.windowFlags() & Qt::WindowSystemMenuHint);
        for (int id = IDC_CODE_FIRST; id <= IDC_CODE_LAST; ++id)
            EXPECT_EQ(p.dlg.Control<CBaseButton>(id)->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
        for (PickerEntry& e : p.dlg.m_Entries)
            e.m_bEnabled = !c.disabled;
        const int result = p.Run([&](CSelectDlg& d) {
            QTest::keyClick(&d, Qt::Key_Escape);
            for (int i = 0; c.disabled && i < 12; ++i) {
                EXPECT_TRUE(Code(d, i)->isVisible());
                QTest::mouseClick(Code(d, i), Qt::LeftButton);
            }
            QTest::qWait(20);
            EXPECT_TRUE(d.isVisible()) << c.name;
            if (c.focus >= 0)
                d.Control<CBaseButton>(c.focus < 14 ? IDC_CODE_FIRST + c.focus : CTemplateDialog::IDCANCEL)->setFocus();
            if (c.disabled) { // the focus on Cancel, and the keypad's Enter presses it
                ASSERT_EQ(d.focusWidget(), d.Control<CBaseButton>(CTemplateDialog::IDCANCEL));
            }
            QWidget* focused = d.focusWidget();
            ASSERT_NE(focused, nullptr) << c.name;
            QTest::keyClick(focused, c.disabled ? Qt::Key_Enter : Qt::Key_Return,
                            c.disabled ? Qt::KeypadModifier : Qt::NoModifier);
        });
        EXPECT_EQ(result, c.expect) << c.name;
    }
}

TEST(CSelectDlg, CentredOnTheWindowThatOpensIt)
{
    QWidget owner;
    owner.setGeometry(100, 80, 1024, 768);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    for (QWidget* parent : {&owner, static_cast<QWidget*>(nullptr)}) {
        owner.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
        AppState app = App(1);
        SolidBitmaps pictures;
        CSelectDlg dlg(app, pictures.bitmaps, parent);
        RunModal(dlg, [&] {
            // Both centres round down: up to 1.5 pixels apart on each axis.
            EXPECT_LE((dlg.geometry().center() - owner.frameGeometry().center()).manhattanLength(), 3)
                << (parent ? "parent" : "active window");
        });
    }
    owner.close();
    Picker alone;
    alone.Run([&](CSelectDlg& d) {
        const QRect screen = d.screen()->availableGeometry();
        EXPECT_LE((d.geometry().center() - screen.center()).manhattanLength(), 3);
    });
}

TEST(CSelectDlg, EveryCaptionAndTextFitsItsControlInBothLanguages)
{
    // All caption sets of every slot, unit count and series, in both languages.
    for (int language : {0, 1})
        for (int series : {0, 1})
            for (int units : {0, 1, 2})
                for (int slot = 0; slot < 6; ++slot) {
                    Picker p(language, series, units, slot);
                    if (p.captions[1].empty())
                        continue;
                    p.Run([&](CSelectDlg& d) {
                        EXPECT_EQ(TextOverflows(d).join(QStringLiteral("; ")).toStdString(), "")
                            << language << "/" << series << "/" << units << "/" << slot;
                        EXPECT_GT(InkOf(d, IDC_SELECT_PROMPT), 0);
                    });
                }
}

} // namespace
