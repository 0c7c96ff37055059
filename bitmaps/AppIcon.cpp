#include "bitmaps/AppIcon.h"

#include <QPainter>
#include <QPixmap>

QPixmap AppIconPixmap(int size)
{
    QPixmap pm(size, size);
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
    return pm;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(AppIconPixmap(size));
    return icon;
}
