#include "dialogs/CSetDlg.h"

#include "data/AppState.h"
#include "data/COperateIni.h"
#include "data/TextCatalogue.h"
#include "dialogs/CMessageDlg.h"
#include "dialogs/FitText.h"
#include "dialogs/QtTranslation.h"
#include "draw/CBaseButtonR.h"
#include "bitmaps/CBmpData.h"
#include "platform/ExeDir.h"

#include <QPainter>
#include <array>

#include <cmath>
#include <cstdio>

namespace {

constexpr CTemplateDialog::TextBinding kTexts[] = {
    {IDC_SET_HEADING, &g_strSetHeading}, {IDC_SERIES_CAPTION, &g_strSetLightCurtain},
    {IDC_LANGUAGE_CAPTION, &g_strSetLanguage}, {IDOK, &g_strSetOk}, {IDCANCEL, &g_strSetExit},
    {IDC_STEP1, &g_strSetStep1}, {IDC_STEP2, &g_strSetStep2},
};
} // namespace

CSetDlg::CSetDlg(AppState& app, const Bitmaps& bitmaps, QWidget* parent)
    : CTemplateDialog(g_tmplSettings, app, parent), m_bitmaps(bitmaps)
{
    OnClicked(IDC_CHINESE, [this] { OnLanguage(IDC_CHINESE, 0); });
    OnClicked(IDC_ENGLISH, [this] { OnLanguage(IDC_ENGLISH, 1); });
    OnClicked(IDC_QL7B, [this] { OnSeries(IDC_QL7B, 0); });
    OnClicked(IDC_QL7A, [this] { OnSeries(IDC_QL7A, 1); });
    // The third radio of each row stands in the template only; they are disabled and do nothing.
}

void CSetDlg::ApplyTexts()
{
    const int language = Language();
    FollowLanguageInQt(language);
    SetTitle(g_strSetTitle[language]);
    SetText(IDC_VERSION, std::string(g_strSetVersionPrefix[language]) + g_strVersion);
    SetTexts(kTexts);
    ShowSettingsPlace();
    FitAllTexts(*this);
}

void CSetDlg::ShowSettingsPlace()
{
    char text[4096];
    std::snprintf(text, sizeof text, g_strSetPlace[Language()], m_strUserCopy.c_str());
    SetText(IDC_SETTINGS_PLACE, text);
    Control(IDC_SETTINGS_PLACE)->setVisible(!m_strUserCopy.empty());
}

void CSetDlg::OnInitDialog()
{
    const COperateIni::SettingsPlace place = COperateIni(App()).LocateSettings();
    m_strUserCopy = place.InUserCopy() ? place.userCopy : std::string();
    ApplyTexts();
    for (int id : {IDC_THIRD_LANGUAGE, IDC_THIRD_SERIES})
        if (auto* b = Control(id))
            b->setEnabled(false);
    // Only the first series can be chosen.
    SetText(IDC_QL7A, "");
    if (auto* b = Control(IDC_QL7A))
        b->setEnabled(false);
    SetLanguageRadios(App().m_nLanguage);
    SetSeriesRadios(App().m_nSeries);

    // The settings give the outer size; a smaller screen shrinks the window.
    setFixedSize(FitToScreen(App()).client);
    MoveToTopLeft();
}

void CSetDlg::SetLanguageRadios(int v)
{
    CheckOneOf(std::array<int, 3>{IDC_CHINESE, IDC_ENGLISH, IDC_THIRD_LANGUAGE}, v == 0 || v == 1 ? v : 2);
}

void CSetDlg::SetSeriesRadios(int v)
{
    CheckOneOf(std::array<int, 3>{IDC_QL7B, IDC_QL7A, IDC_THIRD_SERIES}, v == 0 || v == 1 ? v : 2);
}

int CSetDlg::CheckedLanguage() const
{
    return CheckOf(IDC_CHINESE) == 1 ? 0 : 1;
}

int CSetDlg::CheckedSeries() const
{
    return CheckOf(IDC_QL7B) == 1 ? 0 : 1;
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
        const COperateIni::SettingsPlace before = ini.LocateSettings();
        if (!ini.WriteSettings(language, series)) {
            ShowMessage(App(), Message::CannotWrite);
            return;
        }
        if (const COperateIni::SettingsPlace after = ini.LocateSettings(); after.InUserCopy() && !before.InUserCopy()) {
            m_strUserCopy = after.userCopy;
            char text[4096];
            std::snprintf(text, sizeof text, g_strSettingsInUserFolder[Language()],
                          platform::DataPath(COperateIni::kSettingFile).c_str(), after.reason.c_str(),
                          after.userCopy.c_str());
            ShowMessage(App(), std::string(text));
        }
    }
    App().m_nLanguage = language;
    App().m_nSeries = series;
    CTemplateDialog::OnOK();
}

void CSetDlg::PaintPictures(QPainter& painter)
{
    // The painter is scaled with the window: pictures are placed in unscaled pixels.
    const int w = static_cast<int>(std::lround(width() / Scale()));
    for (const Picture picture : kPicturesDrawn)
        DrawPicture(painter, m_bitmaps, picture, w);
}
