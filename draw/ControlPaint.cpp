#include "draw/ControlPaint.h"

#include "draw/ButtonText.h"

#include <QAbstractButton>
#include <QPainter>
#include <qdrawutil.h>

void DrawControlEdge(QPainter& painter, const QRect& r, const QPalette& palette, bool sunken)
{
    qDrawWinPanel(&painter, r, palette, sunken, nullptr);
}

void DrawControlFocus(QPainter& painter, const QRect& r, const QColor& colour)
{
    const QRect f = r.adjusted(4, 4, -4, -4);
    if (f.width() < 2 || f.height() < 2)
        return;
    painter.save();
    painter.setPen(QPen(colour, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(f.adjusted(0, 0, -1, -1));
    painter.restore();
}

void DrawButtonFace(QPainter& painter, const QAbstractButton& button, const QColor& back, const QColor& fore,
                    bool sunken, bool focus)
{
    const QRect r = button.rect();
    painter.fillRect(r, back);
    DrawButtonText(painter, r, fore, button.text());
    DrawControlEdge(painter, r, button.palette(), sunken);
    if (focus)
        DrawControlFocus(painter, r, fore);
}

QSize ControlSizeHint(const QFontMetrics& metrics, const QString& text)
{
    const QRect textRect = metrics.boundingRect(QRect(0, 0, 400, 400),
                                                Qt::AlignHCenter | Qt::TextWordWrap, text);
    return QSize(textRect.width() + 20, textRect.height() + 16).expandedTo(QSize(40, 30));
}
