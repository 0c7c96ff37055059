#include "platform/InstanceGuard.h"

#include "platform/ExeDir.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <pwd.h>
#include <cstdlib>
#include <optional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::CInstanceGuard;
using Outcome = CInstanceGuard::Outcome;

namespace {

const std::string kName = "UNIQUE_PROGRAM_NAME";

// A second process that asks for the guard, reports the outcome through a pipe
// and, when it got the guard, holds it until it is killed.
class GuardProcess {
public:
    explicit GuardProcess(const std::string& name)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            CInstanceGuard guard;
            const char outcome = static_cast<char>(guard.Acquire(name));
            [[maybe_unused]] const ssize_t n = ::write(fds[1], &outcome, 1);
            if (outcome == static_cast<char>(Outcome::Acquired))
                for (;;)
                    ::pause();
            ::_exit(0);
        }
        ::close(fds[1]);
        m_pipe = fds[0];
    }

    ~GuardProcess()
    {
        Kill();
        ::close(m_pipe);
    }

    bool Started() const { return m_pid > 0 && m_pipe >= 0; }

    // -1 when the child died before reporting.
    int Report()
    {
        char c = 0;
        return ::read(m_pipe, &c, 1) == 1 ? c : -1;
    }

    void Kill()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_pipe = -1;
};

class InstanceGuard : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        CInstanceGuard::SetLockDirForTesting(m_dir.path().toStdString());
    }
    void TearDown() override { CInstanceGuard::SetLockDirForTesting({}); }

    QTemporaryDir m_dir;
};

TEST_F(InstanceGuard, SecondProcessSeesTheGuardHeldUntilTheHolderIsKilled)
{
    GuardProcess holder(kName);
    ASSERT_TRUE(holder.Started());
    ASSERT_EQ(holder.Report(), static_cast<int>(Outcome::Acquired));

    CInstanceGuard second;
    EXPECT_EQ(second.Acquire(kName), Outcome::HeldByAnother);

    holder.Kill(); // no clean-up runs: the system must drop the lock itself
    CInstanceGuard third, fourth;
    EXPECT_EQ(third.Acquire(kName), Outcome::Acquired);
    EXPECT_EQ(fourth.Acquire(kName), Outcome::HeldByAnother);
}

TEST_F(InstanceGuard, OtherProcessIsRefusedWhileWeHoldIt)
{
    {
        CInstanceGuard guard;
        ASSERT_EQ(guard.Acquire(kName), Outcome::Acquired);
        GuardProcess other(kName);
        ASSERT_TRUE(other.Started());
        EXPECT_EQ(other.Report(), static_cast<int>(Outcome::HeldByAnother));
    }
    GuardProcess after(kName);
    ASSERT_TRUE(after.Started());
    EXPECT_EQ(after.Report(), static_cast<int>(Outcome::Acquired));
}

TEST_F(InstanceGuard, DifferentNamesDoNotConflict)
{
    CInstanceGuard a;
    CInstanceGuard b;
    EXPECT_EQ(a.Acquire(kName), Outcome::Acquired);
    EXPECT_EQ(b.Acquire("OTHER_PROGRAM"), Outcome::Acquired);
    EXPECT_TRUE(QFileInfo::exists(m_dir.filePath("UNIQUE_PROGRAM_NAME.lock")));
}

TEST_F(InstanceGuard, StartedProgramsDoNotInheritTheLock)
{
    pid_t child = -1;
    {
        CInstanceGuard guard;
        ASSERT_EQ(guard.Acquire(kName), Outcome::Acquired);
        // The close-on-exec end of this pipe reaches end of file once the child
        // has replaced itself with the new program.
        int execDone[2];
        ASSERT_EQ(::pipe2(execDone, O_CLOEXEC), 0);
        child = ::fork();
        if (child == 0) {
            ::execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ASSERT_GT(child, 0);
        ::close(execDone[1]);
        char c;
        EXPECT_EQ(::read(execDone[0], &c, 1), 0);
        ::close(execDone[0]);
    }
    // The guard is gone; a lock carried into the running child would still hold.
    CInstanceGuard again;
    EXPECT_EQ(again.Acquire(kName), Outcome::Acquired);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST_F(InstanceGuard, UnusableNameOrFolderFails)
{
    CInstanceGuard guard;
    EXPECT_EQ(guard.Acquire(""), Outcome::Failed);
    EXPECT_EQ(guard.Acquire("../escape"), Outcome::Failed);
    EXPECT_EQ(guard.Acquire(".."), Outcome::Failed);
    CInstanceGuard::SetLockDirForTesting(m_dir.filePath("missing").toStdString());
    EXPECT_EQ(guard.Acquire(kName), Outcome::Failed);
}

// Sets (or, given nullptr, clears) one environment variable for the life of the object.
struct ScopedEnv {
    ScopedEnv(const char* name, const char* value) : name(name)
    {
        if (const char* was = std::getenv(name))
            old = was;
        Set(value);
    }
    ~ScopedEnv() { Set(old ? old->c_str() : nullptr); }
    void Set(const char* value) const { value ? ::setenv(name, value, 1) : ::unsetenv(name); }
    const char* name;
    std::optional<std::string> old;
};

TEST(InstanceGuardDefaultFolder, UsesTheRuntimeDirectory)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().toUtf8().constData());
    CInstanceGuard::SetLockDirForTesting({});

    CInstanceGuard guard;
    ASSERT_EQ(guard.Acquire(kName), Outcome::Acquired);
    EXPECT_TRUE(QFileInfo::exists(runtime.filePath("UNIQUE_PROGRAM_NAME.lock")));
}

// Where the lock goes without a usable XDG_RUNTIME_DIR: the system's runtime
// folder of the user, else a private folder in the account's home.
QString FallbackLockDir()
{
    const QString run = QString("/run/user/%1").arg(::geteuid());
    return QFileInfo(run).isDir() ? run : QString(::getpwuid(::geteuid())->pw_dir) + "/.cache/darvell";
}

TEST(InstanceGuardDefaultFolder, WithoutRuntimeFolderUsesAPrivateFolderInTheHome)
{
    ScopedEnv env("XDG_RUNTIME_DIR", nullptr);
    CInstanceGuard::SetLockDirForTesting({});
    const std::string name = "DarvellGuardTest" + std::to_string(::getpid());
    const QString dir = FallbackLockDir();
    const QString lock = dir + "/" + QString::fromStdString(name) + ".lock";
    {
        CInstanceGuard guard;
        ASSERT_EQ(guard.Acquire(name), Outcome::Acquired);
        EXPECT_TRUE(QFileInfo::exists(lock)) << lock.toStdString();
        EXPECT_EQ(QFileInfo(dir).permissions() & (QFile::WriteGroup | QFile::WriteOther), QFile::Permissions());
    }
    QFile::remove(lock);
}

TEST(InstanceGuardDefaultFolder, RuntimeDirectoryOfAnotherUserIsPassedOver)
{
    // Inherited after su: the variable names a folder that is not ours.
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const uid_t other = ::geteuid() == 65534 ? 65533 : 65534;
    if (::chown(runtime.path().toLocal8Bit().constData(), other, other) != 0)
        GTEST_SKIP() << "cannot hand a folder to another user here";
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().toUtf8().constData());
    CInstanceGuard::SetLockDirForTesting({});
    const QString name = "DarvellGuardForeign" + QString::number(::getpid()), lock = FallbackLockDir() + "/" + name + ".lock";
    {
        CInstanceGuard guard;
        ASSERT_EQ(guard.Acquire(name.toStdString()), Outcome::Acquired);
        EXPECT_FALSE(QFileInfo::exists(runtime.filePath(name + ".lock")));
        EXPECT_TRUE(QFileInfo::exists(lock)) << lock.toStdString();
    }
    QFile::remove(lock);
}

// No runtime folder and no home: the temporary folder's name, then the
// program's own folder when another user holds that name.
TEST(InstanceGuardLastResort, TemporaryFolderIsRepairedOrPassedOverForTheOwnFolder)
{
    QTemporaryDir tmp, own;
    ASSERT_TRUE(tmp.isValid() && own.isValid());
    CInstanceGuard::SetLockDirForTesting({});
    CInstanceGuard::SetLockPlacesForTesting("", "", tmp.path().toStdString());
    platform::SetExecutableDirForTesting(own.path().toStdString());
    const QString mine = tmp.filePath(QString("darvell-%1").arg(::geteuid()));
    ASSERT_EQ(::mkdir(mine.toLocal8Bit().constData(), 0755), 0);
    {
        CInstanceGuard guard;
        ASSERT_EQ(guard.Acquire(kName), Outcome::Acquired);
        struct stat st {};
        EXPECT_TRUE(::stat(mine.toLocal8Bit().constData(), &st) == 0 && (st.st_mode & 07777) == 0700);
        EXPECT_TRUE(QFileInfo::exists(mine + "/" + QString::fromStdString(kName) + ".lock"));
    }
    const uid_t other = ::geteuid() == 65534 ? 65533 : 65534;
    if (::chown(mine.toLocal8Bit().constData(), other, other) == 0) {
        CInstanceGuard first, second;
        EXPECT_EQ(first.Acquire(kName), Outcome::Acquired);
        EXPECT_EQ(second.Acquire(kName), Outcome::HeldByAnother);
        EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList{QFileInfo(mine).fileName()});
    }
    CInstanceGuard::ClearLockPlacesForTesting();
    platform::SetExecutableDirForTesting({});
}

} // namespace
