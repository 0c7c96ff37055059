#include "platform/InstanceGuard.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

// $XDG_RUNTIME_DIR, or a private folder under /tmp that no other user controls.
std::string DefaultLockDir()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && IsUsableDir(runtime))
        return runtime;

    const uid_t uid = ::geteuid();
    const std::string dir = "/tmp/darvell-" + std::to_string(uid);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid
        || (st.st_mode & 0077) != 0)
        return {};
    return dir;
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
