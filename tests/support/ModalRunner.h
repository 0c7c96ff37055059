#pragma once
#include <functional>

class QWidget;

// Runs action on the next modal dialog once it is shown, from the event loop
// of its exec(). Schedule before calling the code that runs the dialog.
void WhenModalShown(std::function<void(QWidget* dialog)> action);
