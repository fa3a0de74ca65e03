// The contact sheet: every cell of GFX16, GFX8 and GFX4, the font and the
// palette, enlarged on a dark ground, each labelled with its number, so that
// anyone can look over the art (and find a cell number for the weapon file).
// A last row previews the worm in a range of player hues, recoloured the way
// the game builds a player's sheet.
#include <algorithm>
#include <cmath>
#include <string>

#include "tools/krel-content/content.h"
#include "tools/krel-content/font.h"
#include "tools/krel-content/palette.h"
#include "tools/krel-content/sprites.h"

namespace krel::content {
namespace {

constexpr int kWidth = 1000;
constexpr Rgb kGround{40, 40, 44}, kCheckA{52, 52, 56}, kCheckB{62, 62, 66};
constexpr Rgb kLabel{200, 200, 200}, kHeading{226, 204, 142};

// The game's player-colour rule: keep the entry's saturation, mirror its
// lightness, take the player's hue (0 magenta, 60 red, 120 yellow, ...).
Rgb PlayerShade(const Rgb& entry, int hue) {
  const double r = entry.r / 255.0, g = entry.g / 255.0, b = entry.b / 255.0;
  const double mx = std::fmax(r, std::fmax(g, b)), mn = std::fmin(r, std::fmin(g, b));
  const double L = std::nearbyint(
      (std::fmax(entry.r, std::fmax(entry.g, entry.b)) + std::fmin(entry.r, std::fmin(entry.g, entry.b))) / 2.0 / 2.55);
  double S = 0;
  if (mx != mn) S = std::nearbyint(100 * ((L <= 50) ? (mx - mn) / (mx + mn) : (mx - mn) / (2 - mx - mn)));
  const double h = hue / 60.0 - 1, l = (100 - L) / 100.0, s = S / 100.0;
  double rr = l, gg = l, bb = l;
  if (s != 0) {
    const double m1 = l <= 0.5 ? l * (1 - s) : l - (1 - l) * s, m2 = 2 * l - m1, q = m2 - m1;
    if (h < 0) {
      rr = m2;
      gg = m1;
      bb = m1 - q * h;
    } else if (h < 1) {
      rr = m2;
      bb = m1;
      gg = m1 + q * h;
    } else if (h < 2) {
      gg = m2;
      bb = m1;
      rr = m1 - q * (h - 2);
    } else if (h < 3) {
      gg = m2;
      rr = m1;
      bb = m1 + q * (h - 2);
    } else if (h < 4) {
      bb = m2;
      rr = m1;
      gg = m1 - q * (h - 4);
    } else {
      bb = m2;
      gg = m1;
      rr = m1 + q * (h - 4);
    }
  }
  auto byte = [](double v) { return static_cast<std::uint8_t>(std::clamp(std::nearbyint(v * 255), 0.0, 255.0)); };
  return {byte(rr), byte(gg), byte(bb)};
}

struct Layout {
  RgbImage& img;
  const Content& c;
  int y = 8;

  void heading(const std::string& text) {
    DrawLabel(img, c.font, text, 8, y, kHeading);
    y += 14;
  }
  // Cells of one sheet in a grid, `scale` times enlarged; transparent
  // pixels show as a checkerboard. `colour` maps a palette index to RGB.
  template <typename Colour>
  void cells(const IndexedImage& sheet, int cw, int ch, int count, int scale, int per_row, int first_label,
             int source_y_step, Colour colour) {
    const int pitch_x = cw * scale + 10, pitch_y = ch * scale + 14;
    for (int i = 0; i < count; ++i) {
      const int ox = 8 + (i % per_row) * pitch_x, oy = y + (i / per_row) * pitch_y;
      const int sx = source_y_step ? 0 : i * cw, sy = source_y_step ? i * source_y_step : 0;
      for (int py = 0; py < ch * scale; ++py)
        for (int px = 0; px < cw * scale; ++px) {
          const std::uint8_t v = sheet.get(sx + px / scale, sy + py / scale);
          img.set(ox + px, oy + py, v == kTransparent ? (((px / 4 + py / 4) % 2) ? kCheckA : kCheckB) : colour(v));
        }
      DrawLabel(img, c.font, std::to_string(first_label + i), ox, oy + ch * scale + 2, kLabel);
    }
    y += ((count + per_row - 1) / per_row) * pitch_y + 8;
  }
  void cells(const IndexedImage& sheet, int cw, int ch, int count, int scale, int per_row, int first_label) {
    cells(sheet, cw, ch, count, scale, per_row, first_label, 0, [this](std::uint8_t v) { return c.palette[v]; });
  }
};

}  // namespace

RgbImage ContactSheet(const Content& c) {
  RgbImage img(kWidth, 2200, kGround);
  Layout l{img, c};
  l.heading("GFX16 (sprites 0-109; worm frames 16-36)");
  l.cells(c.gfx16, 16, 16, 110, 3, 17, 0);
  l.heading("GFX8 (sprites 200-329; cell = sprite - 200)");
  l.cells(c.gfx8, 7, 8, 130, 4, 24, 0);
  l.heading("GFX4 (sprites 400-429)");
  l.cells(c.gfx4, 4, 4, 30, 6, 30, 0);
  l.heading("FONT (character codes 32-255, ink shown white)");
  IndexedImage glyphs(8, 8 * 224, kTransparent);
  glyphs.blit(c.font, 0, 8 * 32 - 16, 8, 8 * 224, 0, 0, false);
  l.cells(glyphs, 8, 8, 224, 2, 38, 32, 8, [](std::uint8_t) { return Rgb{255, 255, 255}; });
  l.heading("PALETTE (palette index; colour number = index - 1)");
  for (int i = 0; i < 256; ++i) {
    const int ox = 8 + (i % 32) * 30, oy = l.y + (i / 32) * 26;
    for (int py = 0; py < 12; ++py)
      for (int px = 0; px < 24; ++px) img.set(ox + px, oy + py, c.palette[static_cast<std::size_t>(i)]);
    DrawLabel(img, c.font, std::to_string(i), ox, oy + 13, kLabel);
  }
  l.y += 8 * 26 + 8;
  l.heading("WORMS in player hues 0, 30, ... 330 (frames 16-36)");
  for (int k = 0; k < 12; ++k) {
    const int hue = k * 30;
    const int ox = 8 + (k % 2) * 490, oy = l.y + (k / 2) * 76;
    DrawLabel(img, c.font, std::to_string(hue), ox, oy + 20, kLabel);
    for (int f = 0; f < 21; ++f)
      for (int py = 0; py < 16 * 2; ++py)
        for (int px = 0; px < 16 * 2; ++px) {
          const std::uint8_t v = c.gfx16.get(16 * (kWormFrames + f) + px / 2, py / 2);
          if (v == kTransparent) continue;
          // Index k + 1 takes its colour from palette entry k, as the game
          // builds a player's sheet.
          const Rgb col = (v >= 30 && v <= 34) ? PlayerShade(c.palette[static_cast<std::size_t>(v - 1)], hue)
                                               : c.palette[v];
          img.set(ox + 30 + (f % 11) * 40 + px, oy + (f / 11) * 36 + py, col);
        }
  }
  l.y += 6 * 76 + 8;
  RgbImage out(kWidth, l.y, kGround);
  for (int y = 0; y < l.y; ++y)
    for (int x = 0; x < kWidth; ++x) out.set(x, y, img.get(x, y));
  return out;
}

}  // namespace krel::content
