#pragma once

// Every control id of the dialog templates, named once. Ids repeat between
// dialogs (the settings screen reuses the main window's STEP labels, the
// picker's code buttons overlap the main window's entry buttons); a name
// belongs to the dialog noted beside it.
enum ControlId : int {
    IDOK = 1,     // every dialog's OK button
    IDCANCEL = 2, // EXIT, Cancel

    // Main window.
    IDC_STEP1 = 1074, IDC_STEP2 = 1075, IDC_STEP3 = 1076, IDC_STEP4 = 1077, // also the settings screen
    IDC_THREE_UNITS = 1023, IDC_TWO_UNITS = 1024, IDC_ONE_UNIT = 1025,
    IDC_SERIES = 1028,
    IDC_EMITTER = 1030, IDC_RECEIVER = 1031,
    IDC_EMITTER_SUB2 = 1006, IDC_EMITTER_SUB1 = 1007, IDC_EMITTER_MAIN = 1008,
    IDC_RECEIVER_SUB2 = 1009, IDC_RECEIVER_SUB1 = 1010, IDC_RECEIVER_MAIN = 1011,
    IDC_EMITTER_SUB2_LABEL = 1064, IDC_EMITTER_SUB1_LABEL = 1065, IDC_EMITTER_MAIN_LABEL = 1066,
    IDC_RECEIVER_SUB2_LABEL = 1067, IDC_RECEIVER_SUB1_LABEL = 1068, IDC_RECEIVER_MAIN_LABEL = 1069,
    IDC_COUNT = 1029, IDC_COUNT_CAPTION = 1070, IDC_PAGE = 1032,
    IDC_UP = 1022, IDC_DOWN = 1021, IDC_CONDITIONS = 1027,
    IDC_TEXTBOX = 1034,
    IDC_CLEAR = 1019, IDC_RESET_NOTE = 1087, IDC_SETTINGS = 1026, IDC_CHANGE_NOTE = 1088,

    // Error-code picker: entry i is button IDC_CODE_FIRST + i.
    IDC_SELECT_PROMPT = 1018,
    IDC_CODE_FIRST = 1000, IDC_CODE_LAST = 1013,

    // Settings screen.
    IDC_VERSION = 1041, IDC_SET_HEADING = 1042,
    IDC_LANGUAGE_CAPTION = 1039, IDC_CHINESE = 1012, IDC_ENGLISH = 1013, IDC_THIRD_LANGUAGE = 1014,
    IDC_SERIES_CAPTION = 1040, IDC_QL7B = 1015, IDC_QL7A = 1016, IDC_THIRD_SERIES = 1017,
    IDC_SETTINGS_PLACE = 1110, // where the settings are kept, while it is the user's own folder

    // Message box.
    IDC_MESSAGE = 1063,

    // Additional conditions dialog.
    IDC_ADD_EMITTER = 1083, IDC_ADD_RECEIVER = 1084,
    IDC_INTERLOCK = 1085, IDC_INTERLOCK_ON = 1078, IDC_INTERLOCK_OFF = 1079,
    IDC_HALT = 1086, IDC_HALT_ON = 1080, IDC_HALT_OFF = 1081,
    IDC_ADD_CLEAR = 1082,

    // Diagnosis history (Open is IDOK, Close IDCANCEL).
    IDC_HISTORY_HEADING = 1100, IDC_HISTORY_FILTER_CAPTION = 1101, IDC_HISTORY_FILTER = 1102,
    IDC_HISTORY_LIST = 1103, IDC_HISTORY_NOTE = 1104, IDC_HISTORY_EXPORT = 1105,
    IDC_HISTORY_DELETE = 1106, IDC_HISTORY_STATUS = 1107,
};
