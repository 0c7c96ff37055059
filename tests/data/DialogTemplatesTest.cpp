#include "data/DialogTemplates.h"
#include "data/ControlIds.h"

#include <gtest/gtest.h>

namespace {

bool Overlaps(const PixelRect& a, int left, int top, int right, int bottom)
{
    return a.left < right && left < a.left + a.width && a.top < bottom && top < a.top + a.height;
}

TEST(DialogTemplates, MainWindowFitsBothHeightsAndKeepsPictureClear)
{
    // Smallest client area the main window gets, and its picture rectangle.
    const int width = 1024, height = 736;
    const int pictureLeft = width / 2 - 94, pictureTop = 136;
    const int pictureRight = width / 2 + 94, pictureBottom = 461;
    for (const auto& c : g_tmplMain.controls) {
        const PixelRect r = ControlRect(c);
        EXPECT_GE(r.left, 0) << c.id;
        EXPECT_GE(r.top, 0) << c.id;
        EXPECT_LE(r.left + r.width, width) << c.id;
        EXPECT_LE(r.top + r.height, height) << c.id;
        if (c.id >= IDC_EMITTER_SUB2 && c.id <= IDC_RECEIVER_MAIN) {
            EXPECT_FALSE(Overlaps(r, pictureLeft, pictureTop, pictureRight, pictureBottom)) << c.id;
        }
    }
}

TEST(DialogTemplates, EveryTemplateHoldsItsControlsInsideItself)
{
    for (const DialogTemplate* d : {&g_tmplAbout, &g_tmplMain, &g_tmplSelect, &g_tmplSettings,
                                    &g_tmplMessage, &g_tmplAdd, &g_tmplHistory, &g_tmplTeam}) {
        for (const auto& c : d->controls) {
            EXPECT_LE(c.x + c.width, d->width) << d->className << " " << c.id;
            EXPECT_LE(c.y + c.height, d->height) << d->className << " " << c.id;
        }
    }
}

TEST(DialogTemplates, FindControlByIdAndMissingId)
{
    const ControlTemplate* ok = FindControl(g_tmplSettings, 1);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->width, 111);
    EXPECT_EQ(FindControl(g_tmplSelect, 1), nullptr);
    ASSERT_NE(FindControl(g_tmplSelect, IDC_CODE_LAST), nullptr);
    EXPECT_EQ(FindControl(g_tmplSelect, IDC_CODE_LAST)->y, 289);
}

} // namespace
