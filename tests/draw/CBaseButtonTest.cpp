#include "data/AppState.h"
#include "draw/ButtonText.h"
#include "draw/CBaseButton.h"
#include "tests/support/PixelProbe.h"

#include <QAccessible>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QColor kBlack(0, 0, 0), kWhite(255, 255, 255), kGrey(128, 128, 128);

// The inside of the button, clear of the 2-pixel edge.
QRect Inside(const QImage& image)
{
    return image.rect().adjusted(3, 3, -3, -3);
}

QRect TextArea(CBaseButton& button)
{
    QImage scratch(button.size(), QImage::Format_RGB32);
    QPainter painter(&scratch);
    painter.setFont(button.font());
    return ButtonTextRect(painter, button.rect(), button.text());
}

TEST(CBaseButton, FillTextAndEdgeFollowTheState)
{
    const struct {
        const char* name;
        std::function<void(CBaseButton&)> setUp;
        QColor fill, text;
        bool sunken;
    } cases[] = {
        {"normal", [](CBaseButton&) {}, kBlack, kWhite, false},
        {"pressed", [](CBaseButton& b) { b.setDown(true); }, kGrey, kWhite, true},
        {"disabled", [](CBaseButton& b) { b.setEnabled(false); }, kBlack, kBlack, false},
        {"disabled entered", [](CBaseButton& b) { b.SetEnteredLook(); b.setEnabled(false); }, kWhite, kBlack, false},
        {"entered look reset", [](CBaseButton& b) { b.SetEnteredLook(); b.ResetEnteredLook(); b.setEnabled(false); },
         kBlack, kBlack, false},
        {"entered look while enabled", [](CBaseButton& b) { b.SetEnteredLook(); }, kBlack, kWhite, false},
    };
    for (const auto& c : cases) {
        AppState app;
        CBaseButton button(app);
        button.setText(QStringLiteral("Click"));
        button.resize(156, 52);
        c.setUp(button);
        const QImage image = Render(button);
        const QRect inside = Inside(image);

        // The fill covers most of the inside; the caption takes little room.
        EXPECT_GT(CountColour(image, inside, c.fill), inside.width() * inside.height() * 6 / 10) << c.name;
        const QRect text = TextArea(button).intersected(inside);
        if (c.text != c.fill) {
            EXPECT_GT(CountColour(image, text, c.text), 20) << c.name;
        } else {
            // Same colour as the fill: no readable caption, nothing else drawn there.
            EXPECT_EQ(CountColour(image, text, c.fill), text.width() * text.height()) << c.name;
        }
        // Raised: light top-left, dark bottom-right; sunken the other way round.
        const int mid = image.height() / 2;
        const int left = qGray(image.pixel(0, mid)), right = qGray(image.pixel(image.width() - 1, mid));
        EXPECT_EQ(left < right, c.sunken) << c.name;
        EXPECT_NE(left, right) << c.name;
    }
}

TEST(CBaseButton, TwoLineCaptionDrawsTwoCentredBands)
{
    AppState app;
    CBaseButton button(app);
    button.setText(QStringLiteral("Additional\nconditions"));
    button.resize(156, 52);
    const QImage image = Render(button);
    const auto bands = RowBands(image, Inside(image), kWhite);
    ASSERT_EQ(bands.size(), 2);
    for (const auto& [top, bottom] : bands) {
        const auto [l, r] = ColumnExtent(image, Inside(image), top, bottom, kWhite);
        EXPECT_NEAR((l + r) / 2.0, image.width() / 2.0, 3.0);
    }
    // The block as a whole sits in the middle.
    const double blockMiddle = (bands.front().first + bands.back().second) / 2.0;
    EXPECT_NEAR(blockMiddle, image.height() / 2.0, 4.0);
}

TEST(CBaseButton, LongCaptionWrapsAtWordsWithinTheWidth)
{
    AppState app;
    CBaseButton button(app);
    button.setText(QStringLiteral("Condition addition here"));
    button.resize(110, 70);
    const QImage image = Render(button);
    EXPECT_GE(RowBands(image, Inside(image), kWhite).size(), 2);
}

TEST(CBaseButton, CaptionTallerThanTheButtonStartsAtTheTop)
{
    AppState app;
    CBaseButton button(app);
    button.setText(QStringLiteral("one\ntwo\nthree\nfour"));
    button.resize(156, 40);
    EXPECT_EQ(TextArea(button), button.rect());
    const QImage image = Render(button);
    const auto bands = RowBands(image, image.rect().adjusted(2, 0, -2, 0), kWhite);
    ASSERT_FALSE(bands.isEmpty());
    // The first line's glyphs begin within a few pixels of the top edge.
    EXPECT_LE(bands.front().first, 8);
}

TEST(CBaseButton, FocusRectangleOnlyWhenFocused)
{
    AppState app;
    QWidget window;
    window.resize(300, 100);
    auto* button = new CBaseButton(app, &window);
    button->setGeometry(10, 10, 156, 52);
    auto* other = new CBaseButton(app, &window);
    other->setGeometry(10, 70, 50, 20);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    other->setFocus();
    const QImage unfocused = Render(*button);
    button->setFocus();
    ASSERT_TRUE(button->hasFocus());
    const QImage focused = Render(*button);
    // Row 4 (the focus rectangle's top) away from the caption: dots only when focused.
    const QRect focusRow(8, 4, 140, 1);
    EXPECT_EQ(CountColour(unfocused, focusRow, kWhite), 0);
    EXPECT_GT(CountColour(focused, focusRow, kWhite), 30);
}

TEST(CBaseButton, ClickEmitsAndReachesAccessibilityAsAButton)
{
    AppState app;
    CBaseButton button(app);
    button.setText(QStringLiteral("CLEAR"));
    button.resize(156, 52);
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&button);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Button);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("CLEAR"));
    EXPECT_FALSE(iface->state().disabled);
    button.setEnabled(false);
    EXPECT_TRUE(iface->state().disabled);
}

} // namespace
