// Local games of two computer players, played headless without pacing from
// a seed each, with what happened to each side: kills, deaths, suicides and
// the longest time a worm stood still while the other was in play.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "client/state/world.h"

namespace krel::arena {

struct ArenaOptions {
  std::string data_dir = ".";  // arms.dat and level.bmp
  int games = 10;
  std::uint64_t seed = 1;        // game k plays from seed + k
  int frames = 4500;             // 3 minutes of 40 ms frames
  flag side_a = kControllerAce;  // the two computer players
  flag side_b = kControllerCpu;
};

struct SideResult {
  int kills = 0;
  int deaths = 0;
  int suicides = 0;
  int longest_still = 0;  // frames
  int max_health = 0;
};

struct GameResult {
  std::uint64_t seed = 0;
  // Side a plays worm 1 in even-numbered games and worm 2 in odd ones, so
  // that neither side keeps the same starting place.
  int a_player = 1;
  SideResult a, b;
  int winner = 0;            // 1 side a, 2 side b, 0 a draw
  std::uint64_t digest = 0;  // of every frame's worm positions and health
};

// Plays game number `index` (seed options.seed + index). Throws
// std::runtime_error when the data files cannot be loaded.
GameResult PlayGame(const ArenaOptions& options, int index);

// "cpu" or "ace".
std::string ControllerWord(flag c);

// The table and the JSON line of a whole run.
std::string Table(const ArenaOptions& options, const std::vector<GameResult>& games);
std::string JsonLine(const ArenaOptions& options, const std::vector<GameResult>& games);

}  // namespace krel::arena
