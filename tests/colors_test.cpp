#include "client/present/colors.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <stdexcept>

namespace krel {
namespace {

constexpr Pixel kKey = 0xF81F;
constexpr Pixel kBack = 0x1234;

cClrModels Rgb(int r, int g, int b) {
  cClrModels c;
  c.rgbR(static_cast<std::uint8_t>(r));
  c.rgbG(static_cast<std::uint8_t>(g));
  c.rgbB(static_cast<std::uint8_t>(b));
  return c;
}

void ExpectRgb(const cClrModels& c, int r, int g, int b) {
  EXPECT_EQ(c.rgbR(), r);
  EXPECT_EQ(c.rgbG(), g);
  EXPECT_EQ(c.rgbB(), b);
}

TEST(ClrModels, HueScaleIsTurnedSixtyDegrees) {
  EXPECT_EQ(Rgb(255, 0, 255).hlsH(), 0);
  EXPECT_EQ(Rgb(255, 0, 0).hlsH(), 60);
  EXPECT_EQ(Rgb(255, 255, 0).hlsH(), 120);
  EXPECT_EQ(Rgb(0, 255, 0).hlsH(), 180);
  EXPECT_EQ(Rgb(0, 255, 255).hlsH(), 240);
  EXPECT_EQ(Rgb(0, 0, 255).hlsH(), 300);
  EXPECT_EQ(Rgb(128, 128, 128).hlsH(), 60);  // a grey reads as red's hue
  EXPECT_EQ(Rgb(0, 0, 0).hlsH(), 60);
  // Between the primaries: (255, 0, 128) is half way from magenta to red.
  EXPECT_EQ(Rgb(255, 0, 128).hlsH(), 30);
}

TEST(ClrModels, LightnessAndSaturation) {
  EXPECT_EQ(Rgb(255, 0, 0).hlsL(), 50);
  EXPECT_EQ(Rgb(255, 0, 0).hlsS(), 100);
  EXPECT_EQ(Rgb(255, 255, 255).hlsL(), 100);
  EXPECT_EQ(Rgb(255, 255, 255).hlsS(), 0);
  EXPECT_EQ(Rgb(0, 0, 0).hlsL(), 0);
  EXPECT_EQ(Rgb(100, 100, 100).hlsL(), 39);  // 100 / 2.55 = 39.2
  // Light colours use the other saturation formula: (255, 128, 128) has
  // L = 75 and S = (1 - 0.502) / (2 - 1.502) = 100 %.
  EXPECT_EQ(Rgb(255, 128, 128).hlsL(), 75);
  EXPECT_EQ(Rgb(255, 128, 128).hlsS(), 100);
  // Dark: (64, 0, 0): L = 13, S = 100; (64, 32, 32): S = 32/96 = 33 %.
  EXPECT_EQ(Rgb(64, 0, 0).hlsS(), 100);
  EXPECT_EQ(Rgb(64, 32, 32).hlsS(), 33);
}

TEST(ClrModels, SetHlsMakesTheHuesAndGreys) {
  cClrModels c;
  c.SetHLS(0, 50, 100);
  ExpectRgb(c, 255, 0, 255);
  c.SetHLS(60, 50, 100);
  ExpectRgb(c, 255, 0, 0);
  c.SetHLS(120, 50, 100);
  ExpectRgb(c, 255, 255, 0);
  c.SetHLS(180, 50, 100);
  ExpectRgb(c, 0, 255, 0);
  c.SetHLS(240, 50, 100);
  ExpectRgb(c, 0, 255, 255);
  c.SetHLS(300, 50, 100);
  ExpectRgb(c, 0, 0, 255);
  c.SetHLS(360, 50, 100);  // a full turn: magenta again
  ExpectRgb(c, 255, 0, 255);
  // Saturation 0: a grey of the lightness; 127.5 rounds to the even 128.
  c.SetHLS(200, 50, 0);
  ExpectRgb(c, 128, 128, 128);
  c.SetHLS(0, 100, 0);
  ExpectRgb(c, 255, 255, 255);
  c.SetHLS(0, 30, 0);  // 76.5: the even 76, not 77
  ExpectRgb(c, 76, 76, 76);
  // Above half lightness: m1 = l - (1 - l) s = 0.5, m2 = 1 -> (255, 128, 128).
  c.SetHLS(60, 75, 100);
  ExpectRgb(c, 255, 128, 128);
}

TEST(ClrModels, HlsReadsBackWhatSetHlsWrote) {
  cClrModels c;
  for (int h = 0; h < 360; h += 7) {
    for (int l : {20, 50, 70}) {
      c.SetHLS(static_cast<int16>(h), static_cast<int16>(l), 100);
      EXPECT_NEAR(c.hlsH(), h, 1) << h << " " << l;
      EXPECT_NEAR(c.hlsL(), l, 1) << h << " " << l;
      EXPECT_NEAR(c.hlsS(), 100, 1) << h << " " << l;
    }
  }
}

TEST(ClrModels, SetOperationsReportOverflowAndKeepTheColour) {
  cClrModels c = Rgb(1, 2, 3);
  auto unchanged = [&] { ExpectRgb(c, 1, 2, 3); };
  EXPECT_THROW(c.SetHLS(400, 50, 100), std::overflow_error);  // red 1.67 x 255
  unchanged();
  EXPECT_THROW(c.SetHLS(-60, 50, 100), std::overflow_error);
  unchanged();
  EXPECT_THROW(c.SetHLS(60, 101, 0), std::overflow_error);
  unchanged();
  EXPECT_THROW(c.SetCMY(256, 0, 0), std::overflow_error);
  unchanged();
  EXPECT_THROW(c.SetCMY(0, 0, -1), std::overflow_error);
  unchanged();
  EXPECT_THROW(c.SetCMYK(0, 0, 0, 101), std::overflow_error);
  unchanged();
  EXPECT_THROW(c.SetCMYK(-10, 0, 0, 0), std::overflow_error);
  unchanged();
  EXPECT_THROW(c.SetYCbCr(32767, 32767, 32767), std::overflow_error);
  unchanged();
  try {
    c.SetCMY(300, 0, 0);
    ADD_FAILURE() << "no overflow reported";
  } catch (const std::overflow_error& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("SetCMY"), std::string::npos) << what;
    EXPECT_NE(what.find("-45"), std::string::npos) << what;
  }
  // Low saturation keeps a large hue in range: the result decides.
  EXPECT_NO_THROW(c.SetHLS(400, 50, 0));
  ExpectRgb(c, 128, 128, 128);
}

TEST(ClrModels, CmyAndCmyk) {
  cClrModels c = Rgb(10, 20, 30);
  EXPECT_EQ(c.cmyC(), 245);
  EXPECT_EQ(c.cmyM(), 235);
  EXPECT_EQ(c.cmyY(), 225);
  c.SetCMY(0, 255, 100);
  ExpectRgb(c, 255, 0, 155);

  // Black: K = 100 and C divided by 1 instead of 0.
  c = Rgb(0, 0, 0);
  EXPECT_EQ(c.cmykK(), 100);
  EXPECT_EQ(c.cmykC(), 0);
  EXPECT_EQ(c.cmykM(), 0);
  EXPECT_EQ(c.cmykY(), 0);
  c = Rgb(255, 0, 0);
  EXPECT_EQ(c.cmykK(), 0);
  EXPECT_EQ(c.cmykC(), 0);
  EXPECT_EQ(c.cmykM(), 100);
  EXPECT_EQ(c.cmykY(), 100);
  // K = 60 (D = 40): C = (100 - 39 - 60) / 40 x 100 = 2.5 -> 2 and
  // (100 - 37 - 60) / 40 x 100 = 7.5 -> 8: half to even both ways.
  c = Rgb(100, 102, 102);
  EXPECT_EQ(c.cmykK(), 60);
  EXPECT_EQ(c.cmykC(), 2);
  EXPECT_EQ(c.cmykM(), 0);
  c = Rgb(94, 102, 102);
  EXPECT_EQ(c.cmykC(), 8);

  c.SetCMYK(0, 0, 0, 100);
  ExpectRgb(c, 0, 0, 0);
  c.SetCMYK(0, 100, 100, 0);
  ExpectRgb(c, 255, 0, 0);
  c.SetCMYK(0, 0, 0, 50);  // 127.5 -> 128
  ExpectRgb(c, 128, 128, 128);
  c.SetCMYK(20, 0, 0, 50);  // (1 - (0.5 x 0.2 + 0.5)) x 255 = 102
  ExpectRgb(c, 102, 128, 128);
}

TEST(ClrModels, YCbCrClampsAtTheTop) {
  EXPECT_EQ(Rgb(0, 0, 255).ycbcrCb(), 255);  // 255.5 -> 256 -> 255
  EXPECT_EQ(Rgb(255, 0, 0).ycbcrCr(), 255);
  EXPECT_EQ(Rgb(0, 0, 0).ycbcrY(), 0);
  EXPECT_EQ(Rgb(255, 255, 255).ycbcrY(), 255);
  EXPECT_EQ(Rgb(0, 0, 0).ycbcrCb(), 128);
  EXPECT_EQ(Rgb(0, 0, 0).ycbcrCr(), 128);
  EXPECT_EQ(Rgb(0, 255, 0).ycbcrY(), 150);  // 149.583
  EXPECT_EQ(Rgb(0, 255, 0).ycbcrCb(), 44);  // 128 - 84.48
  cClrModels c;
  c.SetYCbCr(255, 128, 128);
  ExpectRgb(c, 255, 255, 255);
  c.SetYCbCr(0, 0, 255);  // red 178.05, green -46.6 and blue -226.8 clamp to 0
  ExpectRgb(c, 178, 0, 0);
  c.SetYCbCr(200, 255, 255);  // all above 255 clamp
  EXPECT_EQ(c.rgbR(), 255);
  EXPECT_EQ(c.rgbB(), 255);
  // A colour survives the trip through YCbCr to within rounding.
  std::mt19937 rng(3);
  for (int n = 0; n < 200; ++n) {
    const cClrModels a = Rgb(rng() % 256, rng() % 256, rng() % 256);
    c.SetYCbCr(a.ycbcrY(), a.ycbcrCb(), a.ycbcrCr());
    EXPECT_NEAR(c.rgbR(), a.rgbR(), 2);
    EXPECT_NEAR(c.rgbG(), a.rgbG(), 2);
    EXPECT_NEAR(c.rgbB(), a.rgbB(), 2);
  }
}

TEST(Colors, SurfaceColorAndTheWormColourRule) {
  World w;
  EXPECT_EQ(SurfaceColor(w.surfBack, 255, 0, 255), w.colorKey);
  EXPECT_EQ(SurfaceColor(w.surfBack, 255, 255, 255), 0xFFFF);
  EXPECT_EQ(SurfaceColor(w.surfBack, 96, 0, 0), (96 * 31 / 255) << 11);
  EXPECT_EQ(SurfaceColor(w.surfBack, -1, 256, 0), 0x07E0);

  // A grey entry gives the mirrored grey whatever the hue: L = 39 -> 61,
  // 0.61 x 255 = 155.55 -> 156.
  const PaletteEntry grey{100, 100, 100, 0};
  const int32 mirrored = SurfaceColor(w.surfBack, 156, 156, 156);
  for (int16 hue : {0, 60, 200, 359}) EXPECT_EQ(CreateHLSColor(w, grey, hue), mirrored) << hue;
  // A full blue at L = 50 keeps L = 50 and S = 100 and takes the new hue.
  const PaletteEntry blue{0, 0, 255, 0};
  EXPECT_EQ(CreateHLSColor(w, blue, 60), 0xF800);
  EXPECT_EQ(CreateHLSColor(w, blue, 180), 0x07E0);
  EXPECT_EQ(CreateHLSColor(w, blue, 0), 0xF81F);
  // A dark shade becomes a light one: (0, 0, 128) has L = 25 -> 75.
  EXPECT_EQ(CreateHLSColor(w, PaletteEntry{0, 0, 128, 0}, 60), SurfaceColor(w.surfBack, 255, 128, 128));
  // Hues outside a full turn wrap instead of failing.
  EXPECT_EQ(CreateHLSColor(w, blue, 420), CreateHLSColor(w, blue, 60));
  EXPECT_EQ(CreateHLSColor(w, blue, -300), CreateHLSColor(w, blue, 60));
  EXPECT_EQ(CreateHLSColor(w, blue, 360), 0xF81F);
}

// A keyed 4x2 source: key, A, B, A / A, key, B, B.
Surface ColourSource(Pixel a, Pixel b) {
  Surface s(4, 2);
  const Pixel px[8] = {kKey, a, b, a, a, kKey, b, b};
  for (int i = 0; i < 8; ++i) s.At(i % 4, i / 4) = px[i];
  s.SetColorKey(kKey);
  return s;
}

TEST(Colors, BltColorChangeSwapsOneColourAndKeepsTransparency) {
  const Pixel a = 0x0101, b = 0x0202, c = 0x0303;
  const Surface src = ColourSource(a, b);
  Surface dst(6, 3);
  dst.Clear(kBack);
  ASSERT_TRUE(BltColorChange(dst, src, 1, 1, 0, 0, 4, 2, a, c));
  const Pixel expect[2][6] = {{kBack, kBack, c, b, c, kBack}, {kBack, c, kBack, b, b, kBack}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.At(x, y + 1), expect[y][x]) << x << "," << y;
  for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.At(x, 0), kBack);
  EXPECT_TRUE(src.HasColorKey());
  EXPECT_EQ(src.ColorKey(), kKey);

  // Replacing by black (the recoloured font 1) and by the key itself (the
  // replaced pixels become transparent).
  dst.Clear(kBack);
  ASSERT_TRUE(BltColorChange(dst, src, 0, 0, 0, 0, 4, 1, a, 0));
  EXPECT_EQ(dst.At(1, 0), 0);
  EXPECT_EQ(dst.At(0, 0), kBack);
  dst.Clear(kBack);
  ASSERT_TRUE(BltColorChange(dst, src, 0, 0, 0, 0, 4, 1, a, kKey));
  EXPECT_EQ(dst.At(1, 0), kBack);
  EXPECT_EQ(dst.At(2, 0), b);
  // The key is tested after the swap: replacing the key colour makes the
  // transparent pixels solid.
  dst.Clear(kBack);
  ASSERT_TRUE(BltColorChange(dst, src, 0, 0, 0, 0, 4, 1, kKey, c));
  EXPECT_EQ(dst.At(0, 0), c);
  // A colour that does not occur: a plain keyed copy.
  dst.Clear(kBack);
  ASSERT_TRUE(BltColorChange(dst, src, 0, 0, 0, 0, 4, 2, 0x7777, c));
  EXPECT_EQ(dst.At(0, 0), kBack);
  EXPECT_EQ(dst.At(1, 0), a);
  // A source without a key has no transparent pixels.
  Surface plain = ColourSource(a, b);
  plain.ClearColorKey();
  dst.Clear(kBack);
  ASSERT_TRUE(BltColorChange(dst, plain, 0, 0, 0, 0, 4, 1, a, c));
  EXPECT_EQ(dst.At(0, 0), kKey);
  EXPECT_FALSE(plain.HasColorKey());
}

TEST(Colors, BltColorChangeRefusalsAndTheSameSurface) {
  const Pixel a = 0x0101, b = 0x0202, c = 0x0303;
  const Surface src = ColourSource(a, b);
  Surface dst(6, 3);
  dst.Clear(kBack);
  EXPECT_FALSE(BltColorChange(dst, src, 0, 0, -1, 0, 4, 2, a, c));  // source rectangle outside
  EXPECT_FALSE(BltColorChange(dst, src, 0, 0, 1, 0, 4, 2, a, c));
  EXPECT_FALSE(BltColorChange(dst, src, 0, 0, 0, 1, 4, 2, a, c));
  EXPECT_FALSE(BltColorChange(dst, src, 3, 0, 0, 0, 4, 2, a, c));  // target outside
  EXPECT_FALSE(BltColorChange(dst, src, 0, -1, 0, 0, 4, 2, a, c));
  EXPECT_FALSE(BltColorChange(dst, src, 0, 0, 0, 0, 0, 2, a, c));  // empty
  EXPECT_FALSE(BltColorChange(dst, src, INT_MAX - 1, 0, 0, 0, 4, 2, a, c));
  EXPECT_FALSE(BltColorChange(dst, src, 0, 0, INT_MAX - 1, 0, 4, 2, a, c));
  EXPECT_FALSE(BltColorChange(dst, src, 0, 0, 0, 0, INT_MAX, INT_MAX, a, c));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.At(x, y), kBack);

  // Onto itself, overlapping, as the worm sheet build does with one
  // scratch surface: every read sees the original pixels.
  Surface s = ColourSource(a, b);
  ASSERT_TRUE(BltColorChange(s, s, 1, 0, 0, 0, 3, 2, b, c));
  // Row 0 was key, A, B, A: the copy of (key, A, B) lands at x = 1..3.
  EXPECT_EQ(s.At(0, 0), kKey);
  EXPECT_EQ(s.At(1, 0), a);  // the key pixel left the old A in place
  EXPECT_EQ(s.At(2, 0), a);
  EXPECT_EQ(s.At(3, 0), c);
  // Row 1 was A, key, B, B.
  EXPECT_EQ(s.At(1, 1), a);
  EXPECT_EQ(s.At(2, 1), b);  // key left out: the old B stays
  EXPECT_EQ(s.At(3, 1), c);
  EXPECT_EQ(s.ColorKey(), kKey);
  // Onto itself in place replaces the colour throughout.
  Surface t = ColourSource(a, b);
  ASSERT_TRUE(BltColorChange(t, t, 0, 0, 0, 0, 4, 2, a, c));
  EXPECT_EQ(t.At(1, 0), c);
  EXPECT_EQ(t.At(0, 1), c);
  EXPECT_EQ(t.At(0, 0), kKey);
  EXPECT_EQ(t.At(2, 0), b);
}

}  // namespace
}  // namespace krel
