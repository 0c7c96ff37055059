#include "draw/ButtonText.h"

#include <QPainter>

namespace {
constexpr int kMeasureFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
}

QRect ButtonTextRect(QPainter& painter, const QRect& r, const QString& text)
{
    const int height = painter.boundingRect(r, kMeasureFlags, text).height();
    if (height >= r.height())
        return r;
    return QRect(r.left(), r.top() + (r.height() - height) / 2, r.width(), height);
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
