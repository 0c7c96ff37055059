#include "BitmapArt.h"

#include "data/PictureTables.h"

#include <QPainter>
#include <QPainterPath>

#include <cstring>
#include <map>

namespace {

// The window background, so that tiles and pictures sit on the screen seamlessly.
const QColor kBack(135, 255, 135);
const QColor kHousing(72, 74, 82), kHousingEdge(28, 30, 34), kHousingLight(132, 136, 148);
const QColor kLensStrip(38, 14, 14), kLens(150, 40, 40);
const QColor kBeam(235, 30, 30), kBeamFaint(150, 150, 150);
const QColor kSegOn(255, 50, 40), kSegOff(42, 12, 12), kDisplay(10, 10, 10);

enum class Lamp { Green, Red, Orange, Off };
const QColor kLampColours[] = {{0, 210, 40}, {235, 0, 0}, {255, 150, 0}, {48, 56, 50}}; // in Lamp order

QColor LampColour(Lamp lamp)
{
    return kLampColours[static_cast<int>(lamp)];
}

QImage Canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kBack);
    return image;
}

void DrawLamp(QPainter& p, QPointF centre, qreal radius, Lamp lamp)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kHousingEdge, 1));
    p.setBrush(LampColour(lamp));
    p.drawEllipse(centre, radius, radius);
    if (lamp != Lamp::Off) { // a glint, so a lit lamp reads as lit
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 170));
        p.drawEllipse(centre + QPointF(-radius / 3, -radius / 3), radius / 3, radius / 3);
    }
    p.restore();
}

void DrawHousing(QPainter& p, const QRect& r)
{
    p.fillRect(r, kHousing);
    p.setPen(kHousingEdge);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(kHousingLight);
    p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
    p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
}

// Segment bits: a top, b upper right, c lower right, d bottom, e lower left,
// f upper left, g middle.
int Segments(char c)
{
    static const std::map<char, int> kSegments = {
        {'0', 63}, {'1', 6}, {'2', 91}, {'3', 79}, {'4', 102}, {'5', 109}, {'6', 125},
        {'7', 7}, {'8', 127}, {'9', 111}, {'A', 119}, {'C', 57}, {'E', 121}, {'F', 113},
        {'H', 118}, {'L', 56}, {'P', 115}, {'U', 62}, {'-', 64}, {' ', 0}};
    const auto it = kSegments.find(c);
    return it == kSegments.end() ? 0 : it->second;
}

// One seven-segment digit filling r; unlit segments stay faintly visible.
void DrawDigit(QPainter& p, const QRectF& r, char c, const QColor& on = kSegOn)
{
    const int bits = Segments(c);
    const qreal t = qMax<qreal>(1.5, r.width() / 6); // segment thickness
    const qreal l = r.left(), rt = r.right(), top = r.top(), bot = r.bottom();
    const qreal mid = (top + bot) / 2;
    const QRectF seg[7] = {
        {l + t, top, r.width() - 2 * t, t},              // a
        {rt - t, top + t, t, mid - top - 1.5 * t},       // b
        {rt - t, mid + t / 2, t, bot - mid - 1.5 * t},   // c
        {l + t, bot - t, r.width() - 2 * t, t},          // d
        {l, mid + t / 2, t, bot - mid - 1.5 * t},        // e
        {l, top + t, t, mid - top - 1.5 * t},            // f
        {l + t, mid - t / 2, r.width() - 2 * t, t},      // g
    };
    for (int i = 0; i < 7; ++i)
        p.fillRect(seg[i], (bits >> i) & 1 ? on : kSegOff);
}

void DrawDisplay(QPainter& p, const QRect& r, const char* text, const QColor& on = kSegOn)
{
    p.fillRect(r, kDisplay);
    const int n = int(std::strlen(text));
    const qreal pad = qMax(2, r.height() / 8);
    const qreal w = (r.width() - pad * (n + 1)) / n;
    for (int i = 0; i < n; ++i)
        DrawDigit(p, QRectF(r.left() + pad + i * (w + pad), r.top() + pad, w, r.height() - 2 * pad), text[i], on);
}

void DrawLensStrip(QPainter& p, const QRect& r, int lenses, bool covered)
{
    p.fillRect(r, kLensStrip);
    const qreal step = qreal(r.height()) / lenses;
    for (int i = 0; i < lenses; ++i) {
        const QRectF lens(r.left() + 3, r.top() + i * step + step / 2 - 1.5, r.width() - 6, 3);
        p.fillRect(lens, covered ? QColor(90, 80, 60) : kLens);
    }
    if (covered) { // dirt or an object over the front window
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 90, 40));
        p.drawEllipse(QRectF(r.left() - 2, r.center().y() - 8, r.width() + 4, 16));
        p.restore();
    }
}

// --- Tiles ---------------------------------------------------------------

// Lens rows of a body tile: the beams of the middle column line up with them.
constexpr int kLensTop = 42, kLensBottom = 74, kLensCount = 5;
int BeamY(int i)
{
    const qreal step = qreal(kLensBottom - kLensTop) / kLensCount;
    return kLensTop + int(i * step + step / 2);
}

struct BodyLook {
    Lamp upper, lower;
    bool covered;
};

// Healthy unit (m01) and the fault states; each differs from m01 in at least
// one lamp, and a fault lights the error indicator. The indicator shows no
// digits: the code the user entered is the one on the unit, and a sample tile
// showing another would read as a contradiction.
const std::map<std::string, BodyLook>& BodyLooks()
{
    static const std::map<std::string, BodyLook> kLooks = {
        {"m01", {Lamp::Green, Lamp::Green, false}},   {"m02", {Lamp::Red, Lamp::Green, false}},
        {"m03", {Lamp::Red, Lamp::Off, false}},       {"m04", {Lamp::Orange, Lamp::Green, false}},
        {"m05", {Lamp::Red, Lamp::Red, false}},       {"m06", {Lamp::Off, Lamp::Red, false}},
        {"m07", {Lamp::Red, Lamp::Orange, false}},    {"m08", {Lamp::Orange, Lamp::Orange, false}},
        {"m09", {Lamp::Off, Lamp::Off, false}},       {"m10", {Lamp::Green, Lamp::Red, false}},
        {"m11", {Lamp::Green, Lamp::Orange, true}},   {"m12", {Lamp::Red, Lamp::Green, true}},
        {"m13", {Lamp::Orange, Lamp::Red, false}},    {"m14", {Lamp::Red, Lamp::Off, true}},
        {"m15", {Lamp::Off, Lamp::Orange, false}},    {"m16", {Lamp::Orange, Lamp::Off, true}},
    };
    return kLooks;
}

// The error indicator lit as a whole: a glowing window, no segments.
void DrawLitIndicator(QPainter& p, const QRect& r)
{
    p.fillRect(r, kDisplay);
    p.fillRect(r.adjusted(2, 2, -2, -2), kSegOn.darker(160));
    p.fillRect(r.adjusted(4, 5, -4, -5), kSegOn);
}

QImage BodyTile(const std::string& code)
{
    QImage image = Canvas(kSideWidth, kBodyHeight);
    if (code == "m00") // no unit at this place
        return image;
    const BodyLook& look = BodyLooks().at(code);
    QPainter p(&image);
    DrawHousing(p, QRect(14, 2, 32, 76));
    if (code == "m01")
        DrawDisplay(p, QRect(18, 6, 24, 18), "  ");
    else
        DrawLitIndicator(p, QRect(18, 6, 24, 18));
    DrawLamp(p, QPointF(22.5, 32.5), 4, look.upper);
    DrawLamp(p, QPointF(37.5, 32.5), 4, look.lower);
    DrawLensStrip(p, QRect(20, kLensTop, 20, kLensBottom - kLensTop), kLensCount, look.covered);
    return image;
}

// Head of a side column: cap with a connector lamp and the cable going up.
QImage HeadTile(const std::string& code)
{
    QImage image = Canvas(kSideWidth, kHeadHeight);
    QPainter p(&image);
    const bool cut = code == "h03";
    p.fillRect(QRect(28, 0, 4, 12), kHousingEdge);
    if (cut) { // cable broken: a gap with frayed ends
        p.fillRect(QRect(27, 3, 6, 5), kBack);
        p.setPen(QPen(LampColour(Lamp::Red), 2));
        p.drawLine(22, 1, 38, 9);
        p.drawLine(22, 9, 38, 1);
    }
    DrawHousing(p, QRect(14, 12, 32, 22));
    const Lamp lamp = code == "h00" ? Lamp::Green : code == "h01" ? Lamp::Red
                    : code == "h02" ? Lamp::Orange : Lamp::Off;
    DrawLamp(p, QPointF(30, 23), 6, lamp);
    if (code == "h02") { // the connector lamp blinks: short rays
        p.setPen(QPen(LampColour(Lamp::Orange), 2));
        p.drawLine(16, 23, 21, 23);
        p.drawLine(39, 23, 44, 23);
    }
    return image;
}

QImage MiddleHeadTile(const std::string& code)
{
    QImage image = Canvas(kMiddleWidth, kHeadHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (code == "ha0") { // beam axis markers
        p.setPen(QPen(kBeamFaint, 1, Qt::DashLine));
        p.drawLine(4, 23, 63, 23);
        return image;
    }
    // ha1: warning triangle over the beam area
    QPainterPath tri;
    tri.moveTo(34, 3);
    tri.lineTo(52, 31);
    tri.lineTo(16, 31);
    tri.closeSubpath();
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(255, 220, 0));
    p.drawPath(tri);
    p.fillRect(QRectF(32.5, 12, 3, 11), Qt::black);
    p.fillRect(QRectF(32.5, 25, 3, 3), Qt::black);
    return image;
}

QImage MiddleBodyTile(const std::string& code)
{
    QImage image = Canvas(kMiddleWidth, kBodyHeight);
    if (code == "a00")
        return image;
    QPainter p(&image);
    auto beam = [&](int i, int x0, int x1, const QColor& c, Qt::PenStyle style = Qt::SolidLine) {
        p.setPen(QPen(c, 2, style));
        p.drawLine(x0, BeamY(i), x1, BeamY(i));
    };
    if (code == "a01") { // every beam through
        for (int i = 0; i < kLensCount; ++i)
            beam(i, 0, kMiddleWidth - 1, kBeam);
    } else if (code == "a02") { // an object blocks the lower beams
        for (int i = 0; i < kLensCount; ++i)
            beam(i, 0, i < 2 ? kMiddleWidth - 1 : 24, kBeam);
        p.fillRect(QRect(26, 50, 16, 28), QColor(40, 60, 170));
        p.setPen(Qt::black);
        p.drawRect(QRect(26, 50, 15, 27));
    } else if (code == "a03") { // no emission at all
        for (int i = 0; i < kLensCount; ++i)
            beam(i, 0, kMiddleWidth - 1, kBeamFaint, Qt::DotLine);
    } else if (code == "a04") { // extraneous light falling in
        for (int i = 0; i < kLensCount; ++i)
            beam(i, 0, kMiddleWidth - 1, kBeam);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 235, 0));
        p.drawEllipse(QPointF(34, 14), 8, 8);
        p.setPen(QPen(QColor(255, 200, 0), 2));
        for (int k = -2; k <= 2; ++k)
            p.drawLine(QPointF(34 + k * 4, 24), QPointF(34 + k * 10, 40));
    } else if (code == "a05") { // misaligned: beams miss the receiver
        p.setRenderHint(QPainter::Antialiasing, true);
        for (int i = 0; i < kLensCount; ++i) {
            p.setPen(QPen(kBeam, 2));
            p.drawLine(QPointF(0, BeamY(i)), QPointF(kMiddleWidth - 1, BeamY(i) - 22));
        }
    }
    return image;
}

// Strip below the columns: the cables of both units meet in the control unit.
QImage StripTile(const std::string& code)
{
    QImage image = Canvas(kStripWidth, kStripHeight);
    QPainter p(&image);
    const int leftX = kSideWidth / 2, rightX = kSideWidth + kMiddleWidth + kSideWidth / 2;
    const QColor cable = kHousingEdge;
    p.fillRect(QRect(leftX - 2, 0, 4, 26), cable);
    p.fillRect(QRect(rightX - 2, 0, 4, 26), cable);
    p.fillRect(QRect(leftX - 2, 24, 30, 4), cable);
    p.fillRect(QRect(rightX - 28, 24, 30, 4), cable);
    const QRect box(56, 10, 76, 34);
    DrawHousing(p, box);
    Lamp lamps[3] = {Lamp::Green, Lamp::Green, Lamp::Green};
    if (code == "b01")
        lamps[0] = Lamp::Red;
    else if (code == "b02")
        lamps[0] = lamps[1] = lamps[2] = Lamp::Orange;
    else if (code == "b03")
        lamps[0] = lamps[1] = lamps[2] = Lamp::Off;
    for (int i = 0; i < 3; ++i)
        DrawLamp(p, QPointF(box.left() + 16 + i * 22, box.center().y() + 1), 6, lamps[i]);
    if (code == "b03") { // power cable cut
        p.fillRect(QRect(leftX - 3, 8, 6, 8), kBack);
        p.setPen(QPen(LampColour(Lamp::Red), 2));
        p.drawLine(leftX - 8, 6, leftX + 8, 18);
        p.drawLine(leftX - 8, 18, leftX + 8, 6);
    }
    return image;
}

// --- Pictures --------------------------------------------------------------

// Stroke letters on a 4 x 6 grid, for the logo.
void DrawLetter(QPainter& p, char c, QPointF origin, qreal unit)
{
    static const std::map<char, std::vector<std::vector<QPointF>>> kStrokes = {
        {'R', {{{0, 6}, {0, 0}, {3, 0}, {4, 1}, {4, 2}, {3, 3}, {0, 3}}, {{2, 3}, {4, 6}}}},
        {'V', {{{0, 0}, {2, 6}, {4, 0}}}},
        {'A', {{{0, 6}, {2, 0}, {4, 6}}, {{1, 4}, {3, 4}}}},
        {'N', {{{0, 6}, {0, 0}, {4, 6}, {4, 0}}}},
        {'E', {{{4, 0}, {0, 0}, {0, 6}, {4, 6}}, {{0, 3}, {3, 3}}}},
    };
    for (const auto& stroke : kStrokes.at(c)) {
        QPainterPath path;
        for (std::size_t i = 0; i < stroke.size(); ++i) {
            const QPointF pt = origin + stroke[i] * unit;
            i == 0 ? path.moveTo(pt) : path.lineTo(pt);
        }
        p.drawPath(path);
    }
}

QImage Logo()
{
    QImage image(120, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor blue(20, 50, 150);
    p.setPen(QPen(blue, 4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(20, 20), 13, 13);
    p.setPen(QPen(kBeam, 3));
    p.drawLine(QPointF(9, 20), QPointF(31, 20));
    p.setPen(QPen(blue, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const char* letters = "RVANE";
    for (int i = 0; i < 5; ++i)
        DrawLetter(p, letters[i], QPointF(40 + i * 15.5, 9), 3.5);
    p.setPen(QPen(blue, 1));
    p.drawRect(QRectF(0.5, 0.5, 119, 39));
    return image;
}

// An arrow from the left pointing at tip.
void DrawPointer(QPainter& p, QPointF tip, qreal length)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(20, 50, 150), 4));
    p.drawLine(tip - QPointF(length, 0), tip);
    p.drawLine(tip - QPointF(8, 8), tip);
    p.drawLine(tip - QPointF(8, -8), tip);
}

// Close-up of a unit's top: the two-digit error indicator and the lamps.
QImage SevenSegPicture()
{
    QImage image = Canvas(180, 300);
    QPainter p(&image);
    DrawHousing(p, QRect(30, 10, 120, 280));
    DrawDisplay(p, QRect(45, 30, 90, 70), "E1");
    DrawLamp(p, QPointF(60, 130), 10, Lamp::Red);
    DrawLamp(p, QPointF(120, 130), 10, Lamp::Green);
    DrawLensStrip(p, QRect(70, 160, 40, 120), 6, false);
    DrawPointer(p, QPointF(38, 65), 30); // read the code here
    return image;
}

// Close-up of a unit with a column of indicator lamps instead of digits.
QImage LedPicture()
{
    QImage image = Canvas(160, 300);
    QPainter p(&image);
    DrawHousing(p, QRect(30, 10, 100, 280));
    const Lamp lamps[4] = {Lamp::Green, Lamp::Orange, Lamp::Red, Lamp::Off};
    for (int i = 0; i < 4; ++i)
        DrawLamp(p, QPointF(80, 40 + i * 32), 10, lamps[i]);
    DrawLensStrip(p, QRect(62, 175, 36, 105), 5, false);
    DrawPointer(p, QPointF(56, 88), 50);
    return image;
}

// A pair of units with beams between them; the indicator kind tells the series.
QImage SeriesPicture(bool digits)
{
    QImage image = Canvas(160, 240);
    QPainter p(&image);
    for (int x : {12, 116}) {
        DrawHousing(p, QRect(x, 10, 32, 220));
        if (digits)
            DrawDisplay(p, QRect(x + 4, 16, 24, 18), "88");
        else
            for (int i = 0; i < 3; ++i)
                DrawLamp(p, QPointF(x + 16, 22 + i * 11), 4, i == 0 ? Lamp::Green : Lamp::Orange);
        DrawLensStrip(p, QRect(x + 8, 60, 16, 160), 8, false);
    }
    for (int i = 0; i < 8; ++i) {
        const int y = 60 + i * 20 + 10;
        p.setPen(QPen(kBeam, 2));
        p.drawLine(44, y, 115, y);
    }
    if (!digits) // the other series has a different front
        p.fillRect(QRect(44, 10, 72, 6), QColor(40, 60, 170));
    return image;
}

// One unit seen from the front with its indicator and the two lamps the
// additional conditions ask about, marked by rings.
QImage UnitPicture(bool emitter)
{
    const int w = emitter ? 140 : 170;
    QImage image = Canvas(w, 340);
    QPainter p(&image);
    const int x = (w - 70) / 2;
    DrawHousing(p, QRect(x, 8, 70, 324));
    DrawDisplay(p, QRect(x + 10, 20, 50, 40), emitter ? "E1" : "C1");
    const QPointF interlock(x + 20, 90), halt(x + 50, 90);
    DrawLamp(p, interlock, 8, Lamp::Orange);
    DrawLamp(p, halt, 8, emitter ? Lamp::Red : Lamp::Green);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(20, 50, 150), 2));
    p.drawEllipse(interlock, 13, 13);
    p.drawEllipse(halt, 13, 13);
    p.setRenderHint(QPainter::Antialiasing, false);
    DrawLensStrip(p, QRect(x + 22, 120, 26, 200), 10, false);
    // beams leave the emitter to the right and reach the receiver from the left
    p.setPen(QPen(kBeam, 2));
    for (int i = 0; i < 10; ++i) {
        const int y = 120 + i * 20 + 10;
        if (emitter)
            p.drawLine(x + 72, y, w - 2, y);
        else
            p.drawLine(1, y, x - 2, y);
    }
    if (!emitter) { // the receiver's output wires below the display
        p.setPen(QPen(kHousingEdge, 3));
        p.drawLine(x + 70, 40, w - 4, 40);
        p.drawLine(x + 70, 52, w - 4, 52);
    }
    return image;
}

} // namespace

QImage DrawTile(const std::string& code)
{
    if (code.size() != 3)
        return {};
    if (code == "ha0" || code == "ha1")
        return MiddleHeadTile(code);
    if (code >= "h00" && code <= "h03")
        return HeadTile(code);
    if (BodyLooks().count(code) || code == "m00")
        return BodyTile(code);
    if (code >= "a00" && code <= "a05")
        return MiddleBodyTile(code);
    if (code >= "b00" && code <= "b03")
        return StripTile(code);
    return {};
}

QImage DrawPictureArt(Picture picture)
{
    switch (picture) {
    case Picture::Logo: return Logo();
    case Picture::Led: return LedPicture();
    case Picture::SevenSeg: return SevenSegPicture();
    case Picture::PicA: return SeriesPicture(false);
    case Picture::PicB: return SeriesPicture(true);
    case Picture::Emitter: return UnitPicture(true);
    case Picture::Receiver: return UnitPicture(false);
    }
    return {};
}

std::vector<NamedImage> AllBitmaps()
{
    std::vector<NamedImage> all;
    for (const char* code : g_pictureCodes)
        all.push_back({std::string(code) + ".bmp", DrawTile(code)});
    for (const PictureInfo& picture : g_pictureTable)
        all.push_back({picture.file, DrawPictureArt(picture.picture)});
    return all;
}
