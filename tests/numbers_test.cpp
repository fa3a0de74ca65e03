#include "protocol/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace krel {
namespace {

TEST(Rounding, HalfGoesToEven) {
  EXPECT_EQ(ToInt16(2.5), 2);
  EXPECT_EQ(ToInt16(3.5), 4);
  EXPECT_EQ(ToInt16(-2.5), -2);
  EXPECT_EQ(ToInt16(-3.5), -4);
  EXPECT_EQ(ToInt32(0.5), 0);
  EXPECT_EQ(ToInt32(1.5), 2);
  EXPECT_EQ(ToInt32(2.4999), 2);
  EXPECT_EQ(ToInt32(2.5001), 3);
  EXPECT_EQ(ToInt32(-0.5), 0);
}

TEST(Rounding, OutOfRangeSaturatesOrIsReported) {
  EXPECT_EQ(ToInt16(40000.0), 32767);
  EXPECT_EQ(ToInt16(-40000.0), -32768);
  EXPECT_EQ(ToInt16(std::nan("")), 0);
  EXPECT_EQ(ToInt32(1e300), std::numeric_limits<int32>::max());
  EXPECT_EQ(ToInt64(std::numeric_limits<double>::infinity()), std::numeric_limits<std::int64_t>::max());
  EXPECT_FALSE(ToInt16Checked(32767.5).has_value());  // rounds to 32768
  EXPECT_EQ(ToInt16Checked(32766.5).value(), 32766);
  EXPECT_EQ(ToInt16Checked(-32768.5).value(), -32768);
  EXPECT_FALSE(ToInt16Checked(-32769.0).has_value());
  EXPECT_FALSE(ToInt32Checked(std::nan("")).has_value());
}

TEST(Fixed, FromDoubleRoundsToTenThousandthsTiesToEven) {
  EXPECT_EQ(fixed(1.5).raw(), 15000);
  EXPECT_EQ(fixed(0.5 / 10000).raw(), 0);   // a binary-exact tie: even neighbour
  EXPECT_EQ(fixed(2.5 / 10000 * 1.0000001).raw(), 3);
  EXPECT_EQ(fixed(-1.23456).raw(), -12346);
  EXPECT_EQ(fixed(1e30).raw(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(fixed(std::nan("")).raw(), 0);
}

TEST(Fixed, ToIntegerRoundsHalfToEvenExactly) {
  EXPECT_EQ(fixed(2.5).ToInt16(), 2);
  EXPECT_EQ(fixed(3.5).ToInt16(), 4);
  EXPECT_EQ(fixed(-2.5).ToInt32(), -2);
  EXPECT_EQ(fixed(-3.5).ToInt32(), -4);
  EXPECT_EQ(fixed::FromRaw(25001).ToInt32(), 3);
  EXPECT_EQ(fixed::FromRaw(-25001).ToInt32(), -3);
  EXPECT_EQ(fixed(100000.0).ToInt16(), 32767);
  EXPECT_EQ(fixed(-2.5).Floor(), -3);
  EXPECT_EQ(fixed(2.9999).Floor(), 2);
  EXPECT_EQ(fixed(-3).Floor(), -3);
}

TEST(Fixed, ArithmeticIsExactForSumsAndRoundedForProducts) {
  fixed a(0.1), b(0.2);
  EXPECT_EQ((a + b).raw(), 3000);  // no binary drift
  EXPECT_EQ((fixed(7) * fixed(3)).raw(), 210000);
  EXPECT_EQ((fixed(0.0001) * fixed(0.5)).raw(), 0);     // 0.00005: tie to even (0)
  EXPECT_EQ((fixed(0.0003) * fixed(0.5)).raw(), 2);     // 0.00015: tie to even (0.0002)
  EXPECT_EQ((fixed(-0.0003) * fixed(0.5)).raw(), -2);
  EXPECT_EQ((fixed(0.0005) * fixed(0.5)).raw(), 2);     // 0.00025: tie to even (0.0002)
  EXPECT_EQ((fixed(1) / fixed(3)).raw(), 3333);
  EXPECT_EQ((fixed(-2) / fixed(3)).raw(), -6667);
  EXPECT_EQ((fixed(5) / fixed(0)).raw(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ((fixed(0) / fixed(0)).raw(), 0);
  fixed big = fixed::FromRaw(std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ((big + fixed(1)).raw(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ((-big - fixed(5)).raw(), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ((big * fixed(2)).raw(), std::numeric_limits<std::int64_t>::max());
  EXPECT_LT(fixed(-0.5), fixed(0));
  EXPECT_EQ(fixed(-2.5).ToString(), "-2.5");
  EXPECT_EQ(fixed(0.0001).ToString(), "0.0001");
  EXPECT_EQ(IDiv(-7, 2), -3);
  EXPECT_EQ(IDiv(7, 0), 0);
}

}  // namespace
}  // namespace krel
