#include "data/DialogTemplates.h"

#include "data/ControlIds.h"

#include <array>

namespace {

using K = ControlKind;
using C = ControlClass;

constexpr std::array kMain{
    ControlTemplate{IDC_STEP1, K::Label, 9, 15, 129, 12, C::BaseStatic3, kNone, "STEP1"},
    ControlTemplate{IDC_THREE_UNITS, K::Radio, 18, 30, 78, 30, C::BaseButtonR, kGroupStart, "3"},
    ControlTemplate{IDC_TWO_UNITS, K::Radio, 108, 30, 78, 30, C::BaseButtonR, kNone, "2"},
    ControlTemplate{IDC_ONE_UNIT, K::Radio, 198, 30, 78, 30, C::BaseButtonR, kNone, "1"},
    ControlTemplate{IDC_SERIES, K::Label, 212, 0, 96, 22, C::BaseStatic2, kNone, "Series"},
    ControlTemplate{IDC_STEP2, K::Label, 9, 66, 108, 12, C::BaseStatic3, kNone, "STEP2"},
    ControlTemplate{IDC_EMITTER, K::Label, 195, 69, 51, 9, C::BaseStatic4, kNone, "Emitter"},
    ControlTemplate{IDC_RECEIVER, K::Label, 264, 69, 51, 9, C::BaseStatic4, kNone, "Receiver"},
    ControlTemplate{IDC_EMITTER_SUB2_LABEL, K::Label, 102, 78, 78, 9, C::BaseStatic1, kHidden, "Sub2"},
    ControlTemplate{IDC_EMITTER_SUB2, K::Button, 102, 87, 78, 30, C::BaseButton, kNone, "Button1"},
    ControlTemplate{IDC_EMITTER_SUB1_LABEL, K::Label, 102, 129, 78, 9, C::BaseStatic1, kHidden, "Sub1"},
    ControlTemplate{IDC_EMITTER_SUB1, K::Button, 102, 138, 78, 30, C::BaseButton, kNone, "Button2"},
    ControlTemplate{IDC_EMITTER_MAIN_LABEL, K::Label, 102, 180, 78, 9, C::BaseStatic1, kHidden, "Main"},
    ControlTemplate{IDC_EMITTER_MAIN, K::Button, 102, 189, 78, 30, C::BaseButton, kNone, "Button3"},
    ControlTemplate{IDC_RECEIVER_SUB2_LABEL, K::Label, 327, 78, 78, 9, C::BaseStatic1, kHidden, "Sub2"},
    ControlTemplate{IDC_RECEIVER_SUB2, K::Button, 327, 87, 78, 30, C::BaseButton, kNone, "Button4"},
    ControlTemplate{IDC_RECEIVER_SUB1_LABEL, K::Label, 327, 129, 78, 9, C::BaseStatic1, kHidden, "Sub1"},
    ControlTemplate{IDC_RECEIVER_SUB1, K::Button, 327, 138, 78, 30, C::BaseButton, kNone, "Button5"},
    ControlTemplate{IDC_RECEIVER_MAIN_LABEL, K::Label, 327, 180, 78, 9, C::BaseStatic1, kHidden, "Main"},
    ControlTemplate{IDC_RECEIVER_MAIN, K::Button, 327, 189, 78, 30, C::BaseButton, kNone, "Button6"},
    ControlTemplate{IDC_STEP3, K::Label, 9, 258, 129, 12, C::BaseStatic3, kNone, "STEP3"},
    ControlTemplate{IDC_COUNT, K::Label, 18, 270, 39, 15, C::BaseStatic1, kSunken | kCentred, ""},
    ControlTemplate{IDC_COUNT_CAPTION, K::Label, 63, 270, 99, 15, C::BaseStatic1, kNone, "Count"},
    ControlTemplate{IDC_PAGE, K::Label, 165, 270, 51, 15, C::BaseStatic1, kSunken | kCentred, ""},
    ControlTemplate{IDC_UP, K::Button, 312, 255, 45, 30, C::BaseButton, kNone, "up"},
    ControlTemplate{IDC_DOWN, K::Button, 366, 255, 45, 30, C::BaseButton, kNone, "down"},
    ControlTemplate{IDC_CONDITIONS, K::Button, 420, 255, 78, 30, C::BaseButton, kHidden, "Add"},
    ControlTemplate{IDC_TEXTBOX, K::Label, 18, 287, 480, 82, C::BaseStatic4, kSunken, ""},
    ControlTemplate{IDC_STEP4, K::Label, 9, 372, 33, 12, C::BaseStatic3, kNone, "STEP4"},
    ControlTemplate{IDC_CLEAR, K::Button, 42, 372, 78, 30, C::BaseButton, kNone, "CLEAR"},
    ControlTemplate{IDC_RESET_NOTE, K::Label, 123, 372, 99, 30, C::BaseStatic4, kNone, "Reset"},
    ControlTemplate{IDC_SETTINGS, K::Button, 222, 372, 78, 30, C::BaseButton, kNone, "Settings"},
    ControlTemplate{IDC_CHANGE_NOTE, K::Label, 302, 372, 115, 30, C::BaseStatic4, kNone, "Change"},
    ControlTemplate{IDCANCEL, K::Button, 420, 372, 78, 30, C::BaseButton, kNone, "EXIT"},
};

constexpr std::array kSelect{
    ControlTemplate{IDC_SELECT_PROMPT, K::Label, 27, 15, 261, 25, C::BaseStatic1, kNone, "Prompt"},
    ControlTemplate{IDC_CODE_FIRST, K::Button, 15, 48, 78, 30, C::BaseButton, kNone, "Button1"},
    ControlTemplate{IDC_CODE_FIRST + 1, K::Button, 15, 88, 78, 30, C::BaseButton, kNone, "Button2"},
    ControlTemplate{IDC_CODE_FIRST + 2, K::Button, 15, 128, 78, 30, C::BaseButton, kNone, "Button3"},
    ControlTemplate{IDC_CODE_FIRST + 3, K::Button, 15, 168, 78, 30, C::BaseButton, kNone, "Button4"},
    ControlTemplate{IDC_CODE_FIRST + 4, K::Button, 15, 208, 78, 30, C::BaseButton, kNone, "Button5"},
    ControlTemplate{IDC_CODE_FIRST + 5, K::Button, 15, 248, 78, 30, C::BaseButton, kNone, "Button6"},
    ControlTemplate{IDC_CODE_FIRST + 6, K::Button, 15, 288, 78, 30, C::BaseButton, kNone, "Button7"},
    ControlTemplate{IDC_CODE_FIRST + 7, K::Button, 100, 48, 78, 30, C::BaseButton, kNone, "Button8"},
    ControlTemplate{IDC_CODE_FIRST + 8, K::Button, 100, 88, 78, 30, C::BaseButton, kNone, "Button9"},
    ControlTemplate{IDC_CODE_FIRST + 9, K::Button, 100, 128, 78, 30, C::BaseButton, kNone, "Button10"},
    ControlTemplate{IDC_CODE_FIRST + 10, K::Button, 100, 168, 78, 30, C::BaseButton, kNone, "Button11"},
    ControlTemplate{IDC_CODE_FIRST + 11, K::Button, 100, 208, 78, 30, C::BaseButton, kNone, "Button12"},
    ControlTemplate{IDC_CODE_FIRST + 12, K::Button, 99, 248, 78, 30, C::BaseButton, kNone, "Button13"},
    ControlTemplate{IDC_CODE_FIRST + 13, K::Button, 99, 289, 78, 30, C::BaseButton, kNone, "Button14"},
    ControlTemplate{IDCANCEL, K::Button, 210, 289, 78, 30, C::BaseButton, kNone, "Cancel"},
};

constexpr std::array kSettings{
    ControlTemplate{IDC_VERSION, K::Label, 105, 9, 297, 27, C::BaseStatic2, kCentred, "Version"},
    ControlTemplate{IDC_SET_HEADING, K::Label, 27, 57, 114, 15, C::BaseStatic3, kNone, "Heading"},
    ControlTemplate{IDC_STEP1, K::Label, 48, 87, 147, 15, C::BaseStatic3, kNone, "STEP1"},
    ControlTemplate{IDC_LANGUAGE_CAPTION, K::Label, 78, 111, 63, 30, C::BaseStatic1, kNone, "Language"},
    ControlTemplate{IDC_CHINESE, K::Radio, 147, 111, 78, 30, C::BaseButtonR, kGroupStart, "Chinese"},
    ControlTemplate{IDC_ENGLISH, K::Radio, 246, 111, 78, 30, C::BaseButtonR, kNone, "English"},
    ControlTemplate{IDC_THIRD_LANGUAGE, K::Radio, 345, 111, 78, 30, C::BaseButtonR, kNone, ""},
    ControlTemplate{IDC_STEP2, K::Label, 48, 165, 147, 15, C::BaseStatic3, kNone, "STEP2"},
    ControlTemplate{IDC_SERIES_CAPTION, K::Label, 78, 189, 63, 30, C::BaseStatic1, kNone, "Series"},
    ControlTemplate{IDC_QL7B, K::Radio, 147, 189, 78, 30, C::BaseButtonR, kGroupStart, "QL7B series"},
    ControlTemplate{IDC_QL7A, K::Radio, 246, 189, 78, 30, C::BaseButtonR, kNone, "QL7-A series"},
    ControlTemplate{IDC_THIRD_SERIES, K::Radio, 345, 189, 78, 30, C::BaseButtonR, kNone, ""},
    ControlTemplate{IDC_SETTINGS_PLACE, K::Label, 48, 243, 411, 45, C::BaseStatic4, kHidden, "Place"},
    ControlTemplate{IDOK, K::Button, 198, 345, 111, 48, C::BaseButton, kNone, "OK"},
    ControlTemplate{IDCANCEL, K::Button, 420, 363, 78, 30, C::BaseButton, kNone, "EXIT"},
};

constexpr std::array kMessage{
    ControlTemplate{IDC_MESSAGE, K::Label, 16, 15, 167, 54, C::BaseStatic1, kNone, "Message"},
    ControlTemplate{IDOK, K::Button, 60, 75, 78, 30, C::BaseButton, kNone, "OK"},
};

constexpr std::array kAdd{
    ControlTemplate{IDC_ADD_EMITTER, K::Label, 18, 18, 51, 15, C::BaseStatic1, kCentred, "Emitter"},
    ControlTemplate{IDC_ADD_RECEIVER, K::Label, 207, 18, 51, 15, C::BaseStatic1, kCentred, "Receiver"},
    ControlTemplate{IDC_INTERLOCK, K::Label, 99, 33, 78, 13, C::BaseStatic3, kCentred, "Interlock"},
    ControlTemplate{IDC_INTERLOCK_ON, K::Button, 99, 48, 78, 30, C::BaseButtonR, kNone, "ON"},
    ControlTemplate{IDC_INTERLOCK_OFF, K::Button, 99, 87, 78, 30, C::BaseButtonR, kNone, "OFF"},
    ControlTemplate{IDC_HALT, K::Label, 99, 135, 78, 13, C::BaseStatic3, kCentred, "Halt"},
    ControlTemplate{IDC_HALT_ON, K::Button, 99, 150, 78, 30, C::BaseButtonR, kNone, "ON"},
    ControlTemplate{IDC_HALT_OFF, K::Button, 99, 189, 78, 30, C::BaseButtonR, kNone, "OFF"},
    ControlTemplate{IDC_ADD_CLEAR, K::Button, 93, 243, 78, 30, C::BaseButton, kNone, "CLEAR"},
    ControlTemplate{IDOK, K::Button, 183, 243, 78, 30, C::BaseButton, kNone, "OK"},
};

constexpr std::array kAbout{
    ControlTemplate{-1, K::Icon, 11, 17, 20, 20, C::Plain, kNone, ""},
    ControlTemplate{IDOK, K::Button, 178, 7, 50, 14, C::Plain, kDefault, "OK"},
};

// The history window: the size of the settings screen, buttons where the main
// window has its STEP4 row, the team history's state and two lines of status
// (where records go, which are read-only, where an export went) under the list.
constexpr std::array kHistory{
    ControlTemplate{IDC_HISTORY_HEADING, K::Label, 9, 9, 240, 15, C::BaseStatic3, kNone, "History"},
    ControlTemplate{IDC_HISTORY_FILTER_CAPTION, K::Label, 9, 32, 42, 12, C::BaseStatic1, kNone, "Filter"},
    ControlTemplate{IDC_HISTORY_FILTER, K::Edit, 54, 30, 444, 15, C::Plain, kNone, ""},
    ControlTemplate{IDC_HISTORY_LIST, K::List, 9, 51, 489, 272, C::Plain, kNone, ""},
    ControlTemplate{IDC_HISTORY_TEAM, K::Label, 9, 325, 489, 12, C::Plain, kNone, ""},
    ControlTemplate{IDC_HISTORY_STATUS, K::Label, 9, 338, 489, 30, C::Plain, kNone, ""},
    ControlTemplate{IDOK, K::Button, 42, 372, 78, 30, C::BaseButton, kNone, "Open"},
    ControlTemplate{IDC_HISTORY_NOTE, K::Button, 132, 372, 78, 30, C::BaseButton, kNone, "Note"},
    ControlTemplate{IDC_HISTORY_EXPORT, K::Button, 222, 372, 78, 30, C::BaseButton, kNone, "Export"},
    ControlTemplate{IDC_HISTORY_DELETE, K::Button, 312, 372, 78, 30, C::BaseButton, kNone, "Delete"},
    ControlTemplate{IDCANCEL, K::Button, 420, 372, 78, 30, C::BaseButton, kNone, "Close"},
};

// The team history server: one row per setting, caption left and field right,
// the root certificate's state under its field, the test's outcome above the buttons.
constexpr std::array kTeam{
    ControlTemplate{IDC_TEAM_HEADING, K::Label, 9, 9, 300, 15, C::BaseStatic3, kNone, "Team"},
    ControlTemplate{IDC_TEAM_HOST_CAPTION, K::Label, 9, 34, 78, 12, C::BaseStatic1, kNone, "Host"},
    ControlTemplate{IDC_TEAM_HOST, K::Edit, 90, 32, 228, 15, C::Plain, kNone, ""},
    ControlTemplate{IDC_TEAM_PORT_CAPTION, K::Label, 9, 56, 78, 12, C::BaseStatic1, kNone, "Port"},
    ControlTemplate{IDC_TEAM_PORT, K::Edit, 90, 54, 60, 15, C::Plain, kNone, "5432"},
    ControlTemplate{IDC_TEAM_DATABASE_CAPTION, K::Label, 9, 78, 78, 12, C::BaseStatic1, kNone, "Database"},
    ControlTemplate{IDC_TEAM_DATABASE, K::Edit, 90, 76, 228, 15, C::Plain, kNone, ""},
    ControlTemplate{IDC_TEAM_USER_CAPTION, K::Label, 9, 100, 78, 12, C::BaseStatic1, kNone, "User"},
    ControlTemplate{IDC_TEAM_USER, K::Edit, 90, 98, 228, 15, C::Plain, kNone, ""},
    ControlTemplate{IDC_TEAM_PASSWORD_CAPTION, K::Label, 9, 122, 78, 12, C::BaseStatic1, kNone, "Password"},
    ControlTemplate{IDC_TEAM_PASSWORD, K::Edit, 90, 120, 228, 15, C::Plain, kNone, ""},
    ControlTemplate{IDC_TEAM_SSLMODE_CAPTION, K::Label, 9, 144, 78, 12, C::BaseStatic1, kNone, "SSL mode"},
    ControlTemplate{IDC_TEAM_SSLMODE, K::Combo, 90, 142, 100, 15, C::Plain, kNone, ""},
    ControlTemplate{IDC_TEAM_ROOT_CAPTION, K::Label, 9, 166, 78, 12, C::BaseStatic1, kNone, "Root"},
    ControlTemplate{IDC_TEAM_ROOT, K::Edit, 90, 164, 180, 15, C::Plain, kNone, ""},
    ControlTemplate{IDC_TEAM_BROWSE, K::Button, 273, 163, 45, 17, C::Plain, kNone, "Browse"},
    ControlTemplate{IDC_TEAM_ROOT_STATE, K::Label, 90, 182, 228, 12, C::Plain, kNone, ""},
    ControlTemplate{IDC_TEAM_STATUS, K::Label, 9, 198, 309, 36, C::Plain, kNone, ""},
    ControlTemplate{IDC_TEAM_TEST, K::Button, 9, 240, 96, 30, C::BaseButton, kNone, "Test"},
    ControlTemplate{IDOK, K::Button, 150, 240, 78, 30, C::BaseButton, kNone, "OK"},
    ControlTemplate{IDCANCEL, K::Button, 240, 240, 78, 30, C::BaseButton, kNone, "Cancel"},
};

} // namespace

const DialogTemplate g_tmplAbout{100, "CAboutDlg", 235, 55, true, kAbout};
const DialogTemplate g_tmplMain{102, "CDarvellDlg", 507, 415, true, kMain};
const DialogTemplate g_tmplSelect{129, "CSelectDlg", 300, 331, false, kSelect};
const DialogTemplate g_tmplSettings{130, "CSetDlg", 507, 415, false, kSettings};
const DialogTemplate g_tmplMessage{192, "CMessageDlg", 195, 115, true, kMessage};
const DialogTemplate g_tmplAdd{198, "CAddDlg", 276, 286, true, kAdd};
const DialogTemplate g_tmplHistory{200, "CHistoryDlg", 507, 415, true, kHistory};
const DialogTemplate g_tmplTeam{201, "CTeamDlg", 327, 279, true, kTeam};

const ControlTemplate* FindControl(const DialogTemplate& dlg, int id)
{
    for (const auto& c : dlg.controls)
        if (c.id == id)
            return &c;
    return nullptr;
}
