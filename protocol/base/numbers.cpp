#include "protocol/base/numbers.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace krel {

double RoundHalfEven(double v) {
  if (!std::isfinite(v)) return v;
  double fl = std::floor(v);
  double diff = v - fl;
  if (diff < 0.5) return fl;
  if (diff > 0.5) return fl + 1.0;
  // Exactly half way: choose the even neighbour.
  return std::fmod(fl, 2.0) == 0.0 ? fl : fl + 1.0;
}

namespace {

template <typename T>
std::optional<T> Checked(double v) {
  if (std::isnan(v)) return std::nullopt;
  double r = RoundHalfEven(v);
  if (r < static_cast<double>(std::numeric_limits<T>::min()) || r > static_cast<double>(std::numeric_limits<T>::max()))
    return std::nullopt;
  return static_cast<T>(r);
}

template <typename T>
T Saturated(double v) {
  if (std::isnan(v)) return 0;
  double r = RoundHalfEven(v);
  if (r <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  // The max of int64 is not representable in double; compare with >= 2^63.
  if (r >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(r);
}

std::int64_t SatAdd(std::int64_t a, std::int64_t b) {
  std::int64_t r;
  if (__builtin_add_overflow(a, b, &r)) return b > 0 ? INT64_MAX : INT64_MIN;
  return r;
}

std::int64_t SatSub(std::int64_t a, std::int64_t b) {
  std::int64_t r;
  if (__builtin_sub_overflow(a, b, &r)) return b < 0 ? INT64_MAX : INT64_MIN;
  return r;
}

}  // namespace

int16 ToInt16(double v) { return Saturated<int16>(v); }
int32 ToInt32(double v) { return Saturated<int32>(v); }
std::int64_t ToInt64(double v) { return Saturated<std::int64_t>(v); }
std::optional<int16> ToInt16Checked(double v) { return Checked<int16>(v); }
std::optional<int32> ToInt32Checked(double v) { return Checked<int32>(v); }

std::int64_t FixedRawFromDouble(double v) {
  const double scale = static_cast<double>(fixed::kScale);
  const double p = v * scale;  // v × 10000, itself rounded to a double
  // Beyond 2^52 every double is a whole number and the product's own
  // rounding is all there is; no game value comes near (4.5e11 pixels).
  if (!std::isfinite(p) || std::fabs(p) >= 4503599627370496.0) return ToInt64(p);
  const double fl = std::floor(p);
  // The rounded product can only mislead at an exact half: elsewhere its
  // error (at most half a unit in its last place) cannot carry the exact
  // v × 10000 across the half-way point. At a half, the exact product lies
  // above, below or on it, as the product's rounding error (computed
  // exactly by the fused multiply-add) says: 0.00005 as a double is a
  // little more than 5/100000 and so becomes 1/10000, not 0.
  if (p - fl == 0.5) {
    const double error = std::fma(v, scale, -p);
    if (error > 0) return static_cast<std::int64_t>(fl) + 1;
    if (error < 0) return static_cast<std::int64_t>(fl);
  }
  return ToInt64(p);
}

fixed::fixed(double v) : raw_(FixedRawFromDouble(v)) {}

std::int64_t fixed::RoundToInt64() const {
  std::int64_t q = raw_ / kScale;  // truncated towards zero
  std::int64_t r = raw_ % kScale;  // same sign as raw_
  std::int64_t half = kScale / 2;
  if (r > half || (r == half && (q & 1) != 0)) return q + 1;
  if (r < -half || (r == -half && (q & 1) != 0)) return q - 1;
  return q;
}

int16 fixed::ToInt16() const {
  std::int64_t v = RoundToInt64();
  if (v < INT16_MIN) return INT16_MIN;
  if (v > INT16_MAX) return INT16_MAX;
  return static_cast<int16>(v);
}

int32 fixed::ToInt32() const {
  std::int64_t v = RoundToInt64();
  if (v < INT32_MIN) return INT32_MIN;
  if (v > INT32_MAX) return INT32_MAX;
  return static_cast<int32>(v);
}

std::int64_t fixed::Floor() const {
  std::int64_t q = raw_ / kScale;
  if (raw_ % kScale < 0) --q;
  return q;
}

fixed fixed::operator-() const { return FromRaw(raw_ == INT64_MIN ? INT64_MAX : -raw_); }
fixed& fixed::operator+=(fixed o) {
  raw_ = SatAdd(raw_, o.raw_);
  return *this;
}
fixed& fixed::operator-=(fixed o) {
  raw_ = SatSub(raw_, o.raw_);
  return *this;
}

namespace {

// n / d rounded half to even, exactly, saturated to int64.
std::int64_t DivRoundHalfEven(__int128 n, __int128 d) {
  if (d < 0) {
    n = -n;
    d = -d;
  }
  __int128 q = n / d;  // truncated
  __int128 r = n % d;  // sign of n
  __int128 twice = r < 0 ? -2 * r : 2 * r;
  if (twice > d || (twice == d && (q & 1) != 0)) q += (n < 0 ? -1 : 1);
  if (q > INT64_MAX) return INT64_MAX;
  if (q < INT64_MIN) return INT64_MIN;
  return static_cast<std::int64_t>(q);
}

}  // namespace

// Products and quotients are rounded from the exact decimal result, so that
// a true tie (0.0003 x 0.5) goes to the even neighbour instead of wherever
// binary floating point happens to land.
fixed& fixed::operator*=(fixed o) {
  raw_ = DivRoundHalfEven(static_cast<__int128>(raw_) * o.raw_, kScale);
  return *this;
}

fixed& fixed::operator/=(fixed o) {
  if (o.raw_ == 0) {
    raw_ = raw_ > 0 ? INT64_MAX : raw_ < 0 ? INT64_MIN : 0;
    return *this;
  }
  raw_ = DivRoundHalfEven(static_cast<__int128>(raw_) * kScale, o.raw_);
  return *this;
}

std::string fixed::ToString() const {
  // Negate in unsigned arithmetic so that INT64_MIN is handled too.
  unsigned long long u = raw_ < 0 ? 0ULL - static_cast<unsigned long long>(raw_)
                                  : static_cast<unsigned long long>(raw_);
  std::string s = std::to_string(u / kScale);
  unsigned long long frac = u % kScale;
  if (frac != 0) {
    std::string f = std::to_string(frac);
    f.insert(0, 4 - f.size(), '0');
    while (!f.empty() && f.back() == '0') f.pop_back();
    s += "." + f;
  }
  return raw_ < 0 ? "-" + s : s;
}

}  // namespace krel
