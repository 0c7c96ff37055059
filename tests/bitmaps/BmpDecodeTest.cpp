// 24-bit uncompressed bitmaps are decoded by the program's own row copy: every
// file must come out as Qt's reader gives it, or be refused where it refuses.
#include "bitmaps/CBmpData.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QByteArray Bmp24(int w, int h, int at = 0, qint32 value = 0)
{
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 37, y * 53, (x ^ y) * 11));
    image.setDotsPerMeterX(3780);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    if (at)
        qToLittleEndian(value, bytes.data() + at); // one header field changed
    return bytes;
}

TEST(BmpDecode, SameAsQtsReaderForEveryFile)
{
    // Padded rows, one pixel, top-down rows, rows cut short, pixels inside the header or past the end, no resolution.
    QStringList names(7, "made here");
    QList<QByteArray> files{Bmp24(7, 5), Bmp24(1, 1), Bmp24(6, 4, 22, -4), Bmp24(9, 9).left(54 + 28 * 8),
                            Bmp24(4, 2, 10, 20), Bmp24(4, 2, 10, 1000), Bmp24(3, 3, 38, -5)};
    for (const char* folder : {DARVELL_BINARY_DIR "/QL7_Tool", DARVELL_SOURCE_DIR "/tests/fuzz/corpus/FuzzBitmapLoad"})
        for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files))
            if (QFile f(info.filePath()); f.open(QIODevice::ReadOnly))
                files << f.readAll(), names << info.fileName();
    ASSERT_GT(files.size(), 50);
    QTemporaryDir tmp;
    const QString path = tmp.filePath("f.bmp");
    for (int i = 0; i < files.size(); ++i) {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(files[i]) == files[i].size());
        out.close();
        QBuffer buffer(&files[i]);
        QImage ours, qt = QImageReader(&buffer, "bmp").read();
        if (qt.hasAlphaChannel())
            qt = qt.convertToFormat(QImage::Format_RGB32);
        // The program refuses more than the reader (rows cut short), never less.
        if (!CBmpData::DecodeBitmapPath(path.toStdString(), ours))
            continue;
        ASSERT_FALSE(qt.isNull()) << i << " " << names[i].toStdString() << ": decoded where the reader refuses";
        EXPECT_TRUE(ours == qt && ours.format() == qt.format()) << i << " " << names[i].toStdString();
        EXPECT_EQ(ours.dotsPerMeterX(), qt.dotsPerMeterX()) << i << " " << names[i].toStdString();
        EXPECT_EQ(ours.dotsPerMeterY(), qt.dotsPerMeterY()) << i << " " << names[i].toStdString();
    }
}

} // namespace
