#include "draw/ControlFont.h"

QFont ControlFont(int pixelHeight, bool underline, int bNonCjkSystem)
{
    QFont font(bNonCjkSystem == 1 ? QStringLiteral("Verdana")
                                  : QStringLiteral("Microsoft Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelHeight);
    font.setWeight(QFont::Bold);
    font.setUnderline(underline);
    return font;
}
