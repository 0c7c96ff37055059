#include "platform/Heap.h"

namespace platform {

void UseTwoHeaps()
{
    // The C runtime's allocations all come from the process heap.
}

void ReleaseFreedMemory()
{
    // The process heap decommits large free blocks by itself.
}

} // namespace platform
