// The dialog templates as data. Each dialog builds its controls from its
// table the same way: control id, kind, rectangle in dialog units, class, flags.
#pragma once
#include <span>

enum class ControlKind { Label, Button, Radio, Icon, Edit, List, Combo };

// The drawing-kit class a control is bound to.
enum class ControlClass { BaseButton, BaseButtonR, BaseStatic1, BaseStatic2,
                          BaseStatic3, BaseStatic4, Plain };

enum ControlFlag : unsigned {
    kNone = 0,
    kHidden = 1u << 0,     // hidden in the template
    kCentred = 1u << 1,    // label text centred
    kSunken = 1u << 2,     // label with a sunken edge
    kGroupStart = 1u << 3, // first radio of a group
    kDefault = 1u << 4,    // default push button
};

struct ControlTemplate {
    int id;                 // control id; -1 for controls without one
    ControlKind kind;
    int x, y, width, height; // dialog units
    ControlClass cls;
    unsigned flags;
    const char* text;       // template text (placeholder unless kept)
};

struct DialogTemplate {
    int id;                 // resource number (102 main window, 129 picker ...)
    const char* className;  // objectName of the dialog
    int width, height;      // dialog units
    bool systemMenu;        // caption bar with close box
    std::span<const ControlTemplate> controls;
};

// One conversion from dialog units to pixels for every template: 2 pixels per
// horizontal unit, 7/4 pixels per vertical unit. The main window (507 x 415
// units) then fits a 1024 x 736 client area and its picture rectangle
// (418, 136)-(606, 461) touches no entry button.
constexpr int DluToPixelX(int du) { return du * 2; }
constexpr int DluToPixelY(int du) { return du * 7 / 4; }

struct PixelRect { int left, top, width, height; };
constexpr PixelRect ControlRect(const ControlTemplate& c)
{
    const int left = DluToPixelX(c.x), top = DluToPixelY(c.y);
    return { left, top, DluToPixelX(c.x + c.width) - left, DluToPixelY(c.y + c.height) - top };
}

extern const DialogTemplate g_tmplAbout;     // 100, CAboutDlg
extern const DialogTemplate g_tmplMain;      // 102, CDarvellDlg
extern const DialogTemplate g_tmplSelect;    // 129, CSelectDlg
extern const DialogTemplate g_tmplSettings;  // 130, CSetDlg
extern const DialogTemplate g_tmplMessage;   // 192, CMessageDlg
extern const DialogTemplate g_tmplAdd;       // 198, CAddDlg
extern const DialogTemplate g_tmplHistory;   // 200, CHistoryDlg
extern const DialogTemplate g_tmplTeam;      // 201, CTeamDlg

// The control of the given id in a template, or nullptr.
const ControlTemplate* FindControl(const DialogTemplate& dlg, int id);
