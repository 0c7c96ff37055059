// app/: marks of the start-up's phases for bench/StartupBench.
#pragma once

// StartupMark(phase) tells the start-up benchmark that a phase has just ended.
// Only a build with the benchmarks (DARVELL_BENCH) compiles the marks in, and
// then they write only when DARVELL_STARTUP_TRACE_FD names a descriptor: one
// line "<phase>\t<CLOCK_MONOTONIC nanoseconds>" each. Elsewhere a mark is nothing.
#if defined(DARVELL_STARTUP_TRACE) && !defined(_WIN32)
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

inline void StartupMark(const char* phase)
{
    static const int fd = [] {
        const char* s = std::getenv("DARVELL_STARTUP_TRACE_FD");
        return s && *s ? std::atoi(s) : -1;
    }();
    if (fd < 0)
        return;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    char line[160];
    const int n = std::snprintf(line, sizeof line, "%s\t%lld\n", phase,
                                static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    if (n > 0 && n < int(sizeof line)) {
        [[maybe_unused]] const ssize_t written = ::write(fd, line, static_cast<size_t>(n));
    }
}
#else
inline void StartupMark(const char*) {}
#endif
