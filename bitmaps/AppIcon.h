#pragma once
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <array>

// The program's icon: an emitter and a receiver with light beams between them.
QIcon AppIcon();

// One square size of the same drawing; the build also writes these as PNG files.
QPixmap AppIconPixmap(int size);

// The sizes of the icon as images, which any thread may draw, and the icon
// made of them on the GUI thread: the same as AppIcon().
using AppIconImages = std::array<QImage, 3>;
AppIconImages DrawAppIconImages();
QIcon AppIcon(AppIconImages&& images);
