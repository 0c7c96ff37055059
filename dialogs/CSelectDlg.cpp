#include "dialogs/CSelectDlg.h"

#include "data/AppState.h"
#include "data/TextCatalogue.h"
#include "draw/CBaseButton.h"
#include "dialogs/FitText.h"
#include "bitmaps/CBmpData.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

CSelectDlg::CSelectDlg(AppState& app, const Bitmaps& bitmaps, QWidget* parent)
    : CTemplateDialog(g_tmplSelect, app, parent), m_bitmaps(bitmaps)
{
    for (int i = 0; i < kEntries; ++i)
        OnClicked(kFirstCode + i, [this, i] { done(kFirstCode + i); });
}

void CSelectDlg::SetCaptions(const std::string* captions)
{
    for (int i = 0; i < kEntries; ++i) {
        m_Entries[i].m_strCaption = captions[i];
        m_Entries[i].m_bShown = captions[i].empty() ? 0 : 1;
    }
}

void CSelectDlg::OnInitDialog()
{
    static constexpr TextBinding kTexts[] = {{IDC_SELECT_PROMPT, &g_strSelectPrompt},
                                             {IDCANCEL, &g_strSelectCancel}};
    SetTitle(g_strSelectTitle[Language()]);
    SetTexts(kTexts);

    for (int i = 0; i < kEntries; ++i) {
        auto* b = Control<CBaseButton>(kFirstCode + i);
        if (!b)
            continue;
        const PickerEntry& e = m_Entries[i];
        b->setText(QString::fromStdString(e.m_strCaption));
        b->setHidden(e.m_bShown != 1);
        b->setEnabled(e.m_bEnabled != 0);
    }
    FitAllTexts(*this);
    CentreOnOwner();
}

void CSelectDlg::CentreOnOwner()
{
    // The owner is the caller's window: the parent if given, else the window
    // that is active when the picker opens (the main window); else the screen.
    QWidget* owner = parentWidget() ? parentWidget()->window() : QApplication::activeWindow();
    if (owner == this)
        owner = nullptr;
    QRect area;
    if (owner && owner->isVisible())
        area = owner->frameGeometry();
    else if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    else
        return;
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void CSelectDlg::PaintPictures(QPainter& painter)
{
    DrawPicture(painter, m_bitmaps, App().m_nSeries == 0 ? Picture::SevenSeg : Picture::Led, width());
}
