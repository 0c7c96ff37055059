#include "platform/Heap.h"

#include <cstdlib> // defines __GLIBC__ on glibc systems
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void UseTwoHeaps()
{
#if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 2);
#endif
}

void ReleaseFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace platform
