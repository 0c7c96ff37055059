#pragma once
#include "draw/CBaseStatic.h"

// Small label: bold, 16 pixels.
class CBaseStatic4 : public CBaseStatic {
    Q_OBJECT
public:
    explicit CBaseStatic4(const AppState& app, QWidget* parent = nullptr)
        : CBaseStatic(app, 16, false, parent) {}
};
