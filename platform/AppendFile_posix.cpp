#include "platform/AppendFile.h"
#include "platform/Interrupted_posix.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool Fail(std::string& error, int err)
{
    error = std::strerror(err);
    return false;
}

} // namespace

bool AppendLine(const std::string& path, std::string_view line, std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return Fail(error, errno);
    struct stat st {};
    char last = '\n';
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = S_ISREG(st.st_mode) ? errno : EINVAL;
        ::close(fd);
        return Fail(error, err);
    }
    if (st.st_size > 0) {
        // The descriptor is write-only: the last byte comes through a second one.
        const int rd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (rd < 0 || ::pread(rd, &last, 1, st.st_size - 1) != 1)
            last = '\n'; // unknown: better a whole line than none
        if (rd >= 0)
            ::close(rd);
    }
    std::string bytes;
    if (last != '\n')
        bytes = line.ends_with("\r\n") ? "\r\n" : "\n";
    bytes.append(line);

    // One write, so that no other process's line lands inside this one.
    const ssize_t n = RetryInterrupted([&] { return ::write(fd, bytes.data(), bytes.size()); });
    if (n != static_cast<ssize_t>(bytes.size())) {
        const int err = n < 0 ? errno : ENOSPC;
        if (n > 0 && ::ftruncate(fd, st.st_size) != 0) {
            // The cut line stays; readers skip it.
        }
        ::close(fd);
        return Fail(error, err);
    }
    if (::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        return Fail(error, err);
    }
    if (::close(fd) != 0)
        return Fail(error, errno);
    return true;
}

} // namespace platform
