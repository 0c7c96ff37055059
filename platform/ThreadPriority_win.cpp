#include "platform/ThreadPriority.h"

namespace platform {

void RunInBackground()
{
    // The background thread's work here is the converter check alone: too
    // small to be worth a priority that the scheduler might starve.
}

} // namespace platform
