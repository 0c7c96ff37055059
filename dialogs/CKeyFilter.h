#pragma once
#include <QObject>

class QWidget;

// Keyboard rule of every screen but the About box: Enter and Return act as
// Space on the focused control (so they press the focused button, never a
// default one; a text box or a list keeps Enter), and Escape is dropped so no
// screen closes by it.
// Watches the application's events and acts only on those aimed at its dialog,
// so controls added after installation are covered too.
class CKeyFilter : public QObject {
    Q_OBJECT
public:
    // Filters the keys of dialog; the filter is a child of dialog and goes with it.
    static CKeyFilter* Install(QWidget* dialog);

    explicit CKeyFilter(QWidget* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_dialog;
};
