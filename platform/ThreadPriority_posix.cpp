#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace platform {

void RunInBackground()
{
#if defined(__linux__)
    // On Linux the nice value belongs to the thread: the other threads keep theirs.
    [[maybe_unused]] const int ignored = ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
#endif
}

} // namespace platform
