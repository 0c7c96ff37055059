// A settings write that fails at any stage, and a first copy that is killed.
#include "data/AppState.h"
#include "data/COperateIni.h"
#include "platform/InstanceGuard.h"
#include "platform/ProfileFile.h"
#include "tests/support/ScopedWriteHook.h"
#include "tests/support/TempDataDir.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::WriteStage;

namespace {

// CRLF, a comment, a foreign section and a BOM: every byte must survive a failure.
const std::string kOriginal =
    "\xEF\xBB\xBF; settings\r\n[Setting]\r\nLanguage=\r\nType=0\r\nDialogHeight=1\r\n\r\n[Extra]\r\nk = v \r\n";

struct WriteCase {
    const char* name;
    WriteStage failAt;
    std::function<bool(AppState&)> run;
};

class SettingsWriteFault : public ::testing::TestWithParam<WriteCase> {};

TEST_P(SettingsWriteFault, FailedWriteLeavesTheFileAsItWasAndNoTemporaryFile)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Setting.ini", kOriginal));
    AppState app;
    {
        ScopedWriteHook failing({GetParam().failAt});
        EXPECT_FALSE(GetParam().run(app));
    }
    EXPECT_EQ(dir.Read("Setting.ini"), kOriginal);
    const QStringList left = QDir(QString::fromStdString(dir.DataDir())).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(left, QStringList{"Setting.ini"}) << "a temporary file was left behind";
}

const auto kReadSettings = [](AppState& app) { return COperateIni(app).ReadSettings(); };
const auto kWriteSettings = [](AppState& app) { return COperateIni(app).WriteSettings(1, 0); };

INSTANTIATE_TEST_SUITE_P(
    Stages, SettingsWriteFault,
    ::testing::Values(WriteCase{"RepairOpen", WriteStage::Open, kReadSettings},
                      WriteCase{"RepairWrite", WriteStage::Write, kReadSettings},
                      WriteCase{"RepairReplace", WriteStage::Replace, kReadSettings},
                      WriteCase{"SettingsOpen", WriteStage::Open, kWriteSettings},
                      WriteCase{"SettingsWrite", WriteStage::Write, kWriteSettings},
                      WriteCase{"SettingsReplace", WriteStage::Replace, kWriteSettings}),
    [](const auto& info) { return std::string(info.param.name); });

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

    const pid_t child = ::fork();
    if (child == 0) {
        int failed = 0;
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 || ::access(dir.DataDir().c_str(), W_OK) == 0)
            ::_exit(100);
        AppState app;
        if (!COperateIni(app).ReadSettings() || app.m_nLanguage != 0)
            failed |= 1; // the empty value is repaired
        if (!COperateIni(app).WriteSettings(1, 0))
            failed |= 2;
        ScopedWriteHook failing({WriteStage::Replace});
        if (COperateIni(app).WriteSettings(0, 0))
            failed |= 4;
        ::_exit(failed);
    }
    int status = 0;
    EXPECT_TRUE(child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "status " << status << ": 1 repair, 2 settings write, 4 failed write, 100 set-up (exit status << 8)";
    for (const char* name : {"Setting.ini", "linked.ini"}) // one file under two names, the failed write undone
        EXPECT_EQ(dir.Read(name), "[Setting]\r\nLanguage=1\r\nType=0\r\nDialogHeight=0\r\n");
    struct stat st {};
    EXPECT_TRUE(::stat(setting.c_str(), &st) == 0 && st.st_nlink == 2 && st.st_uid == kNobody);
    EXPECT_EQ(QDir(QString::fromStdString(dir.DataDir())).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"linked.ini", "Setting.ini"})) << "a temporary file was left behind";
}

// A first copy killed while it holds the guard: the next start gets it, and a
// start after that is refused again.
TEST(KilledFirstCopy, LeavesNoLockThatBlocksTheNextStart)
{
    QTemporaryDir lockDir;
    ASSERT_TRUE(lockDir.isValid());
    platform::CInstanceGuard::SetLockDirForTesting(lockDir.path().toStdString());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        platform::CInstanceGuard guard;
        const char ok = guard.Acquire("UNIQUE_PROGRAM_NAME") == platform::CInstanceGuard::Outcome::Acquired ? 'y' : 'n';
        (void)!::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    ::close(ready[1]);
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(ok, 'y');
    {
        platform::CInstanceGuard second;
        EXPECT_EQ(second.Acquire("UNIQUE_PROGRAM_NAME"), platform::CInstanceGuard::Outcome::HeldByAnother);
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    platform::CInstanceGuard next;
    EXPECT_EQ(next.Acquire("UNIQUE_PROGRAM_NAME"), platform::CInstanceGuard::Outcome::Acquired);
    platform::CInstanceGuard later;
    EXPECT_EQ(later.Acquire("UNIQUE_PROGRAM_NAME"), platform::CInstanceGuard::Outcome::HeldByAnother);
    platform::CInstanceGuard::SetLockDirForTesting({});
}

} // namespace
