#include "tools/krel-content/level.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/krel-content/draw.h"
#include "tools/krel-content/palette.h"
#include "tools/krel-content/rng.h"

namespace krel::content {
namespace {

enum Kind : std::uint8_t { kSoilCell, kRockCell, kFreeCell };

// Fractal noise: a few octaves of value noise, in [0, 1).
double Fbm(double x, double y, double scale, std::uint64_t seed, int octaves) {
  double sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * ValueNoise(x, y, scale, seed + static_cast<std::uint64_t>(o) * 1013);
    norm += amp;
    amp *= 0.5;
    scale *= 0.5;
  }
  return sum / norm;
}

class Grid {
 public:
  Grid(int w, int h, Kind fill) : w_(w), h_(h), k_(static_cast<std::size_t>(w) * h, fill) {}
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }
  Kind at(int x, int y) const { return inside(x, y) ? k_[idx(x, y)] : kRockCell; }
  void set(int x, int y, Kind k) {
    if (inside(x, y)) k_[idx(x, y)] = k;
  }
  int w() const { return w_; }
  int h() const { return h_; }

 private:
  std::size_t idx(int x, int y) const { return static_cast<std::size_t>(y) * w_ + x; }
  int w_, h_;
  std::vector<Kind> k_;
};

// Clears a disc of soil (rock is left standing: tunnels go around it).
void Carve(Grid& g, double cx, double cy, double r) {
  const int x0 = static_cast<int>(std::floor(cx - r)), x1 = static_cast<int>(std::ceil(cx + r));
  const int y0 = static_cast<int>(std::floor(cy - r)), y1 = static_cast<int>(std::ceil(cy + r));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      if (dx * dx + dy * dy <= r * r && g.at(x, y) == kSoilCell) g.set(x, y, kFreeCell);
    }
}

// A tunnel: a walk whose heading drifts a little each step. Directions are
// kept as vectors and renormalised with sqrt only, so the result is the same
// bit for bit wherever it is generated.
// Its radius wanders between 3 and max_radius.
void Tunnel(Grid& g, Rng& rng, double x, double y, int steps, double max_radius = 7.0) {
  double dx = rng.signed_unit(), dy = rng.signed_unit() * 0.5;
  double r = 3.5 + rng.uniform() * 2.5;
  for (int i = 0; i < steps; ++i) {
    const double len = std::sqrt(dx * dx + dy * dy);
    if (len < 1e-6) {
      dx = 1;
      dy = 0;
    } else {
      dx /= len;
      dy /= len;
    }
    Carve(g, x, y, r);
    x += dx * 1.5;
    y += dy * 1.5;
    dx += rng.signed_unit() * 0.22;
    dy += rng.signed_unit() * 0.22 - (y - g.h() * 0.5) * 0.0008;  // stay away from floor and ceiling
    r = std::clamp(r + rng.signed_unit() * 0.4, 3.0, max_radius);
    if (x < 12 || x > g.w() - 12) dx = -dx;
    if (y < 12 || y > g.h() - 20) dy = -dy;
  }
}

// The game treats the rows from this one down as solid ground.
constexpr int kSolidFrom = 342;

// The rock frame around every level. The rows from kSolidFrom down are solid
// in any case; the frame covers them so the picture says the same.
void Frame(Grid& g, std::uint64_t seed) {
  const int w = g.w(), h = g.h();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double frame = 4 + 4 * ValueNoise(x + y, 0, 9, seed + 2);
      if (x < frame || x >= w - frame || y < frame || y >= std::min(h, kSolidFrom) - frame) g.set(x, y, kRockCell);
    }
}

// Soil with rock outcrops, open caves and winding tunnels between them: the
// shipped level's kind (seed 1 is the shipped level).
void Mixed(Grid& g, std::uint64_t seed) {
  const int w = g.w(), h = g.h();
  // Rock: outcrops where one noise field peaks, and the frame.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double n = Fbm(x, y * 1.3, 48, seed + 1, 4);
      if (n > 0.68) g.set(x, y, kRockCell);
    }
  Frame(g, seed);
  // Caves: open where a second noise field peaks.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double n = Fbm(x, y * 1.4, 64, seed + 3, 4);
      if (n > 0.6 && g.at(x, y) == kSoilCell) g.set(x, y, kFreeCell);
    }
  // Tunnels wind between them.
  Rng rng(seed + 4);
  const int tunnels = 9 + static_cast<int>(rng.uniform() * 4);
  for (int t = 0; t < tunnels; ++t)
    Tunnel(g, rng, 30 + rng.uniform() * (w - 60), 30 + rng.uniform() * (h - 80), 70 + rng.range(0, 90));
}

// Wide caverns under thick rock, joined by a few broad passages: long open
// sight lines inside a cave, rock between caves.
void Caves(Grid& g, std::uint64_t seed) {
  const int w = g.w(), h = g.h();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (Fbm(x, y * 1.2, 40, seed + 1, 4) > 0.62) g.set(x, y, kRockCell);
      // Caverns are wide rather than tall.
      if (Fbm(x * 0.7, y * 1.6, 90, seed + 3, 4) > 0.5 && g.at(x, y) == kSoilCell) g.set(x, y, kFreeCell);
    }
  Frame(g, seed);
  Rng rng(seed + 4);
  const int passages = 4 + rng.range(0, 2);
  for (int t = 0; t < passages; ++t)
    Tunnel(g, rng, 30 + rng.uniform() * (w - 60), 30 + rng.uniform() * (h - 80), 120 + rng.range(0, 80), 6.0);
}

// Open ground: rolling soil hills over a rock bed at the bottom, open air
// above them, and islands of soil (some with a rock core) floating in it.
void Islands(Grid& g, std::uint64_t seed) {
  const int w = g.w(), h = std::min(g.h(), kSolidFrom);
  for (int y = 0; y < g.h(); ++y)
    for (int x = 0; x < g.w(); ++x) g.set(x, y, kFreeCell);
  for (int x = 0; x < w; ++x) {
    const double ground = h * (0.72 + 0.14 * (Fbm(x, 0, 80, seed + 1, 3) - 0.5) * 2);
    for (int y = static_cast<int>(ground); y < g.h(); ++y) {
      const bool bed = y > h - 20 + 8 * ValueNoise(x, 0, 30, seed + 5);
      g.set(x, y, bed || Fbm(x, y, 20, seed + 6, 2) > 0.74 ? kRockCell : kSoilCell);
    }
  }
  // Islands where a noise field peaks, kept to the upper two thirds, thinner
  // towards the top so that the sky stays open.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double height = static_cast<double>(y) / h;
      if (height < 0.12 || height > 0.62) continue;
      const double n = Fbm(x * 0.8, y * 1.5, 50, seed + 3, 4);
      const double threshold = 0.64 - 0.12 * height;
      if (n > threshold + 0.08)
        g.set(x, y, kRockCell);
      else if (n > threshold)
        g.set(x, y, kSoilCell);
    }
  Frame(g, seed);
}

// Solid soil, veined with rock, crossed by many narrow tunnels: close
// quarters everywhere, and the worms must dig to meet.
void Tunnels(Grid& g, std::uint64_t seed) {
  const int w = g.w(), h = g.h();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      // A vein follows a contour line of the noise, and contour lines close
      // on themselves; a second noise breaks them into stretches, so that no
      // pocket of soil is sealed off for good and the worms can dig to meet.
      if (std::fabs(Fbm(x, y * 1.3, 56, seed + 1, 4) - 0.5) < 0.035 && Fbm(x, y, 18, seed + 5, 2) > 0.5)
        g.set(x, y, kRockCell);
  Frame(g, seed);
  // Each tunnel starts in its own cell of a 6 x 4 grid, so that they reach
  // every part of the level.
  Rng rng(seed + 4);
  constexpr int kColumns = 6, kRows = 4;
  for (int t = 0; t < kColumns * kRows; ++t) {
    const double x = 20 + (t % kColumns + rng.uniform()) * (w - 40) / kColumns;
    const double y = 20 + (t / kColumns + rng.uniform()) * (h - 60) / kRows;
    Tunnel(g, rng, x, y, 60 + rng.range(0, 80), 4.5);
  }
}

// How many pixels of a rectangle have some property, in constant time: a
// table of the counts above and to the left of every pixel.
class AreaCount {
 public:
  template <typename Has>
  AreaCount(int w, int h, Has has) : w_(w), h_(h), sum_(static_cast<std::size_t>(w + 1) * (h + 1), 0) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        sum_[Index(x + 1, y + 1)] =
            (has(x, y) ? 1 : 0) + sum_[Index(x, y + 1)] + sum_[Index(x + 1, y)] - sum_[Index(x, y)];
  }
  // In the rectangle from (x0, y0) to (x1, y1), both included, cut to the
  // area.
  int In(int x0, int y0, int x1, int y1) const {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0), x1 = std::min(x1, w_ - 1), y1 = std::min(y1, h_ - 1);
    if (x0 > x1 || y0 > y1) return 0;
    return sum_[Index(x1 + 1, y1 + 1)] - sum_[Index(x0, y1 + 1)] - sum_[Index(x1 + 1, y0)] + sum_[Index(x0, y0)];
  }

 private:
  std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * (w_ + 1) + x; }
  int w_, h_;
  std::vector<int> sum_;
};

// Where a worm may be: no rock (nor the solid rows at the bottom) under its
// body, 5 pixels wide and 9 tall; soil does not count, a worm digs it.
class WormRoom {
 public:
  explicit WormRoom(const Grid& g)
      : w_(g.w()),
        h_(g.h()),
        rock_(g.w(), g.h(), [&](int x, int y) { return g.at(x, y) == kRockCell || y >= kSolidFrom; }) {}
  bool Fits(int x, int y) const {
    if (x - kHalfWidth < 0 || y - kHalfHeight < 0 || x + kHalfWidth >= w_ || y + kHalfHeight >= h_) return false;
    return rock_.In(x - kHalfWidth, y - kHalfHeight, x + kHalfWidth, y + kHalfHeight) == 0;
  }
  static constexpr int kHalfWidth = 2, kHalfHeight = 4;

 private:
  int w_, h_;
  AreaCount rock_;
};

// The parts of the level a worm can move about in, each the places it can
// get to from any other of them; part[] says which part a place is in (-1
// none), and the result the size of each.
std::vector<int> WormParts(const Grid& g, std::vector<int>& part) {
  const int w = g.w(), h = g.h();
  const WormRoom room(g);
  part.assign(static_cast<std::size_t>(w) * h, -1);
  std::vector<int> sizes;
  std::vector<std::pair<int, int>> queue;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (part[static_cast<std::size_t>(y) * w + x] >= 0 || !room.Fits(x, y)) continue;
      const int id = static_cast<int>(sizes.size());
      sizes.push_back(0);
      queue.assign(1, {x, y});
      part[static_cast<std::size_t>(y) * w + x] = id;
      for (std::size_t q = 0; q < queue.size(); ++q) {
        ++sizes.back();
        const auto [qx, qy] = queue[q];
        const std::pair<int, int> next[4] = {{qx + 1, qy}, {qx - 1, qy}, {qx, qy + 1}, {qx, qy - 1}};
        for (const auto& [nx, ny] : next) {
          if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
          int& at = part[static_cast<std::size_t>(ny) * w + nx];
          if (at >= 0 || !room.Fits(nx, ny)) continue;
          at = id;
          queue.push_back({nx, ny});
        }
      }
    }
  return sizes;
}

// A broad passage of soil through the rock from (ax, ay) to (bx, by), kept
// inside the frame.
void DigPassage(Grid& g, int ax, int ay, int bx, int by) {
  constexpr double kRadius = 6;
  const double length = std::max(1.0, std::sqrt(static_cast<double>(ax - bx) * (ax - bx) + (ay - by) * (ay - by)));
  for (double t = 0; t <= length; t += 1) {
    const double cx = ax + (bx - ax) * t / length, cy = ay + (by - ay) * t / length;
    for (int y = static_cast<int>(cy - kRadius); y <= static_cast<int>(cy + kRadius); ++y)
      for (int x = static_cast<int>(cx - kRadius); x <= static_cast<int>(cx + kRadius); ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= kRadius * kRadius && g.at(x, y) == kRockCell && x >= 8 &&
            y >= 8 && x < g.w() - 8 && y < kSolidFrom - 6)
          g.set(x, y, kSoilCell);
  }
}

// A worm born in a hollow that rock shuts off from the rest of the level
// (or in soil that only leads to such a hollow) never gets out: it can
// neither reach the other worms nor be reached. Places a worm can get to
// from the largest open part of the level make the level; every large part
// shut off from it is joined to it by a broad passage of soil through the
// rock, and every small one is filled with rock, so that no worm is born
// there.
void JoinOrFillShutOffParts(Grid& g) {
  const int w = g.w(), h = g.h();
  // A part where a worm has room to move about and fight is worth a way in.
  constexpr int kJoinFrom = 1500;
  constexpr int kLattice = 6;
  std::vector<int> part;
  std::vector<int> sizes = WormParts(g, part);
  for (int round = 0; round < 4 && !sizes.empty(); ++round) {
    const int main = static_cast<int>(std::max_element(sizes.begin(), sizes.end()) - sizes.begin());
    std::vector<std::pair<int, int>> mainPlaces;
    for (int y = 0; y < h; y += kLattice)
      for (int x = 0; x < w; x += kLattice)
        if (part[static_cast<std::size_t>(y) * w + x] == main) mainPlaces.push_back({x, y});
    bool dug = false;
    for (int id = 0; id < static_cast<int>(sizes.size()); ++id) {
      if (id == main || sizes[static_cast<std::size_t>(id)] < kJoinFrom) continue;
      // The nearest pair of places, one in this part and one in the main
      // part, looked for on a coarse lattice.
      double best = 1e18;
      int ax = 0, ay = 0, bx = 0, by = 0;
      for (int y = 0; y < h; y += kLattice)
        for (int x = 0; x < w; x += kLattice) {
          if (part[static_cast<std::size_t>(y) * w + x] != id) continue;
          for (const auto& [u, v] : mainPlaces) {
            const double d = static_cast<double>(x - u) * (x - u) + static_cast<double>(y - v) * (y - v);
            if (d < best) {
              best = d;
              ax = x, ay = y, bx = u, by = v;
            }
          }
        }
      if (best >= 1e18) continue;
      DigPassage(g, ax, ay, bx, by);
      dug = true;
    }
    if (!dug) break;
    sizes = WormParts(g, part);
  }
  if (sizes.empty()) return;
  const int main = static_cast<int>(std::max_element(sizes.begin(), sizes.end()) - sizes.begin());
  // What no worm of the main part can touch is filled.
  const AreaCount reach(w, h, [&](int x, int y) { return part[static_cast<std::size_t>(y) * w + x] == main; });
  for (int y = 0; y < std::min(h, kSolidFrom); ++y)
    for (int x = 0; x < w; ++x)
      if (g.at(x, y) != kRockCell && reach.In(x - WormRoom::kHalfWidth, y - WormRoom::kHalfHeight,
                                              x + WormRoom::kHalfWidth, y + WormRoom::kHalfHeight) == 0)
        g.set(x, y, kRockCell);
}

}  // namespace

const char* LevelStyleName(LevelStyle style) {
  switch (style) {
    case LevelStyle::kMixed: return "mixed";
    case LevelStyle::kCaves: return "caves";
    case LevelStyle::kIslands: return "islands";
    case LevelStyle::kTunnels: return "tunnels";
  }
  return "mixed";
}

std::optional<LevelStyle> ParseLevelStyle(const std::string& name) {
  for (LevelStyle style : kLevelStyles)
    if (name == LevelStyleName(style)) return style;
  return std::nullopt;
}

IndexedImage GenerateLevel(const LevelOptions& o) {
  const int w = o.width, h = o.height;
  const std::uint64_t seed = o.seed * 0x9E3779B97F4A7C15ull + 17;
  Grid g(w, h, kSoilCell);
  switch (o.style) {
    case LevelStyle::kMixed: Mixed(g, seed); break;
    case LevelStyle::kCaves: Caves(g, seed); break;
    case LevelStyle::kIslands: Islands(g, seed); break;
    case LevelStyle::kTunnels: Tunnels(g, seed); break;
  }
  JoinOrFillShutOffParts(g);

  IndexedImage img(w, h, kFree0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double fine = HashUnit(x, y, seed + 5);
      switch (g.at(x, y)) {
        case kFreeCell: {
          // Dark cave air, with the speckle of dug earth near soil walls.
          bool near_soil = false;
          for (int k = -2; k <= 2 && !near_soil; ++k)
            near_soil = g.at(x + k, y) == kSoilCell || g.at(x, y + k) == kSoilCell;
          const double shade = Fbm(x, y, 24, seed + 6, 2);
          if (near_soil && fine < 0.7)
            img.set(x, y, static_cast<std::uint8_t>(kFreeDug0 + static_cast<int>(fine * 5.71) % 4));
          else
            img.set(x, y,
                    static_cast<std::uint8_t>(164 + std::min(2, static_cast<int>(shade * 3.0 + (fine - 0.5) * 0.6))));
          break;
        }
        case kRockCell: {
          // Lit from the upper left: faces towards free space above or left
          // are light, those below or right dark.
          int tone = static_cast<int>(Fbm(x, y, 5, seed + 7, 2) * 4.6);
          // Cracks: thin dark seams where a finer noise crosses its middle.
          if (std::fabs(Fbm(x, y, 9, seed + 10, 2) - 0.5) < 0.018) tone -= 2;
          if (g.at(x - 1, y - 1) != kRockCell || g.at(x, y - 1) != kRockCell)
            tone += 4;
          else if (g.at(x - 2, y - 2) != kRockCell)
            tone += 2;
          else if (g.at(x + 1, y + 1) != kRockCell || g.at(x, y + 1) != kRockCell)
            tone = 0;
          if (fine < 0.1) tone -= 1;
          img.set(x, y, static_cast<std::uint8_t>(kRock0 + std::clamp(tone, 0, 9)));
          break;
        }
        case kSoilCell: {
          // Strata: bands of three soil families, bent by noise.
          const double band = Fbm(x, y * 3.0 + Fbm(x, y, 70, seed + 8, 2) * 60.0, 40, seed + 9, 3);
          int index;
          if (band < 0.5)
            index = kSoilA0 + static_cast<int>(fine * 4.0);  // the common browns
          else if (band < 0.64)
            index = kSoilB0 + static_cast<int>(fine * 6.0);  // mixed earth
          else
            index = kSoilC0 + static_cast<int>(fine * 3.0);  // sandy
          // Shade next to cave air: darker under overhangs, lighter on top.
          if (g.at(x, y - 1) == kFreeCell || g.at(x - 1, y) == kFreeCell)
            index = kSoilA0 + 6;
          else if (g.at(x, y + 1) == kFreeCell || g.at(x + 1, y) == kFreeCell)
            index = kSoilB0 + 8;
          img.set(x, y, static_cast<std::uint8_t>(index));
          break;
        }
      }
    }
  return img;
}

}  // namespace krel::content
