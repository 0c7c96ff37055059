#include "data/AppState.h"
#include "data/PictureTables.h"
#include "bitmaps/CBmpData.h"
#include "tests/support/PixelProbe.h"
#include "tests/support/TempDataDir.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QtEndian>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

const char* const kPictures[7] = {"Orvane_logo.bmp", "ql7a_led.bmp", "ql7b_7seg.bmp", "QL7-A_pic.bmp",
                                  "QL7B_pic.bmp", "ql7b-e.bmp", "ql7b-r.bmp"};

bool RunGenerator(const QString& outDir)
{
    QProcess process;
    process.start(QStringLiteral(DARVELL_BINARY_DIR "/darvell-makebitmaps"), {outDir});
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// The generator's output, once per test program, loaded the way start-up loads it.
class MakeBitmaps : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new TempDataDir;
        ASSERT_TRUE(RunGenerator(QString::fromStdString(s_dir->DataDir())));
        s_bitmaps = new Bitmaps;
        s_loaded = CBmpData::LoadCodeBitmaps(s_bitmaps->m_hCodeBitmaps.data()) &&
                   CBmpData::LoadPictures(*s_bitmaps);
    }
    static void TearDownTestSuite()
    {
        delete s_bitmaps;
        delete s_dir;
    }
    static QImage Tile(const std::string& code)
    {
        const QPixmap* p = CBmpData::GetCodeBitmap(*s_bitmaps, code, nullptr);
        return p ? p->toImage().convertToFormat(QImage::Format_RGB32) : QImage();
    }

    static TempDataDir* s_dir;
    static Bitmaps* s_bitmaps;
    static bool s_loaded;
};
TempDataDir* MakeBitmaps::s_dir = nullptr;
Bitmaps* MakeBitmaps::s_bitmaps = nullptr;
bool MakeBitmaps::s_loaded = false;

TEST_F(MakeBitmaps, WritesFortyTwentyFourBitFilesThatStartUpLoads)
{
    ASSERT_TRUE(s_loaded);
    const QDir dir(QString::fromStdString(s_dir->DataDir()));
    EXPECT_EQ(dir.entryList(QDir::Files).size(), 40);
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray head = f.read(30);
        ASSERT_EQ(head.size(), 30);
        EXPECT_EQ(head.left(2), QByteArray("BM")) << name.toStdString();
        EXPECT_EQ(qFromLittleEndian<quint16>(head.constData() + 28), 24) << name.toStdString();
    }
}

TEST_F(MakeBitmaps, OutputIsTheSameOnEveryRun)
{
    TempDataDir second;
    ASSERT_TRUE(RunGenerator(QString::fromStdString(second.DataDir())));
    const QDir dir(QString::fromStdString(s_dir->DataDir()));
    for (const QString& name : dir.entryList(QDir::Files))
        EXPECT_EQ(s_dir->Read(name.toStdString()), second.Read(name.toStdString())) << name.toStdString();
}

TEST_F(MakeBitmaps, PicturesFitTheirPlaces)
{
    ASSERT_TRUE(s_loaded);
    const struct {
        const QPixmap& pixmap;
        int maxWidth, maxHeight;
    } limits[] = {
        {s_bitmaps->m_hLogoBitmap, 120, 40},      // at (W - 125, 2)
        {s_bitmaps->m_h7SegBitmap, 200, 400},     // picker, at (380, 95)
        {s_bitmaps->m_hLedBitmap, 200, 400},      // picker, at (280, 95)
        {s_bitmaps->m_hPicABitmap, 400, 400},
        {s_bitmaps->m_hPicBBitmap, 400, 400},
        {s_bitmaps->m_hEmitterBitmap, 150, 360},  // clear of the lamp buttons
        {s_bitmaps->m_hReceiverBitmap, 180, 360}, // inside the 552-pixel dialog
    };
    for (const auto& l : limits) {
        EXPECT_FALSE(l.pixmap.isNull());
        EXPECT_LE(l.pixmap.width(), l.maxWidth);
        EXPECT_LE(l.pixmap.height(), l.maxHeight);
    }
    // Scaled on the settings screen it stays above the OK button row.
    EXPECT_LE(400 + DrawnBitmapSize(s_bitmaps->m_hPicBBitmap.width(), s_bitmaps->m_hPicBBitmap.height(), true).height(), 600);
}

TEST_F(MakeBitmaps, EveryChangeInThePictureTablesBlinksVisibly)
{
    ASSERT_TRUE(s_loaded);
    // Every pair of codes that an error row and a base row put at the same place.
    std::set<std::pair<std::string, std::string>> pairs;
    const struct {
        int series, side, rows;
    } tables[] = {{0, 1, 163}, {0, 2, 239}, {1, 1, 26}};
    for (const auto& t : tables) {
        for (int units : {0, 1, 2}) {
            for (int errNo = 1; errNo <= t.rows; ++errNo) {
                PictureRow err, base;
                ASSERT_TRUE(GetPictureRows(t.series, units, errNo, t.side, err, base));
                for (int k = 0; k < 13; ++k)
                    if (!err[k].empty() && err[k] != base[k])
                        pairs.insert({err[k], base[k]});
            }
        }
    }
    EXPECT_GT(pairs.size(), 20u);
    for (const auto& [a, b] : pairs) {
        const QImage ia = Tile(a), ib = Tile(b);
        ASSERT_FALSE(ia.isNull()) << a;
        ASSERT_EQ(ia.size(), ib.size()) << a << " " << b;
        EXPECT_GE(DifferingPixels(ia, ib), 40) << a << " vs " << b;
    }
}

TEST_F(MakeBitmaps, ErrorTilesDifferFromTheHealthyTileOfTheirPlace)
{
    ASSERT_TRUE(s_loaded);
    const std::map<char, std::string> healthy = {{'h', "h00"}, {'m', "m01"}, {'a', "a01"}, {'b', "b00"}};
    for (const char* code : g_pictureCodes) {
        const std::string c = code;
        const std::string good = c.rfind("ha", 0) == 0 ? "ha0" : healthy.at(c[0]);
        if (c == good || c == "m00" || c == "a00")
            continue;
        EXPECT_GE(DifferingPixels(Tile(c), Tile(good)), 40) << c;
    }
    // The no-unit tiles are plain background; the healthy ones are not.
    for (const char* empty : {"m00", "a00"}) {
        const QImage image = Tile(empty);
        EXPECT_EQ(CountColour(image, image.rect(), QColor(135, 255, 135)), image.width() * image.height());
    }
    EXPECT_GT(DifferingPixels(Tile("m00"), Tile("m01")), 500);
    EXPECT_GT(DifferingPixels(Tile("a00"), Tile("a01")), 300);
}

// A unit tile shows its lamps and a lit indicator, never a code of its own: the
// indicator of every fault tile looks alike and unlike the healthy unit's.
TEST_F(MakeBitmaps, FaultTilesLightTheIndicatorWithoutDigits)
{
    ASSERT_TRUE(s_loaded);
    const QRect indicator(0, 0, 60, 27); // above the lamps
    const QImage lit = Tile("m02").copy(indicator);
    for (int i = 3; i <= 16; ++i) {
        const std::string code = (i < 10 ? "m0" : "m") + std::to_string(i);
        EXPECT_EQ(Tile(code).copy(indicator), lit) << code;
    }
    EXPECT_GE(DifferingPixels(Tile("m01").copy(indicator), lit), 40);
}

// Composes the picture of each unit count as the main window does: its tiles
// fill the picture rectangle. With DARVELL_SHOT_DIR set, writes it there for a look.
TEST_F(MakeBitmaps, ComposedPictureOfEachUnitCountFitsThePictureRectangle)
{
    ASSERT_TRUE(s_loaded);
    const QByteArray shotDir = qgetenv("DARVELL_SHOT_DIR");
    AppState app;
    int previousBodies = -1;
    for (int units : {0, 1, 2}) {
        app.m_nUnitsIndex = units;
        PictureRow row;
        CBmpData::GetBaseRow(app, row);
        int width = 0;
        for (int column = 0; column < 3; ++column) {
            int height = 0;
            for (int k = column * 4; k < column * 4 + 4; ++k)
                height += Tile(row[k]).height();
            EXPECT_EQ(height, 274) << units << " column " << column;
            width += Tile(row[column * 4 + 3]).width();
        }
        EXPECT_LE(width, 188);
        EXPECT_LE(Tile(row[12]).width(), 188);
        EXPECT_LE(Tile(row[12]).height(), 51);

        QImage picture(188, 325, QImage::Format_RGB32);
        picture.fill(Qt::white);
        {
            QPainter painter(&picture);
            DrawPictureRow(painter, *s_bitmaps, row, 0, 0);
        }
        EXPECT_EQ(CountColour(picture, picture.rect(), Qt::white), 0) << units;
        // Fewer units, fewer drawn housings: count the housing colour.
        const int bodies = CountColour(picture, QRect(0, 34, 188, 240), QColor(72, 74, 82));
        if (previousBodies >= 0) {
            EXPECT_LT(bodies, previousBodies) << units;
        }
        previousBodies = bodies;
        if (!shotDir.isEmpty())
            picture.save(QString::fromLocal8Bit(shotDir) + QStringLiteral("/picture-%1-units.png").arg(3 - units));
    }
    // Tiles that share a place have one size, so the columns never shift.
    std::map<int, QSize> sizeAt;
    for (int i = 0; i < 33; ++i) {
        const std::string code = g_pictureCodes[i];
        const int family = code[0] == 'h' ? (code[1] == 'a' ? 1 : 0) : code[0] == 'm' ? 2 : code[0] == 'a' ? 3 : 4;
        const QSize size = s_bitmaps->m_hCodeBitmaps[i].size();
        if (sizeAt.count(family))
            EXPECT_EQ(size, sizeAt[family]) << code;
        else
            sizeAt[family] = size;
    }
}

} // namespace
