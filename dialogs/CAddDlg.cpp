#include "dialogs/CAddDlg.h"

#include "data/AppState.h"
#include "data/TextCatalogue.h"
#include "dialogs/FitText.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseButtonR.h"
#include "bitmaps/CBmpData.h"

#include <QPainter>
#include <array>

namespace {

constexpr CTemplateDialog::TextBinding kTexts[] = {
    {IDC_HALT, &g_strAddHalt}, {IDC_INTERLOCK, &g_strAddInterlock}, {IDC_ADD_RECEIVER, &g_strAddReceiverSide},
    {IDC_ADD_EMITTER, &g_strAddEmitterSide}, {IDOK, &g_strAddOk}, {IDC_ADD_CLEAR, &g_strAddClear},
    {IDC_HALT_ON, &g_strAddHaltOn}, {IDC_HALT_OFF, &g_strAddHaltOff}, {IDC_INTERLOCK_OFF, &g_strAddInterlockOff},
    {IDC_INTERLOCK_ON, &g_strAddInterlockOn},
};
} // namespace

CAddDlg::CAddDlg(AppState& app, const Bitmaps& bitmaps, QWidget* parent)
    : CTemplateDialog(g_tmplAdd, app, parent), m_bitmaps(bitmaps)
{
    const std::pair<int, int> pairs[] = {{IDC_INTERLOCK_ON, IDC_INTERLOCK_OFF},
                                         {IDC_INTERLOCK_OFF, IDC_INTERLOCK_ON},
                                         {IDC_HALT_ON, IDC_HALT_OFF},
                                         {IDC_HALT_OFF, IDC_HALT_ON}};
    for (const auto& [id, partner] : pairs)
        OnClicked(id, [this, id = id, partner = partner] { OnLamp(id, partner); });
    OnClicked(IDC_ADD_CLEAR, [this] { OnClear(); });
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
    CheckOneOf(std::array<int, 2>{IDC_INTERLOCK_ON, IDC_INTERLOCK_OFF}, 1);
    CheckOneOf(std::array<int, 2>{IDC_HALT_ON, IDC_HALT_OFF}, 1);
}

void CAddDlg::OnOK()
{
    m_nInterlockState = CheckOf(IDC_INTERLOCK_ON) == 1 ? m_nLitValue : m_nUnlitValue;
    m_nHaltState = CheckOf(IDC_HALT_ON) == 1 ? m_nLitValue : m_nUnlitValue;
    CTemplateDialog::OnOK();
}

void CAddDlg::PaintPictures(QPainter& painter)
{
    // The QL7B pictures whatever the series: only QL7B rows carry lamp conditions.
    DrawPicture(painter, m_bitmaps, Picture::Emitter, width());
    DrawPicture(painter, m_bitmaps, Picture::Receiver, width());
}
