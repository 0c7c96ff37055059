#include "draw/ControlFont.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace {

// The size found for each height and face: finding it loads a font engine for
// every size tried, and the font list does not change while the program runs.
// Underlining changes no metric, so it is no part of the key.
class SizeCache {
public:
    std::optional<int> Find(int pixelHeight, int bNonCjkSystem)
    {
        const std::lock_guard lock(m_mutex);
        const auto it = m_sizes.find({pixelHeight, bNonCjkSystem});
        return it == m_sizes.end() ? std::nullopt : std::optional(it->second);
    }
    void Keep(int pixelHeight, int bNonCjkSystem, int size)
    {
        const std::lock_guard lock(m_mutex);
        m_sizes.emplace(std::pair(pixelHeight, bNonCjkSystem), size);
    }

private:
    std::mutex m_mutex;
    std::map<std::pair<int, int>, int> m_sizes;
};

SizeCache& Sizes()
{
    static SizeCache cache;
    return cache;
}

} // namespace

QFont ControlFont(int pixelHeight, bool underline, int bNonCjkSystem)
{
    QFont font(bNonCjkSystem == 1 ? QStringLiteral("Verdana")
                                  : QStringLiteral("Microsoft Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    font.setUnderline(underline);
    if (const std::optional<int> known = Sizes().Find(pixelHeight, bNonCjkSystem)) {
        font.setPixelSize(*known);
        return font;
    }
    // The height is the character cell (ascent plus descent), not the em size:
    // take the largest pixel size whose cell fits. Cells grow with the size,
    // nearly in proportion: the search starts where the proportion points.
    const auto fits = [&](int size) {
        font.setPixelSize(size);
        return QFontMetrics(font).height() <= pixelHeight;
    };
    int size = pixelHeight;
    if (size > 1 && !fits(size)) {
        const int cell = QFontMetrics(font).height();
        size = std::clamp(int(std::lround(double(pixelHeight) * pixelHeight / cell)), 1, pixelHeight - 1);
        if (fits(size)) {
            while (size + 1 < pixelHeight && fits(size + 1))
                ++size;
        } else {
            do {
                --size;
            } while (size > 1 && !fits(size));
            size = std::max(size, 1);
        }
    }
    font.setPixelSize(size);
    Sizes().Keep(pixelHeight, bNonCjkSystem, size);
    return font;
}
