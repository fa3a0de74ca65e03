// One RGB colour that can be read and set in the HLS, CMY, CMYK and YCbCr
// colour models. The worm colours are made with it (a player's hue applied
// to the palette's blue shades), so its arithmetic is fixed: the quantities
// named as fractions (r, g, b of the hue and saturation, and the parameters
// of SetHLS and SetCMYK) are single precision, the rest double precision,
// and every conversion to a whole number rounds half to even.
//
// Out-of-range results are reported, not wrapped: a set operation whose
// result does not fit a channel (0..255), or any conversion that does not
// fit its integer type, throws std::overflow_error naming the operation and
// the value, and leaves the stored colour unchanged. The game's own callers
// stay inside the valid ranges (hue 0..360, lightness and saturation 0..100,
// CMY 0..255, CMYK 0..100).
#pragma once

#include <cstdint>

#include "protocol/base/numbers.h"

namespace krel {

class ColorModel {
 public:
  using byte = std::uint8_t;

  // CMY: the complements of the channels.
  byte Cyan() const;
  byte Magenta() const;
  // CMYK in percent; black is K = 100 with C = M = Y = 0.
  int16 CmykBlack() const;
  int16 CmykCyan() const;
  int16 CmykMagenta() const;
  int16 CmykYellow() const;
  byte Yellow() const;
  // HLS: hue in degrees on this class's scale (0 magenta, 60 red, 120
  // yellow, 180 green, 240 cyan, 300 blue; a grey reads as 60), lightness and
  // saturation in percent.
  int16 Hue() const;
  int16 Lightness() const;
  int16 Saturation() const;
  void SetRed(byte value) { red_ = value; }
  byte Red() const { return red_; }
  byte Green() const { return green_; }
  byte Blue() const { return blue_; }
  // YCbCr (full range, Cb and Cr centred on 128 and capped at 255).
  byte Luma() const;
  byte BlueDifference() const;
  byte RedDifference() const;
  void SetGreen(byte value) { green_ = value; }
  void SetBlue(byte value) { blue_ = value; }

  void SetCMY(int16 C, int16 M, int16 Y);
  void SetHLS(int16 H, int16 L, int16 S);
  void SetCMYK(int16 C, int16 M, int16 Y, int16 K);
  // Results are clamped to 0..255; only inputs so large that an
  // intermediate leaves the 16-bit range are an error.
  void SetYCbCr(int16 Y, int16 Cb, int16 Cr);

 private:
  // MinOf starts from the first value; MaxOf starts from 0, so it never
  // returns less than 0.
  template <typename T>
  static T MinOf(T a, T b, T c) {
    T m = a;
    if (b < m) m = b;
    if (c < m) m = c;
    return m;
  }
  template <typename T>
  static T MaxOf(T a, T b, T c) {
    T m = 0;
    if (a > m) m = a;
    if (b > m) m = b;
    if (c > m) m = c;
    return m;
  }

  byte red_ = 0;
  byte green_ = 0;
  byte blue_ = 0;
};

}  // namespace krel
