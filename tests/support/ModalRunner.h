#pragma once
#include <functional>

class CTemplateDialog;
class QWidget;

// Runs action on the next modal dialog once it is shown, from the event loop
// of its exec(). Schedule before calling the code that runs the dialog.
void WhenModalShown(std::function<void(QWidget* dialog)> action);

// Runs dlg modally and hands it to action once shown. If action leaves it open,
// its cancel button (or, without one, the close box) ends it, so a test never
// hangs on a dialog. Returns the dialog's result.
int RunModal(CTemplateDialog& dlg, std::function<void()> action);
