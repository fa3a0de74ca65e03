#include "client/simulation/worms/motion.h"

#include <cmath>

namespace krel {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::array<fixed, 19> MakeAimAngles() {
  std::array<fixed, 19> a{};
  for (std::size_t i = 0; i < a.size(); ++i) a[i] = fixed(AimDegrees[i] * kPi / 180.0);
  return a;
}

}  // namespace

const std::array<fixed, 19> AimAngles = MakeAimAngles();

void AddAcceleration(fixed& dirx, fixed& diry, fixed& speed, fixed ax, fixed ay, bool keepspeed) {
  const fixed vx = dirx * speed + ax;
  const fixed vy = diry * speed + ay;
  const double x = vx.ToDouble();
  const double y = vy.ToDouble();
  // The length is taken in single precision, as every client must.
  const float len = static_cast<float>(std::sqrt(x * x + y * y));
  const double div = len < 30.0f ? 30.0 : static_cast<double>(len);
  dirx = fixed(x / div);
  diry = fixed(y / div);
  if (!keepspeed) speed = fixed(div);
}

fixed AimAngle(int richt) {
  if (richt < 0 || richt > 18) return fixed(0);
  return AimAngles[static_cast<std::size_t>(richt)];
}

int16 atan2(double x, double Y) {
  if (x == 0.0) return Y > 0.0 ? 0 : 180;
  // 630 minus a value in (-90, 90) is positive, so the remainder is too.
  auto d = static_cast<std::int64_t>(RoundHalfEven(630.0 - std::atan(-Y / x) * 180.0 / kPi)) % 360;
  if (d > 180 && x < 0) d -= 180;
  if (d < 180 && x > 0) d += 180;
  return static_cast<int16>(d);
}

int32 calcspeed(fixed& spd) {
  if (spd > fixed(32000)) spd = fixed(32000);
  return spd.ToInt32() / 30;
}

}  // namespace krel
