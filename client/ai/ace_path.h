// The ace computer player's sense of the way: the level seen as cells of
// 4 by 4 pixels (free, soil that can be dug, rock that cannot), and for every
// cell the cost of getting from it to a goal, free cells being cheaper than
// soil. The worm follows the cheapest way a few cells at a time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

namespace krel {

struct World;

struct AcePath {
  static constexpr int kCell = 4;
  static constexpr std::uint16_t kUnreached = 0xFFFF;
  // What entering a cell of rock costs; a way that costs more than this
  // runs through rock, up to the rock nearest the goal.
  static constexpr std::uint16_t kRockCost = 1000;
  int width = 0, height = 0;  // in cells
  double goalX = -1e6, goalY = -1e6;
  std::vector<std::uint16_t> cost;
};

// Fills path with the cost of every cell to the cell of (gx, gy). The cells
// within two of each of the `avoid` points (x, y pairs) are shut.
void BuildPath(const World& w, double gx, double gy, AcePath& path, const std::int32_t* avoidX = nullptr,
               const std::int32_t* avoidY = nullptr, int avoidCount = 0);

// A way being worked out a slice at a time, so that no single frame pays for
// the whole level: first the cost of entering each cell, row by row, then
// the search outwards from the goal.
struct AcePathBuild {
  bool running = false;
  bool searching = false;  // the cells are done, the search runs
  int row = 0;             // the next row of cells to look at
  AcePath next;
  std::vector<std::uint16_t> enter;
  using Item = std::pair<std::uint32_t, int>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> open;
  std::array<std::int32_t, 8> avoidX{}, avoidY{};
  int avoidCount = 0;
  // The worm's cell (-1 for none): rock is searched through only when the
  // way round does not reach it, and those steps wait here till then.
  int fromCell = -1;
  bool throughRock = false;
  std::vector<Item> intoRock;
};

// Begins working out the way to (gx, gy), as BuildPath does; with the worm's
// place (fromX, fromY) the way runs through rock only when nothing else
// reaches the worm, which saves the search most of the rock.
void StartPath(const World& w, double gx, double gy, AcePathBuild& build, const std::int32_t* avoidX = nullptr,
               const std::int32_t* avoidY = nullptr, int avoidCount = 0, double fromX = -1, double fromY = -1);

// Does at most about `budget` cells' worth of the work; when the way is
// complete, moves it into `path` and returns true.
bool ContinuePath(const World& w, AcePathBuild& build, AcePath& path, int budget);

// The cost of the way from (x, y); kUnreached when it has none.
std::uint16_t CostAt(const AcePath& path, double x, double y);

// The centre of the cell `ahead` steps along the cheapest way from (x, y),
// or of the last cell before the way enters rock (then *atRock is set);
// false when (x, y) has no way to the goal.
bool Waypoint(const AcePath& path, double x, double y, int ahead, double& wx, double& wy, bool* atRock = nullptr);

}  // namespace krel
