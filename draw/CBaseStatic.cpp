#include "draw/CBaseStatic.h"

#include "data/AppState.h"
#include "draw/ControlFont.h"

CBaseStatic::CBaseStatic(const AppState& app, int pixelHeight, bool underline, QWidget* parent)
    : QLabel(parent)
{
    setFont(ControlFont(pixelHeight, underline, app.m_bNonCjkSystem));
    // Texts come from data files and the catalogue: never interpret them as markup.
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
}

void CBaseStatic::SetWhiteBackground(bool white)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(white);
    update();
}
