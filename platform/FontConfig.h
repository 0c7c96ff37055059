#pragma once

namespace platform {

// Loads the system's font configuration and font list, the first and largest
// part of the font system's start-up, which needs no Qt: the GUI's font
// database, started later, takes them over as they are. Blocks while it
// reads; any thread. Where the system's fonts need no such step (Windows) it
// does nothing.
void LoadFontConfiguration();

} // namespace platform
