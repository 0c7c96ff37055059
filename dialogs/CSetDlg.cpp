#include "dialogs/CSetDlg.h"

#include "data/AppState.h"
#include "data/COperateIni.h"
#include "data/TextCatalogue.h"
#include "dialogs/CMessageDlg.h"
#include "dialogs/FitText.h"
#include "draw/CBaseButtonR.h"
#include "draw/CBmpData.h"

#include <QPainter>

#include <cmath>

namespace {
constexpr int kChinese = 1012, kEnglish = 1013, kThirdLanguage = 1014;
constexpr int kQl7b = 1015, kQl7a = 1016, kThirdSeries = 1017;
constexpr int kMsgNoSettingFile = 5, kMsgCannotWrite = 7;
} // namespace

CSetDlg::CSetDlg(AppState& app, const Bitmaps& bitmaps, QWidget* parent)
    : CTemplateDialog(g_tmplSettings, app, parent), m_bitmaps(bitmaps)
{
    auto onClick = [this](int id, auto handler) {
        if (auto* b = Control<CBaseButtonR>(id))
            connect(b, &QAbstractButton::clicked, this, handler);
    };
    onClick(kChinese, [this] { OnLanguage(kChinese, 0); });
    onClick(kEnglish, [this] { OnLanguage(kEnglish, 1); });
    onClick(kQl7b, [this] { OnSeries(kQl7b, 0); });
    onClick(kQl7a, [this] { OnSeries(kQl7a, 1); });
    // 1014 and 1017 stand in the template only; they are disabled and do nothing.
}

void CSetDlg::ApplyTexts()
{
    const int language = Language();
    SetTitle(g_strSetTitle[language]);
    SetText(1042, g_strSetHeading[language]);
    SetText(1041, std::string(g_strSetVersionPrefix[language]) + g_strVersion);
    SetText(1040, g_strSetLightCurtain[language]);
    SetText(1039, g_strSetLanguage[language]);
    SetText(IDOK, g_strSetOk[language]);
    SetText(IDCANCEL, g_strSetExit[language]);
    SetText(1074, g_strSetStep1[language]);
    SetText(1075, g_strSetStep2[language]);
    FitAllTexts(*this);
}

void CSetDlg::OnInitDialog()
{
    ApplyTexts();
    for (int id : {kThirdLanguage, kThirdSeries})
        if (auto* b = Control(id))
            b->setEnabled(false);
    // Only the first series can be chosen.
    SetText(kQl7a, "");
    if (auto* b = Control(kQl7a))
        b->setEnabled(false);
    SetLanguageRadios(App().m_nLanguage);
    SetSeriesRadios(App().m_nSeries);

    // The settings give the outer size; a smaller screen shrinks the window.
    setFixedSize(FitToScreen(App()).client);
    MoveToTopLeft();
}

int CSetDlg::DoModal()
{
    OnInitDialog();
    return CTemplateDialog::DoModal();
}

void CSetDlg::SetRadios(const int (&ids)[3], int v)
{
    const int checked = v == 0 ? 0 : v == 1 ? 1 : 2;
    for (int k = 0; k < 3; ++k)
        if (auto* b = Control<CBaseButtonR>(ids[k]))
            b->SetCheck(k == checked ? 1 : 0);
}

void CSetDlg::SetLanguageRadios(int v)
{
    SetRadios({kChinese, kEnglish, kThirdLanguage}, v);
}

void CSetDlg::SetSeriesRadios(int v)
{
    SetRadios({kQl7b, kQl7a, kThirdSeries}, v);
}

int CSetDlg::CheckOf(int id) const
{
    const auto* b = Control<CBaseButtonR>(id);
    return b ? b->GetCheck() : 0;
}

int CSetDlg::CheckedLanguage() const
{
    return CheckOf(kChinese) == 1 ? 0 : 1;
}

int CSetDlg::CheckedSeries() const
{
    return CheckOf(kQl7b) == 1 ? 0 : 1;
}

void CSetDlg::OnLanguage(int id, int language)
{
    if (CheckOf(id) != 0)
        return;
    SetLanguageRadios(language);
    // The language takes effect at once, before OK, so the screen speaks it.
    App().m_nLanguage = CheckedLanguage();
    ApplyTexts();
}

void CSetDlg::OnSeries(int id, int series)
{
    if (CheckOf(id) != 0)
        return;
    SetSeriesRadios(series);
}

void CSetDlg::ShowMessage(int msg)
{
    CMessageDlg box(App());
    box.m_nMsg = msg;
    box.DoModal();
}

void CSetDlg::OnOK()
{
    const int language = CheckedLanguage();
    const int series = CheckedSeries();
    {
        COperateIni ini(App());
        if (!ini.CheckSettingFile()) {
            ShowMessage(kMsgNoSettingFile);
            return;
        }
        if (!ini.WriteSettings(language, series)) {
            ShowMessage(kMsgCannotWrite);
            return;
        }
    }
    App().m_nLanguage = language;
    App().m_nSeries = series;
    CTemplateDialog::OnOK();
}

void CSetDlg::PaintPictures(QPainter& painter)
{
    DrawBitmapAt(painter, &m_bitmaps.m_hPicBBitmap, 330, 400, true);
    // The painter is scaled with the window: the logo's place is in unscaled pixels.
    DrawBitmapAt(painter, &m_bitmaps.m_hLogoBitmap, static_cast<int>(std::lround(width() / Scale())) - 125, 2,
                 false);
}
