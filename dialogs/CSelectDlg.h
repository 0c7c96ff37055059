#pragma once
#include "dialogs/CTemplateDialog.h"

#include <string>

struct Bitmaps;

// One picker entry: the caption of button IDC_CODE_FIRST + i, whether it is shown and
// whether it can be pressed. The caller fills all of them before DoModal.
struct PickerEntry {
    std::string m_strCaption;
    unsigned char m_bShown = 0;
    unsigned char m_bEnabled = 0;
};

// The error-code picker: up to 14 code buttons in two columns beside a picture
// of the indicator. DoModal returns IDC_CODE_FIRST + i for entry i, or IDCANCEL.
class CSelectDlg : public CTemplateDialog {
    Q_OBJECT
public:
    CSelectDlg(AppState& app, const Bitmaps& bitmaps, QWidget* parent = nullptr);

    // captions[0..13] are entries 0..13 (strings 1..14 of a caption set).
    void SetCaptions(const std::string* captions);

    PickerEntry m_Entries[14];

    static constexpr int kEntries = 14;
    static constexpr int kFirstCode = IDC_CODE_FIRST; // button of entry 0

protected:
    void PaintPictures(QPainter& painter) override;

private:
    void OnInitDialog() override;
    void CentreOnOwner();
    const Bitmaps& m_bitmaps;
};
