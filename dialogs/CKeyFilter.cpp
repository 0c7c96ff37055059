#include "dialogs/CKeyFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

CKeyFilter* CKeyFilter::Install(QWidget* dialog)
{
    return new CKeyFilter(dialog);
}

CKeyFilter::CKeyFilter(QWidget* dialog)
    : QObject(dialog), m_dialog(dialog)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

bool CKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_dialog)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape)
        return true;
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    // A text box or a list takes Enter as its own (a typed filter, a chosen row).
    if (widget->inherits("QLineEdit") || widget->inherits("QAbstractItemView"))
        return false;
    QKeyEvent space(type, Qt::Key_Space, key->modifiers() & ~Qt::KeypadModifier,
                    QStringLiteral(" "), key->isAutoRepeat(), ushort(key->count()));
    QCoreApplication::sendEvent(watched, &space);
    return true;
}
