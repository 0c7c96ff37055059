#pragma once
#include <array>

// Every run-time text of the program in its two languages, UTF-8:
// element 0 Chinese, element 1 English, chosen by AppState::m_nLanguage.
using LocalText = std::array<const char*, 2>;

// Additional-conditions dialog
extern const LocalText g_strAddTitle, g_strAddEmitterSide, g_strAddReceiverSide,
    g_strAddInterlock, g_strAddHalt, g_strAddInterlockOn, g_strAddInterlockOff,
    g_strAddHaltOn, g_strAddHaltOff, g_strAddClear, g_strAddOk;

// Main diagnosis window and the cause/remedy page
extern const LocalText g_strMainTitle, g_strCauseHeading, g_strRemedyHeading,
    g_strEmitter, g_strReceiver, g_strEmitterMain, g_strEmitterSub1, g_strEmitterSub2,
    g_strReceiverMain, g_strReceiverSub1, g_strReceiverSub2, g_strCauseCount,
    g_strClear, g_strThreeUnits, g_strTwoUnits, g_strOneUnit, g_strSettings,
    g_strExit, g_strClick, g_strUpCjk, g_strDownCjk, g_strUp, g_strDown,
    g_strStep1, g_strStep2, g_strStep3, g_strStep4, g_strAddConditions,
    g_strResetNote, g_strChangeNote;

// Diagnosis report: the window-menu commands, the report's own texts and the
// save and print failures. g_strReportPageFooter and g_strReportCauseNumber take "%d / %d".
extern const LocalText g_strReportPrint, g_strReportSavePdf, g_strReportCopy,
    g_strReportTitle, g_strReportProgram, g_strReportDate, g_strReportSeries,
    g_strReportUnits, g_strReportLamps, g_strReportNoLamps, g_strReportCauseNumber,
    g_strReportErrorPhase, g_strReportHealthyPhase, g_strReportPageFooter,
    g_strReportPdfFilter, g_strReportSaveFailed, g_strReportPrintFailed;

// Diagnosis history: the window-menu command, its window and the report's
// note. g_strHistoryNotKept takes the reason, g_strHistoryChanged the error
// numbers recorded and those found now (both "%s"); g_strHistoryNewGoTo,
// g_strHistoryReadOnlyFrom, g_strHistoryExported and g_strReportSavedTo take
// a path, g_strHistoryNothingKept a reason (all "%s").
extern const LocalText g_strHistoryMenu, g_strHistoryTitle, g_strHistoryFilter,
    g_strHistoryOpen, g_strHistoryNote, g_strHistoryExport, g_strHistoryClose,
    g_strHistoryColTime, g_strHistoryColUnits, g_strHistoryColCodes,
    g_strHistoryColCauses, g_strHistoryColNote, g_strHistoryColMachine,
    g_strHistoryColFrom, g_strHistoryMachinePrompt, g_strHistoryNarrowed,
    g_strHistoryNotePrompt, g_strHistoryCsvFilter, g_strHistoryExportFailed,
    g_strHistoryNoteFailed, g_strHistoryNotKept, g_strHistoryChanged,
    g_strHistoryCannotOpen, g_strHistoryDelete, g_strHistoryDeleteAsk,
    g_strHistoryDeleteFailed, g_strHistoryNewGoTo, g_strHistoryReadOnlyFrom,
    g_strHistoryNothingKept, g_strHistoryExported, g_strReportReopened,
    g_strReportSavedTo;
// Why a history is not kept, by HistoryError::Kind (empty for None and Other:
// the store's own words then).
extern const std::array<LocalText, 11> g_strHistoryWhy;

// The team history server: the window-menu command and its dialog.
// g_strTeamConnected takes the server id and the user, g_strTeamSaveFailed
// the reason (all "%s").
extern const LocalText g_strTeamMenu, g_strTeamTitle, g_strTeamHost, g_strTeamPort, g_strTeamDatabase,
    g_strTeamUser, g_strTeamPassword, g_strTeamPasswordKept, g_strTeamSslMode, g_strTeamRootCert,
    g_strTeamBrowse, g_strTeamTest, g_strTeamOk, g_strTeamCancel, g_strTeamRootMissing, g_strTeamRootNeeded,
    g_strTeamCertFilter, g_strTeamTesting, g_strTeamConnected, g_strTeamSaveFailed, g_strTeamPortRange;
// What failed, by TeamError::Kind (the server's words follow NewerSchema and
// Server), and why Team.ini or the password file could not be read or
// written, by TeamSettingsError::Kind (each takes the file's path, "%s").
extern const std::array<LocalText, 14> g_strTeamWhy;
// The team sync's state in the history window: g_strTeamStateUpToDate takes
// the time, g_strTeamStateOffline the time and the number waiting,
// g_strTeamStateRefused the reason (all "%s").
extern const LocalText g_strTeamStateNotSet, g_strTeamStateUpToDate, g_strTeamStateOffline, g_strTeamStateRefused;
extern const std::array<LocalText, 8> g_strTeamSettingsWhy;

// Indexed by series (0 "QL7B series", 1 "QL7-A series"), not by language.
extern const LocalText g_strSeriesName;

// Error-code picker
extern const LocalText g_strSelectTitle, g_strSelectPrompt, g_strSelectCancel;

// Settings screen
extern const LocalText g_strSetTitle, g_strSetVersionPrefix, g_strSetHeading,
    g_strSetLanguage, g_strSetLightCurtain, g_strSetOk, g_strSetExit,
    g_strSetStep1, g_strSetStep2;
// Where the settings are kept while the data directory's file cannot be
// written: on the settings screen (the user's copy), and once in the message
// box when the copy is made (the data directory's file, why, the copy).
extern const LocalText g_strSetPlace, g_strSettingsInUserFolder;
extern const char* const g_strVersion; // "1.0.1.0"

// Message box: title, and the 11 numbered messages [number][language].
extern const LocalText g_strMessageTitle;
extern const std::array<LocalText, 11> g_strMessage;

// Start-up notes outside the numbered messages: the single-instance lock cannot
// be made (the run ends), and this build reads no GB18030 or Windows-1252 files
// (the run goes on).
extern const LocalText g_strLockFailed, g_strNoLegacyEncodings;

// The messages by name, in g_strMessage order: the value is the message number.
enum class Message : int { NoMatch, NoCauseFile, CauseUnreadable, NoPicture, AlreadyRunning, NoSettingFile,
                           SettingsUnreadable, CannotWrite, BitmapsUnreadable, NoHelpFile, HelpUnreadable };

// Texts kept as the dialog templates hold them, whatever the language.
extern const char* const g_strAboutMenuItem; // system-menu item of the main window
