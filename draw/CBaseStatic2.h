#pragma once
#include "draw/CBaseStatic.h"

// Large underlined title: bold, 25 pixels, underlined.
class CBaseStatic2 : public CBaseStatic {
    Q_OBJECT
public:
    explicit CBaseStatic2(const AppState& app, QWidget* parent = nullptr)
        : CBaseStatic(app, 25, true, parent) {}
};
