#include "draw/CBaseButton.h"

#include "data/AppState.h"
#include "draw/ControlFont.h"
#include "draw/ControlPaint.h"

#include <QPainter>

CBaseButton::CBaseButton(const AppState& app, QWidget* parent)
    : QAbstractButton(parent)
{
    setFont(ControlFont(18, false, app.m_bNonCjkSystem));
}

void CBaseButton::SetEnteredLook()
{
    m_crDisabledBack = QColor(255, 255, 255);
    m_crDisabledText = QColor(0, 0, 0);
}

void CBaseButton::ResetEnteredLook()
{
    m_crDisabledBack = QColor(0, 0, 0);
    m_crDisabledText = QColor(0, 0, 0);
}

QSize CBaseButton::sizeHint() const
{
    return ControlSizeHint(fontMetrics(), text());
}

void CBaseButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (isDown())
        DrawButtonFace(painter, *this, m_crPushedBack, m_crPushedText, true, hasFocus());
    else if (!isEnabled())
        DrawButtonFace(painter, *this, m_crDisabledBack, m_crDisabledText, false, hasFocus());
    else
        DrawButtonFace(painter, *this, m_crNormalBack, m_crNormalText, false, hasFocus());
}
