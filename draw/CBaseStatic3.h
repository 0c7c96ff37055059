#pragma once
#include "draw/CBaseStatic.h"

// Underlined step label: bold, 18 pixels, underlined.
class CBaseStatic3 : public CBaseStatic {
    Q_OBJECT
public:
    explicit CBaseStatic3(const AppState& app, QWidget* parent = nullptr)
        : CBaseStatic(app, 18, true, parent) {}
};
