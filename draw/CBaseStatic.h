#pragma once
#include <QLabel>

struct AppState;

// A label in one of the program's fixed bold fonts. Its background is the
// owner's light green (transparent) unless the owner asks for white.
class CBaseStatic : public QLabel {
    Q_OBJECT
public:
    CBaseStatic(const AppState& app, int pixelHeight, bool underline, QWidget* parent = nullptr);

    void SetWhiteBackground(bool white);
    bool HasWhiteBackground() const { return autoFillBackground(); }
};

// A CBaseStatic of one font, fixed by its class.
template <int PixelHeight, bool Underline>
class CBaseStaticStyle : public CBaseStatic {
public:
    explicit CBaseStaticStyle(const AppState& app, QWidget* parent = nullptr)
        : CBaseStatic(app, PixelHeight, Underline, parent) {}
};

// The four label classes the dialog templates name; each has a class of its
// own (and meta-object) so that qobject_cast tells them apart.
// Ordinary label: bold, 18 pixels.
class CBaseStatic1 : public CBaseStaticStyle<18, false> { Q_OBJECT public: using CBaseStaticStyle::CBaseStaticStyle; };
// Large underlined title: bold, 25 pixels, underlined.
class CBaseStatic2 : public CBaseStaticStyle<25, true> { Q_OBJECT public: using CBaseStaticStyle::CBaseStaticStyle; };
// Underlined step label: bold, 18 pixels, underlined.
class CBaseStatic3 : public CBaseStaticStyle<18, true> { Q_OBJECT public: using CBaseStaticStyle::CBaseStaticStyle; };
// Small label: bold, 16 pixels.
class CBaseStatic4 : public CBaseStaticStyle<16, false> { Q_OBJECT public: using CBaseStaticStyle::CBaseStaticStyle; };
