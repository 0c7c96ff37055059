#include "platform/InstanceGuard.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <pwd.h>

namespace platform {

namespace {

std::string& LockDirOverride()
{
    static std::string dir;
    return dir;
}

// A runtime directory inherited from another user (after su, say) cannot hold
// our lock: only a directory of our own that we may write to is used.
bool IsUsableDir(const std::string& dir)
{
    struct stat st {};
    return !dir.empty() && ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)
        && st.st_uid == ::geteuid() && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

// A folder of our own that no other user can write to, made when missing.
bool PrivateDir(const std::string& dir)
{
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & 0077) == 0 && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

// The user's runtime folder, else a folder in the user's home: places no other
// user can pre-create. A shared temporary folder is the last resort, and even
// there a name taken by someone else only moves us to a fresh private folder,
// so another user's file never stops the program.
std::string DefaultLockDir()
{
    const uid_t uid = ::geteuid();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && IsUsableDir(runtime))
        return runtime;
    const std::string userRun = "/run/user/" + std::to_string(uid);
    if (IsUsableDir(userRun))
        return userRun;

    // The account's home, not $HOME, which may still name another user's after su.
    if (const passwd* pw = ::getpwuid(uid); pw != nullptr && pw->pw_dir != nullptr && *pw->pw_dir == '/') {
        const std::string home = pw->pw_dir;
        const std::string cache = home + "/.cache";
        if (IsUsableDir(home) && (::mkdir(cache.c_str(), 0700) == 0 || errno == EEXIST) && IsUsableDir(cache)
            && PrivateDir(cache + "/darvell"))
            return home + "/.cache/darvell";
    }

    const std::string dir = "/tmp/darvell-" + std::to_string(uid);
    if (PrivateDir(dir))
        return dir;
    std::string fresh = "/tmp/darvell-" + std::to_string(uid) + "-XXXXXX";
    return ::mkdtemp(fresh.data()) != nullptr ? fresh : std::string();
}

} // namespace

struct CInstanceGuard::Impl {
    int fd = -1;
};

CInstanceGuard::CInstanceGuard() : m_impl(std::make_unique<Impl>()) {}

CInstanceGuard::~CInstanceGuard()
{
    if (m_impl->fd >= 0)
        ::close(m_impl->fd);
}

CInstanceGuard::Outcome CInstanceGuard::Acquire(const std::string& name)
{
    if (m_impl->fd >= 0) {
        ::close(m_impl->fd);
        m_impl->fd = -1;
    }
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
        return Outcome::Failed;
    const std::string dir = LockDirOverride().empty() ? DefaultLockDir() : LockDirOverride();
    if (dir.empty())
        return Outcome::Failed;

    const std::string path = dir + "/" + name + ".lock";
    // CLOEXEC: a program started from here must not inherit the lock.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Outcome::Failed;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Outcome::HeldByAnother : Outcome::Failed;
    }
    m_impl->fd = fd;
    return Outcome::Acquired;
}

void CInstanceGuard::SetLockDirForTesting(std::string dir)
{
    LockDirOverride() = std::move(dir);
}

} // namespace platform
