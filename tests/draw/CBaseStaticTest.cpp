#include "data/AppState.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseButtonR.h"
#include "draw/CBaseStatic.h"
#include "tests/support/PixelProbe.h"

#include <QAccessible>
#include <QFontMetrics>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

struct FontCase {
    const char* name;
    std::function<QWidget*(const AppState&)> make;
    int pixelHeight;
    bool underline;
};

TEST(ControlFonts, SizeWeightUnderlineAndFaceBySystemLanguage)
{
    const FontCase cases[] = {
        {"CBaseButton", [](const AppState& a) { return new CBaseButton(a); }, 18, false},
        {"CBaseButtonR", [](const AppState& a) { return new CBaseButtonR(a); }, 18, false},
        {"CBaseStatic1", [](const AppState& a) { return new CBaseStatic1(a); }, 18, false},
        {"CBaseStatic2", [](const AppState& a) { return new CBaseStatic2(a); }, 25, true},
        {"CBaseStatic3", [](const AppState& a) { return new CBaseStatic3(a); }, 18, true},
        {"CBaseStatic4", [](const AppState& a) { return new CBaseStatic4(a); }, 16, false},
    };
    for (int nonCjk : {0, 1}) {
        for (int language : {0, 1}) {
            AppState app;
            app.m_bNonCjkSystem = nonCjk;
            app.m_nLanguage = language; // the program's language plays no part
            for (const FontCase& c : cases) {
                std::unique_ptr<QWidget> w(c.make(app));
                const QFont f = w->font();
                // The height is the cell: ascent plus descent, at most the given
                // height and no more than a couple of pixels under it.
                const int cell = QFontMetrics(f).height();
                EXPECT_LE(cell, c.pixelHeight) << c.name;
                EXPECT_GE(cell, c.pixelHeight - 2) << c.name;
                EXPECT_LE(f.pixelSize(), c.pixelHeight) << c.name;
                EXPECT_EQ(f.weight(), QFont::Bold) << c.name;
                EXPECT_EQ(f.underline(), c.underline) << c.name;
                EXPECT_EQ(f.family(), nonCjk ? QStringLiteral("Verdana") : QStringLiteral("Microsoft Sans Serif"))
                    << c.name << " nonCjk " << nonCjk;
            }
        }
    }
}

TEST(CBaseStatic, BackgroundIsTheOwnersUnlessWhiteIsAsked)
{
    AppState app;
    QWidget owner;
    QPalette pal = owner.palette();
    pal.setColor(QPalette::Window, QColor(135, 255, 135));
    owner.setPalette(pal);
    owner.setAutoFillBackground(true);
    owner.resize(200, 60);
    auto* label = new CBaseStatic1(app, &owner);
    label->setGeometry(0, 0, 200, 60);
    label->setText(QStringLiteral("x"));

    const QRect corner(150, 40, 40, 15);
    QImage image = Render(owner);
    EXPECT_EQ(CountColour(image, corner, QColor(135, 255, 135)), corner.width() * corner.height());
    label->SetWhiteBackground(true);
    EXPECT_TRUE(label->HasWhiteBackground());
    image = Render(owner);
    EXPECT_EQ(CountColour(image, corner, Qt::white), corner.width() * corner.height());
    label->SetWhiteBackground(false);
    image = Render(owner);
    EXPECT_EQ(CountColour(image, corner, QColor(135, 255, 135)), corner.width() * corner.height());
}

TEST(CBaseStatic, NewlineStartsASecondLineAndMarkupStaysText)
{
    AppState app;
    CBaseStatic1 label(app);
    label.SetWhiteBackground(true);
    label.resize(334, 94);
    label.setText(QStringLiteral("No BMP files can be obtained. \nPlease check the files."));
    QImage image = Render(label);
    EXPECT_EQ(RowBands(image, image.rect(), Qt::black).size(), 2);

    label.setText(QStringLiteral("<b>1 &lt; 2</b>"));
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&label);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::StaticText);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("<b>1 &lt; 2</b>"));
}

TEST(CBaseStatic, LongTextWrapsInsideTheLabel)
{
    AppState app;
    CBaseStatic4 label(app);
    label.SetWhiteBackground(true);
    label.resize(120, 100);
    label.setText(QStringLiteral("Reset all the entered codes"));
    const QImage image = Render(label);
    EXPECT_GE(RowBands(image, image.rect(), Qt::black).size(), 2);
    // The breaks come from the width: a wide label holds the same text on one line.
    label.resize(400, 100);
    const QImage wide = Render(label);
    EXPECT_EQ(RowBands(wide, wide.rect(), Qt::black).size(), 1u);
}

} // namespace
