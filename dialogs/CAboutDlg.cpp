#include "dialogs/CAboutDlg.h"

CAboutDlg::CAboutDlg(AppState& app, QWidget* parent)
    : CTemplateDialog(g_tmplAbout, app, parent, Look::Plain)
{
    setFont(QFont(QString::fromUtf8("ＭＳ Ｐゴシック"), 9));
    SetTitle("Darvellのﾊﾞｰｼﾞｮﾝ情報");
}
