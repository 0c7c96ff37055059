#include "platform/FontConfig.h"

#include <fontconfig/fontconfig.h>

namespace platform {

void LoadFontConfiguration()
{
    // Fontconfig keeps the configuration for the process; Qt's own FcInit
    // then finds it loaded.
    FcInit();
}

} // namespace platform
