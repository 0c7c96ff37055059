// Writes the program's icon as PNG files, one per size, for desktop entries.
#include "draw/AppIcon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: darvell-makeicons <output directory>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "darvell-makeicons: cannot create %s\n", argv[1]);
        return 1;
    }
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString path = dir.filePath(QStringLiteral("darvell-%1.png").arg(size));
        if (!AppIconPixmap(size).save(path, "PNG")) {
            std::fprintf(stderr, "darvell-makeicons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
