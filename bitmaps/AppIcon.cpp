#include "bitmaps/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace {

QImage AppIconImage(int size)
{
    QImage pm(size, size, QImage::Format_ARGB32_Premultiplied);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal u = size / 16.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(135, 255, 135));
    p.drawRoundedRect(QRectF(0.5 * u, 0.5 * u, 15 * u, 15 * u), 2 * u, 2 * u);
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(QRectF(2 * u, 2 * u, 3 * u, 12 * u));  // emitter
    p.drawRect(QRectF(11 * u, 2 * u, 3 * u, 12 * u)); // receiver
    p.setPen(QPen(QColor(220, 0, 0), qMax<qreal>(1.0, 0.8 * u)));
    for (int i = 0; i < 4; ++i) {
        const qreal y = (3.5 + 3 * i) * u;
        p.drawLine(QPointF(5 * u, y), QPointF(11 * u, y));
    }
    p.end();
    return pm;
}

constexpr std::array<int, 3> kIconSizes{16, 32, 48};

} // namespace

QPixmap AppIconPixmap(int size)
{
    return QPixmap::fromImage(AppIconImage(size));
}

AppIconImages DrawAppIconImages()
{
    AppIconImages images;
    for (std::size_t i = 0; i < kIconSizes.size(); ++i)
        images[i] = AppIconImage(kIconSizes[i]);
    return images;
}

QIcon AppIcon(AppIconImages&& images)
{
    QIcon icon;
    for (QImage& image : images)
        icon.addPixmap(QPixmap::fromImage(std::move(image)));
    return icon;
}

QIcon AppIcon()
{
    return AppIcon(DrawAppIconImages());
}
