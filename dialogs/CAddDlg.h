#pragma once
#include "dialogs/CTemplateDialog.h"

struct Bitmaps;

// Asks whether the interlock lamp and the emission-halt lamp are lit. OK writes
// both states; the close box ends with IDCANCEL and writes nothing.
class CAddDlg : public CTemplateDialog {
    Q_OBJECT
public:
    CAddDlg(AppState& app, const Bitmaps& bitmaps, QWidget* parent = nullptr);

    void SetUnlitValue(int value) { m_nUnlitValue = value; }
    void SetLitValue(int value) { m_nLitValue = value; }
    int GetInterlockState() const { return m_nInterlockState; }
    int GetHaltState() const { return m_nHaltState; }

    void OnOK() override;

protected:
    void PaintPictures(QPainter& painter) override;

private:
    void OnInitDialog() override;
    void OnLamp(int id, int partner);
    void OnClear();
    const Bitmaps& m_bitmaps;
    int m_nUnlitValue = 1;
    int m_nLitValue = 2;
    int m_nHaltState = 0;      // written only by OK
    int m_nInterlockState = 0; // written only by OK
};
