#pragma once
#include <QAbstractButton>
#include <QColor>

struct AppState;

// Owner-drawn check-state button for radio groups and toggles: black when
// unchecked, white with a sunken edge when checked, and the same dark look
// either way when disabled. The state changes only through SetCheck; a click
// leaves it alone and the owner decides in its clicked() handler. Use SetCheck,
// not setChecked: a change from anywhere else (an assistive tool's toggle) is
// undone and handed to the owner as a click.
class CBaseButtonR : public QAbstractButton {
    Q_OBJECT
public:
    explicit CBaseButtonR(const AppState& app, QWidget* parent = nullptr);

    virtual void SetCheck(int nCheck); // 1 checks, any other value unchecks
    virtual int GetCheck() const;      // 0 or 1

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override;

private:
    bool m_bChecked = false;
    QColor m_crOffBack{0, 0, 0};
    QColor m_crOffText{255, 255, 255};
    QColor m_crOnBack{255, 255, 255};
    QColor m_crOnText{0, 0, 0};
    QColor m_crDisabledBack{0, 0, 0};
    QColor m_crDisabledText{100, 100, 100};
};
