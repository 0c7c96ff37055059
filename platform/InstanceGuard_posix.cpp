#include "platform/InstanceGuard.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <pwd.h>

#include <optional>

#include "platform/ExeDir.h"
#include "platform/Interrupted_posix.h"

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

// A folder of our own that no other user can write to, made when missing. One
// of ours that others may enter (an old umask, a user's chmod) is closed again.
bool PrivateDir(const std::string& dir)
{
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 07777) != 0700 && ::chmod(dir.c_str(), 0700) != 0)
        return false;
    return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

// Where the lock may live, best first; an empty place is passed over.
struct LockPlaces {
    std::string runtime; // the user's runtime folder
    std::string home;    // the account's home
    std::string tmp;     // the shared temporary folder
};

std::optional<LockPlaces>& PlacesOverride()
{
    static std::optional<LockPlaces> places;
    return places;
}

LockPlaces SystemPlaces()
{
    LockPlaces places;
    const uid_t uid = ::geteuid();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && IsUsableDir(runtime))
        places.runtime = runtime;
    else if (const std::string run = "/run/user/" + std::to_string(uid); IsUsableDir(run))
        places.runtime = run;
    // The account's home, not $HOME, which may still name another user's after su.
    if (const passwd* pw = ::getpwuid(uid); pw != nullptr && pw->pw_dir != nullptr && *pw->pw_dir == '/')
        places.home = pw->pw_dir;
    places.tmp = "/tmp";
    return places;
}

// The user's runtime folder, else a folder in the user's home: places no other
// user can pre-create. A folder in the shared temporary folder comes last; when
// someone else holds its name, the result is empty and the caller locks the
// program's own folder instead.
std::string DefaultLockDir()
{
    const LockPlaces places = PlacesOverride() ? *PlacesOverride() : SystemPlaces();
    if (IsUsableDir(places.runtime))
        return places.runtime;
    if (const std::string& home = places.home; IsUsableDir(home)) {
        const std::string cache = home + "/.cache";
        if ((::mkdir(cache.c_str(), 0700) == 0 || errno == EEXIST) && IsUsableDir(cache)
            && PrivateDir(cache + "/darvell"))
            return cache + "/darvell";
    }
    if (places.tmp.empty())
        return {};
    const std::string dir = places.tmp + "/darvell-" + std::to_string(::geteuid());
    return PrivateDir(dir) ? dir : std::string();
}

// A read-only descriptor of the executable's folder: every copy started from
// the same folder locks the same inode, whoever may write there.
int OpenOwnFolder()
{
    return ::open(ExecutableDir().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
    // CLOEXEC: a program started from here must not inherit the lock.
    const int fd = dir.empty() ? OpenOwnFolder()
                               : ::open((dir + "/" + name + ".lock").c_str(),
                                        O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Outcome::Failed;
    const int rc = RetryInterrupted([fd] { return ::flock(fd, LOCK_EX | LOCK_NB); });
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

void CInstanceGuard::SetLockPlacesForTesting(std::string runtime, std::string home, std::string tmp)
{
    PlacesOverride() = LockPlaces{std::move(runtime), std::move(home), std::move(tmp)};
}

void CInstanceGuard::ClearLockPlacesForTesting()
{
    PlacesOverride().reset();
}

} // namespace platform
