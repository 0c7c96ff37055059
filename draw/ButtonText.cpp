#include "draw/ButtonText.h"

#include <QPainter>

namespace {
constexpr int kMeasureFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
}

QRect ButtonTextRect(QPainter& painter, const QRect& r, const QString& text)
{
    const QRect measured = painter.boundingRect(r, kMeasureFlags, text);
    const int textBottom = r.top() + measured.height();
    const int rBottom = r.top() + r.height(); // exclusive, as the measure is
    if (textBottom < rBottom) {
        const int s = (rBottom - textBottom) / 2;
        return QRect(r.left(), r.top() + s, r.width(), measured.height());
    }
    return r;
}

void DrawButtonText(QPainter& painter, const QRect& r, const QColor& colour, const QString& text)
{
    painter.save();
    painter.setPen(colour);
    // Too tall a caption is cut at the control's bottom, never shifted up.
    painter.setClipRect(r, Qt::IntersectClip);
    painter.drawText(ButtonTextRect(painter, r, text), kMeasureFlags, text);
    painter.restore();
}
