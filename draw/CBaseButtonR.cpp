#include "draw/CBaseButtonR.h"

#include "data/AppState.h"
#include "draw/ControlFont.h"
#include "draw/ControlPaint.h"

#include <QAccessibleWidget>
#include <QPainter>

#include <mutex>

namespace {

// Screen readers announce these buttons as radio buttons, as Qt's own are,
// with the check state the owner keeps; pressing or toggling is a click.
class CBaseButtonRAccessible : public QAccessibleWidget {
public:
    explicit CBaseButtonRAccessible(CBaseButtonR* button)
        : QAccessibleWidget(button, QAccessible::RadioButton)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return Button()->text();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = Button()->GetCheck() == 1;
        return s;
    }

    QStringList actionNames() const override
    {
        return {pressAction(), toggleAction()};
    }

    void doAction(const QString& name) override
    {
        if (name == pressAction() || name == toggleAction())
            Button()->click();
    }

private:
    CBaseButtonR* Button() const { return static_cast<CBaseButtonR*>(widget()); }
};

QAccessibleInterface* AccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("CBaseButtonR") && object && object->isWidgetType())
        return new CBaseButtonRAccessible(static_cast<CBaseButtonR*>(object));
    return nullptr;
}

} // namespace

CBaseButtonR::CBaseButtonR(const AppState& app, QWidget* parent)
    : QAbstractButton(parent)
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(AccessibleFactory); });
    setFont(ControlFont(18, false, app.m_bNonCjkSystem));
    // Checkable only so that accessibility tools read the check state; the
    // state itself is m_bChecked, mirrored into QAbstractButton.
    setCheckable(true);
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (on == m_bChecked)
            return;
        // Someone other than SetCheck (an assistive tool's toggle action) flipped
        // it: restore the state and hand the request to the owner as a click.
        setChecked(m_bChecked);
        click();
    });
}

void CBaseButtonR::SetCheck(int nCheck)
{
    m_bChecked = nCheck == 1;
    setChecked(m_bChecked);
    update();
}

int CBaseButtonR::GetCheck() const
{
    return m_bChecked ? 1 : 0;
}

QSize CBaseButtonR::sizeHint() const
{
    return ControlSizeHint(fontMetrics(), text());
}

void CBaseButtonR::nextCheckState()
{
    // A click never changes the state by itself.
}

void CBaseButtonR::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!isEnabled()) // checked or not, a disabled button looks the same
        DrawButtonFace(painter, *this, m_crDisabledBack, m_crDisabledText, false, false);
    else if (m_bChecked)
        DrawButtonFace(painter, *this, m_crOnBack, m_crOnText, true, hasFocus());
    else
        DrawButtonFace(painter, *this, m_crOffBack, m_crOffText, false, hasFocus());
}
