#include "data/AppState.h"
#include "draw/CBaseButtonR.h"
#include "tests/support/PixelProbe.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QColor kBlack(0, 0, 0), kWhite(255, 255, 255), kDisabledGrey(100, 100, 100);

QRect Inside(const QImage& image)
{
    return image.rect().adjusted(3, 3, -3, -3);
}

TEST(CBaseButtonR, FillTextAndEdgeFollowTheState)
{
    const struct {
        const char* name;
        std::function<void(CBaseButtonR&)> setUp;
        QColor fill, text;
        bool sunken;
    } cases[] = {
        {"unchecked", [](CBaseButtonR&) {}, kBlack, kWhite, false},
        {"checked", [](CBaseButtonR& b) { b.SetCheck(1); }, kWhite, kBlack, true},
        {"pressed unchecked", [](CBaseButtonR& b) { b.setDown(true); }, kBlack, kWhite, false},
        {"pressed checked", [](CBaseButtonR& b) { b.SetCheck(1); b.setDown(true); }, kWhite, kBlack, true},
        {"disabled unchecked", [](CBaseButtonR& b) { b.setEnabled(false); }, kBlack, kDisabledGrey, false},
        {"disabled checked", [](CBaseButtonR& b) { b.SetCheck(1); b.setEnabled(false); }, kBlack, kDisabledGrey, false},
    };
    for (const auto& c : cases) {
        AppState app;
        CBaseButtonR button(app);
        button.setText(QStringLiteral("English"));
        button.resize(156, 52);
        c.setUp(button);
        const QImage image = Render(button);
        const QRect inside = Inside(image);
        EXPECT_GT(CountColour(image, inside, c.fill), inside.width() * inside.height() * 6 / 10) << c.name;
        EXPECT_GT(CountColour(image, inside, c.text), 20) << c.name;
        // Raised: light left edge, dark right edge; sunken the other way round.
        const int mid = image.height() / 2;
        const int left = qGray(image.pixel(0, mid)), right = qGray(image.pixel(image.width() - 1, mid));
        EXPECT_EQ(left < right, c.sunken) << c.name;
        EXPECT_NE(left, right) << c.name;
    }
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
