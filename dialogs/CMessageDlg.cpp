#include "dialogs/CMessageDlg.h"

#include "data/AppState.h"
#include "data/TextCatalogue.h"

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

void CMessageDlg::OnInitDialog()
{
    const int language = Language();
    SetTitle(g_strMessageTitle[language]);
    // A number outside the table shows an empty box rather than reading past it.
    const bool known = m_nMsg >= 0 && m_nMsg < int(g_strMessage.size());
    SetText(1063, !m_strText.empty() ? m_strText.c_str() : known ? g_strMessage[m_nMsg][language] : "");
}

int CMessageDlg::DoModal()
{
    OnInitDialog();
    if (Hook()) {
        Hook()(m_nMsg, App().m_nLanguage);
        return IDOK;
    }
    return CTemplateDialog::DoModal();
}
