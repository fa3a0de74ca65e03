#include "client/ai/ace_path.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "client/simulation/terrain/level.h"

namespace krel {

namespace {

// Digging moves the worm nearly as fast as walking. Rock never gives way,
// but a way through it still leads to the rock nearest the other worm when
// rock parts the two for good; it costs more than any way round.
constexpr std::uint16_t kFreeCost = 2, kSoilCost = 4;
constexpr std::uint16_t kBlocked = 0;

// Cost of entering each cell: kRockCost for rock, 0 for the level's edge.
// Any rock in the cell makes it rock: a worm needs more room than a pixel.
std::uint16_t EnterCost(const World& w, int cx, int cy) {
  const int x0 = cx * AcePath::kCell, y0 = cy * AcePath::kCell;
  const int bottom = std::min<int>(w.LevelHeight, kPassableBottom);
  bool soil = false;
  for (int k = 0; k < 5; ++k) {
    const int x = k == 4 ? x0 + AcePath::kCell / 2 : x0 + (k % 2) * (AcePath::kCell - 1);
    const int y = k == 4 ? y0 + AcePath::kCell / 2 : y0 + (k / 2) * (AcePath::kCell - 1);
    if (x <= 0 || y <= 0 || x >= w.LevelWidth || y >= bottom) return kBlocked;
    if (IsPassable(w, x, y)) continue;
    if (MaterialOf(w, w.LevelSurface.At(x, y)) == kRock) return AcePath::kRockCost;
    soil = true;
  }
  return soil ? kSoilCost : kFreeCost;
}

int CellOf(double v, int limit) { return std::clamp(static_cast<int>(v) / AcePath::kCell, 0, limit - 1); }

// The cheapest cell within `ring` cells of (cx, cy), if cheaper than `best`;
// ties go to the first found, row by row.
void CheapestAround(const AcePath& path, int cx, int cy, int ring, std::uint16_t& best, int& bx, int& by) {
  for (int dy = -ring; dy <= ring; ++dy)
    for (int dx = -ring; dx <= ring; ++dx) {
      const int nx = cx + dx, ny = cy + dy;
      if (nx < 0 || ny < 0 || nx >= path.width || ny >= path.height) continue;
      const std::uint16_t c = path.cost[static_cast<std::size_t>(ny * path.width + nx)];
      if (c < best) {
        best = c;
        bx = nx;
        by = ny;
      }
    }
}

}  // namespace

void StartPath(const World& w, double gx, double gy, AcePathBuild& b, const std::int32_t* avoidX,
               const std::int32_t* avoidY, int avoidCount, double fromX, double fromY) {
  AcePath& path = b.next;
  path.width = (w.LevelWidth + AcePath::kCell - 1) / AcePath::kCell;
  path.height = (std::min<int>(w.LevelHeight, kPassableBottom) + AcePath::kCell - 1) / AcePath::kCell;
  path.goalX = gx;
  path.goalY = gy;
  const int n = std::max(path.width * path.height, 0);
  path.cost.assign(static_cast<std::size_t>(n), AcePath::kUnreached);
  b.enter.assign(static_cast<std::size_t>(n), kBlocked);
  b.open = {};
  b.intoRock.clear();
  b.throughRock = fromX < 0 || fromY < 0 || n == 0;
  b.fromCell = b.throughRock ? -1 : CellOf(fromY, path.height) * path.width + CellOf(fromX, path.width);
  b.row = 0;
  b.running = true;
  b.searching = false;
  b.avoidCount = std::clamp(avoidCount, 0, static_cast<int>(b.avoidX.size()));
  for (int k = 0; k < b.avoidCount; ++k) {
    b.avoidX[static_cast<std::size_t>(k)] = avoidX[k];
    b.avoidY[static_cast<std::size_t>(k)] = avoidY[k];
  }
}

namespace {

// The cells are all looked at: closes the gaps too narrow for a worm, blocks
// the points to avoid and puts the goal into the search.
void BeginSearch(AcePathBuild& b) {
  AcePath& path = b.next;
  std::vector<std::uint16_t>& enter = b.enter;
  b.searching = true;
  if (path.width <= 0 || path.height <= 0) return;
  // A worm is wider than a cell: a gap of one cell between rocks is no way.
  const std::vector<std::uint16_t> rock(enter);
  auto isRock = [&](int cx, int cy) {
    const std::uint16_t e = rock[static_cast<std::size_t>(cy * path.width + cx)];
    return e == kBlocked || e == AcePath::kRockCost;
  };
  for (int cy = 0; cy < path.height; ++cy)
    for (int cx = 0; cx < path.width; ++cx) {
      const bool left = cx > 0 && isRock(cx - 1, cy);
      const bool right = cx + 1 < path.width && isRock(cx + 1, cy);
      const bool up = cy > 0 && isRock(cx, cy - 1);
      const bool down = cy + 1 < path.height && isRock(cx, cy + 1);
      std::uint16_t& e = enter[static_cast<std::size_t>(cy * path.width + cx)];
      if (((left && right) || (up && down)) && e != kBlocked) e = AcePath::kRockCost;
    }
  for (int k = 0; k < b.avoidCount; ++k) {
    const int ax = CellOf(b.avoidX[static_cast<std::size_t>(k)], path.width);
    const int ay = CellOf(b.avoidY[static_cast<std::size_t>(k)], path.height);
    for (int cy = std::max(0, ay - 2); cy <= std::min(path.height - 1, ay + 2); ++cy)
      for (int cx = std::max(0, ax - 2); cx <= std::min(path.width - 1, ax + 2); ++cx)
        enter[static_cast<std::size_t>(cy * path.width + cx)] = kBlocked;
  }
  const int goal = CellOf(path.goalY, path.height) * path.width + CellOf(path.goalX, path.width);
  path.cost[static_cast<std::size_t>(goal)] = 0;
  b.open.push({0, goal});
}

// Whether the cell or one next to it has a way: a worm beside rock may
// stand in a cell that holds rock.
bool NearReached(const AcePath& path, int cell) {
  const int cx = cell % path.width, cy = cell / path.width;
  std::uint16_t best = AcePath::kUnreached;
  int bx = cx, by = cy;
  CheapestAround(path, cx, cy, 1, best, bx, by);
  return best != AcePath::kUnreached;
}

}  // namespace

bool ContinuePath(const World& w, AcePathBuild& b, AcePath& path, int budget) {
  if (!b.running) return false;
  AcePath& next = b.next;
  while (!b.searching) {
    if (b.row >= next.height) {
      BeginSearch(b);
      break;
    }
    if (budget <= 0) return false;
    for (int cx = 0; cx < next.width; ++cx)
      b.enter[static_cast<std::size_t>(b.row * next.width + cx)] = EnterCost(w, cx, b.row);
    budget -= next.width;
    ++b.row;
  }
  // Dijkstra; ties go by cell index, so the result never depends on anything
  // but the level.
  while (true) {
    if (b.open.empty()) {
      // Nothing but rock leads on: through it, unless the worm is reached.
      if (b.throughRock || b.intoRock.empty() || NearReached(next, b.fromCell)) break;
      b.throughRock = true;
      for (const auto& [c, cell] : b.intoRock)
        if (c < next.cost[static_cast<std::size_t>(cell)]) {
          next.cost[static_cast<std::size_t>(cell)] = static_cast<std::uint16_t>(c);
          b.open.push({c, cell});
        }
      b.intoRock.clear();
      continue;
    }
    if (budget-- <= 0) return false;
    const auto [c, at] = b.open.top();
    b.open.pop();
    if (c != next.cost[static_cast<std::size_t>(at)]) continue;
    const int ax = at % next.width, ay = at / next.width;
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        const int nx = ax + dx, ny = ay + dy;
        if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= next.width || ny >= next.height) continue;
        const int cell = ny * next.width + nx;
        // The cost is paid for the cell left behind towards the goal, so that
        // a worm standing in soil still finds its way out.
        const std::uint16_t e = b.enter[static_cast<std::size_t>(cell)];
        if (e == kBlocked) continue;
        const std::uint32_t step = (dx != 0 && dy != 0) ? e + e / 2 : e;
        const std::uint32_t nc = std::min<std::uint32_t>(c + step, AcePath::kUnreached - 1);
        if (e == AcePath::kRockCost && !b.throughRock) {
          b.intoRock.push_back({nc, cell});
          continue;
        }
        if (nc < next.cost[static_cast<std::size_t>(cell)]) {
          next.cost[static_cast<std::size_t>(cell)] = static_cast<std::uint16_t>(nc);
          b.open.push({nc, cell});
        }
      }
    }
  }
  std::swap(path, next);
  b.running = false;
  return true;
}

void BuildPath(const World& w, double gx, double gy, AcePath& path, const std::int32_t* avoidX,
               const std::int32_t* avoidY, int avoidCount) {
  AcePathBuild b;
  StartPath(w, gx, gy, b, avoidX, avoidY, avoidCount);
  ContinuePath(w, b, path, std::numeric_limits<int>::max());
}

std::uint16_t CostAt(const AcePath& path, double x, double y) {
  if (path.width <= 0 || path.height <= 0) return AcePath::kUnreached;
  return path.cost[static_cast<std::size_t>(CellOf(y, path.height) * path.width + CellOf(x, path.width))];
}

bool Waypoint(const AcePath& path, double x, double y, int ahead, double& wx, double& wy, bool* atRock) {
  if (path.width <= 0 || path.height <= 0) return false;
  int cx = CellOf(x, path.width), cy = CellOf(y, path.height);
  if (path.cost[static_cast<std::size_t>(cy * path.width + cx)] == AcePath::kUnreached) {
    // A worm beside rock may sit in a cell whose centre is rock: start from
    // the best cell around it.
    // The nearest ring with a way wins: a cell behind a rock wall two cells
    // off is no start.
    std::uint16_t best = AcePath::kUnreached;
    int bx = cx, by = cy;
    for (int ring = 1; ring <= 2 && best == AcePath::kUnreached; ++ring)
      CheapestAround(path, cx, cy, ring, best, bx, by);
    if (best == AcePath::kUnreached) return false;
    cx = bx;
    cy = by;
  }
  if (atRock != nullptr) *atRock = false;
  for (int k = 0; k < ahead; ++k) {
    int bx = cx, by = cy;
    std::uint16_t best = path.cost[static_cast<std::size_t>(cy * path.width + cx)];
    CheapestAround(path, cx, cy, 1, best, bx, by);
    if (bx == cx && by == cy) break;  // at the goal
    // The next cell is rock when leaving it towards the goal saves its cost.
    int nx = bx, ny = by;
    std::uint16_t after = best;
    CheapestAround(path, bx, by, 1, after, nx, ny);
    if (best - after >= AcePath::kRockCost) {
      if (atRock != nullptr) *atRock = true;
      break;
    }
    cx = bx;
    cy = by;
  }
  wx = cx * AcePath::kCell + AcePath::kCell / 2.0;
  wy = cy * AcePath::kCell + AcePath::kCell / 2.0;
  return true;
}

}  // namespace krel
