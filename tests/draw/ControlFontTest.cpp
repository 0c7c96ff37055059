#include "draw/ControlFont.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// Start-up finds the sizes on a thread of its own, first in this process as in
// the program; on the GUI thread each must still be the largest pixel size
// whose character cell fits its height, underlined or not, wherever the
// search started.
TEST(ControlFont, SizesFoundOnAThreadFitTheirCellOnTheGuiThread)
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
        QFont font = ControlFont(height, true, nonCjk);
        EXPECT_TRUE(font.underline());
        EXPECT_EQ(font.pixelSize(), sizes[i]) << height;
        EXPECT_LE(QFontMetrics(font).height(), height) << height;
        font.setPixelSize(sizes[i] + 1);
        if (sizes[i] < height)
            EXPECT_GT(QFontMetrics(font).height(), height) << height;
    }
}

} // namespace
