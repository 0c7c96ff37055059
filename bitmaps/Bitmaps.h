// bitmaps/: the bitmap store, the drawing of stored pictures and the icon;
// Qt Gui, no widgets.
#pragma once
#include <QPixmap>
#include <array>

class QPainter;

// Every image the program shows, loaded once at start-up and kept by the
// application object for the whole run. A null pixmap is a slot not (or not
// successfully) loaded.
struct Bitmaps {
    std::array<QPixmap, 33> m_hCodeBitmaps; // tiles, in picture-code slot order
    QPixmap m_hLogoBitmap;
    QPixmap m_hLedBitmap;
    QPixmap m_h7SegBitmap;
    QPixmap m_hPicABitmap;
    QPixmap m_hPicBBitmap;
    QPixmap m_hEmitterBitmap;
    QPixmap m_hReceiverBitmap;
};

// The seven single pictures, in load order, and what is known about each.
enum class Picture { Logo, Led, SevenSeg, PicA, PicB, Emitter, Receiver };
struct PictureInfo {
    Picture picture;
    const char* file;
    QPixmap Bitmaps::*slot;
    const char* screen; // "no screen" for the picture that is loaded but never drawn
    int x, y;           // top-left; x counts back from the right edge when fromRight
    bool fromRight;
    bool scaled;        // drawn 80 px wide, height scaled and truncated
};

extern const std::array<PictureInfo, 7> g_pictureTable; // g_pictureTable[int(p)] describes p

// Left edge of a picture on a screen of the given width, and the picture drawn there.
int PictureLeft(const PictureInfo& info, int screenWidth);
void DrawPicture(QPainter& painter, const Bitmaps& bitmaps, Picture p, int screenWidth);
