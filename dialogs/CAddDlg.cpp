#include "dialogs/CAddDlg.h"

#include "data/AppState.h"
#include "data/TextCatalogue.h"
#include "dialogs/FitText.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseButtonR.h"
#include "draw/CBmpData.h"

#include <QPainter>
#include <array>

namespace {
constexpr int kInterlockOn = IDC_INTERLOCK_ON, kInterlockOff = IDC_INTERLOCK_OFF, kHaltOn = IDC_HALT_ON,
              kHaltOff = IDC_HALT_OFF, kClear = IDC_ADD_CLEAR;

constexpr CTemplateDialog::TextBinding kTexts[] = {
    {IDC_HALT, &g_strAddHalt}, {IDC_INTERLOCK, &g_strAddInterlock}, {IDC_ADD_RECEIVER, &g_strAddReceiverSide},
    {IDC_ADD_EMITTER, &g_strAddEmitterSide}, {IDOK, &g_strAddOk}, {kClear, &g_strAddClear},
    {kHaltOn, &g_strAddHaltOn}, {kHaltOff, &g_strAddHaltOff}, {kInterlockOff, &g_strAddInterlockOff},
    {kInterlockOn, &g_strAddInterlockOn},
};
} // namespace

CAddDlg::CAddDlg(AppState& app, const Bitmaps& bitmaps, QWidget* parent)
    : CTemplateDialog(g_tmplAdd, app, parent), m_bitmaps(bitmaps)
{
    const std::pair<int, int> pairs[] = {{kInterlockOn, kInterlockOff}, {kInterlockOff, kInterlockOn},
                                         {kHaltOn, kHaltOff}, {kHaltOff, kHaltOn}};
    for (const auto& [id, partner] : pairs)
        OnClicked(id, [this, id = id, partner = partner] { OnLamp(id, partner); });
    OnClicked(kClear, [this] { OnClear(); });
}

void CAddDlg::OnInitDialog()
{
    OnClear();
    SetTitle(g_strAddTitle[Language()]);
    SetTexts(kTexts);
    FitAllTexts(*this);
}

void CAddDlg::OnLamp(int id, int partner)
{
    // The pair acts as two radio buttons: a click on the lit one changes nothing.
    if (CheckOf(id) != 0)
        return;
    CheckOneOf(std::array{id, partner}, 0);
}

void CAddDlg::OnClear()
{
    CheckOneOf(std::array{kInterlockOn, kInterlockOff}, 1);
    CheckOneOf(std::array{kHaltOn, kHaltOff}, 1);
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
    DrawPicture(painter, m_bitmaps, Picture::Emitter, width());
    DrawPicture(painter, m_bitmaps, Picture::Receiver, width());
}
