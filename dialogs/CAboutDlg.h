#pragma once
#include "dialogs/CTemplateDialog.h"

// The About box: the icon and an OK button, in the system's own look and with
// the normal keys (Escape closes it).
class CAboutDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(AppState& app, QWidget* parent = nullptr);
};
