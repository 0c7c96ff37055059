// A settings write that fails at any stage, a read-only installation, killed and concurrent writers of the user's copy.
#include "data/AppState.h"
#include "data/COperateIni.h"
#include "platform/ProfileFile.h"
#include "tests/support/ScopedWriteHook.h"
#include "tests/support/TempDataDir.h"

#include <QDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <span>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::WriteStage;

namespace {

// CRLF, a comment, a foreign section and a BOM: every byte must survive a failure.
const std::string kOriginal =
    "\xEF\xBB\xBF; settings\r\n[Setting]\r\nLanguage=\r\nType=0\r\nDialogHeight=1\r\n\r\n[Extra]\r\nk = v \r\n";

QStringList Entries(const TempDataDir& dir)
{
    return QDir(QString::fromStdString(dir.DataDir())).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// The repair of empty values on reading and the settings write, failing at each stage.
TEST(SettingsWriteFault, FailedWriteLeavesTheFileAsItWasAndNoTemporaryFile)
{
    const std::function<bool(AppState&)> writers[] = {
        [](AppState& app) { return COperateIni(app).ReadSettings(); },
        [](AppState& app) { return COperateIni(app).WriteSettings(1, 0); },
    };
    for (const auto& write : writers)
        for (WriteStage stage : {WriteStage::Open, WriteStage::Write, WriteStage::Replace}) {
            TempDataDir dir;
            ASSERT_TRUE(dir.Write("Setting.ini", kOriginal));
            AppState app;
            {
                ScopedWriteHook failing({stage});
                EXPECT_FALSE(write(app)) << WriteStageName(stage);
            }
            EXPECT_EQ(dir.Read("Setting.ini"), kOriginal) << WriteStageName(stage);
            EXPECT_EQ(Entries(dir), QStringList{"Setting.ini"}) << "a temporary file was left behind";
        }
}

TEST(SettingsWriteFault, SuccessfulRepairAfterAFailureChangesOnlyTheValue)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Setting.ini", kOriginal));
    AppState app;
    {
        ScopedWriteHook failing({WriteStage::Replace});
        EXPECT_FALSE(COperateIni(app).ReadSettings());
    }
    EXPECT_TRUE(COperateIni(app).ReadSettings());
    EXPECT_EQ(dir.Read("Setting.ini"),
              "\xEF\xBB\xBF; settings\r\n[Setting]\r\nLanguage=0\r\nType=0\r\nDialogHeight=1\r\n\r\n[Extra]\r\nk = v \r\n");
    EXPECT_EQ(app.m_nLanguage, 0);
    EXPECT_EQ(app.m_nDialogHeight, 736);
}

// Runs body in a child process as a normal user where this test runs as root
// (root ignores modes), with config as its settings folder; its status.
int AsUser(const std::string& config, const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        ::_exit(body());
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A shared installation: the folder belongs to root, Setting.ini to the user,
// and a second name links to it. The user's writes go in place.
TEST(UnprivilegedWriter, WritesAWritableSettingFileInAFolderItCannotWrite)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to become another user";
    constexpr uid_t kNobody = 65534;
    TempDataDir dir;
    const std::string setting = dir.PathOf("Setting.ini");
    ASSERT_TRUE(dir.Write("Setting.ini", "[Setting]\r\nLanguage=\r\nType=0\r\nDialogHeight=0\r\n"));
    ASSERT_EQ(::link(setting.c_str(), dir.PathOf("linked.ini").c_str()), 0);
    ASSERT_EQ(::chown(setting.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(dir.Root().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.DataDir().c_str(), 0755), 0);

    EXPECT_EQ(AsUser(dir.Root(), [&] {
        if (::access(dir.DataDir().c_str(), W_OK) == 0)
            return 100;
        int failed = 0;
        AppState app;
        if (!COperateIni(app).ReadSettings() || app.m_nLanguage != 0)
            failed |= 1; // the empty value is repaired
        if (!COperateIni(app).WriteSettings(1, 0))
            failed |= 2;
        ScopedWriteHook failing({WriteStage::Replace});
        if (COperateIni(app).WriteSettings(0, 0))
            failed |= 4;
        return failed;
    }), 0) << "1 repair, 2 settings write, 4 failed write, 100 set-up";
    for (const char* name : {"Setting.ini", "linked.ini"}) // one file under two names, the failed write undone
        EXPECT_EQ(dir.Read(name), "[Setting]\r\nLanguage=1\r\nType=0\r\nDialogHeight=0\r\n");
    struct stat st {};
    EXPECT_TRUE(::stat(setting.c_str(), &st) == 0 && st.st_nlink == 2 && st.st_uid == kNobody);
    EXPECT_EQ(Entries(dir), (QStringList{"linked.ini", "Setting.ini"})) << "a temporary file was left behind";
}

// A data directory the user may only read, holding text as its Setting.ini,
// and the user's settings folder, returned (empty when it cannot be made).
std::string ReadOnlyInstallation(TempDataDir& dir, const std::string& text)
{
    const std::string config = dir.Root() + "/config";
    const bool made = dir.Write("Setting.ini", text) && ::mkdir(config.c_str(), 0700) == 0
        && (::geteuid() != 0 || ::chown(config.c_str(), 65534, 65534) == 0)
        && ::chmod(dir.Root().c_str(), 0755) == 0 && ::chmod(dir.DataDir().c_str(), 0555) == 0
        && ::chmod(dir.PathOf("Setting.ini").c_str(), 0444) == 0;
    return made ? config : std::string();
}

// The settings the user picks go to a copy in the user's own folder, only when
// they change; it is read at the next start; the installation's file never
// changes; once the user may write that file again, it is the place again.
TEST(ReadOnlyInstallation, KeepsTheUsersSettingsInTheirOwnFolder)
{
    TempDataDir dir;
    const std::string kInstalled = "[Setting]\r\nLanguage=1\r\nType=0\r\nDialogHeight=1\r\n";
    const std::string config = ReadOnlyInstallation(dir, kInstalled);
    ASSERT_FALSE(config.empty());
    const std::string copy = config + "/Darvell/Setting.ini";

    const int status = AsUser(config, [&] {
        int failed = 0;
        AppState app;
        const COperateIni::SettingsPlace place = COperateIni(app).LocateSettings();
        if (!COperateIni(app).ReadSettings() || app.m_nLanguage != 1 || place.userCopy != copy || place.InUserCopy()
            || place.reason.empty())
            failed |= 1;
        if (!COperateIni(app).WriteSettings(1, 0) || ::access(copy.c_str(), F_OK) == 0)
            failed |= 2; // nothing changed, nothing written
        if (!COperateIni(app).WriteSettings(0, 0) || !COperateIni(app).LocateSettings().InUserCopy())
            failed |= 4;
        AppState next;
        if (!COperateIni(next).ReadSettings() || next.m_nLanguage != 0 || next.m_nDialogHeight != 736)
            failed |= 8;
        return failed;
    });
    EXPECT_EQ(status, 0) << "1 first read, 2 unchanged write, 4 changed write, 8 next start";
    EXPECT_EQ(dir.Read("Setting.ini"), kInstalled);
    struct stat st {};
    EXPECT_TRUE(::stat(copy.c_str(), &st) == 0 && st.st_uid == (::geteuid() == 0 ? 65534u : ::geteuid()));
    EXPECT_EQ(dir.Read("../config/Darvell/Setting.ini"), "[Setting]\r\nLanguage=0\r\nType=0\r\nDialogHeight=1\r\n");

    ASSERT_EQ(::chmod(dir.PathOf("Setting.ini").c_str(), 0666), 0);
    EXPECT_EQ(AsUser(config, [] {
        AppState app;
        return COperateIni(app).ReadSettings() && app.m_nLanguage == 1
                && COperateIni(app).LocateSettings().userCopy.empty() ? 0 : 1;
    }), 0) << "the installation's file, writable again, is not read";
}

// Empty values of a fresh installation are repaired in the user's copy, all
// of them: the copy made by the first repair takes the next.
TEST(ReadOnlyInstallation, RepairsEveryEmptyValueInTheUsersCopy)
{
    TempDataDir dir;
    const std::string config = ReadOnlyInstallation(dir, "[Setting]\r\nLanguage=\r\nType=\r\nDialogHeight=1\r\n");
    ASSERT_FALSE(config.empty());
    EXPECT_EQ(AsUser(config, [] {
        AppState app;
        return COperateIni(app).ReadSettings() ? 0 : 1;
    }), 0);
    EXPECT_EQ(dir.Read("../config/Darvell/Setting.ini"), "[Setting]\r\nLanguage=0\r\nType=0\r\nDialogHeight=1\r\n");
}

// The two ways the user's copy is written, as COperateIni does: made anew
// from the installation's file, or rewritten. value n holds a count.
bool WriteCopy(const std::string& installed, const std::string& copy, const std::string& n)
{
    const platform::ProfileValue value{"n", n};
    return ::access(copy.c_str(), F_OK) == 0
        ? platform::WriteProfileStrings(copy, "Setting", std::span(&value, 1))
        : platform::CreateProfileFrom(installed, copy, "Setting", std::span(&value, 1));
}

// Writers of the user's copy killed at random moments: the copy is always the
// whole file with the last value acknowledged or the one in flight.
TEST(UserCopyWrites, KilledWriterLeavesTheLastAcknowledgedOrTheNextWholeFile)
{
    TempDataDir dir;
    const std::string kInstalled = "[Setting]\r\nLanguage=1\r\nType=0\r\nDialogHeight=0\r\n";
    ASSERT_TRUE(dir.Write("Setting.ini", kInstalled));
    ASSERT_TRUE(dir.MakeDir("user"));
    const std::string copy = dir.PathOf("user/Setting.ini");
    const auto whole = [&](long n) { return platform::SetProfileStringInText(kInstalled, "Setting", "n", std::to_string(n)); };
    std::srand(static_cast<unsigned>(::getpid()));
    for (long round = 1; round <= 24; ++round) {
        if (round % 4 == 1)
            ::unlink(copy.c_str()); // the copy made anew
        const std::string before = dir.Read("user/Setting.ini");
        int acks[2];
        ASSERT_EQ(::pipe(acks), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            for (long n = round * 1000000;; ++n)
                if (WriteCopy(dir.PathOf("Setting.ini"), copy, std::to_string(n)))
                    (void)!::write(acks[1], &n, sizeof n);
        }
        ::close(acks[1]);
        ::usleep(static_cast<useconds_t>(std::rand() % 20000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        long acked = 0;
        for (long n = 0; ::read(acks[0], &n, sizeof n) == sizeof n;)
            acked = n;
        ::close(acks[0]);
        const std::string text = dir.Read("user/Setting.ini");
        // Killed before a write was acknowledged, the copy is as it was or has the first.
        const bool kept = acked == 0 ? text == before || text == whole(round * 1000000)
                                     : text == whole(acked) || text == whole(acked + 1);
        EXPECT_TRUE(kept) << "round " << round << ", acknowledged " << acked << ":\n" << text;
    }
}

// Two writers at once: each write succeeds and the copy ends whole, with the
// last value of one of them.
TEST(UserCopyWrites, TwoWritersLeaveOneWholeFile)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Setting.ini", "[Setting]\r\nLanguage=1\r\n"));
    ASSERT_TRUE(dir.MakeDir("user"));
    const std::string copy = dir.PathOf("user/Setting.ini");
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = ::fork();
        if (writers[w] == 0) {
            int failed = 0;
            for (int i = 1; i <= 200; ++i)
                failed += WriteCopy(dir.PathOf("Setting.ini"), copy, std::to_string(w) + "-" + std::to_string(i)) ? 0 : 1;
            ::_exit(failed > 0 ? 1 : 0);
        }
    }
    for (pid_t writer : writers) {
        int status = 0;
        EXPECT_TRUE(::waitpid(writer, &status, 0) == writer && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string text = dir.Read("user/Setting.ini");
    EXPECT_TRUE(text == "[Setting]\r\nLanguage=1\r\nn=0-200\r\n" || text == "[Setting]\r\nLanguage=1\r\nn=1-200\r\n")
        << text;
}

} // namespace
