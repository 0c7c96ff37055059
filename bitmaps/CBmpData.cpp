#include "bitmaps/CBmpData.h"

#include "data/AppState.h"
#include "platform/ExeDir.h"
#include "platform/FileExists.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>


namespace {

quint32 ReadLe32(const QByteArray& data, int offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

quint16 ReadLe16(const QByteArray& data, int offset)
{
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

// Qt's reader accepts a file whose pixel data stops early and fills the rest;
// the program treats such a file as unreadable, so the length is checked first.
bool BmpComplete(const QByteArray& data)
{
    constexpr int kFileHeader = 14;
    if (data.size() < kFileHeader + 12 || data[0] != 'B' || data[1] != 'M')
        return false;
    const quint32 pixelOffset = ReadLe32(data, 10);
    const quint32 infoSize = ReadLe32(data, 14);
    if (infoSize == 12) { // OS/2 core header
        const quint16 w = ReadLe16(data, 18), h = ReadLe16(data, 20), bits = ReadLe16(data, 24);
        const quint64 stride = ((quint64(w) * bits + 31) / 32) * 4;
        return quint64(data.size()) >= quint64(pixelOffset) + stride * h;
    }
    if (infoSize < 40 || data.size() < kFileHeader + 40)
        return false;
    const qint32 w = qint32(ReadLe32(data, 18));
    const qint32 h = qint32(ReadLe32(data, 22));
    const quint16 bits = ReadLe16(data, 28);
    const quint32 compression = ReadLe32(data, 30);
    if (w <= 0 || h == 0)
        return false;
    constexpr quint32 kRgb = 0, kBitfields = 3;
    if (compression != kRgb && compression != kBitfields) {
        const quint32 imageSize = ReadLe32(data, 34);
        return quint64(data.size()) >= quint64(pixelOffset) + imageSize;
    }
    const quint64 rows = h < 0 ? quint64(-qint64(h)) : quint64(h);
    const quint64 stride = ((quint64(w) * bits + 31) / 32) * 4;
    return quint64(data.size()) >= quint64(pixelOffset) + stride * rows;
}

} // namespace

std::string CBmpData::CodeFileName(int slot)
{
    return std::string(g_pictureCodes.at(slot)) + ".bmp";
}

bool CBmpData::LoadBitmapFile(std::string name, QPixmap* slot)
{
    return LoadBitmapPath(platform::DataPath(name), slot);
}

bool CBmpData::LoadBitmapPath(const std::string& filePath, QPixmap* slot)
{
    *slot = QPixmap();
    QImage image;
    if (!DecodeBitmapPath(filePath, image))
        return false;
    *slot = QPixmap::fromImage(std::move(image));
    return !slot->isNull();
}

namespace {

// The whole file, or false for one that cannot be read. The path stays the
// file system's bytes: a folder name that is not UTF-8 would not survive a
// trip through QString. No bitmap of the program comes near 256 MB; a larger
// file is refused rather than read into memory.
bool ReadBitmapFile(const std::string& filePath, std::string& bytes)
{
    return platform::ReadFileBytes(filePath, bytes, std::size_t(256) << 20);
}

// The program's own kind of bitmap: Windows header, one plane, 24 bits,
// uncompressed, its pixels after the header and every row there, within the
// reader's size limit.
bool PlainBitmap(const QByteArray& data)
{
    if (!BmpComplete(data) || ReadLe32(data, 14) != 40) // complete: then the 54 bytes are there
        return false;
    const qint64 w = qint32(ReadLe32(data, 18)), h = qint32(ReadLe32(data, 22));
    constexpr qint64 kLargest = qint64(128) << 20; // the reader's allocation limit, in bytes
    return ReadLe32(data, 10) >= 54 && ReadLe16(data, 26) == 1 && ReadLe16(data, 28) == 24 && ReadLe32(data, 30) == 0
        && w * (h < 0 ? -h : h) * 4 < kLargest;
}

// A plain bitmap's rows copied as Qt's reader copies them: the same pixels,
// format and resolution, without asking the image plugins which format the
// file is (that loads every plugin's description on first use).
QImage DecodePlainBitmap(const QByteArray& data)
{
    const int w = int(qint32(ReadLe32(data, 18)));
    const int h = int(qint32(ReadLe32(data, 22)));
    const bool topDown = h < 0;
    const int rows = topDown ? -h : h;
    const qsizetype stride = ((qsizetype(w) * 24 + 31) / 32) * 4;
    QImage image(w, rows, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const uchar* row = reinterpret_cast<const uchar*>(data.constData()) + ReadLe32(data, 10);
    for (int r = 0; r < rows; ++r, row += stride) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(topDown ? r : rows - 1 - r));
        for (int x = 0; x < w; ++x)
            out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
    image.setDotsPerMeterX(qint32(ReadLe32(data, 38)));
    image.setDotsPerMeterY(qint32(ReadLe32(data, 42)));
    return image;
}

bool DecodeBitmapBytes(const std::string& bytes, QImage& image)
{
    image = QImage();
    QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())); // no copy
    if (PlainBitmap(data)) {
        image = DecodePlainBitmap(data);
        return !image.isNull();
    }
    if (!BmpComplete(data))
        return false;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    // Read as BMP only: the image plugins, each asked in turn otherwise, are not even loaded.
    reader.setAutoDetectImageFormat(false);
    image = reader.read();
    if (image.isNull())
        return false;
    // Tiles and pictures are copied opaquely: an alpha mask in the file is ignored.
    if (image.hasAlphaChannel())
        image = image.convertToFormat(QImage::Format_RGB32);
    return true;
}

// Whether the bytes will decode: a plain bitmap always does (only memory can
// fail it then); any other kind is decoded to tell.
bool CheckBitmapBytes(const std::string& bytes)
{
    if (PlainBitmap(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()))))
        return true;
    QImage image;
    return DecodeBitmapBytes(bytes, image);
}

} // namespace

bool CBmpData::DecodeBitmapPath(const std::string& filePath, QImage& image)
{
    image = QImage();
    std::string bytes;
    return ReadBitmapFile(filePath, bytes) && DecodeBitmapBytes(bytes, image);
}

bool CBmpData::LoadCodeBitmaps(QPixmap* codeSlots)
{
    for (int i = 0; i < int(g_pictureCodes.size()); ++i) {
        if (!LoadBitmapFile(CodeFileName(i), &codeSlots[i]))
            return false;
    }
    return true;
}

bool CBmpData::LoadPictures(Bitmaps& b)
{
    for (const PictureInfo& picture : g_pictureTable) {
        if (!LoadBitmapFile(picture.file, &(b.*picture.slot)))
            return false;
    }
    return true;
}

namespace {

// The file and the slot of each start-up bitmap, in load order.
std::string StartupBitmapName(int index)
{
    const int tiles = int(g_pictureCodes.size());
    return index < tiles ? CBmpData::CodeFileName(index) : g_pictureTable[index - tiles].file;
}

QPixmap& StartupBitmapSlot(Bitmaps& b, int index)
{
    const int tiles = int(g_pictureCodes.size());
    return index < tiles ? b.m_hCodeBitmaps[index] : b.*g_pictureTable[index - tiles].slot;
}

} // namespace

static_assert(CBmpData::kStartupBitmapCount == std::tuple_size_v<decltype(Bitmaps::m_hCodeBitmaps)>
                                                   + std::tuple_size_v<decltype(g_pictureTable)>);

CBmpData::StartupImages CBmpData::DecodeStartupBitmaps(std::span<const Picture> firstScreen)
{
    const int tiles = int(g_pictureCodes.size());
    StartupImages decoded;
    std::string bytes; // one buffer for every file: a checked file's bytes are not kept
    for (int i = 0; i < kStartupBitmapCount && decoded.failed < 0; ++i) {
        bool now = false;
        for (const Picture picture : firstScreen)
            now = now || i == tiles + int(picture);
        if (!ReadBitmapFile(platform::DataPath(StartupBitmapName(i)), bytes))
            decoded.failed = i;
        else if (now ? !DecodeBitmapBytes(bytes, decoded.images[i]) : !CheckBitmapBytes(bytes))
            decoded.failed = i;
        else if (!now)
            decoded.checked[i] = true;
    }
    return decoded;
}

bool CBmpData::AdoptStartupBitmaps(StartupImages& decoded, Bitmaps& bitmaps)
{
    const int count = decoded.failed < 0 ? kStartupBitmapCount : decoded.failed;
    for (int i = 0; i < count; ++i) {
        if (decoded.images[i].isNull())
            continue; // checked, decoded later
        QPixmap& slot = StartupBitmapSlot(bitmaps, i);
        slot = QPixmap::fromImage(std::move(decoded.images[i]));
        if (slot.isNull())
            return false;
    }
    if (decoded.failed >= 0)
        StartupBitmapSlot(bitmaps, decoded.failed) = QPixmap();
    return decoded.failed < 0;
}

bool CBmpData::AdoptCheckedBitmaps(StartupImages& decoded, Bitmaps& bitmaps)
{
    for (int i = 0; i < kStartupBitmapCount; ++i) {
        if (!decoded.checked[i])
            continue;
        decoded.checked[i] = false;
        QImage image;
        const bool ok = DecodeBitmapPath(platform::DataPath(StartupBitmapName(i)), image);
        QPixmap& slot = StartupBitmapSlot(bitmaps, i);
        slot = ok ? QPixmap::fromImage(std::move(image)) : QPixmap();
        if (slot.isNull())
            return false;
    }
    return true;
}

const QPixmap* CBmpData::GetCodeBitmap(const Bitmaps& bitmaps, const std::string& code,
                                       const QPixmap* fallback)
{
    const int slot = PictureCodeSlot(code);
    return slot < 0 ? fallback : &bitmaps.m_hCodeBitmaps[slot];
}

bool CBmpData::GetPictureRows(const AppState& app, int errNo, PictureRow& errorRow,
                              PictureRow& baseRow, int side)
{
    return ::GetPictureRows(app.m_nSeries, app.m_nUnitsIndex, errNo, side, errorRow, baseRow);
}

bool CBmpData::GetBaseRow(const AppState& app, PictureRow& row)
{
    ::GetBaseRow(app.m_nUnitsIndex, row);
    return true;
}

QSize DrawnBitmapSize(int w, int h, bool scaled)
{
    if (!scaled || w <= 0)
        return QSize(w, h);
    return QSize(80, int(80.0 / w * h));
}

void DrawBitmapAt(QPainter& painter, const QPixmap* slot, int x, int y, bool scaled)
{
    if (!slot || slot->isNull())
        return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QSize size = DrawnBitmapSize(slot->width(), slot->height(), scaled);
    if (scaled)
        painter.drawPixmap(QRect(QPoint(x, y), size), *slot);
    else
        painter.drawPixmap(x, y, *slot);
    painter.restore();
}

void DrawPictureRow(QPainter& painter, const Bitmaps& bitmaps, const PictureRow& row, int x0, int y0)
{
    auto tile = [&](int position) -> const QPixmap* {
        const QPixmap* p = CBmpData::GetCodeBitmap(bitmaps, row[position], nullptr);
        return p && !p->isNull() ? p : nullptr;
    };
    int x = x0;
    for (int column = 0; column < 3; ++column) {
        int y = y0;
        for (int k = column * 4; k < column * 4 + 4; ++k) {
            if (const QPixmap* p = tile(k)) {
                DrawBitmapAt(painter, p, x, y, false);
                y += p->height();
            }
        }
        if (const QPixmap* last = tile(column * 4 + 3))
            x += last->width();
    }
    DrawBitmapAt(painter, tile(12), x0, y0 + kColumnHeight, false);
}
