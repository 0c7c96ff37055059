#include "draw/ControlFont.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// The size the search must find: the largest whose character cell fits,
// stepping down one pixel at a time from the height.
int SteppedDownSize(int pixelHeight, int bNonCjkSystem)
{
    QFont font = ControlFont(pixelHeight, false, bNonCjkSystem);
    int size = pixelHeight;
    font.setPixelSize(size);
    while (size > 1 && QFontMetrics(font).height() > pixelHeight)
        font.setPixelSize(--size);
    return size;
}

// Start-up finds the sizes on a thread of its own, first in this process as in
// the program; on the GUI thread, underlined or not, each must be the size the
// step-down search finds, wherever the proportional guess started it.
TEST(ControlFont, SizesFoundOnAThreadAreThoseOfTheStepDownSearch)
{
    const std::vector<std::pair<int, int>> cases = {{18, 1}, {25, 1}, {16, 1}, {18, 0}, {25, 0},
                                                    {2, 1},  {9, 1},  {12, 0}, {40, 1}, {60, 0}};
    std::vector<int> sizes;
    std::thread([&] {
        for (const auto& [height, nonCjk] : cases)
            sizes.push_back(ControlFont(height, false, nonCjk).pixelSize());
    }).join();
    ASSERT_EQ(sizes.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto [height, nonCjk] = cases[i];
        const QFont font = ControlFont(height, true, nonCjk);
        EXPECT_TRUE(font.underline());
        EXPECT_EQ(font.pixelSize(), sizes[i]) << height;
        EXPECT_EQ(sizes[i], SteppedDownSize(height, nonCjk)) << height << " nonCjk " << nonCjk;
    }
}

} // namespace
