#include "platform/FontConfig.h"

#include <fontconfig/fontconfig.h>

namespace platform {

void LoadFontConfiguration()
{
    // Fontconfig keeps the configuration for the process; Qt's own FcInit
    // then finds it loaded. Listing every font once maps the pages of the
    // font caches, which the font database's own list then finds in memory.
    if (!FcInit())
        return;
    FcPattern* all = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_FILE, FC_LANG, FC_CHARSET, nullptr);
    if (all && objects) {
        if (FcFontSet* fonts = FcFontList(nullptr, all, objects))
            FcFontSetDestroy(fonts);
    }
    if (objects)
        FcObjectSetDestroy(objects);
    if (all)
        FcPatternDestroy(all);
}

} // namespace platform
