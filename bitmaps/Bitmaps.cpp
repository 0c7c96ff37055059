#include "bitmaps/Bitmaps.h"

#include "bitmaps/CBmpData.h"

const std::array<PictureInfo, 7> g_pictureTable{{
    {Picture::Logo, "Orvane_logo.bmp", &Bitmaps::m_hLogoBitmap, "main window and settings screen", 125, 2, true, false},
    {Picture::Led, "ql7a_led.bmp", &Bitmaps::m_hLedBitmap, "error-code picker (QL7-A series)", 280, 95, false, false},
    {Picture::SevenSeg, "ql7b_7seg.bmp", &Bitmaps::m_h7SegBitmap, "error-code picker (QL7B series)", 380, 95, false, false},
    {Picture::PicA, "QL7-A_pic.bmp", &Bitmaps::m_hPicABitmap, "no screen", 0, 0, false, false},
    {Picture::PicB, "QL7B_pic.bmp", &Bitmaps::m_hPicBBitmap, "settings screen", 330, 400, false, true},
    {Picture::Emitter, "ql7b-e.bmp", &Bitmaps::m_hEmitterBitmap, "additional-conditions dialog", 38, 61, false, false},
    {Picture::Receiver, "ql7b-r.bmp", &Bitmaps::m_hReceiverBitmap, "additional-conditions dialog", 366, 61, false, false},
}};

int PictureLeft(const PictureInfo& info, int screenWidth)
{
    return info.fromRight ? screenWidth - info.x : info.x;
}

void DrawPicture(QPainter& painter, const Bitmaps& bitmaps, Picture p, int screenWidth)
{
    const PictureInfo& info = g_pictureTable[static_cast<int>(p)];
    DrawBitmapAt(painter, &(bitmaps.*info.slot), PictureLeft(info, screenWidth), info.y, info.scaled);
}
