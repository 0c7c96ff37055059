#include "platform/FileReplace.h"
#include "platform/Interrupted_posix.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace platform {

namespace {

// Names of a file's extended attributes; false when they cannot be listed. A
// file system without them has none.
bool AttributeNames(int fd, std::vector<std::string>& names)
{
    names.clear();
    for (;;) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP || errno == ENOSYS;
        std::string list(static_cast<std::size_t>(size), '\0');
        const ssize_t got = ::flistxattr(fd, list.data(), list.size());
        if (got < 0 && errno == ERANGE)
            continue; // grew in between
        if (got < 0)
            return false;
        for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
            const std::size_t end = list.find('\0', at);
            names.push_back(list.substr(at, end - at));
            at = end + 1;
        }
        return true;
    }
}

bool AttributeValue(int fd, const std::string& name, std::string& value)
{
    for (;;) {
        const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size < 0)
            return false;
        value.assign(static_cast<std::size_t>(size), '\0');
        const ssize_t got = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE)
            return false;
    }
}

// Gives the new file exactly the original's extended attributes (ACLs, an
// SELinux label, user attributes): each one the new file lacks or holds with
// another value is set, each one the original lacks is removed. A label the new
// file already got from its folder is left as it is, so no relabelling right
// is needed in the common case. False when any of it is refused: the caller
// then writes in place, which keeps them all.
bool CopyAttributes(int from, int to)
{
    std::vector<std::string> wanted, present;
    if (!AttributeNames(from, wanted) || !AttributeNames(to, present))
        return false;
    std::string value, current;
    for (const std::string& name : wanted) {
        if (!AttributeValue(from, name, value))
            return false;
        if (AttributeValue(to, name, current) && current == value)
            continue;
        if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0)
            return false;
    }
    for (const std::string& name : present)
        if (std::find(wanted.begin(), wanted.end(), name) == wanted.end()
            && ::fremovexattr(to, name.c_str()) != 0)
            return false;
    return true;
}

// Gives the new file the original's owner, group and mode. In a folder with
// the set-group-id bit the new file takes the folder's group, which may let
// others read it: the group is checked on the new file, not assumed.
bool CopyOwnership(int fd, const struct stat& original)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    if ((st.st_uid != original.st_uid || st.st_gid != original.st_gid)
        && ::fchown(fd, original.st_uid, original.st_gid) != 0)
        return false;
    // After fchown, which may clear the set-id bits.
    return ::fchmod(fd, original.st_mode & 07777) == 0 && ::fstat(fd, &st) == 0
        && st.st_uid == original.st_uid && st.st_gid == original.st_gid;
}

// Temporary files that a write cut short by a crash left beside the file: ours,
// regular and at least a minute old (a write in progress elsewhere is younger).
void RemoveLeftovers(const std::string& dir, std::string_view name)
{
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr)
        return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* e = ::readdir(d)) {
        if (!IsTemporaryFileOf(e->d_name, name))
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)
            && st.st_uid == ::geteuid() && now - st.st_mtime >= kLeftoverSeconds)
            ::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
}

enum class RenameResult { Done, Failed, NotKept };

// A new file beside the original, renamed over it: atomic. NotKept when the new
// file could not be given everything the old one had; nothing is left then.
RenameResult WriteByRename(const std::string& target, const std::string& dir, const struct stat& st,
                           std::string_view bytes, const StageCheck& allow)
{
    std::string tmp = dir + "." + target.substr(dir.size()) + std::string(kTemporaryMark) + "XXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0)
        return RenameResult::Failed;
    const int orig = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    const bool kept = orig >= 0 && CopyOwnership(fd, st) && CopyAttributes(orig, fd);
    if (orig >= 0)
        ::close(orig);
    if (!kept) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return RenameResult::NotKept;
    }
    bool ok = allow(WriteStage::Write) && WriteAll(fd, bytes) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && allow(WriteStage::Replace) && ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return RenameResult::Failed;
    }
    // Make the rename itself survive a power cut; the write already succeeded.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return RenameResult::Done;
}

// The same inode rewritten: keeps links, owner, mode and ACLs and needs no
// right on the folder, but is not atomic. On a failure the old bytes are put
// back as far as the system lets us.
bool WriteInPlace(const std::string& target, std::string_view old, std::string_view bytes,
                  const StageCheck& allow)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const auto commit = [fd](std::string_view data) {
        return WriteAll(fd, data, true) == 0 && ::ftruncate(fd, static_cast<off_t>(data.size())) == 0 && ::fsync(fd) == 0;
    };
    bool ok = allow(WriteStage::Write) && WriteAll(fd, bytes, true) == 0;
    ok = ok && allow(WriteStage::Replace) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0
        && ::fsync(fd) == 0;
    if (!ok)
        commit(old);
    ok = ::close(fd) == 0 && ok;
    return ok;
}

} // namespace

std::string WritableFileTarget(const std::string& path)
{
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return {};
    struct stat st {};
    if (::stat(resolved, &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    // Replacing the file would succeed even where writing into it is refused.
    if (::faccessat(AT_FDCWD, resolved, W_OK, AT_EACCESS) != 0)
        return {};
    return resolved;
}

WriteDenial WhyNotWritable(const std::string& path, std::string& reason)
{
    char resolved[PATH_MAX];
    struct stat st {};
    if (::realpath(path.c_str(), resolved) == nullptr || ::stat(resolved, &st) != 0 || !S_ISREG(st.st_mode))
        return WriteDenial::Other;
    if (::faccessat(AT_FDCWD, resolved, W_OK, AT_EACCESS) == 0)
        return WriteDenial::None;
    const int err = errno;
    reason = std::strerror(err);
    return err == EACCES || err == EPERM || err == EROFS ? WriteDenial::Denied : WriteDenial::Other;
}

bool ReplaceFileContents(const std::string& target, std::string_view old, std::string_view bytes,
                         const StageCheck& allow)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const std::string dir = target.substr(0, target.rfind('/') + 1);
    // Only the owner (or root) can give a new file the old one's owner; a second
    // name would be cut off from the new content.
    const bool byRename = ::access(dir.c_str(), W_OK | X_OK) == 0 && st.st_nlink == 1
        && (::geteuid() == 0 || st.st_uid == ::geteuid());
    if (byRename) {
        RemoveLeftovers(dir, target.substr(dir.size()));
        const RenameResult r = WriteByRename(target, dir, st, bytes, allow);
        if (r != RenameResult::NotKept)
            return r == RenameResult::Done;
    }
    return WriteInPlace(target, old, bytes, allow);
}

void RemoveTemporaryLeftovers(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        RemoveLeftovers(".", path);
    else
        RemoveLeftovers(path.substr(0, slash + 1), std::string_view(path).substr(slash + 1));
}

} // namespace platform
