#include "client/present/colors.h"
#include "client/present/display_state.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <tuple>

namespace krel {
namespace {

constexpr Pixel kKey = 0xF81F;
constexpr Pixel kBack = 0x1234;
using Three = std::tuple<int, int, int>;

ColorModel Rgb(Three rgb) {
  ColorModel c;
  const auto [r, g, b] = rgb;
  c.SetRed(std::uint8_t(r)), c.SetGreen(std::uint8_t(g)), c.SetBlue(std::uint8_t(b));
  return c;
}

Three RgbOf(const ColorModel& c) { return {c.Red(), c.Green(), c.Blue()}; }
Three Hls(const ColorModel& c) { return {c.Hue(), c.Lightness(), c.Saturation()}; }

TEST(ClrModels, HlsBothWays) {
  // Hue 0 is magenta and 60 red; a grey reads as 60. Channels half way
  // (127.5) round to the even 128, a grey of lightness 30 (76.5) to 76.
  // Saturation is d / (max + min) up to L = 50 and d / (2 - max - min) above
  // (the light red, L = 75).
  const struct {
    Three rgb, hls;
  } pairs[] = {{{255, 0, 255}, {0, 50, 100}},   {{255, 0, 0}, {60, 50, 100}},    {{255, 255, 0}, {120, 50, 100}},
               {{0, 255, 0}, {180, 50, 100}},   {{0, 255, 255}, {240, 50, 100}}, {{0, 0, 255}, {300, 50, 100}},
               {{255, 0, 128}, {30, 50, 100}},  {{128, 128, 128}, {60, 50, 0}},  {{0, 0, 0}, {60, 0, 0}},
               {{255, 255, 255}, {60, 100, 0}}, {{76, 76, 76}, {60, 30, 0}},     {{255, 128, 128}, {60, 75, 100}}};
  for (const auto& [rgb, hls] : pairs) {
    EXPECT_EQ(Hls(Rgb(rgb)), hls) << std::get<0>(rgb) << "," << std::get<1>(rgb) << "," << std::get<2>(rgb);
    ColorModel set;
    set.SetHLS(std::get<0>(hls), std::get<1>(hls), std::get<2>(hls));
    EXPECT_EQ(RgbOf(set), rgb) << std::get<0>(hls) << " " << std::get<1>(hls) << " " << std::get<2>(hls);
  }
  EXPECT_EQ(Hls(Rgb({64, 32, 32})), Three(60, 19, 33));  // below L = 50 (18.8): d / (max + min), 33.3
}

TEST(ClrModels, SetsFitTheChannelsOrReportOverflowKeepingTheColour) {
  // CMYK: (1 - ((1 - K) C + K)) x 255 per channel, 127.5 going to 128.
  // YCbCr: channels outside 0..255 are clamped, only a 16-bit overflow
  // fails. HLS without saturation: any hue gives the grey. Results that do
  // not fit a channel are reported, and the colour (1, 2, 3) is kept.
  const struct {
    char model;
    int16 a, b, c, d;
    Three want;
  } sets[] = {
      {'H', 360, 50, 100, 0, {255, 0, 255}}, {'H', 400, 50, 0, 0, {128, 128, 128}},
      {'M', 0, 255, 100, 0, {255, 0, 155}},  {'K', 20, 0, 0, 50, {102, 128, 128}},
      {'Y', 0, 0, 255, 0, {178, 0, 0}},      {'Y', 200, 255, 255, 0, {255, 66, 255}},  // green -46.6, blue -226.8
      {'H', 60, 101, 0, 0, {1, 2, 3}},       {'H', 400, 50, 100, 0, {1, 2, 3}},
      {'M', 256, 0, 0, 0, {1, 2, 3}},        {'K', -10, 0, 0, 0, {1, 2, 3}},
      {'K', 0, 0, 0, 101, {1, 2, 3}},        {'Y', 32767, 32767, 32767, 0, {1, 2, 3}}};
  for (const auto& t : sets) {
    ColorModel c = Rgb({1, 2, 3});
    auto set = [&] {
      t.model == 'H'   ? c.SetHLS(t.a, t.b, t.c)
      : t.model == 'M' ? c.SetCMY(t.a, t.b, t.c)
      : t.model == 'K' ? c.SetCMYK(t.a, t.b, t.c, t.d)
                       : c.SetYCbCr(t.a, t.b, t.c);
    };
    if (t.want == Three(1, 2, 3))
      EXPECT_THROW(set(), std::overflow_error) << t.model << t.a;
    else
      set();
    EXPECT_EQ(RgbOf(c), t.want) << t.model << " " << t.a << " " << t.b << " " << t.c << " " << t.d;
  }
}

TEST(Colors, SurfaceColorAndTheWormColourRule) {
  World w;
  // Each channel clamped, then floor(v * max / 255): 96 -> 11 and 8 -> 0 of
  // 31, 4 -> 0 and 5 -> 1 of 63; 254 is not yet the full channel.
  const struct {
    int r, g, b;
    int32 px;
  } pixels[] = {{255, 0, 255, DisplayOf(w).ColourKey},
                {96, -1, 1000, (11 << 11) | 31},
                {8, 4, 8, 0},
                {9, 5, 254, (1 << 11) | (1 << 5) | 30}};
  for (const auto& p : pixels) EXPECT_EQ(SurfaceColor(DisplayOf(w).Back, p.r, p.g, p.b), p.px) << p.r << "," << p.g;
  // Saturation kept, lightness mirrored, the hue replaced: a grey entry
  // gives the mirrored grey whatever the hue (L = 39 -> 61, 155.55 -> 156);
  // full blue at L = 50 takes the new hue; dark blue (L = 25) turns light.
  // Hues outside a full turn wrap.
  const PaletteEntry grey{100, 100, 100, 0}, blue{0, 0, 255, 0}, dark{0, 0, 128, 0};
  const struct {
    PaletteEntry e;
    int16 hue;
    int r, g, b;
  } cases[] = {{grey, 200, 156, 156, 156}, {blue, 180, 0, 255, 0},  {blue, 0, 255, 0, 255},
               {blue, 420, 255, 0, 0},     {blue, -300, 255, 0, 0}, {dark, 60, 255, 128, 128}};
  for (const auto& c : cases)
    EXPECT_EQ(CreateHLSColor(w, c.e, c.hue), SurfaceColor(DisplayOf(w).Back, c.r, c.g, c.b)) << c.hue;
}

// A keyed 4x2 source: key, A, B, A / A, key, B, B.
constexpr Pixel kA = 0x0101, kB = 0x0202, kC = 0x0303;
Surface ColourSource() {
  Surface s(4, 2);
  const Pixel px[8] = {kKey, kA, kB, kA, kA, kKey, kB, kB};
  for (int i = 0; i < 8; ++i) s.At(i % 4, i / 4) = px[i];
  s.SetColorKey(kKey);
  return s;
}

TEST(Colors, BltColorChangeSwapsOneColourKeepsTransparencyAndRefusesOutside) {
  // The left 3x2 of the source copied one to the right, onto a cleared
  // surface or onto the source itself (as the worm sheet build does with one
  // scratch surface: every read sees the original pixels). The key is tested
  // after the swap: a pixel swapped to the key is left out, and swapping the
  // key itself makes it solid. Without a key nothing is left out.
  const struct {
    Pixel from, to;
    bool keyed, same;
    Pixel want[8];
  } cases[] = {{kA, kC, true, false, {kBack, kBack, kC, kB, kBack, kC, kBack, kB}},
               {kA, kKey, true, false, {kBack, kBack, kBack, kB, kBack, kBack, kBack, kB}},
               {kKey, kC, true, false, {kBack, kC, kA, kB, kBack, kA, kC, kB}},
               {kA, kC, false, false, {kBack, kKey, kC, kB, kBack, kC, kKey, kB}},
               {kB, kC, true, true, {kKey, kA, kA, kC, kA, kA, kB, kC}},
               {kA, kC, true, true, {kKey, kA, kC, kB, kA, kC, kB, kB}}};
  for (const auto& c : cases) {
    Surface src = ColourSource(), other(4, 2);
    if (!c.keyed) src.ClearColorKey();
    other.Clear(kBack);
    ASSERT_TRUE(ReplaceColour(c.same ? src : other, src, 1, 0, 0, 0, 3, 2, c.from, c.to));
    const std::vector<Pixel> want(c.want, c.want + 8), back(8, kBack);
    EXPECT_EQ(other.pixels(), c.same ? back : want) << c.from << " -> " << c.to << " same " << c.same;
    EXPECT_EQ(src.pixels(), c.same ? want : ColourSource().pixels()) << c.from << " -> " << c.to;
    EXPECT_EQ(std::make_pair(src.HasColorKey(), src.ColorKey()), std::make_pair(c.keyed, kKey));
  }
  // Like every copy (the edge cases: surface_test), it draws nothing when a
  // rectangle is not wholly inside the source or the target.
  const Surface src = ColourSource();
  Surface dst(6, 3);
  dst.Clear(kBack);
  const int refused[][6] = {{0, 0, 1, 0, 4, 2}, {3, 0, 0, 0, 4, 2}, {INT_MAX - 1, 0, 0, 0, 4, 2}};
  for (const auto& r : refused) EXPECT_FALSE(ReplaceColour(dst, src, r[0], r[1], r[2], r[3], r[4], r[5], kA, kC));
  EXPECT_EQ(dst.pixels(), std::vector<Pixel>(18, kBack));
}

}  // namespace
}  // namespace krel
