#include "draw/ControlFont.h"

#include <QFontMetrics>

QFont ControlFont(int pixelHeight, bool underline, int bNonCjkSystem)
{
    QFont font(bNonCjkSystem == 1 ? QStringLiteral("Verdana")
                                  : QStringLiteral("Microsoft Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    font.setUnderline(underline);
    // The height is the character cell (ascent plus descent), not the em size:
    // take the largest pixel size whose cell fits.
    int size = pixelHeight;
    font.setPixelSize(size);
    while (size > 1 && QFontMetrics(font).height() > pixelHeight)
        font.setPixelSize(--size);
    return font;
}
