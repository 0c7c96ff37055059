#include "dialogs/CAddDlg.h"

#include "data/AppState.h"
#include "data/TextCatalogue.h"
#include "dialogs/FitText.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseButtonR.h"
#include "draw/CBmpData.h"

#include <QPainter>

namespace {
constexpr int kInterlockOn = 1078, kInterlockOff = 1079, kHaltOn = 1080, kHaltOff = 1081;
constexpr int kClear = 1082;
} // namespace

CAddDlg::CAddDlg(AppState& app, const Bitmaps& bitmaps, QWidget* parent)
    : CTemplateDialog(g_tmplAdd, app, parent), m_bitmaps(bitmaps)
{
    const std::pair<int, int> pairs[] = {{kInterlockOn, kInterlockOff}, {kInterlockOff, kInterlockOn},
                                         {kHaltOn, kHaltOff}, {kHaltOff, kHaltOn}};
    for (const auto& pair : pairs) {
        // Plain copies: structured bindings cannot be captured before C++20 in every compiler.
        const int id = pair.first, partner = pair.second;
        if (auto* b = Control<CBaseButtonR>(id))
            connect(b, &QAbstractButton::clicked, this, [this, id, partner] { OnLamp(id, partner); });
    }
    if (auto* clear = Control<CBaseButton>(kClear))
        connect(clear, &QAbstractButton::clicked, this, [this] { OnClear(); });
}

void CAddDlg::OnInitDialog()
{
    OnClear();
    const int language = Language();
    SetTitle(g_strAddTitle[language]);
    SetText(1086, g_strAddHalt[language]);
    SetText(1085, g_strAddInterlock[language]);
    SetText(1084, g_strAddReceiverSide[language]);
    SetText(1083, g_strAddEmitterSide[language]);
    SetText(IDOK, g_strAddOk[language]);
    SetText(kClear, g_strAddClear[language]);
    SetText(kHaltOn, g_strAddHaltOn[language]);
    SetText(kHaltOff, g_strAddHaltOff[language]);
    SetText(kInterlockOff, g_strAddInterlockOff[language]);
    SetText(kInterlockOn, g_strAddInterlockOn[language]);
    FitAllTexts(*this);
}

int CAddDlg::DoModal()
{
    OnInitDialog();
    return CTemplateDialog::DoModal();
}

int CAddDlg::CheckOf(int id) const
{
    const auto* b = Control<CBaseButtonR>(id);
    return b ? b->GetCheck() : 0;
}

void CAddDlg::SetCheckOf(int id, int check)
{
    if (auto* b = Control<CBaseButtonR>(id))
        b->SetCheck(check);
}

void CAddDlg::OnLamp(int id, int partner)
{
    // The pair acts as two radio buttons: a click on the lit one changes nothing.
    if (CheckOf(id) != 0)
        return;
    SetCheckOf(id, 1);
    SetCheckOf(partner, 0);
}

void CAddDlg::OnClear()
{
    SetCheckOf(kInterlockOn, 0);
    SetCheckOf(kInterlockOff, 1);
    SetCheckOf(kHaltOn, 0);
    SetCheckOf(kHaltOff, 1);
}

void CAddDlg::OnOK()
{
    m_nInterlockState = CheckOf(kInterlockOn) == 1 ? m_nLitValue : m_nUnlitValue;
    m_nHaltState = CheckOf(kHaltOn) == 1 ? m_nLitValue : m_nUnlitValue;
    CTemplateDialog::OnOK();
}

void CAddDlg::PaintPictures(QPainter& painter)
{
    // The QL7B pictures whatever the series: only QL7B rows carry lamp conditions.
    DrawBitmapAt(painter, &m_bitmaps.m_hEmitterBitmap, 38, 61, false);
    DrawBitmapAt(painter, &m_bitmaps.m_hReceiverBitmap, 366, 61, false);
}
