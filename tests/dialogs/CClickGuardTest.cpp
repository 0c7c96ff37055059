// Clicks as the system delivers them: through each window's own event path.
#include "dialogs/CClickGuard.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QStyleHints>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// A window filled by one button that counts its clicks.
struct Window {
    Window()
    {
        widget.resize(100, 100);
        button = new QPushButton(QStringLiteral("x"), &widget);
        button->setGeometry(0, 0, 100, 100);
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
    }
    void Show()
    {
        widget.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&widget));
    }
    void Click()
    {
        QTest::mouseClick(widget.windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
    }
    QWidget widget;
    QPushButton* button = nullptr;
    int clicks = 0;
};

TEST(CClickGuard, DropsTheSecondPressOfADoubleClickInAWindowThatOpenedOrWasUncovered)
{
    CClickGuard guard;
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(150);
    Window a, b;
    a.Show();
    QTest::qWait(200);
    a.Click();
    EXPECT_EQ(a.clicks, 1) << "a window long open";

    b.Show();
    b.Click();
    EXPECT_EQ(b.clicks, 0) << "the second click of a double click, landing on a window that just opened";
    b.Click();
    EXPECT_EQ(b.clicks, 1) << "a click in the window where the last one landed";

    // The window that ends by a click uncovers the one beneath it.
    QObject::connect(b.button, &QPushButton::clicked, &b.widget, &QWidget::hide);
    QTest::qWait(200);
    b.Click();
    ASSERT_FALSE(b.widget.isVisible());
    a.Click();
    EXPECT_EQ(a.clicks, 1) << "a click landing on the window uncovered";

    QTest::qWait(200);
    a.Click();
    EXPECT_EQ(a.clicks, 2) << "a deliberate click after the double-click interval";

    QTest::qWait(200);
    b.Show();
    b.Click();
    EXPECT_EQ(b.clicks, 3) << "a single click at once in a window that just opened";
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(interval);
}

} // namespace
