#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWindow>

// Keeps a click from acting on a window that appeared under the pointer: a
// mouse press that arrives within the platform's double-click interval after
// the press before it, when a window of the program opened, closed or was
// uncovered in between, and lands in another window than that press, is
// dropped, and its release and double-click with it. So the second click of a
// double click on a button that opens or closes a window never reaches what
// now lies beneath the pointer. A single click in a new window, however soon,
// and a double click inside one window act as ever.
//
// One object for the whole program, watching every window the program draws
// through Qt, its own dialogs and Qt's widget dialogs alike. Dialogs that the
// system draws (on Windows the file, print and page dialogs) run outside Qt's
// event delivery and so outside its reach.
class CClickGuard : public QObject {
    Q_OBJECT
public:
    // Watches the application's events from now until it is destroyed.
    CClickGuard();
    ~CClickGuard() override;
    CClickGuard(const CClickGuard&) = delete;
    CClickGuard& operator=(const CClickGuard&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QElapsedTimer m_sinceWindowChange; // invalid until a window opened or closed
    QElapsedTimer m_sinceLastPress;    // invalid until the first press
    QPointer<QWindow> m_lastPressWindow;
    Qt::MouseButtons m_dropping; // buttons whose press was dropped, until their release
};
