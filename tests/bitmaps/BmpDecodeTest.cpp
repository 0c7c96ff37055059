// The program decodes its own kind of bitmap (24 bits, uncompressed) itself;
// every file must come out exactly as Qt's reader gives it, or be refused
// where the reader refuses it.
#include "bitmaps/CBmpData.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QImage ReadByQt(const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    QImage image = reader.read();
    return image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_RGB32) : image;
}

QByteArray Bmp24(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 37, y * 53, (x ^ y) * 11));
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(2835);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

QByteArray WithLe32(QByteArray bytes, int offset, qint32 value)
{
    qToLittleEndian(value, bytes.data() + offset);
    return bytes;
}

TEST(BmpDecode, SameAsQtsReaderForEveryFile)
{
    std::vector<std::pair<std::string, QByteArray>> files = {
        {"odd width, padded rows", Bmp24(7, 5)},
        {"one pixel", Bmp24(1, 1)},
        {"top-down rows", WithLe32(Bmp24(6, 4), 22, -4)},
        {"rows cut short", Bmp24(9, 9).left(54 + 28 * 8)},
        {"pixels starting inside the header", WithLe32(Bmp24(4, 2), 10, 20)},
        {"pixels past the end", WithLe32(Bmp24(4, 2), 10, 1000)},
        {"no resolution", WithLe32(WithLe32(Bmp24(3, 3), 38, 0), 42, -5)},
    };
    for (const QString& dir : {QStringLiteral(DARVELL_BINARY_DIR "/QL7_Tool"),
                               QStringLiteral(DARVELL_SOURCE_DIR "/tests/fuzz/corpus/FuzzBitmapLoad")}) {
        const QDir d(dir);
        for (const QString& name : d.entryList(QDir::Files)) {
            QFile f(d.filePath(name));
            if (f.open(QIODevice::ReadOnly) && (name.endsWith(".bmp") || dir.contains("corpus")))
                files.emplace_back(name.toStdString(), f.readAll());
        }
    }
    ASSERT_GT(files.size(), 40u);
    QTemporaryDir tmp;
    for (const auto& [name, bytes] : files) {
        const std::string path = (tmp.path() + "/f.bmp").toStdString();
        QFile out(QString::fromStdString(path));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
        out.close();
        QImage ours;
        const bool ok = CBmpData::DecodeBitmapPath(path, ours);
        const QImage qt = ReadByQt(bytes);
        // The program refuses more than Qt (a file whose rows stop early), never less.
        if (!ok) {
            EXPECT_TRUE(ours.isNull()) << name;
            continue;
        }
        ASSERT_FALSE(qt.isNull()) << name << ": decoded a file Qt refuses";
        EXPECT_EQ(ours.format(), qt.format()) << name;
        EXPECT_TRUE(ours == qt) << name;
        EXPECT_EQ(ours.dotsPerMeterX(), qt.dotsPerMeterX()) << name;
        EXPECT_EQ(ours.dotsPerMeterY(), qt.dotsPerMeterY()) << name;
    }
}

} // namespace
