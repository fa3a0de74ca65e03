// Number formats shared by the client simulation and the wire protocol.
//
// The simulation is reproduced bit for bit on every client of a network game,
// so every conversion to an integer rounds half to even and every fractional
// value is held as a 64-bit count of 1/10000 units ("fixed"). Conversions of
// values that do not fit never invoke undefined behaviour: the plain forms
// saturate (NaN gives 0), the checked forms report the overflow.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace krel {

using int16 = std::int16_t;
using int32 = std::int32_t;

// 16-bit truth value: true is -1 (all bits set), false is 0.
using flag = std::int16_t;
inline constexpr flag kTrue = -1;
inline constexpr flag kFalse = 0;
inline constexpr flag ToFlag(bool b) { return b ? kTrue : kFalse; }

// Round half to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2), independent of the
// floating-point environment.
double RoundHalfEven(double v);

// Conversions with round-half-to-even. The plain forms saturate at the
// bounds of the target type; NaN converts to 0.
int16 ToInt16(double v);
int32 ToInt32(double v);
std::int64_t ToInt64(double v);
// Checked forms: empty when the rounded value does not fit (or v is NaN).
std::optional<int16> ToInt16Checked(double v);
std::optional<int32> ToInt32Checked(double v);

// Integer division truncating towards zero; a zero divisor gives 0 rather
// than trapping (the game never divides by zero on purpose).
inline constexpr std::int64_t IDiv(std::int64_t a, std::int64_t b) {
  if (b == 0) return 0;
  if (b == -1) return a == INT64_MIN ? INT64_MAX : -a;
  return a / b;
}

// 64-bit fixed point with four decimal places: the value times 10000.
// Sums and differences are exact (saturating at the int64 bounds); products
// and quotients of two fixed values are rounded from the exact result to the
// nearest 1/10000, ties to even. Mixed with a double (a sine, a random
// number), convert with ToDouble() and back: that goes through double and
// rounds the same way.
class fixed {
 public:
  static constexpr std::int64_t kScale = 10000;

  constexpr fixed() = default;
  constexpr fixed(int v) : raw_(static_cast<std::int64_t>(v) * kScale) {}  // NOLINT: implicit on purpose
  fixed(double v);  // NOLINT: implicit on purpose, rounds to 1/10000 ties to even

  static constexpr fixed FromRaw(std::int64_t raw) {
    fixed f;
    f.raw_ = raw;
    return f;
  }

  constexpr std::int64_t raw() const { return raw_; }
  constexpr bool IsInteger() const { return raw_ % kScale == 0; }
  double ToDouble() const { return static_cast<double>(raw_) / kScale; }
  explicit operator double() const { return ToDouble(); }

  // Conversion to integers, round half to even, exact on the raw value.
  std::int64_t RoundToInt64() const;
  int16 ToInt16() const;
  int32 ToInt32() const;
  // Largest integer not above the value.
  std::int64_t Floor() const;

  fixed operator-() const;
  fixed& operator+=(fixed o);
  fixed& operator-=(fixed o);
  fixed& operator*=(fixed o);
  fixed& operator/=(fixed o);

  friend fixed operator+(fixed a, fixed b) { return a += b; }
  friend fixed operator-(fixed a, fixed b) { return a -= b; }
  friend fixed operator*(fixed a, fixed b) { return a *= b; }
  // Division by zero saturates to the largest magnitude with the dividend's
  // sign (0 / 0 gives 0) instead of trapping.
  friend fixed operator/(fixed a, fixed b) { return a /= b; }

  friend constexpr bool operator==(fixed a, fixed b) { return a.raw_ == b.raw_; }
  friend constexpr auto operator<=>(fixed a, fixed b) { return a.raw_ <=> b.raw_; }

  std::string ToString() const;  // shortest decimal form, e.g. "-2.5"

 private:
  std::int64_t raw_ = 0;
};

// Rounding of a double to the nearest 1/10000, ties to even, as a raw value:
// nearest to the double's exact value, so a double a hair above a half-way
// point rounds up even where v × 10000 in double arithmetic lands exactly on
// the half (which plain rounding of that product would send to even).
std::int64_t FixedRawFromDouble(double v);

}  // namespace krel
