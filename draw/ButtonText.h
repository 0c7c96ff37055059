#pragma once
#include <QColor>
#include <QRect>
#include <QString>

class QPainter;

// The caption rule of the owner-drawn buttons: word-wrapped and centred in r,
// "\n" starting a new line; the block is centred vertically when it fits and
// starts at r's top when it does not. Uses the painter's current font.
void DrawButtonText(QPainter& painter, const QRect& r, const QColor& colour, const QString& text);

// Where DrawButtonText puts the text block inside r.
QRect ButtonTextRect(QPainter& painter, const QRect& r, const QString& text);
