#pragma once

namespace platform {

// Every thread allocates from one heap, as on Windows, so that what one
// thread frees is there for the others; glibc gives each new thread a heap of
// its own otherwise, whose free space the rest never reuse. Call in main(),
// before the process starts its second thread.
void UseOneHeap();

// Gives the whole free pages in the heap back to the system, where the
// allocator would keep them for later allocations.
void ReleaseFreedMemory();

} // namespace platform
