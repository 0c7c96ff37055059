#pragma once
#include <QFont>

// The font of an owner-drawn control: bold, optionally underlined, with a
// character cell (ascent plus descent) of the given pixel height. The face follows the system language, not the program's:
// "Verdana" on non-CJK systems, "Microsoft Sans Serif" otherwise. Where the
// face is missing the font system substitutes one. Any thread may call it.
QFont ControlFont(int pixelHeight, bool underline, int bNonCjkSystem);
