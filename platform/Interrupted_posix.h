#pragma once
#include <cerrno>
#include <cstddef>
#include <string_view>
#include <sys/types.h>
#include <unistd.h>

// For the _posix files: system calls that a signal may interrupt before they
// did anything (-1 with EINTR) are made again.

namespace platform {

// call() again while a signal interrupts it; its first other result.
template <class Call>
auto RetryInterrupted(Call call)
{
    for (;;) {
        const auto result = call();
        if (!(result < 0 && errno == EINTR))
            return result;
    }
}

// Writes all of data to fd: at the file position, or with atStart from the
// file's first byte on (the position stays). 0 when all is written, else the
// errno of the write that failed (ENOSPC for one that wrote nothing).
inline int WriteAll(int fd, std::string_view data, bool atStart = false)
{
    for (off_t offset = 0; !data.empty();) {
        const ssize_t n = RetryInterrupted([&] {
            return atStart ? ::pwrite(fd, data.data(), data.size(), offset) : ::write(fd, data.data(), data.size());
        });
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        data.remove_prefix(static_cast<std::size_t>(n));
        offset += n;
    }
    return 0;
}

} // namespace platform
