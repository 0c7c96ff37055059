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
