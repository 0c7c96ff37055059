#include "DialogProbe.h"

#include "PixelProbe.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QHash>
#include <QLabel>
#include <QWidget>

const QColor SolidBitmaps::kLogo{200, 0, 0};
const QColor SolidBitmaps::kLed{0, 0, 200};
const QColor SolidBitmaps::k7Seg{200, 100, 0};
const QColor SolidBitmaps::kPicA{100, 0, 100};
const QColor SolidBitmaps::kPicB{0, 120, 120};
const QColor SolidBitmaps::kEmitter{250, 0, 250};
const QColor SolidBitmaps::kReceiver{0, 90, 0};

namespace {
QPixmap Solid(int w, int h, const QColor& c)
{
    QPixmap p(w, h);
    p.fill(c);
    return p;
}
} // namespace

SolidBitmaps::SolidBitmaps()
{
    for (QPixmap& tile : bitmaps.m_hCodeBitmaps)
        tile = Solid(10, 10, Qt::gray);
    bitmaps.m_hLogoBitmap = Solid(120, 40, kLogo);
    bitmaps.m_hLedBitmap = Solid(100, 100, kLed);
    bitmaps.m_h7SegBitmap = Solid(90, 150, k7Seg);
    bitmaps.m_hPicABitmap = Solid(50, 50, kPicA);
    bitmaps.m_hPicBBitmap = Solid(160, 240, kPicB); // drawn 80 x 120
    bitmaps.m_hEmitterBitmap = Solid(60, 300, kEmitter);
    bitmaps.m_hReceiverBitmap = Solid(60, 300, kReceiver);
}

QStringList TextOverflows(const QWidget& dialog)
{
    QStringList problems;
    const auto children = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* w : children) {
        if (!w->isVisibleTo(&dialog))
            continue;
        QString text;
        QRect room;
        int flags = Qt::TextWordWrap;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text = b->text();
            room = b->rect().adjusted(2, 2, -2, -2);
            flags |= Qt::AlignHCenter | Qt::AlignTop;
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            text = l->text();
            room = l->contentsRect();
            flags |= int(l->alignment());
        } else {
            continue;
        }
        if (text.isEmpty())
            continue;
        const QRect need = QFontMetrics(w->font()).boundingRect(room, flags, text);
        if (need.width() > room.width() || need.height() > room.height()
            || !room.contains(need.topLeft()))
            problems << QStringLiteral("%1 \"%2\": needs %3x%4, has %5x%6")
                            .arg(w->objectName(), text)
                            .arg(need.width()).arg(need.height())
                            .arg(room.width()).arg(room.height());
    }
    return problems;
}

int InkOf(const QWidget& dialog, int id)
{
    QWidget* w = dialog.findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
    if (!w)
        return 0;
    const QImage image = Render(*w);
    // Inside the edge and the focus rectangle everything but the fill is text.
    const QRect inner = image.rect().adjusted(6, 6, -6, -6);
    QHash<QRgb, int> counts;
    for (int y = inner.top(); y <= inner.bottom(); ++y)
        for (int x = inner.left(); x <= inner.right(); ++x)
            ++counts[image.pixel(x, y)];
    int fill = 0;
    for (int n : counts)
        fill = qMax(fill, n);
    return inner.width() * inner.height() - fill;
}
