#pragma once
#include <QAbstractButton>
#include <QColor>

struct AppState;

// Owner-drawn push button: black with a white bold caption and a raised edge
// that sinks while pressed. SetEnteredLook turns the disabled look white so a
// chosen entry stays readable.
class CBaseButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CBaseButton(const AppState& app, QWidget* parent = nullptr);

    void SetEnteredLook();   // disabled: white fill, black text; no repaint
    void ResetEnteredLook(); // disabled: black fill, black text; no repaint

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_crNormalBack{0, 0, 0};
    QColor m_crNormalText{255, 255, 255};
    QColor m_crPushedBack{128, 128, 128};
    QColor m_crPushedText{255, 255, 255};
    QColor m_crDisabledBack{0, 0, 0};
    QColor m_crDisabledText{0, 0, 0};
};
