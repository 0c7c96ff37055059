#include "data/AppState.h"
#include "bitmaps/CBmpData.h"
#include "tests/support/PixelProbe.h"
#include "tests/support/TempDataDir.h"

#include <QBuffer>
#include <QPainter>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string BmpBytes(const QImage& image, const char* format = "BMP")
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB888).save(&buffer, format);
    return bytes.toStdString();
}

QImage Solid(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Each slot's file is 10 + slot pixels wide, so a loaded size names its file.
void WriteCodeFiles(const TempDataDir& dir, int skip = -1)
{
    for (int i = 0; i < 33; ++i) {
        if (i != skip) {
            ASSERT_TRUE(dir.Write(CBmpData::CodeFileName(i), BmpBytes(Solid(10 + i, 5, Qt::blue))));
        }
    }
}

const char* const kPictureFiles[7] = {"Orvane_logo.bmp", "ql7a_led.bmp", "ql7b_7seg.bmp",
                                      "QL7-A_pic.bmp", "QL7B_pic.bmp", "ql7b-e.bmp", "ql7b-r.bmp"};

QPixmap* PictureSlot(Bitmaps& b, int i)
{
    QPixmap* pictures[7] = {&b.m_hLogoBitmap, &b.m_hLedBitmap, &b.m_h7SegBitmap, &b.m_hPicABitmap,
                            &b.m_hPicBBitmap, &b.m_hEmitterBitmap, &b.m_hReceiverBitmap};
    return pictures[i];
}

TEST(CBmpData, LoadsAValidBitmapAtItsSize)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("x.bmp", BmpBytes(Solid(37, 21, Qt::red))));
    QPixmap slot;
    ASSERT_TRUE(CBmpData::LoadBitmapFile("x.bmp", &slot));
    EXPECT_EQ(slot.size(), QSize(37, 21));
    EXPECT_EQ(slot.toImage().pixelColor(3, 3), QColor(Qt::red));
}

// A 2 x 1 32-bit BMP (BITMAPV4HEADER, bit fields with an alpha mask): a red
// pixel of alpha 0 and a blue pixel of alpha 128.
std::string AlphaBmpBytes()
{
    std::string b;
    const auto u16 = [&](unsigned v) { b += char(v & 0xFF); b += char(v >> 8 & 0xFF); };
    const auto u32 = [&](unsigned v) { u16(v & 0xFFFF); u16(v >> 16); };
    b += "BM";
    u32(14 + 108 + 8); u32(0); u32(14 + 108);
    u32(108); u32(2); u32(1); u16(1); u16(32); u32(3 /* bit fields */); u32(8); u32(2835); u32(2835);
    u32(0); u32(0);
    u32(0x00FF0000); u32(0x0000FF00); u32(0x000000FF); u32(0xFF000000);
    u32(0x73524742); // sRGB
    for (int i = 0; i < 12; ++i)
        u32(0); // end points and gamma
    b += std::string("\x00\x00\xFF\x00", 4);
    b += std::string("\xFF\x00\x00\x80", 4);
    return b;
}

TEST(CBmpData, AlphaInTheFileIsIgnoredSoTheCopyStaysOpaque)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("alpha.bmp", AlphaBmpBytes()));
    QPixmap slot;
    ASSERT_TRUE(CBmpData::LoadBitmapFile("alpha.bmp", &slot));
    QImage target(4, 3, QImage::Format_RGB32);
    target.fill(Qt::green);
    {
        QPainter painter(&target);
        DrawBitmapAt(painter, &slot, 1, 1, false);
    }
    EXPECT_EQ(target.pixelColor(1, 1), QColor(255, 0, 0));
    EXPECT_EQ(target.pixelColor(2, 1), QColor(0, 0, 255));
    EXPECT_EQ(target.pixelColor(0, 0), QColor(Qt::green));
}

TEST(CBmpData, UnreadableFilesFailAndLeaveTheSlotNull)
{
    TempDataDir dir;
    const std::string good = BmpBytes(Solid(40, 40, Qt::green));
    struct Case {
        const char* what;
        std::function<void()> make;
    } cases[] = {
        {"missing", [] {}},
        {"zero bytes", [&] { ASSERT_TRUE(dir.Write("x.bmp", "")); }},
        {"truncated pixel data", [&] { ASSERT_TRUE(dir.Write("x.bmp", good.substr(0, good.size() / 2))); }},
        {"header only", [&] { ASSERT_TRUE(dir.Write("x.bmp", good.substr(0, 54))); }},
        {"cut inside the header", [&] { ASSERT_TRUE(dir.Write("x.bmp", good.substr(0, 20))); }},
        {"PNG named .bmp", [&] { ASSERT_TRUE(dir.Write("x.bmp", BmpBytes(Solid(8, 8, Qt::red), "PNG"))); }},
        {"text", [&] { ASSERT_TRUE(dir.Write("x.bmp", "[Setting]\nLanguage=1\n")); }},
        {"directory", [&] { ASSERT_TRUE(dir.MakeDir("x.bmp")); }},
    };
    for (const Case& c : cases) {
        dir.Remove("x.bmp");
        c.make();
        QPixmap slot = QPixmap::fromImage(Solid(3, 3, Qt::black)); // stale content
        EXPECT_FALSE(CBmpData::LoadBitmapFile("x.bmp", &slot)) << c.what;
        EXPECT_TRUE(slot.isNull()) << c.what;
    }
    // The intact file loads, so the failures above are the damage's doing.
    dir.Remove("x.bmp");
    ASSERT_TRUE(dir.Write("x.bmp", good));
    QPixmap slot;
    EXPECT_TRUE(CBmpData::LoadBitmapFile("x.bmp", &slot));
}

// Every slot in code order, or up to the first missing file, the rest untouched.
TEST(CBmpData, LoadCodeBitmapsFillsTheSlotsInCodeOrderUpToAMissingFile)
{
    EXPECT_EQ(CBmpData::CodeFileName(23), "b00.bmp");
    EXPECT_EQ(CBmpData::CodeFileName(24), "m13.bmp");
    EXPECT_EQ(CBmpData::CodeFileName(32), "b03.bmp");
    for (int missing : {-1, 0, 23, 32}) {
        TempDataDir dir;
        WriteCodeFiles(dir, missing);
        Bitmaps b;
        b.m_hCodeBitmaps.fill(QPixmap::fromImage(Solid(7, 7, Qt::yellow)));
        EXPECT_EQ(CBmpData::LoadCodeBitmaps(b.m_hCodeBitmaps.data()), missing < 0) << missing;
        for (int i = 0; i < 33; ++i) {
            if (i == missing)
                EXPECT_TRUE(b.m_hCodeBitmaps[i].isNull()) << missing;
            else
                EXPECT_EQ(b.m_hCodeBitmaps[i].width(), missing < 0 || i < missing ? 10 + i : 7) << missing << " slot " << i;
        }
    }
}

TEST(CBmpData, LoadPicturesInItsOrderAndStopsAtTheFirstFailure)
{
    TempDataDir dir;
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(dir.Write(kPictureFiles[i], BmpBytes(Solid(20 + i, 9, Qt::gray))));
    Bitmaps b;
    ASSERT_TRUE(CBmpData::LoadPictures(b));
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(PictureSlot(b, i)->width(), 20 + i) << kPictureFiles[i];

    // "QL7-A_pic.bmp" is never drawn but still required.
    ASSERT_TRUE(dir.Write("QL7-A_pic.bmp", "BM"));
    Bitmaps again;
    const QPixmap sentinel = QPixmap::fromImage(Solid(7, 7, Qt::yellow));
    for (int i = 0; i < 7; ++i)
        *PictureSlot(again, i) = sentinel;
    EXPECT_FALSE(CBmpData::LoadPictures(again));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(PictureSlot(again, i)->width(), 20 + i);
    EXPECT_TRUE(again.m_hPicABitmap.isNull());
    for (int i = 4; i < 7; ++i)
        EXPECT_EQ(PictureSlot(again, i)->width(), 7);
}

TEST(CBmpData, GetCodeBitmapMatchesExactlyOrFallsBack)
{
    Bitmaps b;
    for (int i = 0; i < 33; ++i)
        EXPECT_EQ(CBmpData::GetCodeBitmap(b, g_pictureCodes[i], nullptr), &b.m_hCodeBitmaps[i]) << i;
    EXPECT_EQ(CBmpData::GetCodeBitmap(b, "b00", nullptr), &b.m_hCodeBitmaps[23]);
    EXPECT_EQ(CBmpData::GetCodeBitmap(b, "m13", nullptr), &b.m_hCodeBitmaps[24]);
    const QPixmap fallback;
    for (const char* code : {"H00", "", "h0", "h000", "M01", " h00", "b04", "m17"}) {
        EXPECT_EQ(CBmpData::GetCodeBitmap(b, code, &fallback), &fallback) << code;
        EXPECT_EQ(CBmpData::GetCodeBitmap(b, code, nullptr), nullptr) << code;
    }
}

TEST(CBmpData, PictureRowsFollowTheSeriesAndUnitCountOfTheState)
{
    const PictureRow three = {"h00", "m01", "m01", "m01", "ha0", "a01", "a01", "a01", "h00", "m01", "m01", "m01", "b00"};
    const PictureRow one = {"h00", "m00", "m00", "m01", "ha0", "a00", "a00", "a01", "h00", "m00", "m00", "m01", "b00"};
    AppState app;
    PictureRow row;
    for (int units : {2, 5, -1}) {
        app.m_nUnitsIndex = units;
        EXPECT_TRUE(CBmpData::GetBaseRow(app, row));
        EXPECT_EQ(row, one) << units;
    }
    app.m_nUnitsIndex = 0;
    EXPECT_TRUE(CBmpData::GetBaseRow(app, row));
    EXPECT_EQ(row, three);

    // QL7B: the error row follows the side; the base row the unit count.
    PictureRow err, base;
    app.m_nSeries = 0;
    app.m_nUnitsIndex = 2;
    ASSERT_TRUE(CBmpData::GetPictureRows(app, 239, err, base, 2));
    EXPECT_EQ(base, one);
    PictureRow direct, directBase;
    ASSERT_TRUE(GetPictureRows(0, 2, 239, 2, direct, directBase));
    EXPECT_EQ(err, direct);

    // Outside the table: false and both rows untouched.
    PictureRow keepErr, keepBase;
    keepErr.fill("x");
    keepBase.fill("y");
    const struct {
        int series, errNo, side;
    } outside[] = {{0, 0, 1}, {0, 164, 1}, {0, 240, 2}, {1, 27, 1}, {1, 0, 2}};
    for (const auto& c : outside) {
        app.m_nSeries = c.series;
        EXPECT_FALSE(CBmpData::GetPictureRows(app, c.errNo, keepErr, keepBase, c.side)) << c.errNo;
        EXPECT_EQ(keepErr[0], "x");
        EXPECT_EQ(keepBase[12], "y");
    }
}

struct DrawCase {
    int w, h;
    bool scaled;
    QSize drawn;
};

TEST(CBmpData, DrawBitmapAtNaturalOrScaledToWidth80)
{
    const DrawCase cases[] = {
        {300, 200, true, {80, 53}}, {160, 240, true, {80, 120}}, {80, 80, true, {80, 80}},
        {3, 100, true, {80, 2666}}, {300, 200, false, {300, 200}}, {60, 34, false, {60, 34}},
    };
    for (const DrawCase& c : cases) {
        const QPixmap source = QPixmap::fromImage(Solid(c.w, c.h, Qt::red));
        QImage target = Solid(400, 3000, Qt::white);
        {
            QPainter painter(&target);
            DrawBitmapAt(painter, &source, 10, 20, c.scaled);
        }
        const QSize expected = c.drawn;
        EXPECT_EQ(CountColour(target, target.rect(), Qt::red), expected.width() * expected.height())
            << c.w << "x" << c.h;
        EXPECT_EQ(target.pixelColor(10, 20), QColor(Qt::red));
        EXPECT_EQ(target.pixelColor(10 + expected.width() - 1, 20 + expected.height() - 1), QColor(Qt::red));
        EXPECT_EQ(target.pixelColor(9, 19), QColor(Qt::white));
        EXPECT_EQ(DrawnBitmapSize(c.w, c.h, c.scaled), expected);
    }
}

TEST(CBmpData, DrawBitmapAtWithoutABitmapDrawsNothing)
{
    QImage target = Solid(50, 50, Qt::white);
    QPainter painter(&target);
    const QPixmap empty;
    DrawBitmapAt(painter, nullptr, 0, 0, false);
    DrawBitmapAt(painter, &empty, 0, 0, true);
    painter.end();
    EXPECT_EQ(CountColour(target, target.rect(), Qt::white), 50 * 50);
}

TEST(CBmpData, DrawPictureRowLaysOutColumnsAndStrip)
{
    Bitmaps b;
    auto set = [&](const char* code, int w, int h, QColor c) {
        *const_cast<QPixmap*>(CBmpData::GetCodeBitmap(b, code, nullptr)) = QPixmap::fromImage(Solid(w, h, c));
    };
    set("h00", 60, 34, Qt::red);
    set("m01", 60, 80, Qt::blue);
    set("ha0", 68, 34, Qt::green);
    set("a01", 68, 80, Qt::cyan);
    set("b00", 188, 51, Qt::magenta);
    const PictureRow row = {"h00", "m01", "m01", "m01", "ha0", "a01", "a01", "a01", "h00", "m01", "m01", "m01", "b00"};
    QImage target = Solid(300, 400, Qt::white);
    {
        QPainter painter(&target);
        DrawPictureRow(painter, b, row, 10, 5);
    }
    EXPECT_EQ(CountColour(target, QRect(10, 5, 60, 34), Qt::red), 60 * 34);
    EXPECT_EQ(CountColour(target, QRect(10 + 60 + 68, 5, 60, 34), Qt::red), 60 * 34);
    EXPECT_EQ(CountColour(target, QRect(70, 5, 68, 34), Qt::green), 68 * 34);
    EXPECT_EQ(CountColour(target, QRect(10, 39, 60, 240), Qt::blue), 60 * 240);
    EXPECT_EQ(CountColour(target, QRect(70, 39, 68, 240), Qt::cyan), 68 * 240);
    EXPECT_EQ(CountColour(target, QRect(10, 5 + 274, 188, 51), Qt::magenta), 188 * 51);
    EXPECT_EQ(CountColour(target, target.rect(), Qt::white), 300 * 400 - 188 * (274 + 51));

    // A code without a bitmap takes no room: the middle column moves left.
    PictureRow gap = row;
    gap[3] = "zzz";
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        DrawPictureRow(painter, b, gap, 10, 5);
    }
    EXPECT_EQ(CountColour(target, QRect(10, 5, 68, 34), Qt::green), 68 * 34);
    EXPECT_EQ(CountColour(target, QRect(10, 5 + 34 + 160, 60, 80), Qt::blue), 0);
}

} // namespace
