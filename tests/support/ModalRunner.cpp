#include "ModalRunner.h"

#include "dialogs/CTemplateDialog.h"
#include "draw/CBaseButton.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

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

int RunModal(CTemplateDialog& dlg, std::function<void()> action)
{
    WhenModalShown([&dlg, action = std::move(action)](QWidget* shown) {
        if (shown != &dlg)
            ADD_FAILURE() << "another window than the dialog under test is modal";
        action();
        if (!dlg.isVisible())
            return;
        if (auto* cancel = dlg.Control<CBaseButton>(CTemplateDialog::IDCANCEL))
            QTest::mouseClick(cancel, Qt::LeftButton);
        else
            dlg.reject();
    });
    return dlg.DoModal();
}
