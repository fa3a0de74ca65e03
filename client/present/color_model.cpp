#include "client/present/color_model.h"

#include <cmath>
#include <sstream>
#include <stdexcept>

namespace krel {

namespace {

[[noreturn]] void Overflow(const char* operation, const char* what, double value, const char* range) {
  std::ostringstream msg;
  msg << "ColorModel::" << operation << ": " << what << " " << value << " does not fit " << range;
  throw std::overflow_error(msg.str());
}

// Round half to even into a byte, or report the overflow.
std::uint8_t Byte(double v, const char* operation, const char* what) {
  const double r = std::isnan(v) ? v : RoundHalfEven(v);
  if (!(r >= 0.0 && r <= 255.0)) Overflow(operation, what, v, "0..255");
  return static_cast<std::uint8_t>(r);
}

// Round half to even into an int16, or report the overflow.
int16 Int16(double v, const char* operation, const char* what) {
  const auto r = ToInt16Checked(v);
  if (!r) Overflow(operation, what, v, "-32768..32767");
  return *r;
}

}  // namespace

ColorModel::byte ColorModel::Cyan() const { return static_cast<byte>(255 - red_); }
ColorModel::byte ColorModel::Magenta() const { return static_cast<byte>(255 - green_); }
ColorModel::byte ColorModel::Yellow() const { return static_cast<byte>(255 - blue_); }

int16 ColorModel::CmykBlack() const {
  return Int16(MinOf(255 - red_, 255 - green_, 255 - blue_) / 2.55, "CmykBlack", "black");
}

namespace {

// One of C, M, Y of the CMYK model from its channel value and K. For black
// (K = 100) the divisor is 1 instead of 0.
int16 CmykPart(int channel, int16 k, const char* operation) {
  const int d = k == 100 ? 1 : 100 - k;
  const int16 percent = Int16(channel / 2.55, operation, "channel percentage");
  return Int16(static_cast<double>(100 - percent - k) / d * 100, operation, "result");
}

}  // namespace

int16 ColorModel::CmykCyan() const { return CmykPart(red_, CmykBlack(), "CmykCyan"); }
int16 ColorModel::CmykMagenta() const { return CmykPart(green_, CmykBlack(), "CmykMagenta"); }
int16 ColorModel::CmykYellow() const { return CmykPart(blue_, CmykBlack(), "CmykYellow"); }

int16 ColorModel::Lightness() const {
  return Int16((MaxOf(red_, green_, blue_) + MinOf(red_, green_, blue_)) / 2.0 / 2.55, "Lightness", "lightness");
}

int16 ColorModel::Saturation() const {
  const float r = red_ / 255.0f, g = green_ / 255.0f, b = blue_ / 255.0f;
  const float mx = MaxOf(r, g, b), mn = MinOf(r, g, b);
  if (mx == mn) return 0;
  const float d = mx - mn;
  const float s = Lightness() <= 50 ? d / (mx + mn) : d / (2.0f - mx - mn);
  const float percent = s * 100.0f;
  return Int16(percent, "Saturation", "saturation");
}

int16 ColorModel::Hue() const {
  const float r = red_ / 255.0f, g = green_ / 255.0f, b = blue_ / 255.0f;
  const float mx = MaxOf(r, g, b), mn = MinOf(r, g, b);
  float h = 0.0f;
  if (mx != mn) {
    const float d = mx - mn;
    if (mx == r)
      h = (g - b) / d;
    else if (mx == g)
      h = 2.0f + (b - r) / d;
    else
      h = 4.0f + (r - g) / d;
  }
  float degrees = (h + 1.0f) * 60.0f;
  if (degrees < 0.0f) degrees += 360.0f;
  return Int16(degrees, "Hue", "hue");
}

ColorModel::byte ColorModel::Luma() const {
  return Byte(0.2989 * red_ + 0.5866 * green_ + 0.1145 * blue_, "Luma", "luma");
}

ColorModel::byte ColorModel::BlueDifference() const {
  int16 v = Int16(-0.1687 * red_ - 0.3313 * green_ + 0.5 * blue_ + 128, "BlueDifference", "value");
  if (v >= 256) v = 255;
  return Byte(v, "BlueDifference", "value");
}

ColorModel::byte ColorModel::RedDifference() const {
  int16 v = Int16(0.5 * red_ - 0.4187 * green_ - 0.0813 * blue_ + 128, "RedDifference", "value");
  if (v >= 256) v = 255;
  return Byte(v, "RedDifference", "value");
}

void ColorModel::SetCMY(int16 C, int16 M, int16 Y) {
  const byte r = Byte(255 - C, "SetCMY", "red");
  const byte g = Byte(255 - M, "SetCMY", "green");
  const byte b = Byte(255 - Y, "SetCMY", "blue");
  red_ = r;
  green_ = g;
  blue_ = b;
}

void ColorModel::SetHLS(int16 H, int16 L, int16 S) {
  // The parameters are worked out in double and held in single precision.
  const float h = static_cast<float>(H / 60.0 - 1);
  const float l = static_cast<float>(L / 100.0);
  const float s = static_cast<float>(S / 100.0);
  float r, g, b;
  if (s == 0.0f) {
    r = g = b = l;
  } else {
    const float m1 = l <= 0.5f ? l * (1.0f - s) : l - (1.0f - l) * s;
    const float m2 = 2.0f * l - m1;
    const float q = m2 - m1;
    if (h < 0.0f) {
      r = m2;
      g = m1;
      b = m1 - q * h;
    } else if (h < 1.0f) {
      r = m2;
      b = m1;
      g = m1 + q * h;
    } else if (h < 2.0f) {
      g = m2;
      b = m1;
      r = m1 - q * (h - 2.0f);
    } else if (h < 3.0f) {
      g = m2;
      r = m1;
      b = m1 + q * (h - 2.0f);
    } else if (h < 4.0f) {
      b = m2;
      r = m1;
      g = m1 - q * (h - 4.0f);
    } else {
      b = m2;
      g = m1;
      r = m1 + q * (h - 4.0f);
    }
  }
  const float r255 = r * 255.0f, g255 = g * 255.0f, b255 = b * 255.0f;
  const byte R = Byte(r255, "SetHLS", "red");
  const byte G = Byte(g255, "SetHLS", "green");
  const byte B = Byte(b255, "SetHLS", "blue");
  red_ = R;
  green_ = G;
  blue_ = B;
}

void ColorModel::SetCMYK(int16 C, int16 M, int16 Y, int16 K) {
  const float c = static_cast<float>(C / 100.0);
  const float m = static_cast<float>(M / 100.0);
  const float y = static_cast<float>(Y / 100.0);
  const float k = static_cast<float>(K / 100.0);
  auto channel = [k](float part) { return (1.0f - ((1.0f - k) * part + k)) * 255.0f; };
  const byte R = Byte(channel(c), "SetCMYK", "red");
  const byte G = Byte(channel(m), "SetCMYK", "green");
  const byte B = Byte(channel(y), "SetCMYK", "blue");
  red_ = R;
  green_ = G;
  blue_ = B;
}

void ColorModel::SetYCbCr(int16 Y, int16 Cb, int16 Cr) {
  auto clamp = [](int16 v) { return static_cast<byte>(v < 0 ? 0 : v > 255 ? 255 : v); };
  const int16 r = Int16((Cr - 128) * 1.402 + Y, "SetYCbCr", "red");
  const int16 g = Int16(Y - (Cb - 128) * 0.34414 - (Cr - 128) * 0.71414, "SetYCbCr", "green");
  const int16 b = Int16((Cb - 128) * 1.772 + Y, "SetYCbCr", "blue");
  red_ = clamp(r);
  green_ = clamp(g);
  blue_ = clamp(b);
}

}  // namespace krel
