#include "dialogs/CMessageDlg.h"

#include "data/AppState.h"
#include "data/TextCatalogue.h"
#include "data/UnitRules.h"

namespace {

CMessageDlg::ShowHook& Hook()
{
    static CMessageDlg::ShowHook hook;
    return hook;
}

} // namespace

CMessageDlg::CMessageDlg(AppState& app, QWidget* parent)
    : CTemplateDialog(g_tmplMessage, app, parent)
{
}

void CMessageDlg::SetShowHookForTesting(ShowHook hook)
{
    Hook() = std::move(hook);
}

void ShowMessage(AppState& app, Message msg)
{
    CMessageDlg box(app);
    box.m_nMsg = static_cast<int>(msg);
    box.DoModal();
}

void ShowMessage(AppState& app, const std::string& text)
{
    CMessageDlg box(app);
    box.m_nMsg = -1;
    box.m_strText = text;
    box.DoModal();
}

void ShowMessage(AppState& app, const LocalText& text)
{
    ShowMessage(app, std::string(text[LanguageIndex(app.m_nLanguage)]));
}

void CMessageDlg::OnInitDialog()
{
    const int language = Language();
    SetTitle(g_strMessageTitle[language]);
    // A number outside the table shows an empty box rather than reading past it.
    const bool known = m_nMsg >= 0 && m_nMsg < int(g_strMessage.size());
    SetText(IDC_MESSAGE, !m_strText.empty() ? m_strText.c_str() : known ? g_strMessage[m_nMsg][language] : "");
}

int CMessageDlg::DoModal()
{
    if (!Hook())
        return CTemplateDialog::DoModal();
    OnInitDialog();
    Hook()(m_nMsg, App().m_nLanguage);
    return IDOK;
}
