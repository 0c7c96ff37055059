#include "data/TextCatalogue.h"

// Additional-conditions dialog
const LocalText g_strAddTitle = {"Darvell", "Darvell"};
const LocalText g_strAddEmitterSide = {"投光器侧", "Emitter"};
const LocalText g_strAddReceiverSide = {"受光器侧", "Receiver"};
const LocalText g_strAddInterlock = {"连琐功能", "INTERLOCK"};
const LocalText g_strAddHalt = {"投光停止", "HALT"};
const LocalText g_strAddInterlockOn = {"亮灯", "Light ON"};
const LocalText g_strAddInterlockOff = {"熄灯", "Light OFF"};
const LocalText g_strAddHaltOn = {"亮灯", "Light ON"};
const LocalText g_strAddHaltOff = {"熄灯", "Light OFF"};
const LocalText g_strAddClear = {"清除", "CLEAR"};
const LocalText g_strAddOk = {"OK", "OK"};

// Main diagnosis window and the cause/remedy page
const LocalText g_strMainTitle = {"Darvell", "Darvell"};
const LocalText g_strCauseHeading = {"* 原因", "* Cause"};
const LocalText g_strRemedyHeading = {"* 处理方法", "* Remedy"};
const LocalText g_strEmitter = {"投光器侧", "Emitter"};
const LocalText g_strReceiver = {"受光器侧", "Receiver"};
const LocalText g_strEmitterMain = {"主传感器", "Main Sensor"};
const LocalText g_strEmitterSub1 = {"辅助传感器1", "Sub Sensor 1"};
const LocalText g_strEmitterSub2 = {"辅助传感器2", "Sub Sensor 2"};
const LocalText g_strReceiverMain = {"主传感器", "Main Sensor"};
const LocalText g_strReceiverSub1 = {"辅助传感器1", "Sub Sensor 1"};
const LocalText g_strReceiverSub2 = {"辅助传感器2", "Sub Sensor 2"};
const LocalText g_strCauseCount = {"可能是个别异常", "# of possible causes"};
const LocalText g_strClear = {"CLEAR", "CLEAR"};
const LocalText g_strThreeUnits = {"3台", "3 Units"};
const LocalText g_strTwoUnits = {"2台", "2 Units"};
const LocalText g_strOneUnit = {"1台", "1 Unit"};
const LocalText g_strSettings = {"Settings", "Settings"};
const LocalText g_strExit = {"EXIT", "EXIT"};
const LocalText g_strClick = {"请选择", "Click"};
const LocalText g_strUpCjk = {"up", "up"};
const LocalText g_strDownCjk = {"down", "down"};
const LocalText g_strUp = {"up", "up"};
const LocalText g_strDown = {"down", "down"};
const LocalText g_strStep1 = {"STEP1 选择直列安装结构", "STEP1 Select Number of Units"};
const LocalText g_strStep2 = {"STEP2 输入错误状态", "STEP2 Input Error Status"};
const LocalText g_strStep3 = {"STEP3 原因及处理方法", "STEP3 Cause and Remedy"};
const LocalText g_strStep4 = {"STEP4", "STEP4"};
const LocalText g_strAddConditions = {"再追加条件", "Additional\nconditions"};
const LocalText g_strResetNote = {"恢复原状态 (清除错误状态)", "Reset Error Status"};
const LocalText g_strChangeNote = {"语言及机种变更", "Change Language and Series"};

// Diagnosis report
const LocalText g_strReportPrint = {"打印报告…", "Print report…"};
const LocalText g_strReportSavePdf = {"将报告另存为 PDF…", "Save report as PDF…"};
const LocalText g_strReportCopy = {"复制报告", "Copy report"};
const LocalText g_strReportTitle = {"诊断报告", "Diagnosis report"};
const LocalText g_strReportProgram = {"程序", "Program"};
const LocalText g_strReportDate = {"诊断日期时间", "Date and time of the diagnosis"};
const LocalText g_strReportSeries = {"机种", "Series"};
const LocalText g_strReportUnits = {"直列安装台数", "Number of units"};
const LocalText g_strReportLamps = {"追加条件", "Additional conditions"};
const LocalText g_strReportNoLamps = {"未使用", "None applied"};
const LocalText g_strReportCauseNumber = {"可能原因 %d / %d", "Possible cause %d / %d"};
const LocalText g_strReportErrorPhase = {"异常时", "Error state"};
const LocalText g_strReportHealthyPhase = {"正常时", "Healthy state"};
const LocalText g_strReportPageFooter = {"第 %d / %d 页", "Page %d / %d"};
const LocalText g_strReportPdfFilter = {"PDF 文件 (*.pdf)", "PDF files (*.pdf)"};
const LocalText g_strReportSaveFailed = {"无法保存报告。", "The report could not be saved."};
const LocalText g_strReportPrintFailed = {"无法打印报告。", "The report could not be printed."};

// Diagnosis history
const LocalText g_strHistoryMenu = {"诊断记录…", "Diagnosis history…"};
const LocalText g_strHistoryTitle = {"诊断记录", "Diagnosis history"};
const LocalText g_strHistoryFilter = {"筛选", "Filter"};
const LocalText g_strHistoryOpen = {"打开", "Open"};
const LocalText g_strHistoryNote = {"备注…", "Note…"};
const LocalText g_strHistoryExport = {"导出…", "Export…"};
const LocalText g_strHistoryClose = {"关闭", "Close"};
const LocalText g_strHistoryColTime = {"日期时间", "Date and time"};
const LocalText g_strHistoryColUnits = {"台数", "Units"};
const LocalText g_strHistoryColCodes = {"输入的错误状态", "Entered codes"};
const LocalText g_strHistoryColCauses = {"原因", "Causes"};
const LocalText g_strHistoryColNote = {"备注", "Note"};
const LocalText g_strHistoryColMachine = {"机器", "Machine"};
const LocalText g_strHistoryColFrom = {"来自", "From"};
const LocalText g_strHistoryMachinePrompt = {"机器 (最多 60 字):", "Machine (up to 60 characters):"};
const LocalText g_strHistoryNarrowed = {"已追加条件", "narrowed"};
const LocalText g_strHistoryNotePrompt = {"备注 (最多 500 字):", "Note (up to 500 characters):"};
const LocalText g_strHistoryCsvFilter = {"CSV 文件 (*.csv)", "CSV files (*.csv)"};
const LocalText g_strHistoryExportFailed = {"无法导出诊断记录。", "The history could not be exported."};
const LocalText g_strHistoryNoteFailed = {"无法保存备注。", "The note could not be saved."};
const LocalText g_strHistoryNotKept = {"未保存诊断记录: %s", "history not kept: %s"};
const std::array<LocalText, 11> g_strHistoryWhy = {{
    {"", ""},
    {"没有可写入的文件夹", "no writable folder"},
    {"另一个程序长时间占用诊断记录", "another copy of the program kept the history busy"},
    {"磁盘已满", "the disk is full"},
    {"诊断记录文件为只读", "the history file is read-only"},
    {"诊断记录文件已损坏", "the history file is damaged"},
    {"诊断记录由更新版本的程序创建, 只能查看", "the history was made by a newer version of the program and is only shown"},
    {"该文件不是本程序的诊断记录", "the file is no history of this program"},
    {"诊断记录文件是一个链接, 不会打开", "the history file is a link, which is not opened"},
    {"该记录已不在诊断记录中", "the record is no longer in the history"},
    {"", ""},
}};
const LocalText g_strHistoryDelete = {"删除…", "Delete…"};
const LocalText g_strHistoryDeleteAsk = {"删除此记录? 删除后无法恢复。", "Delete this record? It cannot be brought back."};
const LocalText g_strHistoryDeleteFailed = {"无法删除记录。", "The record could not be deleted."};
const LocalText g_strHistoryNewGoTo = {"新的记录保存在 %s", "New records go to %s"};
const LocalText g_strHistoryReadOnlyFrom = {"灰色记录为只读: %s", "Records in grey are read-only: %s"};
const LocalText g_strHistoryNothingKept = {"不保存新的记录: %s", "No new records are kept: %s"};
const LocalText g_strHistoryExported = {"已导出到 %s", "Exported to %s"};
const LocalText g_strReportReopened = {"重新打开", "Opened again"};
const LocalText g_strReportSavedTo = {"已保存到 %s", "saved to %s"};
const LocalText g_strHistoryChanged = {"当前数据给出的原因与记录不同。\n记录: %s\n现在: %s",
                                       "The current data gives other causes than recorded.\nRecorded: %s\nNow: %s"};
const LocalText g_strHistoryCannotOpen = {"此记录的错误状态无法用当前数据重新输入。",
                                          "The entry of this record cannot be made again with the current data."};

// Team history server
const LocalText g_strTeamMenu = {"团队诊断记录…", "Team history…"};
const LocalText g_strTeamTitle = {"团队诊断记录服务器", "Team history server"};
const LocalText g_strTeamHost = {"服务器地址", "Host"};
const LocalText g_strTeamPort = {"端口", "Port"};
const LocalText g_strTeamDatabase = {"数据库", "Database"};
const LocalText g_strTeamUser = {"用户名", "User name"};
const LocalText g_strTeamPassword = {"密码", "Password"};
const LocalText g_strTeamPasswordKept = {"留空则保留已保存的密码", "Leave empty to keep the stored password"};
const LocalText g_strTeamSslMode = {"SSL 模式", "SSL mode"};
const LocalText g_strTeamRootCert = {"根证书", "Root certificate"};
const LocalText g_strTeamBrowse = {"浏览…", "Browse…"};
const LocalText g_strTeamTest = {"测试连接", "Test connection"};
const LocalText g_strTeamOk = {"确定", "OK"};
const LocalText g_strTeamCancel = {"取消", "Cancel"};
const LocalText g_strTeamRootMissing = {"找不到此证书文件", "This certificate file is missing"};
const LocalText g_strTeamRootNeeded = {"请选择为服务器证书签名的机构的根证书",
                                       "Choose the root certificate of the authority that signed the server's certificate"};
const LocalText g_strTeamCertFilter = {"证书 (*.crt *.pem *.cer);;所有文件 (*)", "Certificates (*.crt *.pem *.cer);;All files (*)"};
const LocalText g_strTeamTesting = {"正在测试连接…", "Testing the connection…"};
const LocalText g_strTeamConnected = {"连接成功: 服务器 %s, 用户 %s", "Connected: server %s, user %s"};
const LocalText g_strTeamPortRange = {"端口必须是 1 到 65535 之间的数字。", "The port must be a number from 1 to 65535."};
const LocalText g_strTeamStateNotSet = {"团队历史: 未设置", "Team history: not set"};
const LocalText g_strTeamStateUpToDate = {"团队历史: 已同步 (%s)", "Team history: up to date (%s)"};
const LocalText g_strTeamStateOffline = {"团队历史: 自 %s 起离线, %s 项待发送", "Team history: offline since %s, %s waiting"};
const LocalText g_strTeamStateRefused = {"团队历史: 被拒绝: %s", "Team history: refused: %s"};
const LocalText g_strTeamSaveFailed = {"无法保存设置: %s", "The settings could not be saved: %s"};
const std::array<LocalText, 14> g_strTeamWhy = {{
    {"", ""},
    {"请填写服务器地址、数据库和用户名。", "Enter the host, the database and the user name."},
    {"缺少团队连接库 (darvell_team)。", "The team connection library (darvell_team) is missing."},
    {"不接受此 SSL 模式, 只能使用 disable、require、verify-ca 或 verify-full。",
     "This SSL mode is not accepted: use disable, require, verify-ca or verify-full."},
    {"找不到根证书文件或无法读取。", "The root certificate file is missing or cannot be read."},
    {"无法连接服务器: 地址或端口不可达。", "The server cannot be reached at this host and port."},
    {"服务器未在规定时间内响应。", "The server did not answer in time."},
    {"用户名或密码错误。", "The user name or the password is wrong."},
    {"服务器上没有此数据库。", "The server has no such database."},
    {"此数据库中没有团队诊断记录 (需由管理员执行 darvell-team.sql)。",
     "This database holds no team history (the administrator applies darvell-team.sql to it)."},
    {"数据库的版本比本程序新, 请更新本程序。版本:", "The database is of a newer version than this program knows; update the program. Version:"},
    {"服务器证书未通过验证。", "The server's certificate does not verify."},
    {"已取消连接。", "The connection was cancelled."},
    {"服务器拒绝:", "The server refused:"},
}};
const std::array<LocalText, 8> g_strTeamSettingsWhy = {{
    {"%s", "%s"},
    {"此用户没有设置文件夹: %s", "This user has no settings folder: %s"},
    {"无法读取 %s", "%s cannot be read"},
    {"%s 中含有非 UTF-8 的字节", "%s holds bytes that are not UTF-8"},
    {"%s 中的端口必须是 1 到 65535 之间的数字", "The port in %s must be a number from 1 to 65535"},
    {"%s 中的 SslMode 只能是 disable、require、verify-ca 或 verify-full",
     "SslMode in %s must be disable, require, verify-ca or verify-full"},
    {"%s: 设置值中不能含有换行", "%s: a value cannot hold a line break"},
    {"无法写入 %s", "%s cannot be written"},
}};

const LocalText g_strSeriesName = {"QL7B series", "QL7-A series"};

// Error-code picker
const LocalText g_strSelectTitle = {"Darvell", "Darvell"};
const LocalText g_strSelectPrompt = {
    "确认错误显示灯的亮灯状态、选择错误状态。",
    "Please select the code on the error indicator.\n"
    "If all indicators are off, please select \"POWER OFF\""};
const LocalText g_strSelectCancel = {"取消", "CANCEL"};

// Settings screen
const LocalText g_strSetTitle = {"Darvell", "Darvell"};
const LocalText g_strSetVersionPrefix = {"Darvell Ver.", "Darvell Ver."};
const LocalText g_strSetHeading = {"设定画面", "Settings"};
const LocalText g_strSetLanguage = {"使用语言", "Language"};
const LocalText g_strSetLightCurtain = {"安全光幕", "Light Curtain"};
const LocalText g_strSetOk = {"OK\n\n进入诊断画面", "OK\n\nGo to diagnosis screen"};
const LocalText g_strSetExit = {"EXIT", "EXIT"};
const LocalText g_strSetStep1 = {"STEP1 选择语言", "STEP1 Select Language"};
const LocalText g_strSetStep2 = {"STEP2 选择机种", "STEP2 Select Series"};
const LocalText g_strSetPlace = {"本用户的设定数据保存在:\n%s", "Your settings are kept in:\n%s"};
const LocalText g_strSettingsInUserFolder = {
    "无法写入 %s (%s)。\n本用户的设定数据保存在:\n%s",
    "%s cannot be written (%s).\nYour settings are kept in:\n%s"};
const char* const g_strVersion = "1.0.1.0";

// Message box
const LocalText g_strMessageTitle = {"Darvell", "Darvell"};
const LocalText g_strLockFailed = {"无法创建防止重复启动的锁,\n程序不启动。",
                                   "Darvell cannot create its single-instance lock,\nso it does not start."};
const LocalText g_strNoLegacyEncodings = {
    "此程序无法读取 GB18030 和 Windows-1252 编码的文件:\n以这些编码保存的数据文件不显示文字。\n请将其另存为 UTF-8。",
    "This build cannot read GB18030 or Windows-1252 files:\ndata files saved in them show no text.\nSave them as UTF-8."};
const std::array<LocalText, 11> g_strMessage = {{
    {"无相应的异常模式。请清除并重新输入错误状态。",
     "The status that you have chosen does not seem real.\n Please enter the current status "
     "of the digital error indicator again after the Clear button."},
    {"无原因 · 处理文件", "No cause or remedy files are available."},
    {"无法取得原因 · 处理方法。请确认文件。",
     "No cause or remedy files can be obtained. \nPlease check the files."},
    {"错误!", "Error!"},
    {"已打开(Darvell)", "Darvell is open, already."},
    {"无设定文件。", "No setting files is available."},
    {"无法取得设定数据、请确认文件。", "No setting files can be obtained. \nPlease check the files."},
    {"无法写入设定数据、请确认文件。", "This software cannot write in setting data."},
    {"无法取得BMP文件、请确认文件。", "No BMP files can be obtained. \nPlease check the files."},
    {"无帮助文件。", "No help files is available."},
    {"无法取得帮助资料、请确认文件。", "No help files can be obtained. \nPlease check the files."},
}};

const char* const g_strAboutMenuItem = "Darvell のﾊﾞｰｼﾞｮﾝ情報(&A)...";
