#pragma once
#include "data/PictureTables.h"
#include "bitmaps/Bitmaps.h"

#include <QImage>
#include <QPixmap>
#include <array>
#include <span>
#include <string>

struct AppState;
class QPainter;

// Loading of the bitmap files and the lookups around them. Holds no state:
// every operation works on the slots and settings it is handed.
class CBmpData {
public:
    virtual ~CBmpData() = default;

    // The 33 tiles into codeSlots[0..32] in code order; false at the first file that
    // fails (that slot is left null, the slots after it untouched).
    static bool LoadCodeBitmaps(QPixmap* codeSlots);
    // "\QL7_Tool\<name>" beside the executable, read as a BMP file; the slot
    // gets the image or a null pixmap.
    static bool LoadBitmapFile(std::string name, QPixmap* slot);
    // The file at a path, read as LoadBitmapFile reads it.
    static bool LoadBitmapPath(const std::string& path, QPixmap* slot);
    // The seven pictures in g_pictureTable order; false at the first that fails.
    static bool LoadPictures(Bitmaps& bitmaps);

    // The file at a path as an image, read and checked as LoadBitmapPath reads
    // it; needs no pixmap, so any thread may call it.
    static bool DecodeBitmapPath(const std::string& path, QImage& image);

    // Every bitmap of start-up, in the order LoadCodeBitmaps and then
    // LoadPictures load them. Those the first screen draws are decoded as
    // images at once; the others are read whole and their headers and
    // lengths checked, but not kept: they are read again and decoded when
    // the later screens need them. Any thread may
    // read and decode; only the GUI thread makes the pixmaps. Together the
    // same as those two loads.
    static constexpr int kStartupBitmapCount = 33 + 7;
    struct StartupImages {
        std::array<QImage, kStartupBitmapCount> images;
        std::array<bool, kStartupBitmapCount> checked{}; // read and checked, not yet decoded
        int failed = -1; // the first file that could not be read (its images and later ones null), or -1
    };
    static StartupImages DecodeStartupBitmaps(std::span<const Picture> firstScreen);
    // The decoded images before the first failure become their slots'
    // pixmaps and the failed slot is null, as the loads leave them; false
    // when one failed. The checked files are left for AdoptCheckedBitmaps.
    static bool AdoptStartupBitmaps(StartupImages& decoded, Bitmaps& bitmaps);
    // Reads and decodes the checked files into their slots; false at the
    // first that fails (that slot is left null): a file removed or changed
    // since the check.
    static bool AdoptCheckedBitmaps(StartupImages& decoded, Bitmaps& bitmaps);

    // The slot of a picture code (exact, case-sensitive match), or fallback.
    static const QPixmap* GetCodeBitmap(const Bitmaps& bitmaps, const std::string& code,
                                        const QPixmap* fallback);

    // Picture rows for the series and unit count held by app.
    static bool GetPictureRows(const AppState& app, int errNo, PictureRow& errorRow,
                               PictureRow& baseRow, int side);
    static bool GetBaseRow(const AppState& app, PictureRow& row);

    // File name of each code slot ("h00.bmp" ...), in slot order.
    static std::string CodeFileName(int slot);
};

// Opaque copy of a stored bitmap with its top-left at (x, y): at its own size,
// or 80 pixels wide with the height scaled and truncated. A null or empty slot
// draws nothing.
void DrawBitmapAt(QPainter& painter, const QPixmap* slot, int x, int y, bool scaled);

// Size DrawBitmapAt gives a w x h bitmap.
QSize DrawnBitmapSize(int w, int h, bool scaled);

// The light-curtain picture of one row with its origin at (x0, y0): codes 0..3
// down the left column, 4..7 down the middle, 8..11 down the right, each column
// as wide as the previous column's last tile; code 12 at (x0, y0 + kColumnHeight). A code
// without a bitmap draws nothing and takes no room.
void DrawPictureRow(QPainter& painter, const Bitmaps& bitmaps, const PictureRow& row, int x0, int y0);
