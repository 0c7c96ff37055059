#include "dialogs/FitText.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QVariant>

namespace {

const char* const kOwnFont = "darvellOwnFont";

bool Fits(const QFont& font, const QRect& room, int flags, const QString& text)
{
    const QRect need = QFontMetrics(font).boundingRect(room, flags, text);
    return need.width() <= room.width() && need.height() <= room.height();
}

} // namespace

void FitText(QWidget& control)
{
    QVariant own = control.property(kOwnFont);
    if (!own.isValid()) {
        own = QVariant::fromValue(control.font());
        control.setProperty(kOwnFont, own);
    }
    QString text;
    QRect room;
    int flags = Qt::TextWordWrap;
    if (auto* b = qobject_cast<QAbstractButton*>(&control)) {
        text = b->text();
        // Inside the focus rectangle, so that neither it nor the 3D edge crosses the text.
        room = b->rect().adjusted(4, 4, -4, -4);
        flags |= Qt::AlignHCenter | Qt::AlignTop;
    } else if (auto* l = qobject_cast<QLabel*>(&control)) {
        text = l->text();
        room = l->contentsRect();
        flags |= int(l->alignment());
    } else {
        return;
    }
    QFont font = own.value<QFont>();
    if (font.pixelSize() > 0) {
        while (font.pixelSize() > 8 && !Fits(font, room, flags, text))
            font.setPixelSize(font.pixelSize() - 1);
    }
    control.setFont(font);
}

void FitAllTexts(QWidget& dialog)
{
    for (QWidget* w : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        FitText(*w);
}
