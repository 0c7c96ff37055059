#pragma once
#include <QIcon>
#include <QPixmap>

// The program's icon: an emitter and a receiver with light beams between them.
QIcon AppIcon();

// One square size of the same drawing; the build also writes these as PNG files.
QPixmap AppIconPixmap(int size);
