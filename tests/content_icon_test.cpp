// The program's icon drawn from the worm sprite.
#include <gtest/gtest.h>

#include <algorithm>

#include "tools/krel-content/content.h"
#include "tools/krel-content/icon.h"

namespace krel::content {
namespace {

TEST(WormIcon, WormInPaletteColoursCentredOnTransparency) {
  const Content c = BuildContent();
  int previous_span = 0;
  for (int size : kIconSizes) {
    const std::vector<std::uint8_t> px = WormIcon(c, size);
    ASSERT_EQ(px.size(), static_cast<std::size_t>(size * size * 4));
    int left = size, right = -1, top = size, bottom = -1;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const std::uint8_t* p = &px[static_cast<std::size_t>(y * size + x) * 4];
        ASSERT_TRUE(p[3] == 0 || p[3] == 255) << size;  // crisp edges, no blending
        if (p[3] == 0) continue;
        const Rgb rgb{p[0], p[1], p[2]};
        EXPECT_NE(std::find(c.palette.begin() + 1, c.palette.end(), rgb), c.palette.end()) << x << "," << y;
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      }
    ASSERT_GE(right, 0) << "empty icon at " << size;
    // A margin all round, the worm filling most of one direction, centred.
    EXPECT_GE(std::min({left, top, size - 1 - right, size - 1 - bottom}), 1) << size;
    const int span = std::max(right - left, bottom - top) + 1;
    EXPECT_GE(span, size * 3 / 4) << size;
    EXPECT_LE(std::abs(left - (size - 1 - right)), size / 8) << size;
    EXPECT_GT(span, previous_span);
    previous_span = span;
  }
}

}  // namespace
}  // namespace krel::content
