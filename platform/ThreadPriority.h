#pragma once

namespace platform {

// The calling thread runs only on what the rest of the system leaves over:
// work nobody waits for, which must not slow the threads that are waited for.
// It cannot be undone; a thread that is waited for must not call it. Where
// the system offers no such priority to a program (Windows, for work this
// small), it does nothing.
void RunInBackground();

} // namespace platform
