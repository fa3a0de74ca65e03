#include "client/simulation/weapons/arms_values.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "protocol/base/printable.h"

namespace krel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number taken apart: value = sign × 0.digits × 10^exp10, with the
// leading zeros of digits removed. Keeping the digits as text and handing
// them to from_chars once gives the correctly rounded double however long
// the text is, without strtod and its locale.
struct Decimal {
  bool negative = false;
  bool any_digit = false;
  std::string digits;
  std::int64_t exp10 = 0;

  void AddIntegerDigit(char d) {
    any_digit = true;
    if (digits.empty() && d == '0') return;
    digits.push_back(d);
    if (exp10 < kExpLimit) ++exp10;
  }
  void AddFractionDigit(char d) {
    any_digit = true;
    if (digits.empty() && d == '0') {
      if (exp10 > -kExpLimit) --exp10;
      return;
    }
    digits.push_back(d);
  }

  double Value() const {
    if (digits.empty()) return 0.0;
    // 0.d × 10^11 is at least 10^10: far outside every 16-bit value, halved
    // or not. Below 10^-30 the number rounds to 0 in every form.
    if (exp10 > 10)
      return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    if (exp10 < -30) return 0.0;
    std::string text = "0." + digits + "e" + std::to_string(exp10);
    double v = 0.0;
    auto res = std::from_chars(text.data(), text.data() + text.size(), v);
    if (res.ec != std::errc()) return 0.0;  // cannot happen within the exponent window above
    return negative ? -v : v;
  }

  static constexpr std::int64_t kExpLimit = 1'000'000'000;
};

// Reads an exponent's digits into a saturated count.
std::int64_t AddExponentDigit(std::int64_t e, char d) {
  if (e > 100'000'000) return e;
  return e * 10 + (d - '0');
}

std::int64_t SaturatedSum(std::int64_t a, std::int64_t b) {
  const std::int64_t lim = Decimal::kExpLimit * 2;
  std::int64_t s = a + b;  // both are bounded well below int64 limits
  if (s > lim) return lim;
  if (s < -lim) return -lim;
  return s;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  std::string_view t = text.substr(b, e - b);

  Decimal d;
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) d.negative = t[i++] == '-';
  while (i < t.size() && IsDigit(t[i])) d.AddIntegerDigit(t[i++]);
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) d.AddFractionDigit(t[i++]);
  }
  if (!d.any_digit) return std::nullopt;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    bool neg = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
    if (i >= t.size() || !IsDigit(t[i])) return std::nullopt;
    std::int64_t ex = 0;
    while (i < t.size() && IsDigit(t[i])) ex = AddExponentDigit(ex, t[i++]);
    d.exp10 = SaturatedSum(d.exp10, neg ? -ex : ex);
  }
  if (i != t.size()) return std::nullopt;
  return d.Value();
}

double ParseLenient(std::string_view text) {
  std::size_t i = 0;
  auto skip = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  Decimal d;
  skip();
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    d.negative = text[i++] == '-';
    skip();
  }
  for (skip(); i < text.size() && IsDigit(text[i]); skip()) d.AddIntegerDigit(text[i++]);
  if (i < text.size() && text[i] == '.') {
    ++i;
    for (skip(); i < text.size() && IsDigit(text[i]); skip()) d.AddFractionDigit(text[i++]);
  }
  if (!d.any_digit) return 0.0;
  // An exponent counts only when digits follow it: "3e" is 3, "3e2" is 300.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    while (j < text.size() && IsBlank(text[j])) ++j;
    bool neg = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
      neg = text[j++] == '-';
      while (j < text.size() && IsBlank(text[j])) ++j;
    }
    if (j < text.size() && IsDigit(text[j])) {
      std::int64_t ex = 0;
      while (j < text.size() && IsDigit(text[j])) {
        ex = AddExponentDigit(ex, text[j++]);
        while (j < text.size() && IsBlank(text[j])) ++j;
      }
      d.exp10 = SaturatedSum(d.exp10, neg ? -ex : ex);
    }
  }
  return d.Value();
}

std::string QuoteForMessage(std::string_view text) {
  static constexpr std::size_t kMaxShown = 40;
  return std::string("\"")
      .append(Printable(text.substr(0, kMaxShown), {.quoted = true, .ascii = true}))
      .append(text.size() > kMaxShown ? "...\"" : "\"");
}

std::optional<int16> ConvertValue(ValueForm form, std::string_view text, std::string& problem) {
  double v = 0.0;
  if (form == ValueForm::kLenient) {
    v = ParseLenient(text);
  } else {
    std::optional<double> parsed = ParseNumber(text);
    if (!parsed) {
      problem = QuoteForMessage(text) + " is not a number";
      return std::nullopt;
    }
    v = *parsed;
  }

  const char* range = "outside -32768..32767";
  switch (form) {
    case ValueForm::kInteger:
    case ValueForm::kLenient: {
      std::optional<int16> r = ToInt16Checked(v);
      if (!r) problem = QuoteForMessage(text) + " is " + range;
      return r;
    }
    case ValueForm::kHalved:
    case ValueForm::kHalvedPlusOne: {
      double half = RoundHalfEven(v / 2.0);
      if (form == ValueForm::kHalvedPlusOne) half += 1.0;
      std::optional<int16> r = ToInt16Checked(half);
      if (!r) {
        problem = QuoteForMessage(text) + (form == ValueForm::kHalved ? " halved is " : " halved plus 1 is ") + range;
      }
      return r;
    }
    case ValueForm::kText: break;
  }
  problem = "internal: a text value has no number form";
  return std::nullopt;
}

}  // namespace krel
