// GFX8: shots and particle objects, 7x8 pixels each, centred on (3.5, 3.5).
//
// Rotating shots pick their cell from the compass angle of the vector
// opposite to their motion (0 = up, clockwise), in bins of 22 degrees for
// the 17-cell missile and 25 degrees for the 15-cell sets; so cell k shows
// the shot flying towards the middle of bin k plus 180 degrees.
#include <cmath>
#include <functional>

#include "tools/krel-content/draw.h"
#include "tools/krel-content/palette.h"
#include "tools/krel-content/sprites.h"

namespace krel::content {
namespace {

constexpr double kCx = 3.5, kCy = 3.5;

// A shape in shot coordinates: u along the flight, v to its right.
using Shape = std::function<int(double u, double v)>;

void DrawRotated(const Cell& c, double heading_deg, const Shape& shape) {
  const double a = heading_deg * kPi / 180.0;
  const double fx = std::sin(a), fy = -std::cos(a);  // forward
  const double rx = std::cos(a), ry = std::sin(a);   // right of forward
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const double px = x + 0.5 - kCx, py = y + 0.5 - kCy;
      const int v = shape(px * fx + py * fy, px * rx + py * ry);
      if (v != 0) c.set(x, y, v);
    }
}

void RotationSet(IndexedImage& s, int first, int cells, int bin, const Shape& shape) {
  for (int k = 0; k < cells; ++k) {
    const int lo = k * bin, hi = std::min(k * bin + bin - 1, 359);
    DrawRotated(CellOf(s, first + k, 7, 8), (lo + hi) / 2.0 + 180.0, shape);
  }
}

int MissileShape(double u, double v) {
  const double av = std::fabs(v);
  if (u > 1.6 && u < 3.3 && av <= (3.3 - u) * 0.75) return kRed0 + 6;
  if (u >= -2.2 && u <= 1.6 && av <= 0.85) return av < 0.35 && u > -1 ? kSteel0 + 8 : kSteel0 + 5;
  if (u >= -2.9 && u < -1.2 && av <= 1.9 && av > 0.6) return kSteel0 + 2;
  if (u >= -3.9 && u < -2.2 && av <= 0.6) return kFire0 + 2;
  return 0;
}

int RocketShape(double u, double v) {
  const double av = std::fabs(v);
  if (u > 1.8 && u < 3.3 && av <= (3.3 - u) * 0.8) return kGrass0 + 4;
  if (u >= -2.3 && u <= 1.8 && av <= 1.05) return av < 0.4 ? kGrass0 + 3 : kGrass0 + 1;
  if (u >= -3.4 && u < -2.3 && av <= 0.7) return kFire0 + 3;
  return 0;
}

int ArrowShape(double u, double v) {
  const double av = std::fabs(v);
  if (u > 1.3 && u < 3.4 && av <= (3.4 - u) * 0.6) return kSteel0 + 7;
  if (u >= -3.0 && u <= 1.3 && av <= 0.45) return kOrange0 + 4;
  if (u >= -3.6 && u < -2.0 && av <= 1.3 && av > 0.45) return kWhite;
  return 0;
}

int BoltShape(double u, double v) {
  const double e = (u * u) / (3.2 * 3.2) + (v * v) / (1.15 * 1.15);
  if (e > 1.0) return 0;
  return RampIndex(kCyan0 + 4, 6, 1.0 - e);
}

// A round thing with a stripe that turns with the frame.
void Spinner(const Cell& c, double r, int body, int stripe, int frame) {
  const double a = frame * kPi / 4.0;
  ForDisc(c, kCx, kCy, r, [&](int x, int y, double) {
    const double px = x + 0.5 - kCx, py = y + 0.5 - kCy;
    const double across = std::fabs(px * std::cos(a) + py * std::sin(a));
    c.set(x, y, across < 0.6 ? stripe : body);
  });
}

void Grenade(const Cell& c, int frame) {
  ForDisc(c, kCx, kCy + 0.5, 2.3,
          [&](int x, int y, double) { c.set(x, y, (x + y) % 3 == 0 ? kGrass0 + 1 : kGrass0 + 2); });
  c.set(3, 1, kSteel0 + 6);
  c.set(4, 0, kSteel0 + 4);
  c.set(2, 2, kGrass0 + 4);
  if (frame % 2 == 0) c.set(3, 0, kRed0 + 9);
}

void Mine(const Cell& c, int frame) {
  ForDisc(c, kCx, kCy + 1.0, 2.4, [&](int x, int y, double) {
    if (y + 0.5 >= kCy - 0.6) c.set(x, y, y == 4 ? kSteel0 + 4 : kSteel0 + 2);
  });
  c.set(0, 5, kSteel0 + 5);
  c.set(6, 5, kSteel0 + 5);
  c.set(3, 2, frame < 2 ? kRed0 + 9 : kRed0 + 2);
  for (int x = 1; x <= 5; ++x) c.set(x, 7, kSteel0 + 1);
}

void Crate(const Cell& c) {
  for (int y = 1; y < 8; ++y)
    for (int x = 0; x < 7; ++x) {
      const bool edge = x == 0 || x == 6 || y == 1 || y == 7;
      const bool diag = (x - 0) == (y - 1) || (6 - x) == (y - 1);
      c.set(x, y, edge ? kOrange0 + 2 : diag ? kOrange0 + 3 : kOrange0 + 5);
    }
  c.set(3, 4, kYellow0 + 9);
}

void HealthPack(const Cell& c) {
  for (int y = 1; y < 8; ++y)
    for (int x = 0; x < 7; ++x) {
      const bool edge = x == 0 || x == 6 || y == 1 || y == 7;
      const bool cross = (x == 3 && y >= 2 && y <= 6) || (y == 4 && x >= 1 && x <= 5);
      c.set(x, y, cross ? kRed0 + 6 : edge ? kGrey0 + 7 : kWhite);
    }
}

// An irregular lump; used for soil (left in the level) and rock chunks.
void Lump(const Cell& c, double r, int first, int span, std::uint64_t seed) {
  ForDisc(c, kCx, kCy, r + 1.0, [&](int x, int y, double d) {
    if (d / r + (ValueNoise(x, y, 1.6, seed) - 0.5) * 0.7 > 1.0) return;
    c.set(x, y, first + static_cast<int>(HashUnit(x, y, seed + 1) * span));
  });
}

void Stain(const Cell& c, std::uint64_t seed) {
  Rng rng(seed);
  Disc(c, kCx, kCy + 1, 1.4, kFreeStain0 + 1);
  for (int k = 0; k < 6; ++k) c.set(rng.range(0, 6), rng.range(2, 7), kFreeStain0 + (k & 1));
}

void Bone(const Cell& c, int frame) {
  const double a = frame * kPi / 4.0 + 0.3;
  const double hx = std::cos(a) * 1.9, hy = std::sin(a) * 1.9;
  Line(c, kCx - hx, kCy - hy, kCx + hx, kCy + hy, kBone2);
  for (double s : {-1.0, 1.0}) {
    const int ex = static_cast<int>(std::floor(kCx + s * hx)), ey = static_cast<int>(std::floor(kCy + s * hy));
    c.set(ex, ey, kBone4);
    c.set(ex + (frame % 2 == 0 ? 1 : 0), ey + (frame % 2 == 0 ? 0 : 1), kBone3);
  }
}

void Gib(const Cell& c, int frame) {
  Disc(c, kCx, kCy, 1.6, kFlesh0 + 4);
  const double a = frame * kPi / 2.0;
  c.set(static_cast<int>(std::floor(kCx + std::cos(a))), static_cast<int>(std::floor(kCy + std::sin(a))), kFlesh0 + 7);
  c.set(static_cast<int>(std::floor(kCx - std::cos(a) * 1.5)), static_cast<int>(std::floor(kCy - std::sin(a) * 1.5)),
        kFlesh0 + 2);
}

void Twinkle(const Cell& c, int size, int colour) {
  c.set(3, 3, kWhite);
  for (int i = 1; i <= size; ++i) {
    c.set(3 - i, 3, colour);
    c.set(3 + i, 3, colour);
    c.set(3, 3 - i, colour);
    c.set(3, 3 + i, colour);
  }
}

void Skull(const Cell& c) {
  Disc(c, kCx, kCy - 0.3, 2.4, kBone4);
  for (int x = 2; x <= 4; ++x) c.set(x, 6, kBone3);
  c.set(2, 3, kBlack);
  c.set(4, 3, kBlack);
  c.set(3, 5, kBone1);
}

}  // namespace

IndexedImage BuildGfx8() {
  IndexedImage s(7 * kGfx8Cells, 8, kTransparent);
  auto cell = [&s](int i) { return CellOf(s, i, 7, 8); };

  RotationSet(s, kMissile, 17, 22, MissileShape);
  RotationSet(s, kRocket, 15, 25, RocketShape);
  RotationSet(s, kArrow, 15, 25, ArrowShape);
  RotationSet(s, kBolt, 15, 25, BoltShape);
  for (int f = 0; f < 4; ++f) {
    Grenade(cell(kGrenade + f), f);
    Spinner(cell(kCluster + f), 1.7, kSteel0 + 1, kYellow0 + 7, f);
    Mine(cell(kMine + f), f);
    ForDisc(cell(kFireball + f), kCx, kCy, 2.4, [&](int x, int y, double d) {
      const double n = ValueNoise(x, y + f * 3, 1.4, 77);
      if (d / 2.4 + (n - 0.5) * 0.6 > 1.0) return;
      s.set(7 * (kFireball + f) + x, y, RampIndex(kFire0, 8, d / 2.4 * 0.8 + (n - 0.5) * 0.5));
    });
    Spinner(cell(kBall + f), 2.5, kPurple0 + 5, kPurple0 + 8, f);
  }
  Disc(cell(kBulletSmall), kCx, kCy, 0.8, kYellow0 + 9);
  Disc(cell(kBulletBig), kCx, kCy, 1.6, kYellow0 + 6);
  Disc(cell(kBulletBig), kCx - 0.3, kCy - 0.3, 0.7, kWhite);

  // Shell: the base picture lies flat; the flight frames tumble.
  Line(cell(kShell), 2, 5, 4, 5, kGold0 + 5);
  for (int f = 0; f < 4; ++f) {
    const double a = f * kPi / 4.0;
    const Cell c = cell(kShell + 1 + f);
    Line(c, kCx - std::cos(a), kCy - std::sin(a), kCx + std::cos(a), kCy + std::sin(a), kGold0 + 5);
    c.set(static_cast<int>(std::floor(kCx + std::cos(a))), static_cast<int>(std::floor(kCy + std::sin(a))), kGold0 + 2);
  }
  Stain(cell(kBone), 31);
  Stain(cell(kGib), 37);
  for (int f = 0; f < 4; ++f) {
    Bone(cell(kBone + 1 + f), f);
    Gib(cell(kGib + 1 + f), f);
  }
  Lump(cell(kSoilLump), 3.0, kSoilA0, 4, 91);
  Crate(cell(kCrate));
  HealthPack(cell(kHealthPack));
  Lump(cell(kClod), 2.2, kSoilA0, 4, 93);
  for (int f = 0; f < 4; ++f)
    Lump(cell(kClod + 1 + f), 1.3 + 0.2 * (f % 2), kSoilA0, 7, 95 + static_cast<std::uint64_t>(f));
  s.set(7 * kSpark + 3, 3, kYellow0 + 9);
  for (int f = 0; f < 4; ++f) Twinkle(cell(kSpark + 1 + f), f % 2 == 0 ? 1 : 2, f < 2 ? kYellow0 + 8 : kOrange0 + 7);
  Disc(cell(kSmokeBit), kCx, kCy, 1.2, kSmoke0 + 4);
  for (int f = 0; f < 4; ++f) {
    ForDisc(cell(kSmokeBit + 1 + f), kCx, kCy, 1.0 + 0.6 * f, [&](int x, int y, double) {
      if (HashUnit(x, y, 500 + static_cast<std::uint64_t>(f)) > 0.15 * f)
        s.set(7 * (kSmokeBit + 1 + f) + x, y, kSmoke0 + 2 + f);
    });
  }
  Lump(cell(kRockChunk), 1.8, kRock0 + 3, 5, 97);
  for (int f = 0; f < 4; ++f)
    Lump(cell(kRockChunk + 1 + f), 1.5, kRock0 + 2 + f, 4, 99 + static_cast<std::uint64_t>(f));
  for (int f = 0; f < 5; ++f) {
    ForDisc(cell(kNapalm + f), kCx, kCy, 2.0, [&](int x, int y, double d) {
      const double n = ValueNoise(x, y + f * 2, 1.3, 123);
      if (d / 2.0 + (n - 0.5) * 0.8 > 1.0) return;
      s.set(7 * (kNapalm + f) + x, y, RampIndex(kOrange0 + 4, 6, 1.0 - d / 2.0 + (n - 0.5) * 0.4));
    });
  }
  Skull(cell(kSkull));
  Disc(cell(kEyeball), kCx, kCy, 1.8, kWhite);
  Disc(cell(kEyeball), kCx + 0.6, kCy, 0.8, kBlue0 + 5);
  cell(kEyeball).set(4, 3, kBlack);
  for (int x = 1; x <= 5; x += 2) Line(cell(kRib), x, 2, x, 5, kBone3);
  Line(cell(kRib), 1, 2, 5, 2, kBone4);
  return s;
}

}  // namespace krel::content
