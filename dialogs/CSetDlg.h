#pragma once
#include "bitmaps/Bitmaps.h"
#include "dialogs/CTemplateDialog.h"

#include <array>

// The settings screen: language and series, stored in "Setting.ini" on OK.
// DoModal returns IDOK after a successful OK and IDCANCEL after EXIT. Where
// the data directory's file cannot be written, the settings go to the user's
// own copy (COperateIni::LocateSettings): the screen names it while it is in
// use, and the OK that makes it says so once in the message box.
class CSetDlg : public CTemplateDialog {
    Q_OBJECT
public:
    CSetDlg(AppState& app, const Bitmaps& bitmaps, QWidget* parent = nullptr);

    // The only pictures the screen draws: the others need not be loaded yet.
    static constexpr std::array<Picture, 2> kPicturesDrawn{Picture::PicB, Picture::Logo};

    void OnOK() override;

    void ApplyTexts();

    // The radio that is checked: 0 for the first of its row, 1 otherwise.
    int CheckedLanguage() const;
    int CheckedSeries() const;

protected:
    void PaintPictures(QPainter& painter) override;

private:
    void OnInitDialog() override;
    // v 0 or 1 checks that radio of the row, any other value the third one.
    void SetLanguageRadios(int v);
    void SetSeriesRadios(int v);
    void OnLanguage(int id, int language);
    void OnSeries(int id, int series);
    void ShowSettingsPlace();
    const Bitmaps& m_bitmaps;
    std::string m_strUserCopy; // the user's copy while it holds the settings
};
