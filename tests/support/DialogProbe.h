#pragma once
#include "bitmaps/Bitmaps.h"

#include <QColor>
#include <QString>
#include <QStringList>

class QWidget;

// Every bitmap slot filled with one solid colour, so a test can tell from the
// pixels which picture was drawn where.
struct SolidBitmaps {
    static const QColor kLogo, kLed, k7Seg, kPicA, kPicB, kEmitter, kReceiver;
    Bitmaps bitmaps;
    SolidBitmaps();
};

// Visible text controls of a dialog (the direct children that are buttons or
// labels with a text) whose text, laid out as the control lays it out (its font,
// word-wrapped at its width, "\n" breaking lines), does not fit inside the
// control; each entry names the id, the text and the sizes. Buttons lose their
// 2-pixel edge on every side.
QStringList TextOverflows(const QWidget& dialog);

// Pixels inside the control (within its edge) that differ from its fill:
// greater than zero when its text was drawn.
int InkOf(const QWidget& dialog, int id);
