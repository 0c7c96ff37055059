#include "app/CDarvellApp.h"
#include "app/StartupTrace.h"

#include "data/COperateIni.h"
#include "window/CDarvellDlg.h"
#include "dialogs/CClickGuard.h"
#include "dialogs/CMessageDlg.h"
#include "dialogs/CSetDlg.h"
#include "bitmaps/CBmpData.h"
#include "platform/SystemLanguage.h"
#include "platform/TextEncoding.h"

#include <cstdio>

namespace {

CDarvellApp::LegacyEncodingsCheck& LegacyCheck()
{
    static CDarvellApp::LegacyEncodingsCheck check = platform::LegacyEncodingsAvailable;
    return check;
}

} // namespace

void CDarvellApp::SetLegacyEncodingsCheckForTesting(LegacyEncodingsCheck check)
{
    LegacyCheck() = check ? check : platform::LegacyEncodingsAvailable;
}

int CDarvellApp::NonCjkSystemFlag(int primaryLanguageId)
{
    constexpr int kPrimaryChinese = 4;
    constexpr int kPrimaryJapanese = 17;
    // A full language id carries the sublanguage above its low 10 bits.
    const int primary = primaryLanguageId & 0x3FF;
    return primary == kPrimaryChinese || primary == kPrimaryJapanese ? 0 : 1;
}

template <typename Text>
void CDarvellApp::Tell(const Text& text)
{
    m_work.Finish();
    ShowMessage(m_app, text);
}

int CDarvellApp::Fail(Message msg)
{
    Tell(msg);
    return kExitStartupFailed;
}

bool CDarvellApp::Check(bool ok, Message msg)
{
    if (!ok)
        Fail(msg);
    return ok;
}

bool CDarvellApp::LoadDataFiles()
{
    COperateIni ini(m_app);
    // A failing read leaves m_nLanguage at English unless "Language" itself
    // was read, so its message comes in the language the file asked for.
    if (!Check(ini.CheckSettingFile(), Message::NoSettingFile)
        || !Check(ini.ReadSettings(), Message::SettingsUnreadable))
        return false;
    // Said once, in the language just read, before texts that would show blank.
    if (!m_work.LegacyEncodingsAvailable())
        Tell(g_strNoLegacyEncodings);
    m_app.m_nDialogWidth = 1024;
    return Check(ini.CheckHelpFile(), Message::NoHelpFile) && Check(ini.ReadHelp(), Message::HelpUnreadable)
        && Check(ini.CheckCauseFile(), Message::NoCauseFile);
}

bool CDarvellApp::LoadBitmaps()
{
    return Check(m_work.TakeBitmaps(m_bitmaps), Message::BitmapsUnreadable);
}

int CDarvellApp::RunScreens()
{
    {
        CSetDlg settings(m_app, m_bitmaps);
        StartupMark("settings screen built");
        if (settings.DoModal() != CTemplateDialog::IDOK)
            return kExitNormal; // EXIT: the program ends without its main window
    }
    if (!m_work.TakeCheckedBitmaps(m_bitmaps))
        return Fail(Message::BitmapsUnreadable);
    CDarvellDlg window(m_app, m_bitmaps);
    window.DoModal(); // its end is the program's end
    return kExitNormal;
}

int CDarvellApp::InitInstance()
{
    m_app.m_nLanguage = 1; // nothing read yet: early messages are in English
    const CClickGuard clickGuard; // for every window of the run

    // The threads start first: the lock and the files are read beside them.
    const int nonCjkSystem = NonCjkSystemFlag(platform::SystemPrimaryLanguageId());
    m_work.Start(LegacyCheck(), nonCjkSystem);
    switch (m_guard.Acquire(kInstanceName)) {
    case platform::CInstanceGuard::Outcome::Acquired:
        break;
    case platform::CInstanceGuard::Outcome::HeldByAnother:
        return Fail(Message::AlreadyRunning);
    case platform::CInstanceGuard::Outcome::Failed:
        // Said on the terminal too: a start from a shell or a service log shows it there.
        std::fputs("Darvell: cannot create the single-instance lock; not starting.\n", stderr);
        Tell(g_strLockFailed);
        return kExitStartupFailed;
    }
    if (!LoadDataFiles())
        return kExitStartupFailed;
    StartupMark("icon, lock, INI files, encoding check");
    m_work.ConnectAccessibility();
    StartupMark("accessibility bridge");
    if (!LoadBitmaps())
        return kExitStartupFailed;
    StartupMark("40 bitmaps decoded or checked");

    m_app.m_bNonCjkSystem = nonCjkSystem;
    m_work.Finish();
    StartupMark("font system");

    return RunScreens();
}
