// Writes the sample tile and picture bitmaps (24-bit BMP) into a directory.
#include "BitmapArt.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: darvell-makebitmaps <output directory>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "darvell-makebitmaps: cannot create %s\n", argv[1]);
        return 1;
    }
    for (const NamedImage& b : AllBitmaps()) {
        const QString path = dir.filePath(QString::fromStdString(b.fileName));
        if (b.image.isNull() || !b.image.convertToFormat(QImage::Format_RGB888).save(path, "BMP")) {
            std::fprintf(stderr, "darvell-makebitmaps: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
