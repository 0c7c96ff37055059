#include "draw/CBaseButton.h"

#include "data/AppState.h"
#include "draw/ButtonText.h"
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
    const QRect r = rect();
    QColor back, fore;
    bool sunken = false;
    if (isDown()) {
        back = m_crPushedBack;
        fore = m_crPushedText;
        sunken = true;
    } else if (!isEnabled()) {
        back = m_crDisabledBack;
        fore = m_crDisabledText;
    } else {
        back = m_crNormalBack;
        fore = m_crNormalText;
    }
    painter.fillRect(r, back);
    DrawButtonText(painter, r, fore, text());
    DrawControlEdge(painter, r, palette(), sunken);
    if (hasFocus())
        DrawControlFocus(painter, r, fore);
}
