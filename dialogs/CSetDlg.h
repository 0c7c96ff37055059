#pragma once
#include "dialogs/CTemplateDialog.h"

struct Bitmaps;

// The settings screen: language and series, stored in "Setting.ini" on OK.
// DoModal returns IDOK after a successful OK and IDCANCEL after EXIT.
class CSetDlg : public CTemplateDialog {
    Q_OBJECT
public:
    CSetDlg(AppState& app, const Bitmaps& bitmaps, QWidget* parent = nullptr);

    int DoModal() override;
    void OnOK() override;

    void ApplyTexts();

protected:
    void PaintPictures(QPainter& painter) override;

private:
    void OnInitDialog();
    void SetLanguageRadios(int v);
    void SetSeriesRadios(int v);
    int CheckedLanguage() const;
    int CheckedSeries() const;
    const Bitmaps& m_bitmaps;
};
