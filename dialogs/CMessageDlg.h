#pragma once
#include "dialogs/CTemplateDialog.h"

#include <functional>
#include <string>

// The program's message box: one of the eleven numbered messages in the
// current language, an OK button and a close box; Escape does not close it.
class CMessageDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CMessageDlg(AppState& app, QWidget* parent = nullptr);

    // Sets the title and the message text from m_nMsg, then runs the box.
    int DoModal() override;

    int m_nMsg = 0; // message number 0..10, set by the caller before DoModal
    std::string m_strText; // when not empty, shown instead of message m_nMsg

    // When set, DoModal hands (message number, language) to the hook and returns
    // IDOK instead of showing the box: lets tests of whole runs see what the
    // user would have been told. Pass an empty function to restore.
    using ShowHook = std::function<void(int msg, int language)>;
    static void SetShowHookForTesting(ShowHook hook);

private:
    void OnInitDialog() override;
};

// Shows a message in the program's message box and waits for OK.
void ShowMessage(AppState& app, Message msg);
// The same for any text (number -1 to the test hook), and for a text of the
// catalogue in the current language.
void ShowMessage(AppState& app, const std::string& text);
void ShowMessage(AppState& app, const LocalText& text);
