#include "res/DialogTemplates.h"

#include <array>

namespace {

using K = ControlKind;
using C = ControlClass;

constexpr std::array kMain{
    ControlTemplate{1074, K::Label, 9, 15, 129, 12, C::BaseStatic3, kNone, "STEP1"},
    ControlTemplate{1023, K::Radio, 18, 30, 78, 30, C::BaseButtonR, kGroupStart, "3"},
    ControlTemplate{1024, K::Radio, 108, 30, 78, 30, C::BaseButtonR, kNone, "2"},
    ControlTemplate{1025, K::Radio, 198, 30, 78, 30, C::BaseButtonR, kNone, "1"},
    ControlTemplate{1028, K::Label, 212, 0, 96, 22, C::BaseStatic2, kNone, "Series"},
    ControlTemplate{1075, K::Label, 9, 66, 108, 12, C::BaseStatic3, kNone, "STEP2"},
    ControlTemplate{1030, K::Label, 195, 69, 51, 9, C::BaseStatic4, kNone, "Emitter"},
    ControlTemplate{1031, K::Label, 264, 69, 51, 9, C::BaseStatic4, kNone, "Receiver"},
    ControlTemplate{1064, K::Label, 102, 78, 78, 9, C::BaseStatic1, kHidden, "Sub2"},
    ControlTemplate{1006, K::Button, 102, 87, 78, 30, C::BaseButton, kNone, "Button1"},
    ControlTemplate{1065, K::Label, 102, 129, 78, 9, C::BaseStatic1, kHidden, "Sub1"},
    ControlTemplate{1007, K::Button, 102, 138, 78, 30, C::BaseButton, kNone, "Button2"},
    ControlTemplate{1066, K::Label, 102, 180, 78, 9, C::BaseStatic1, kHidden, "Main"},
    ControlTemplate{1008, K::Button, 102, 189, 78, 30, C::BaseButton, kNone, "Button3"},
    ControlTemplate{1067, K::Label, 327, 78, 78, 9, C::BaseStatic1, kHidden, "Sub2"},
    ControlTemplate{1009, K::Button, 327, 87, 78, 30, C::BaseButton, kNone, "Button4"},
    ControlTemplate{1068, K::Label, 327, 129, 78, 9, C::BaseStatic1, kHidden, "Sub1"},
    ControlTemplate{1010, K::Button, 327, 138, 78, 30, C::BaseButton, kNone, "Button5"},
    ControlTemplate{1069, K::Label, 327, 180, 78, 9, C::BaseStatic1, kHidden, "Main"},
    ControlTemplate{1011, K::Button, 327, 189, 78, 30, C::BaseButton, kNone, "Button6"},
    ControlTemplate{1076, K::Label, 9, 258, 129, 12, C::BaseStatic3, kNone, "STEP3"},
    ControlTemplate{1029, K::Label, 18, 270, 39, 15, C::BaseStatic1, kSunken | kCentred, ""},
    ControlTemplate{1070, K::Label, 63, 270, 99, 15, C::BaseStatic1, kNone, "Count"},
    ControlTemplate{1032, K::Label, 165, 270, 51, 15, C::BaseStatic1, kSunken | kCentred, ""},
    ControlTemplate{1022, K::Button, 312, 255, 45, 30, C::BaseButton, kNone, "up"},
    ControlTemplate{1021, K::Button, 366, 255, 45, 30, C::BaseButton, kNone, "down"},
    ControlTemplate{1027, K::Button, 420, 255, 78, 30, C::BaseButton, kHidden, "Add"},
    ControlTemplate{1034, K::Label, 18, 287, 480, 82, C::BaseStatic4, kSunken, ""},
    ControlTemplate{1077, K::Label, 9, 372, 33, 12, C::BaseStatic3, kNone, "STEP4"},
    ControlTemplate{1019, K::Button, 42, 372, 78, 30, C::BaseButton, kNone, "CLEAR"},
    ControlTemplate{1087, K::Label, 123, 372, 99, 30, C::BaseStatic4, kNone, "Reset"},
    ControlTemplate{1026, K::Button, 222, 372, 78, 30, C::BaseButton, kNone, "Settings"},
    ControlTemplate{1088, K::Label, 302, 372, 115, 30, C::BaseStatic4, kNone, "Change"},
    ControlTemplate{2, K::Button, 420, 372, 78, 30, C::BaseButton, kNone, "EXIT"},
};

constexpr std::array kSelect{
    ControlTemplate{1018, K::Label, 27, 15, 261, 25, C::BaseStatic1, kNone, "Prompt"},
    ControlTemplate{1000, K::Button, 15, 48, 78, 30, C::BaseButton, kNone, "Button1"},
    ControlTemplate{1001, K::Button, 15, 88, 78, 30, C::BaseButton, kNone, "Button2"},
    ControlTemplate{1002, K::Button, 15, 128, 78, 30, C::BaseButton, kNone, "Button3"},
    ControlTemplate{1003, K::Button, 15, 168, 78, 30, C::BaseButton, kNone, "Button4"},
    ControlTemplate{1004, K::Button, 15, 208, 78, 30, C::BaseButton, kNone, "Button5"},
    ControlTemplate{1005, K::Button, 15, 248, 78, 30, C::BaseButton, kNone, "Button6"},
    ControlTemplate{1006, K::Button, 15, 288, 78, 30, C::BaseButton, kNone, "Button7"},
    ControlTemplate{1007, K::Button, 100, 48, 78, 30, C::BaseButton, kNone, "Button8"},
    ControlTemplate{1008, K::Button, 100, 88, 78, 30, C::BaseButton, kNone, "Button9"},
    ControlTemplate{1009, K::Button, 100, 128, 78, 30, C::BaseButton, kNone, "Button10"},
    ControlTemplate{1010, K::Button, 100, 168, 78, 30, C::BaseButton, kNone, "Button11"},
    ControlTemplate{1011, K::Button, 100, 208, 78, 30, C::BaseButton, kNone, "Button12"},
    ControlTemplate{1012, K::Button, 99, 248, 78, 30, C::BaseButton, kNone, "Button13"},
    ControlTemplate{1013, K::Button, 99, 289, 78, 30, C::BaseButton, kNone, "Button14"},
    ControlTemplate{2, K::Button, 210, 289, 78, 30, C::BaseButton, kNone, "Cancel"},
};

constexpr std::array kSettings{
    ControlTemplate{1041, K::Label, 105, 9, 297, 27, C::BaseStatic2, kCentred, "Version"},
    ControlTemplate{1042, K::Label, 27, 57, 114, 15, C::BaseStatic3, kNone, "Heading"},
    ControlTemplate{1074, K::Label, 48, 87, 147, 15, C::BaseStatic3, kNone, "STEP1"},
    ControlTemplate{1039, K::Label, 78, 111, 63, 30, C::BaseStatic1, kNone, "Language"},
    ControlTemplate{1012, K::Radio, 147, 111, 78, 30, C::BaseButtonR, kGroupStart, "Chinese"},
    ControlTemplate{1013, K::Radio, 246, 111, 78, 30, C::BaseButtonR, kNone, "English"},
    ControlTemplate{1014, K::Radio, 345, 111, 78, 30, C::BaseButtonR, kNone, ""},
    ControlTemplate{1075, K::Label, 48, 165, 147, 15, C::BaseStatic3, kNone, "STEP2"},
    ControlTemplate{1040, K::Label, 78, 189, 63, 30, C::BaseStatic1, kNone, "Series"},
    ControlTemplate{1015, K::Radio, 147, 189, 78, 30, C::BaseButtonR, kGroupStart, "QL7B series"},
    ControlTemplate{1016, K::Radio, 246, 189, 78, 30, C::BaseButtonR, kNone, "QL7-A series"},
    ControlTemplate{1017, K::Radio, 345, 189, 78, 30, C::BaseButtonR, kNone, ""},
    ControlTemplate{1, K::Button, 198, 345, 111, 48, C::BaseButton, kNone, "OK"},
    ControlTemplate{2, K::Button, 420, 363, 78, 30, C::BaseButton, kNone, "EXIT"},
};

constexpr std::array kMessage{
    ControlTemplate{1063, K::Label, 16, 15, 167, 54, C::BaseStatic1, kNone, "Message"},
    ControlTemplate{1, K::Button, 60, 75, 78, 30, C::BaseButton, kNone, "OK"},
};

constexpr std::array kAdd{
    ControlTemplate{1083, K::Label, 18, 18, 51, 15, C::BaseStatic1, kCentred, "Emitter"},
    ControlTemplate{1084, K::Label, 207, 18, 51, 15, C::BaseStatic1, kCentred, "Receiver"},
    ControlTemplate{1085, K::Label, 99, 33, 78, 13, C::BaseStatic3, kCentred, "Interlock"},
    ControlTemplate{1078, K::Button, 99, 48, 78, 30, C::BaseButtonR, kNone, "ON"},
    ControlTemplate{1079, K::Button, 99, 87, 78, 30, C::BaseButtonR, kNone, "OFF"},
    ControlTemplate{1086, K::Label, 99, 135, 78, 13, C::BaseStatic3, kCentred, "Halt"},
    ControlTemplate{1080, K::Button, 99, 150, 78, 30, C::BaseButtonR, kNone, "ON"},
    ControlTemplate{1081, K::Button, 99, 189, 78, 30, C::BaseButtonR, kNone, "OFF"},
    ControlTemplate{1082, K::Button, 93, 243, 78, 30, C::BaseButton, kNone, "CLEAR"},
    ControlTemplate{1, K::Button, 183, 243, 78, 30, C::BaseButton, kNone, "OK"},
};

constexpr std::array kAbout{
    ControlTemplate{-1, K::Icon, 11, 17, 20, 20, C::Plain, kNone, ""},
    ControlTemplate{1, K::Button, 178, 7, 50, 14, C::Plain, kDefault, "OK"},
};

} // namespace

const DialogTemplate g_tmplAbout{100, "CAboutDlg", 235, 55, true, kAbout};
const DialogTemplate g_tmplMain{102, "CDarvellDlg", 507, 415, true, kMain};
const DialogTemplate g_tmplSelect{129, "CSelectDlg", 300, 331, false, kSelect};
const DialogTemplate g_tmplSettings{130, "CSetDlg", 507, 415, false, kSettings};
const DialogTemplate g_tmplMessage{192, "CMessageDlg", 195, 115, true, kMessage};
const DialogTemplate g_tmplAdd{198, "CAddDlg", 276, 286, true, kAdd};

const ControlTemplate* FindControl(const DialogTemplate& dlg, int id)
{
    for (const auto& c : dlg.controls)
        if (c.id == id)
            return &c;
    return nullptr;
}
