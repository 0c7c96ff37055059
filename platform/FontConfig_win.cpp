#include "platform/FontConfig.h"

namespace platform {

void LoadFontConfiguration()
{
    // The system's font list is the font database's own first step.
}

} // namespace platform
