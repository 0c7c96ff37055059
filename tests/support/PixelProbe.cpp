#include "PixelProbe.h"

#include <QPixmap>
#include <QWidget>

QImage Render(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int CountColour(const QImage& image, const QRect& r, const QColor& colour)
{
    const QRect area = r.intersected(image.rect());
    const QRgb want = colour.rgb();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += (image.pixel(x, y) | 0xff000000u) == want;
    return n;
}

QVector<std::pair<int, int>> RowBands(const QImage& image, const QRect& r, const QColor& colour)
{
    QVector<std::pair<int, int>> bands;
    const QRect area = r.intersected(image.rect());
    int start = -1;
    for (int y = area.top(); y <= area.bottom() + 1; ++y) {
        const bool hit = y <= area.bottom() && CountColour(image, QRect(area.left(), y, area.width(), 1), colour) > 0;
        if (hit && start < 0)
            start = y;
        if (!hit && start >= 0) {
            bands.push_back({start, y - 1});
            start = -1;
        }
    }
    return bands;
}

std::pair<int, int> ColumnExtent(const QImage& image, const QRect& r, int top, int bottom,
                                 const QColor& colour)
{
    int left = -1, right = -1;
    const QRect area = r.intersected(image.rect());
    for (int x = area.left(); x <= area.right(); ++x) {
        if (CountColour(image, QRect(x, top, 1, bottom - top + 1), colour) > 0) {
            if (left < 0)
                left = x;
            right = x;
        }
    }
    return {left, right};
}

int DifferingPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return qMax(a.width() * a.height(), b.width() * b.height());
    const QImage ca = a.convertToFormat(QImage::Format_RGB32);
    const QImage cb = b.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < ca.height(); ++y)
        for (int x = 0; x < ca.width(); ++x)
            n += ca.pixel(x, y) != cb.pixel(x, y);
    return n;
}
