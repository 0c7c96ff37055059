#include "draw/CTextBox.h"

#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>

CTextBox::CTextBox(QLabel* label, QWidget* parent)
    : QScrollArea(parent), m_label(label)
{
    setObjectName(QStringLiteral("TextBox"));
    setGeometry(label->geometry());
    setFrameStyle(label->frameStyle());
    setLineWidth(label->lineWidth());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);

    label->setFrameStyle(QFrame::NoFrame);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setFocusProxy(this);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    setWidget(label);
    setVisible(!label->isHidden());
    label->setVisible(true);
}

void CTextBox::SetPage(const QString& text, bool atEnd)
{
    m_label->setText(text);
    // The label's new height and the bar's range are otherwise settled by a
    // posted layout request; the end must be known now.
    QEvent layout(QEvent::LayoutRequest);
    QScrollArea::event(&layout);
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(atEnd ? bar->maximum() : bar->minimum());
}

QString CTextBox::CopyText() const
{
    // A selection across lines separates them with U+2029, which a pasted work
    // order shows as one run-on line.
    QString text = m_label->hasSelectedText() ? m_label->selectedText() : m_label->text();
    return text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
}

void CTextBox::keyPressEvent(QKeyEvent* event)
{
    QScrollBar* bar = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
        if (bar->value() == (event->key() == Qt::Key_PageDown ? bar->maximum() : bar->minimum())) {
            event->ignore(); // at the end: the window pages
            return;
        }
        break;
    case Qt::Key_Home:
    case Qt::Key_End:
        bar->setValue(event->key() == Qt::Key_Home ? bar->minimum() : bar->maximum());
        event->accept();
        return;
    default:
        break;
    }
    QScrollArea::keyPressEvent(event);
}
