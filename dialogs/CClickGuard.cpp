#include "dialogs/CClickGuard.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWidget>

CClickGuard::CClickGuard()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

CClickGuard::~CClickGuard()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool CClickGuard::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Show || type == QEvent::Hide) {
        // A tooltip comes and goes with the pointer and covers nothing one clicks.
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->isWindow() && widget->windowType() != Qt::ToolTip)
            m_sinceWindowChange.start();
        return false;
    }
    if ((type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease
         && type != QEvent::MouseButtonDblClick) || !watched->isWindowType())
        return false;
    // The window's own events, before Qt hands them to a widget in it.
    auto* window = static_cast<QWindow*>(watched);
    const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
    switch (type) {
    case QEvent::MouseButtonPress: {
        // The second press of a double click: the press before came within the
        // interval, a window changed since, and this one lands elsewhere (also
        // when the window of the press before is gone).
        const bool quick = m_sinceLastPress.isValid()
            && m_sinceLastPress.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval();
        const bool changedSince = m_sinceWindowChange.isValid()
            && m_sinceWindowChange.elapsed() <= m_sinceLastPress.elapsed();
        const bool elsewhere = m_lastPressWindow != window;
        m_lastPressWindow = window;
        m_sinceLastPress.start();
        m_dropping.setFlag(button, quick && changedSince && elsewhere);
        return m_dropping.testFlag(button);
    }
    case QEvent::MouseButtonDblClick:
        return m_dropping.testFlag(button);
    default: // release
        if (!m_dropping.testFlag(button))
            return false;
        m_dropping.setFlag(button, false);
        return true;
    }
}
