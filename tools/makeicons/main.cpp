// Writes the program's icon as PNG files, one per size, for desktop entries,
// and as darvell.ico, the Windows program's icon resource.
#include "bitmaps/AppIcon.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QGuiApplication>
#include <QSaveFile>

#include <cstdio>

namespace {

// An icon file whose images are PNG data, which Windows reads since Vista.
bool WriteIco(const QString& path, const QList<int>& sizes)
{
    QByteArray head, images;
    QDataStream out(&head, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(sizes.size()); // reserved, icon, count
    const quint32 dataStart = 6 + 16 * quint32(sizes.size());
    for (int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        if (!buffer.open(QIODevice::WriteOnly) || !AppIconPixmap(size).save(&buffer, "PNG"))
            return false;
        const quint8 side = size >= 256 ? 0 : quint8(size); // 0 stands for 256
        out << side << side << quint8(0) << quint8(0)        // no palette
            << quint16(1) << quint16(32)                       // planes, bits per pixel
            << quint32(png.size()) << dataStart + quint32(images.size());
        images.append(png);
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(head + images) == head.size() + images.size()
        && file.commit();
}

} // namespace

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
    if (!WriteIco(dir.filePath(QStringLiteral("darvell.ico")), {16, 32, 48, 256})) {
        std::fprintf(stderr, "darvell-makeicons: cannot write darvell.ico\n");
        return 1;
    }
    return 0;
}
