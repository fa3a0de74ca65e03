#include "client/simulation/worms/motion.h"

#include <cmath>
#include <cstdint>

namespace krel {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::array<fixed, kAimSteps> MakeAimAngles() {
  std::array<fixed, kAimSteps> a{};
  for (std::size_t i = 0; i < a.size(); ++i) a[i] = fixed(AimDegrees[i] * kPi / 180.0);
  return a;
}

// How each kind of number takes part in the motion rules.
template <typename Number>
struct MotionNumbers;

template <>
struct MotionNumbers<fixed> {
  static double ToDouble(fixed v) { return v.ToDouble(); }
  // The length is taken in single precision, as every client must.
  static double Length(double x, double y) { return static_cast<float>(std::sqrt(x * x + y * y)); }
  static int32 Round(fixed v) { return v.ToInt32(); }
};

template <>
struct MotionNumbers<double> {
  static double ToDouble(double v) { return v; }
  static double Length(double x, double y) { return std::sqrt(x * x + y * y); }
  // Round half to even in the default rounding mode, as ToInt32 does, but
  // inline: the look-ahead rounds on every step. Only called on speeds
  // already capped at kBeamSpeed; the lowest ones (and NaN) give INT32_MIN.
  static int32 Round(double v) {
    const double r = std::nearbyint(v);
    return r > static_cast<double>(INT32_MIN) ? static_cast<int32>(r) : INT32_MIN;
  }
};

}  // namespace

const std::array<fixed, kAimSteps> AimAngles = MakeAimAngles();

template <typename Number>
void AddAcceleration(Number& dirx, Number& diry, Number& speed, std::type_identity_t<Number> ax,
                     std::type_identity_t<Number> ay, bool keepspeed) {
  using N = MotionNumbers<Number>;
  const double x = N::ToDouble(dirx * speed + ax);
  const double y = N::ToDouble(diry * speed + ay);
  const double len = N::Length(x, y);
  const double div = len < kSpeedPerStep ? kSpeedPerStep : len;
  dirx = Number(x / div);
  diry = Number(y / div);
  if (!keepspeed) speed = Number(div);
}

template void AddAcceleration<fixed>(fixed&, fixed&, fixed&, fixed, fixed, bool);
template void AddAcceleration<double>(double&, double&, double&, double, double, bool);

fixed AimAngle(int step) {
  if (step < 0 || step >= kAimSteps) return fixed(0);
  return AimAngles[static_cast<std::size_t>(step)];
}

int16 atan2(double x, double Y) {
  if (x == 0.0) return Y > 0.0 ? 0 : 180;
  // 630 minus a value in (-90, 90) is positive, so the remainder is too.
  auto d = static_cast<std::int64_t>(RoundHalfEven(630.0 - std::atan(-Y / x) * 180.0 / kPi)) % 360;
  if (d > 180 && x < 0) d -= 180;
  if (d < 180 && x > 0) d += 180;
  return static_cast<int16>(d);
}

template <typename Number>
int32 MoveSubSteps(Number& spd) {
  if (spd > Number(kBeamSpeed)) spd = Number(kBeamSpeed);
  return MotionNumbers<Number>::Round(spd) / kSpeedPerStep;
}

template int32 MoveSubSteps<fixed>(fixed&);
template int32 MoveSubSteps<double>(double&);

}  // namespace krel
