#pragma once
#include <QColor>
#include <QFontMetrics>
#include <QPalette>
#include <QRect>
#include <QSize>
#include <QString>

class QAbstractButton;
class QPainter;

// The pieces the owner-drawn buttons share besides their caption.
void DrawControlEdge(QPainter& painter, const QRect& r, const QPalette& palette, bool sunken);
// Dotted rectangle 4 pixels inside r, in a colour that shows on the fill.
void DrawControlFocus(QPainter& painter, const QRect& r, const QColor& colour);
// A button's whole face: the fill, its caption, the edge, and the focus
// rectangle when focus is true.
void DrawButtonFace(QPainter& painter, const QAbstractButton& button, const QColor& back, const QColor& fore,
                    bool sunken, bool focus);
// Room for the caption plus the edge and the focus rectangle.
QSize ControlSizeHint(const QFontMetrics& metrics, const QString& text);
