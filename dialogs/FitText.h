#pragma once

class QWidget;

// Keeps a button caption or label text whole inside its control. The control
// keeps its own font when the text fits; otherwise the font steps down one
// pixel at a time until the word-wrapped text (with its "\n" breaks) fits, so a
// long caption or a tall script (Chinese lines are half again as high as their
// pixel size) is never cut at the bottom or sides. Call after every text change:
// each call starts again from the control's own font.
void FitText(QWidget& control);

// FitText on every button and label of a dialog.
void FitAllTexts(QWidget& dialog);
