#include "data/AppState.h"
#include "draw/ButtonText.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseButtonR.h"
#include "tests/support/PixelProbe.h"

#include <QAccessible>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QColor kBlack(0, 0, 0), kWhite(255, 255, 255), kGrey(128, 128, 128), kDisabledGrey(100, 100, 100);

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

template <class Button>
struct Look {
    const char* name;
    std::function<void(Button&)> setUp;
    QColor fill, text;
    bool sunken;
};

// Each state of a 156 x 52 button: the fill covers most of the inside; the
// caption shows in its colour inside textArea (in the fill's colour nothing else
// is drawn there); the edge is raised (light left, dark right) or sunken.
template <class Button>
void ExpectLooks(const QString& caption, const std::vector<Look<Button>>& looks,
                 const std::function<QRect(Button&, const QRect& inside)>& textArea)
{
    for (const Look<Button>& c : looks) {
        AppState app;
        Button button(app);
        button.setText(caption);
        button.resize(156, 52);
        c.setUp(button);
        const QImage image = Render(button);
        const QRect inside = Inside(image), text = textArea(button, inside);
        EXPECT_GT(CountColour(image, inside, c.fill), inside.width() * inside.height() * 6 / 10) << c.name;
        if (c.text != c.fill)
            EXPECT_GT(CountColour(image, text, c.text), 20) << c.name;
        else
            EXPECT_EQ(CountColour(image, text, c.fill), text.width() * text.height()) << c.name;
        const int mid = image.height() / 2;
        const int left = qGray(image.pixel(0, mid)), right = qGray(image.pixel(image.width() - 1, mid));
        EXPECT_EQ(left < right, c.sunken) << c.name;
        EXPECT_NE(left, right) << c.name;
    }
}

TEST(CBaseButton, FillTextAndEdgeFollowTheState)
{
    ExpectLooks<CBaseButton>("Click", {
        {"normal", [](CBaseButton&) {}, kBlack, kWhite, false},
        {"pressed", [](CBaseButton& b) { b.setDown(true); }, kGrey, kWhite, true},
        {"disabled", [](CBaseButton& b) { b.setEnabled(false); }, kBlack, kBlack, false},
        {"disabled entered", [](CBaseButton& b) { b.SetEnteredLook(); b.setEnabled(false); }, kWhite, kBlack, false},
        {"entered look reset", [](CBaseButton& b) { b.SetEnteredLook(); b.ResetEnteredLook(); b.setEnabled(false); },
         kBlack, kBlack, false},
        {"entered look while enabled", [](CBaseButton& b) { b.SetEnteredLook(); }, kBlack, kWhite, false},
    }, [](CBaseButton& b, const QRect& inside) { return TextArea(b).intersected(inside); });
}

TEST(CBaseButtonR, FillTextAndEdgeFollowTheState)
{
    ExpectLooks<CBaseButtonR>("English", {
        {"unchecked", [](CBaseButtonR&) {}, kBlack, kWhite, false},
        {"checked", [](CBaseButtonR& b) { b.SetCheck(1); }, kWhite, kBlack, true},
        {"pressed unchecked", [](CBaseButtonR& b) { b.setDown(true); }, kBlack, kWhite, false},
        {"pressed checked", [](CBaseButtonR& b) { b.SetCheck(1); b.setDown(true); }, kWhite, kBlack, true},
        {"disabled unchecked", [](CBaseButtonR& b) { b.setEnabled(false); }, kBlack, kDisabledGrey, false},
        {"disabled checked", [](CBaseButtonR& b) { b.SetCheck(1); b.setEnabled(false); }, kBlack, kDisabledGrey, false},
    }, [](CBaseButtonR&, const QRect& inside) { return inside; });
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

TEST(CBaseButtonR, DisabledCheckedIsPixelIdenticalToDisabledUnchecked)
{
    AppState app;
    CBaseButtonR a(app), b(app);
    for (CBaseButtonR* button : {&a, &b}) {
        button->setText(QStringLiteral("Chinese"));
        button->resize(156, 52);
        button->setEnabled(false);
    }
    b.SetCheck(1);
    EXPECT_EQ(DifferingPixels(Render(a), Render(b)), 0);
    // While enabled the two differ everywhere inside.
    a.setEnabled(true);
    b.setEnabled(true);
    EXPECT_GT(DifferingPixels(Render(a), Render(b)), 156 * 52 / 2);
}

TEST(CBaseButtonR, SetCheckChecksOnlyForOne)
{
    const struct {
        int value;
        int expected;
    } cases[] = {{1, 1}, {0, 0}, {2, 0}, {-1, 0}, {255, 0}};
    AppState app;
    CBaseButtonR button(app);
    EXPECT_EQ(button.GetCheck(), 0);
    for (const auto& c : cases) {
        button.SetCheck(1); // start from checked so that unchecking shows
        button.SetCheck(c.value);
        EXPECT_EQ(button.GetCheck(), c.expected) << c.value;
        EXPECT_EQ(button.isChecked(), c.expected == 1) << c.value;
    }
}

TEST(CBaseButtonR, ClicksAndKeysLeaveTheStateToTheOwner)
{
    AppState app;
    CBaseButtonR button(app);
    button.resize(156, 52);
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(button.GetCheck(), 0);
    button.SetCheck(1);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(button.GetCheck(), 1);
    QTest::keyClick(&button, Qt::Key_Space);
    EXPECT_EQ(button.GetCheck(), 1);
    EXPECT_EQ(clicked.count(), 3);

    // The owner's reaction is what changes it.
    QObject::connect(&button, &QAbstractButton::clicked, &button, [&] { button.SetCheck(button.GetCheck() ? 0 : 1); });
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(button.GetCheck(), 0);
}

TEST(CBaseButtonR, AccessibilityReportsCheckStateAndToggleBecomesAClick)
{
    AppState app;
    CBaseButtonR button(app);
    button.setText(QStringLiteral("3 Units"));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&button);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("3 Units"));
    EXPECT_EQ(iface->role(), QAccessible::RadioButton);
    EXPECT_TRUE(iface->state().checkable);
    EXPECT_FALSE(iface->state().checked);
    button.SetCheck(1);
    EXPECT_TRUE(iface->state().checked);
    button.setEnabled(false);
    EXPECT_TRUE(iface->state().disabled);
    button.setEnabled(true);

    // An assistive tool's toggle does not flip the state behind the owner's back.
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    ASSERT_NE(iface->actionInterface(), nullptr);
    iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(button.GetCheck(), 1);
    EXPECT_TRUE(button.isChecked());
    EXPECT_EQ(clicked.count(), 1);
}

} // namespace
