#include "protocol/field_codec.h"

#include <algorithm>
#include <optional>

namespace krel {
namespace {

constexpr std::int64_t kFixedNegativeOffset = 16711680;  // 167116.8 in hundredths
constexpr std::int64_t kShortNegativeOffset = 65280;

std::uint8_t Byte(std::int64_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

// value * 100 as an integer, rounded half to even, exact on the fixed raw.
std::int64_t Hundredths(fixed value) {
  const std::int64_t raw = std::clamp<std::int64_t>(value.raw(), -(INT64_C(1) << 50), INT64_C(1) << 50);
  std::int64_t q = raw / 100, r = raw % 100;
  if (r > 50 || (r == 50 && (q & 1))) ++q;
  if (r < -50 || (r == -50 && (q & 1))) --q;
  return q;
}

void AppendNumberWhole(std::string& dest, fixed value, int kind) {
  switch (kind) {
    case KindByte: {
      std::int64_t v = value.RoundToInt64();
      dest.push_back(static_cast<char>(Byte(v < 0 ? v + 256 : v)));
      break;
    }
    case KindFixed: {
      std::int64_t n = Hundredths(value);
      if (n < 0) n += kFixedNegativeOffset;
      n = std::clamp<std::int64_t>(n, 0, 0xFFFFFF);
      if (n / 65536 == kUnchanged) n -= 65536;
      dest.push_back(static_cast<char>(Byte(n >> 16)));
      dest.push_back(static_cast<char>(Byte(n >> 8)));
      dest.push_back(static_cast<char>(Byte(n)));
      break;
    }
    case KindShort: {
      std::int64_t v = value.RoundToInt64();
      if (v < 0) v += kShortNegativeOffset;
      v = std::clamp<std::int64_t>(v, 0, 0xFFFF);
      if (v / 256 == kUnchanged) v -= 256;
      dest.push_back(static_cast<char>(Byte(v >> 8)));
      dest.push_back(static_cast<char>(Byte(v)));
      break;
    }
    case KindLong: {
      std::int64_t v = std::clamp<std::int64_t>(value.RoundToInt64(), 0, 0xFFFFFFFF);
      if (v / 16777216 == kUnchanged) v -= 16777216;
      for (int shift = 24; shift >= 0; shift -= 8) dest.push_back(static_cast<char>(Byte(v >> shift)));
      break;
    }
    case KindFlag: dest.push_back(static_cast<char>(value.raw() != 0 ? 1 : 0)); break;
    default: break;
  }
}

std::string_view CutAtZero(std::string_view text) { return text.substr(0, text.find('\0')); }

std::uint8_t At(const WireReader& in, std::size_t i) { return static_cast<std::uint8_t>(in.rest[i]); }

// Decodes a numeric field as a fixed raw value; empty for an unchanged
// marker, a short buffer (which sets Incomplete) or a text field.
std::optional<std::int64_t> TakeNumber(WireReader& in, int kind) {
  auto need = [&](std::size_t n) {
    if (in.rest.size() >= n) return true;
    in.Incomplete = true;
    return false;
  };
  if (kind < KindText || kind > KindFlag) return std::nullopt;
  if (!need(1)) return std::nullopt;
  const std::uint8_t b1 = At(in, 0);
  const bool marks = kind == KindFixed || kind == KindShort || kind == KindLong;
  if (marks && b1 == kUnchanged) {
    in.rest.remove_prefix(1);
    return std::nullopt;
  }
  std::int64_t value = 0;  // whole units, except kind 3 (hundredths)
  switch (kind) {
    case KindText: {
      // A text field read into a number: skip the text, keep the target.
      std::size_t zero = in.rest.find('\0');
      if (zero == std::string_view::npos) {
        in.Incomplete = true;
      } else {
        in.rest.remove_prefix(zero + 1);
      }
      return std::nullopt;
    }
    case KindByte:
      value = b1 > 128 ? b1 - 256 : b1;
      in.rest.remove_prefix(1);
      break;
    case KindFixed: {
      if (!need(3)) return std::nullopt;
      value = b1 * 65536 + At(in, 1) * 256 + At(in, 2);
      if (value > 8388607) value -= kFixedNegativeOffset;
      in.rest.remove_prefix(3);
      return value * 100;
    }
    case KindShort: {
      if (!need(2)) return std::nullopt;
      value = b1 * 256 + At(in, 1);
      if (value >= 32768) value -= kShortNegativeOffset;
      in.rest.remove_prefix(2);
      break;
    }
    case KindLong:
      if (!need(4)) return std::nullopt;
      value = (std::int64_t{b1} << 24) | (At(in, 1) << 16) | (At(in, 2) << 8) | At(in, 3);
      in.rest.remove_prefix(4);
      break;
    case KindFlag:
      value = b1 != 0 ? -1 : 0;
      in.rest.remove_prefix(1);
      break;
  }
  return value * fixed::kScale;
}

}  // namespace

void AppendField(std::string& dest, fixed value, fixed reference, int kind) {
  const bool marks = kind == KindFixed || kind == KindShort || kind == KindLong;
  if (marks && value == reference) {
    dest.push_back(static_cast<char>(kUnchanged));
    return;
  }
  AppendNumberWhole(dest, value, kind);
}

void AppendFieldWhole(std::string& dest, fixed value, int kind) { AppendNumberWhole(dest, value, kind); }

void AppendField(std::string& dest, std::string_view value, std::string_view reference, int kind) {
  if (kind != KindText) return;
  if (value == reference) {
    dest.push_back('\0');
    return;
  }
  AppendFieldWhole(dest, value, kind);
}

void AppendFieldWhole(std::string& dest, std::string_view value, int kind) {
  if (kind != KindText) return;
  dest.append(CutAtZero(value));
  dest.push_back('\0');
}

void TakeField(WireReader& in, fixed& target, int kind) {
  if (auto raw = TakeNumber(in, kind)) target = fixed::FromRaw(*raw);
}

void TakeField(WireReader& in, int16& target, int kind) {
  if (auto raw = TakeNumber(in, kind)) target = fixed::FromRaw(*raw).ToInt16();
}

void TakeField(WireReader& in, int32& target, int kind) {
  if (auto raw = TakeNumber(in, kind)) target = fixed::FromRaw(*raw).ToInt32();
}

void TakeField(WireReader& in, bool& target, int kind) {
  if (auto raw = TakeNumber(in, kind)) target = *raw != 0;
}

void TakeField(WireReader& in, std::string& target, int kind) {
  if (kind != KindText) {
    fixed number;
    bool taken = false;
    if (auto raw = TakeNumber(in, kind)) number = fixed::FromRaw(*raw), taken = true;
    if (taken) target = number.ToString();
    return;
  }
  if (in.rest.empty()) {
    in.Incomplete = true;
    return;
  }
  std::size_t zero = in.rest.find('\0');
  if (zero == std::string_view::npos) {
    in.Incomplete = true;
    return;
  }
  if (zero > 0) target.assign(in.rest.substr(0, zero));
  in.rest.remove_prefix(zero + 1);
}

bool TakeRawByte(WireReader& in, int& target) {
  if (in.rest.empty()) {
    in.Incomplete = true;
    return false;
  }
  target = At(in, 0);
  in.rest.remove_prefix(1);
  return true;
}

bool TakeRawLong(WireReader& in, std::uint32_t& target) {
  if (in.rest.size() < 4) {
    in.Incomplete = true;
    return false;
  }
  target = 0;
  for (int i = 0; i < 4; ++i) target = (target << 8) | static_cast<std::uint32_t>(At(in, i));
  in.rest.remove_prefix(4);
  return true;
}

}  // namespace krel
