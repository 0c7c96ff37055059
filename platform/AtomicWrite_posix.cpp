#include "platform/AtomicWrite.h"
#include "platform/FileReplace.h"
#include "platform/Interrupted_posix.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error, FileAccess access)
{
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

    // A hidden name of ours beside the target; a write a crash cut short left
    // one behind, which goes now. O_EXCL so no other file is taken.
    RemoveTemporaryLeftovers(path);
    std::random_device seed;
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = (slash == std::string::npos ? std::string() : dir) + TemporaryName(name, (0ULL + seed()) << 32 | seed());
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    access == FileAccess::OwnerOnly ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    int err = 0;
    struct stat st {};
    if (access == FileAccess::OwnerOnly) {
        if (::fchmod(fd, 0600) != 0)
            err = errno;
    } else if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::fchmod(fd, st.st_mode & 07777) != 0) {
        err = errno;
    }
    if (!err)
        err = WriteAll(fd, bytes);
    if (!err && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && !err)
        err = errno;
    if (!err && ::rename(tmp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err) {
        ::unlink(tmp.c_str());
        error = std::strerror(err);
        return false;
    }
    // The rename itself survives a power cut once the folder is flushed.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace platform
