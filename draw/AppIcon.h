#pragma once
#include <QIcon>

// The program's icon: an emitter and a receiver with light beams between them.
QIcon AppIcon();
