#include "protocol/base/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <utility>

namespace krel {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

TEST(Rounding, HalfGoesToEvenAndOutOfRangeSaturatesOrIsReported) {
  // (Ordinary rounding shows in every recorded game: recordings_test.)
  const struct {
    double v;
    int32 want;
  } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-0.5, 0}, {2.5001, 3}, {1e300, std::numeric_limits<int32>::max()}};
  for (const auto& c : cases) EXPECT_EQ(ToInt32(c.v), c.want) << c.v;
  // The checked forms report what does not fit (the weapon file's limits,
  // checked after rounding, are tested with its loader).
  EXPECT_EQ(std::tuple(ToInt16(-40000.0), ToInt16(std::nan("")), ToInt64(std::numeric_limits<double>::infinity()),
                       ToInt32Checked(std::nan("")).has_value()),
            std::tuple(-32768, 0, kMax, false));
}

TEST(Fixed, ConversionsRoundHalfToEvenExactly) {
  // Nearest to the double's exact value: 0.00005 and 0.00025 are a hair
  // above their half-way points and 0.00035 a hair below, although v × 10000
  // in double arithmetic lands exactly on 0.5, 2.5 and 3.5; only m/32 (m
  // odd) are true ties, and they go to the even neighbour.
  const struct {
    double v;
    std::int64_t raw;
  } near_ties[] = {{0.00005, 1}, {-0.00005, -1}, {0.00025, 3}, {0.00035, 3}, {1.0 / 32, 312}, {3.0 / 32, 938}};
  for (const auto& c : near_ties) EXPECT_EQ(fixed(c.v).raw(), c.raw) << c.v;
  EXPECT_EQ(fixed(1e30).raw(), kMax);
  EXPECT_EQ(fixed(std::nan("")).raw(), 0);
  const struct {
    fixed v;
    int32 rounded;
    std::int64_t floor;
  } cases[] = {{fixed(2.5), 2, 2}, {fixed(-2.5), -2, -3}, {fixed::FromRaw(-25001), -3, -3}, {fixed(2.9999), 3, 2}};
  for (const auto& c : cases)
    EXPECT_EQ(std::pair(c.v.ToInt32(), c.v.Floor()), std::pair(c.rounded, c.floor)) << c.v.raw();
}

TEST(Fixed, ArithmeticIsExactForSumsAndRoundedForProducts) {
  EXPECT_EQ((fixed(0.1) + fixed(0.2)).raw(), 3000);  // no binary drift
  // Products of 0.00005 and 0.00015 are ties, going to the even neighbour.
  const struct {
    fixed result;
    std::int64_t raw;
  } cases[] = {{fixed(0.0001) * fixed(0.5), 0}, {fixed(0.0003) * fixed(0.5), 2}, {fixed(-0.0003) * fixed(0.5), -2},
               {fixed(1) / fixed(3), 3333},     {fixed(-2) / fixed(3), -6667},   {fixed(5) / fixed(0), kMax},
               {fixed(0) / fixed(0), 0}};
  for (int i = 0; const auto& c : cases) EXPECT_EQ(c.result.raw(), c.raw) << "case " << i++;
  // Overflow saturates.
  const fixed big = fixed::FromRaw(kMax);
  EXPECT_EQ(std::tuple((big + fixed(1)).raw(), (-big - fixed(5)).raw(), (big * fixed(2)).raw()),
            std::tuple(kMax, std::numeric_limits<std::int64_t>::min(), kMax));
  EXPECT_EQ(std::tuple(fixed(-2.5).ToString(), IDiv(-7, 2), IDiv(7, 0)), std::tuple("-2.5", -3, 0));
}

}  // namespace
}  // namespace krel
