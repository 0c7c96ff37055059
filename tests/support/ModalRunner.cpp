#include "ModalRunner.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace {

void Poll(std::function<void(QWidget*)> action, int triesLeft)
{
    QWidget* modal = QApplication::activeModalWidget();
    if ((modal && modal->isVisible() && modal->isActiveWindow()) || triesLeft == 0) {
        action(modal);
        return;
    }
    QTimer::singleShot(10, [action = std::move(action), triesLeft] { Poll(action, triesLeft - 1); });
}

} // namespace

void WhenModalShown(std::function<void(QWidget* dialog)> action)
{
    QTimer::singleShot(0, [action = std::move(action)] { Poll(action, 300); });
}
