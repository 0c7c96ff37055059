#include "data/AppState.h"
#include "dialogs/FitText.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseStatic.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {

int NeededHeight(const QWidget& w, const QString& text, const QRect& room, int flags)
{
    return QFontMetrics(w.font()).boundingRect(room, flags | Qt::TextWordWrap, text).height();
}

TEST(FitText, ButtonCaptionsShrinkOnlyWhenCutAndGrowBackWithAShorterOne)
{
    AppState app;
    CBaseButton button(app);
    button.resize(156, 52);
    const QRect room = button.rect().adjusted(4, 4, -4, -4); // inside the focus rectangle
    const int flags = Qt::AlignHCenter | Qt::AlignTop;
    const int own = button.font().pixelSize();
    struct Case {
        QString text;
        bool shrinks;
    };
    const Case cases[] = {
        {QStringLiteral("POWER\nOFF"), false},
        {QStringLiteral("Other than one or two blinks, or no blinking at all"), true},
        {QStringLiteral("1\n2\n3\n4"), true},
        {QStringLiteral("c"), false}, // after a shrunk caption: back to its own size
    };
    for (const Case& c : cases) {
        button.setText(c.text);
        FitText(button);
        EXPECT_EQ(button.font().pixelSize() < own, c.shrinks) << c.text.toStdString();
        EXPECT_LE(NeededHeight(button, c.text, room, flags), room.height()) << c.text.toStdString();
        EXPECT_TRUE(button.font().bold());
    }
}

TEST(FitText, LabelsKeepTheirUnderlineAndFitTheirHeight)
{
    AppState app;
    CBaseStatic3 label(app);
    label.resize(156, 23);
    label.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    for (const char* text : {"INTERLOCK", "连琐功能"}) {
        label.setText(QString::fromUtf8(text));
        FitText(label);
        EXPECT_LE(NeededHeight(label, label.text(), label.contentsRect(), int(label.alignment())),
                  label.contentsRect().height())
            << text;
        EXPECT_TRUE(label.font().underline());
    }
}

} // namespace
