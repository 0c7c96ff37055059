#include "dialogs/CSetDlg.h"

#include "data/AppState.h"
#include "data/COperateIni.h"
#include "data/TextCatalogue.h"
#include "dialogs/CMessageDlg.h"
#include "dialogs/FitText.h"
#include "draw/CBaseButtonR.h"
#include "draw/CBmpData.h"

#include <QPainter>
#include <array>

namespace {
constexpr int kChinese = IDC_CHINESE, kEnglish = IDC_ENGLISH, kThirdLanguage = IDC_THIRD_LANGUAGE;
constexpr int kQl7b = IDC_QL7B, kQl7a = IDC_QL7A, kThirdSeries = IDC_THIRD_SERIES;

constexpr CTemplateDialog::TextBinding kTexts[] = {
    {IDC_SET_HEADING, &g_strSetHeading}, {IDC_SERIES_CAPTION, &g_strSetLightCurtain},
    {IDC_LANGUAGE_CAPTION, &g_strSetLanguage}, {IDOK, &g_strSetOk}, {IDCANCEL, &g_strSetExit},
    {IDC_STEP1, &g_strSetStep1}, {IDC_STEP2, &g_strSetStep2},
};
} // namespace

CSetDlg::CSetDlg(AppState& app, const Bitmaps& bitmaps, QWidget* parent)
    : CTemplateDialog(g_tmplSettings, app, parent), m_bitmaps(bitmaps)
{
    OnClicked(kChinese, [this] { OnLanguage(kChinese, 0); });
    OnClicked(kEnglish, [this] { OnLanguage(kEnglish, 1); });
    OnClicked(kQl7b, [this] { OnSeries(kQl7b, 0); });
    OnClicked(kQl7a, [this] { OnSeries(kQl7a, 1); });
    // The third radio of each row stands in the template only; they are disabled and do nothing.
}

void CSetDlg::ApplyTexts()
{
    const int language = Language();
    SetTitle(g_strSetTitle[language]);
    SetText(IDC_VERSION, std::string(g_strSetVersionPrefix[language]) + g_strVersion);
    SetTexts(kTexts);
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

    const int w = App().m_nDialogWidth, h = App().m_nDialogHeight;
    if (w > 0 && h > 0)
        setFixedSize(w, h);
    move(0, 0);
}

void CSetDlg::SetLanguageRadios(int v)
{
    CheckOneOf(std::array{kChinese, kEnglish, kThirdLanguage}, v == 0 || v == 1 ? v : 2);
}

void CSetDlg::SetSeriesRadios(int v)
{
    CheckOneOf(std::array{kQl7b, kQl7a, kThirdSeries}, v == 0 || v == 1 ? v : 2);
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

void CSetDlg::OnOK()
{
    const int language = CheckedLanguage();
    const int series = CheckedSeries();
    {
        COperateIni ini(App());
        if (!ini.CheckSettingFile()) {
            ShowMessage(App(), Message::NoSettingFile);
            return;
        }
        if (!ini.WriteSettings(language, series)) {
            ShowMessage(App(), Message::CannotWrite);
            return;
        }
    }
    App().m_nLanguage = language;
    App().m_nSeries = series;
    CTemplateDialog::OnOK();
}

void CSetDlg::PaintPictures(QPainter& painter)
{
    DrawPicture(painter, m_bitmaps, Picture::PicB, width());
    DrawPicture(painter, m_bitmaps, Picture::Logo, width());
}
