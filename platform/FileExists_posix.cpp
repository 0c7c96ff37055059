#include "platform/FileExists.h"
#include "platform/Interrupted_posix.h"

#include <cerrno>
#include <new>
#include <stdexcept>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool IsWritableFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)
        && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

bool ReadFileBytes(const std::string& path, std::string& out, std::size_t maxBytes)
{
    // Non-blocking open: a FIFO in place of a data file would otherwise wait for
    // a writer forever. Only regular files are read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return false;
    }
    out.clear();
    // A file too large for memory is unreadable, not a reason to abort. A file
    // that grows while it is read (on a network or FUSE file system) is read
    // one byte past the limit and no further: then it is too large.
    try {
        if (st.st_size > 0)
            out.reserve(static_cast<std::size_t>(st.st_size));
        char buf[65536];
        while (out.size() <= maxBytes) {
            const std::size_t left = maxBytes - out.size();
            const std::size_t want = left < sizeof buf ? left + 1 : sizeof buf;
            const ssize_t n = RetryInterrupted([&] { return ::read(fd, buf, want); });
            if (n < 0) {
                ::close(fd);
                return false;
            }
            if (n == 0)
                break;
            out.append(buf, static_cast<std::size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        ::close(fd);
        out.clear();
        out.shrink_to_fit();
        return false;
    } catch (const std::length_error&) {
        ::close(fd);
        out.clear();
        return false;
    }
    if (out.size() > maxBytes) {
        ::close(fd);
        out.clear();
        return false;
    }
    ::close(fd);
    return true;
}

std::filesystem::path FileSystemPath(const std::string& path)
{
    return std::filesystem::path(path);
}

std::string PathText(const std::filesystem::path& path)
{
    return path.native();
}

} // namespace platform
