// Effect art of GFX16: explosions of three sizes, smoke, flames, dirt,
// sparkles, plasma, blood, shock rings, electric zaps, bones and the burner's
// flame. Each sequence is drawn frame by frame from one formula of its age,
// with seeded noise for the ragged edges; the game draws these cells centred
// on the special object.
#include <algorithm>
#include <cmath>

#include "tools/krel-content/draw.h"
#include "tools/krel-content/palette.h"
#include "tools/krel-content/sprites.h"

namespace krel::content {
namespace {

constexpr double kCx = 8.0, kCy = 8.0;

// A fireball of radius up to max_r that flares, then breaks up into smoke.
void Explosion(const Cell& c, double t, double max_r, std::uint64_t seed) {
  const double r = max_r * (0.45 + 0.55 * std::min(1.0, t * 3.0));
  const double heat = 1.0 - t;
  ForDisc(c, kCx, kCy, r + 1.5, [&](int x, int y, double d) {
    const double n = ValueNoise(x, y, 2.2, seed);
    const double n2 = ValueNoise(x + 40, y, 1.3, seed + 7);
    const double edge = d / r + (n - 0.5) * 0.55;
    if (edge > 1.0) return;
    // Late in the blast the fire is eaten from inside by holes and smoke.
    if (t > 0.45 && n2 < (t - 0.45) * 1.1) return;
    const double glow = (1.0 - edge) * (0.5 + heat) + (n2 - 0.5) * 0.25;
    if (t > 0.55 && glow < 0.45) {
      c.set(x, y, RampIndex(kSmoke0 + 3, 7, 1.0 - glow));
      return;
    }
    c.set(x, y, RampIndex(kFire0, 10, 1.0 - glow));
  });
}

void Smoke(const Cell& c, double t, std::uint64_t seed) {
  const double r = 2.5 + 5.0 * t;
  const double cy = kCy - 2.0 * t;  // smoke drifts upwards
  ForDisc(c, kCx, cy, r + 1.0, [&](int x, int y, double d) {
    const double n = ValueNoise(x, y, 3.0, seed);
    if (d / r + (n - 0.5) * 0.5 > 1.0) return;
    // It thins out from the rim inwards as it ages.
    const double thin = t * 0.8 - (1.0 - d / r) * 0.4;
    if (HashUnit(x, y, seed + 3) < thin) return;
    // Lit from above: lighter on top, darker below.
    const double light = 0.55 - 0.35 * ((y + 0.5 - cy) / r) + (n - 0.5) * 0.3 + t * 0.2;
    c.set(x, y, RampIndex(kSmoke0 + 1, 7, 1.0 - light));
  });
}

// A tongue of flame standing on the bottom of the cell.
void Flame(const Cell& c, double t, std::uint64_t seed, int base_y, double height, double width) {
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const double up = (base_y - (y + 0.5)) / height;  // 0 at the base, 1 at the tip
      if (up < 0 || up > 1) continue;
      const double sway = (ValueNoise(0, y + t * 30, 3.0, seed) - 0.5) * 3.0 * up;
      const double half = width * std::pow(std::sin(kPi * (0.15 + 0.85 * up)), 0.8) * (1.0 - up * 0.6);
      const double off = std::fabs(x + 0.5 - kCx - sway);
      const double n = ValueNoise(x, y + t * 40, 1.7, seed + 1);
      if (off > half + (n - 0.5) * 1.5) continue;
      const double heat = (1.0 - off / (half + 0.5)) * 0.6 + (1.0 - up) * 0.5 + (n - 0.5) * 0.3;
      c.set(x, y, RampIndex(kFire0 + 1, 9, 1.0 - heat));
    }
}

// Particles thrown from the centre under gravity.
template <typename Colour>
void Spray(const Cell& c, double t, std::uint64_t seed, int count, double reach, double gravity, Colour colour) {
  Rng rng(seed);
  for (int k = 0; k < count; ++k) {
    const double a = rng.uniform() * 2 * kPi;
    const double s = 0.4 + 0.6 * rng.uniform();
    const int col = colour(rng);
    const double x = kCx + std::sin(a) * s * reach * t;
    const double y = kCy - std::cos(a) * s * reach * t + gravity * t * t;
    const int px = static_cast<int>(std::floor(x)), py = static_cast<int>(std::floor(y));
    c.set(px, py, col);
    // Big lumps early on, crumbs later.
    if (k % 3 != 0 || t < 0.5) c.set(px + 1, py, col);
    if (k % 3 == 0 && t < 0.7) c.set(px, py + 1, col);
  }
}

void Sparkle(const Cell& c, double t) {
  const double len = 1.0 + 5.5 * std::sin(kPi * std::min(1.0, t * 1.15));
  const int core = t < 0.7 ? kWhite : kYellow0 + 8;
  Line(c, kCx - len, kCy - 0.5, kCx + len, kCy - 0.5, kYellow0 + 7);
  Line(c, kCx - 0.5, kCy - len, kCx - 0.5, kCy + len, kYellow0 + 7);
  const double dl = len * 0.45;
  Line(c, kCx - dl, kCy - dl, kCx + dl, kCy + dl, kYellow0 + 9);
  Line(c, kCx - dl, kCy + dl, kCx + dl, kCy - dl, kYellow0 + 9);
  Disc(c, kCx - 0.5, kCy - 0.5, 0.9, core);
}

void Ring(const Cell& c, double t, int ramp, double width) {
  const double r = 1.5 + 6.0 * t;
  ForDisc(c, kCx, kCy, r + width, [&](int x, int y, double d) {
    const double off = std::fabs(d - r);
    if (off > width) return;
    c.set(x, y, RampIndex(ramp, 10, 1.0 - t * 0.6 - off / width * 0.3));
  });
}

void Zap(const Cell& c, double t, std::uint64_t seed) {
  Rng rng(seed);
  const int arms = 4;
  for (int k = 0; k < arms; ++k) {
    double a = rng.uniform() * 2 * kPi;
    double x = kCx, y = kCy;
    const int len = 4 + rng.range(0, 3) - static_cast<int>(t * 3);
    for (int i = 0; i < len; ++i) {
      a += (rng.uniform() - 0.5) * 1.4;
      const double nx = x + std::sin(a) * 1.3, ny = y - std::cos(a) * 1.3;
      Line(c, x, y, nx, ny, i < 2 ? kCyan0 + 9 : kCyan0 + 7 - static_cast<int>(t * 3));
      x = nx;
      y = ny;
    }
  }
  Disc(c, kCx - 0.5, kCy - 0.5, 1.2 * (1.0 - t) + 0.3, kWhite);
}

void Bones(const Cell& c, double t, std::uint64_t seed) {
  Rng rng(seed);
  for (int k = 0; k < 5; ++k) {
    const double a = rng.uniform() * 2 * kPi, s = 0.5 + 0.5 * rng.uniform();
    const double spin = rng.uniform() * kPi + t * 6.0;
    const double x = kCx + std::sin(a) * s * 6.5 * t, y = kCy - std::cos(a) * s * 6.5 * t + 3.0 * t * t;
    const double hx = std::cos(spin) * 1.2, hy = std::sin(spin) * 1.2;
    Line(c, x - hx, y - hy, x + hx, y + hy, kBone3);
    c.set(static_cast<int>(std::floor(x - hx)), static_cast<int>(std::floor(y - hy)), kBone4);
    c.set(static_cast<int>(std::floor(x + hx)), static_cast<int>(std::floor(y + hy)), kBone4);
  }
}

void Burner(const Cell& c, double t, std::uint64_t seed) {
  const double r = 3.0 + 4.5 * std::sin(kPi * std::min(1.0, 0.25 + t * 0.85));
  ForDisc(c, kCx, kCy, r + 1.5, [&](int x, int y, double d) {
    const double n = ValueNoise(x, y + t * 20, 2.0, seed);
    if (d / r + (n - 0.5) * 0.7 > 1.0) return;
    if (t > 0.6 && ValueNoise(x, y, 1.3, seed + 5) < (t - 0.6) * 2.0) return;
    const double heat = (1.0 - d / r) * 0.8 + (n - 0.5) * 0.4 + (1.0 - t) * 0.3;
    c.set(x, y, RampIndex(kOrange0 + 2, 8, heat));
  });
}

}  // namespace

void DrawEffects16(IndexedImage& s) {
  auto seq = [&s](int first, int frames, auto&& draw) {
    for (int f = 0; f < frames; ++f)
      draw(CellOf(s, first + f, 16, 16), frames == 1 ? 0.0 : static_cast<double>(f) / (frames - 1), f);
  };
  seq(kPuff16, 4, [](const Cell& c, double t, int f) {
    if (f == 0) {
      for (int i = -2; i <= 2; ++i) {
        c.set(7 + i, 7, kFire0 + 2);
        c.set(7, 7 + i, kFire0 + 2);
      }
      c.set(7, 7, kWhite);
      return;
    }
    Smoke(c, t * 0.6, 100 + static_cast<std::uint64_t>(f));
  });
  seq(kExplodeSmall, 6,
      [](const Cell& c, double t, int f) { Explosion(c, t, 4.5, 200 + static_cast<std::uint64_t>(f)); });
  seq(kFlame16, 6, [](const Cell& c, double t, int) { Flame(c, t, 300, 15, 12.0, 3.6); });
  seq(kExplodeMedium, 8,
      [](const Cell& c, double t, int f) { Explosion(c, t, 6.2, 400 + static_cast<std::uint64_t>(f)); });
  seq(kExplodeLarge, 10,
      [](const Cell& c, double t, int f) { Explosion(c, t, 7.9, 500 + static_cast<std::uint64_t>(f)); });
  seq(kSmoke16, 8, [](const Cell& c, double t, int f) { Smoke(c, t, 600 + static_cast<std::uint64_t>(f)); });
  seq(kDirt16, 6, [](const Cell& c, double t, int) {
    Spray(c, 0.15 + t * 0.85, 700, 22, 7.0, 4.0, [](Rng& r) { return kSoilA0 + r.range(0, 6); });
  });
  seq(kSparkle16, 6, [](const Cell& c, double t, int) { Sparkle(c, t); });
  seq(kPlasma16, 6, [](const Cell& c, double t, int f) {
    Ring(c, t, kGreen0, 1.3);
    if (f < 3) Disc(c, kCx, kCy, 2.5 - f * 0.7, kGreen0 + 9);
  });
  seq(kBlood16, 6, [](const Cell& c, double t, int) {
    Spray(c, 0.15 + t * 0.85, 900, 18, 6.5, 5.0, [](Rng& r) { return kFlesh0 + r.range(2, 6); });
  });
  seq(kRing16, 6, [](const Cell& c, double t, int) { Ring(c, t, kBlue0, 0.9); });
  seq(kZap16, 6, [](const Cell& c, double t, int f) { Zap(c, t, 1000 + static_cast<std::uint64_t>(f)); });
  seq(kBones16, 4, [](const Cell& c, double t, int) { Bones(c, 0.2 + t * 0.8, 1100); });
  seq(kBurner16, 7, [](const Cell& c, double t, int f) { Burner(c, t, 1200 + static_cast<std::uint64_t>(f) / 2); });
}

IndexedImage BuildGfx16() {
  IndexedImage sheet(16 * kGfx16Cells, 16, kTransparent);
  DrawEffects16(sheet);
  DrawWormFrames(sheet);
  return sheet;
}

}  // namespace krel::content
