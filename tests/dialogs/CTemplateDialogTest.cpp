#include "data/AppState.h"
#include "data/ControlIds.h"
#include "dialogs/CTemplateDialog.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseButtonR.h"
#include "draw/CBaseStatic.h"
#include "tests/support/ModalRunner.h"
#include "tests/support/PixelProbe.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

bool HasClass(QWidget* w, ControlClass cls)
{
    switch (cls) {
    case ControlClass::BaseButton: return qobject_cast<CBaseButton*>(w);
    case ControlClass::BaseButtonR: return qobject_cast<CBaseButtonR*>(w);
    case ControlClass::BaseStatic1: return qobject_cast<CBaseStatic1*>(w);
    case ControlClass::BaseStatic2: return qobject_cast<CBaseStatic2*>(w);
    case ControlClass::BaseStatic3: return qobject_cast<CBaseStatic3*>(w);
    case ControlClass::BaseStatic4: return qobject_cast<CBaseStatic4*>(w);
    case ControlClass::Plain: return w != nullptr;
    }
    return false;
}

TEST(CTemplateDialog, BuildsEveryControlOfEveryTemplate)
{
    AppState app;
    for (const DialogTemplate* t : {&g_tmplAbout, &g_tmplMain, &g_tmplSelect, &g_tmplSettings,
                                    &g_tmplMessage, &g_tmplAdd}) {
        CTemplateDialog dlg(*t, app);
        EXPECT_EQ(dlg.objectName(), QString::fromLatin1(t->className));
        EXPECT_EQ(dlg.size(), QSize(DluToPixelX(t->width), DluToPixelY(t->height))) << t->className;
        EXPECT_EQ(bool(dlg.windowFlags() & Qt::WindowCloseButtonHint), t->systemMenu) << t->className;
        for (const ControlTemplate& c : t->controls) {
            QWidget* w = dlg.Control(c.id);
            ASSERT_NE(w, nullptr) << t->className << " " << c.id;
            EXPECT_TRUE(HasClass(w, c.cls)) << t->className << " " << c.id;
            const PixelRect r = ControlRect(c);
            EXPECT_EQ(w->geometry(), QRect(r.left, r.top, r.width, r.height)) << c.id;
            EXPECT_EQ(w->isHidden(), bool(c.flags & kHidden)) << t->className << " " << c.id;
        }
    }
}

TEST(CTemplateDialog, TypedAccessTextsAndTitleInUtf8AndTheFirstTabStopFocused)
{
    AppState app;
    CTemplateDialog dlg(g_tmplSettings, app);
    EXPECT_NE(dlg.Control<CBaseButtonR>(IDC_CHINESE), nullptr);
    EXPECT_EQ(dlg.Control<CBaseButton>(IDC_CHINESE), nullptr); // wrong class
    EXPECT_EQ(dlg.Control(4242), nullptr);
    EXPECT_TRUE(dlg.SetText(IDC_CHINESE, "中文"));
    EXPECT_EQ(dlg.Control<CBaseButtonR>(IDC_CHINESE)->text(), QString::fromUtf8("中文"));
    EXPECT_TRUE(dlg.SetText(IDC_VERSION, "版本 1.0.1.0"));
    EXPECT_EQ(dlg.Text(IDC_VERSION), "版本 1.0.1.0");
    EXPECT_FALSE(dlg.SetText(4242, "x"));
    dlg.SetTitle("设定");
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("设定"));
    dlg.show(); // the first tab stop gets the focus
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(IDC_CHINESE));
}

TEST(CTemplateDialog, ButtonsOneAndTwoEndTheRunWithTheirIds)
{
    AppState app;
    for (int id : {1, 2}) {
        CTemplateDialog dlg(g_tmplSettings, app);
        WhenModalShown([&](QWidget*) { QTest::mouseClick(dlg.Control<CBaseButton>(id), Qt::LeftButton); });
        EXPECT_EQ(dlg.DoModal(), id);
    }
}

// Escape is dropped in the program's look, where the close box cancels; a
// plain dialog closes on it, while a filtered one exists and after it is gone.
TEST(CTemplateDialog, EscapeIsDroppedOnlyByTheProgramsLookAndTheCloseBoxCancels)
{
    AppState app;
    auto filtered = std::make_unique<CTemplateDialog>(g_tmplAdd, app);
    bool openAfterEscape = false;
    WhenModalShown([&](QWidget*) {
        QTest::keyClick(filtered->Control(IDC_INTERLOCK_ON), Qt::Key_Escape);
        QTest::keyClick(filtered.get(), Qt::Key_Escape);
        openAfterEscape = filtered->isVisible();
        filtered->close();
    });
    EXPECT_EQ(filtered->DoModal(), CTemplateDialog::IDCANCEL);
    EXPECT_TRUE(openAfterEscape);
    CTemplateDialog plain(g_tmplMessage, app, nullptr, CTemplateDialog::Look::Plain);
    for (const char* when : {"beside a filtered dialog", "after it"}) {
        WhenModalShown([&](QWidget*) { QTest::keyClick(&plain, Qt::Key_Escape); });
        EXPECT_EQ(plain.DoModal(), CTemplateDialog::IDCANCEL) << when;
        filtered.reset();
    }
}

TEST(CTemplateDialog, EnterPressesTheFocusedButtonNotTheDefault)
{
    AppState app;
    CTemplateDialog dlg(g_tmplAdd, app);
    auto* lamp = dlg.Control<CBaseButtonR>(IDC_HALT_ON);
    QSignalSpy lampClicks(lamp, &QAbstractButton::clicked);
    bool openAfterEnter = false;
    WhenModalShown([&](QWidget*) {
        lamp->setFocus();
        QTest::keyClick(lamp, Qt::Key_Return);
        QTest::keyClick(lamp, Qt::Key_Enter, Qt::KeypadModifier);
        openAfterEnter = dlg.isVisible();
        dlg.Control<CBaseButton>(IDOK)->setFocus();
        QTest::keyClick(dlg.Control(IDOK), Qt::Key_Return);
    });
    EXPECT_EQ(dlg.DoModal(), CTemplateDialog::IDOK);
    EXPECT_TRUE(openAfterEnter);
    EXPECT_EQ(lampClicks.count(), 2);
}

class PictureDialog : public CTemplateDialog {
public:
    using CTemplateDialog::CTemplateDialog;

protected:
    void PaintPictures(QPainter& painter) override { painter.fillRect(QRect(30, 300, 40, 30), Qt::red); }
};

TEST(CTemplateDialog, GreenBackgroundWithPicturesPaintedOnIt)
{
    AppState app;
    PictureDialog dlg(g_tmplAdd, app);
    const QImage image = Render(dlg);
    EXPECT_EQ(CountColour(image, QRect(30, 300, 40, 30), Qt::red), 40 * 30);
    EXPECT_EQ(image.pixelColor(5, 5), QColor(135, 255, 135));
    EXPECT_EQ(image.pixelColor(29, 299), QColor(135, 255, 135));
}

} // namespace

// Outer size from the settings, shrunk by one factor to the available area;
// the controls scale so that the full-size template fits the client area.
TEST(CTemplateDialog, FullSizeWindowsFitTheAvailableArea)
{
    struct Case { int height; QRect avail; QMargins frame; QSize client; double scale; };
    const Case cases[] = {
        {768, {0, 0, 853, 682}, {}, {853, 639}, 853.0 / 1014}, // 1280 x 1024 at 150 %
        {768, {0, 0, 1366, 738}, {1, 30, 1, 1}, {982, 707}, 982.0 / 1014}, // task bar, title bar
        {736, {0, 0, 1280, 1024}, {1, 30, 1, 1}, {1022, 705}, 705.0 / 726},
        {768, {}, {1, 30, 1, 1}, {1022, 737}, 1.0},             // an empty area tells nothing
        {768, {0, 0, 100, 60}, {1, 30, 1, 1}, {507, 363}, 0.5}, // tiny: never below half size
        {768, {0, 0, 8, 8}, {8, 32, 8, 8}, {507, 363}, 0.5},     // no room even for the frame
    };
    for (const Case& c : cases) {
        const CTemplateDialog::Fit fit = CTemplateDialog::FitToArea(QSize(1024, c.height), c.avail, c.frame);
        EXPECT_EQ(fit.client, c.client) << c.avail.width() << " " << c.height;
        EXPECT_NEAR(fit.scale, c.scale, 1e-9) << c.avail.width() << " " << c.height;
    }
}
