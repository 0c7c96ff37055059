#pragma once
#include "draw/CBaseStatic.h"

// Ordinary label: bold, 18 pixels.
class CBaseStatic1 : public CBaseStatic {
    Q_OBJECT
public:
    explicit CBaseStatic1(const AppState& app, QWidget* parent = nullptr)
        : CBaseStatic(app, 18, false, parent) {}
};
