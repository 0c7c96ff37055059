// draw/: the bitmap store and its blit, and the owner-drawn controls that give
// every screen its look.
#pragma once
#include <QPixmap>
#include <array>

// Every image the program shows, loaded once at start-up and kept by the
// application object for the whole run. A null pixmap is a slot not (or not
// successfully) loaded.
struct Bitmaps {
    std::array<QPixmap, 33> m_hCodeBitmaps; // tiles, in picture-code slot order
    QPixmap m_hLogoBitmap;     // "Orvane_logo.bmp"
    QPixmap m_hLedBitmap;      // "ql7a_led.bmp"
    QPixmap m_h7SegBitmap;     // "ql7b_7seg.bmp"
    QPixmap m_hPicABitmap;     // "QL7-A_pic.bmp"
    QPixmap m_hPicBBitmap;     // "QL7B_pic.bmp"
    QPixmap m_hEmitterBitmap;  // "ql7b-e.bmp"
    QPixmap m_hReceiverBitmap; // "ql7b-r.bmp"
};
