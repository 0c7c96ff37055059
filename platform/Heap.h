#pragma once

namespace platform {

// The main thread keeps its heap and every other thread shares one more, so
// that what one start-up thread frees is there for the others; glibc gives
// each new thread a heap of its own otherwise, whose free space the rest never
// reuse. With a single heap for all, the start-up threads' allocations wait
// for the main thread's and its for theirs. Call in main(), before the
// process starts its second thread. Windows has one heap for all.
void UseTwoHeaps();

// Gives the whole free pages in the heap back to the system, where the
// allocator would keep them for later allocations.
void ReleaseFreedMemory();

} // namespace platform
