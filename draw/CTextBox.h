#pragma once
#include <QScrollArea>

class QLabel;

// The white, sunken box that shows a whole page of text in the label's own
// font: a page taller than the box gets a vertical scroll bar and scrolls by
// wheel, scroll bar and, while the box has the focus, arrows, Page Up/Down and
// Home/End. Page Up/Down at the start/end of the text are left to the window,
// keypad keys included.
// The label keeps its object name, text and accessibility; its text can be
// selected with the mouse.
class CTextBox : public QScrollArea {
    Q_OBJECT
public:
    // Takes the label's place, frame and size and holds it from then on.
    explicit CTextBox(QLabel* label, QWidget* parent);

    QLabel* Label() const { return m_label; }
    // A new page: the text, shown from its top (or, atEnd, scrolled to its end).
    void SetPage(const QString& text, bool atEnd = false);
    // The selected text, or the whole page when nothing is selected, with plain
    // line breaks where the label has paragraph or line separators.
    QString CopyText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* m_label;
};
