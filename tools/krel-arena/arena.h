// Local games of two computer players, played headless without pacing from
// a seed each, with what happened to each side as a player would see it:
// kills, deaths, suicides, shots fired, the longest time a worm stood still
// and the longest it stayed inside a small box while the other was in play.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "client/state/world.h"

namespace krel::arena {

// A worm that stays inside a box this many pixels wide and high is loitering.
inline constexpr int kBoxPixels = 24;

struct Side {
  flag controller = kControllerCpu;
  int16 strength = kAceStrongest;  // of the ace
};

struct ArenaOptions {
  std::string data_dir = ".";  // arms.dat and level.bmp
  std::string level_file;      // when set, the level instead of data_dir's
  std::string arms_file;       // when set, the weapons instead of data_dir's
  int games = 10;
  std::uint64_t seed = 1;  // game k plays from seed + k
  int frames = 4500;       // 3 minutes of 40 ms frames
  Side side_a{kControllerAce, kAceStrongest};
  Side side_b{kControllerCpu, kAceStrongest};
  // Side a plays worm 1 in the even-numbered games when true, side b when
  // false; the sides change worms from game to game.
  bool a_first = true;
};

struct SideResult {
  int kills = 0;
  int deaths = 0;
  int suicides = 0;
  int shots = 0;          // pulls of the trigger that fired
  int longest_still = 0;  // frames
  int longest_box = 0;    // frames inside a kBoxPixels box with both worms in play
  int max_health = 0;
};

struct GameResult {
  std::uint64_t seed = 0;
  int a_player = 1;
  SideResult a, b;
  int winner = 0;            // 1 side a, 2 side b, 0 a draw
  std::uint64_t digest = 0;  // of every frame's worm positions and health
};

// Plays game number `index` (seed options.seed + index). Throws
// std::runtime_error when the data files cannot be loaded.
GameResult PlayGame(const ArenaOptions& options, int index);

// The longest run of frames whose positions fit in a kBoxPixels box; a
// frame with `inPlay` false ends the run.
class BoxWatch {
 public:
  void Add(std::int64_t x, std::int64_t y, bool inPlay);
  int Longest() const { return longest_; }

 private:
  struct At {
    int frame;
    std::int64_t v;
  };
  // Monotone queues of the window's smallest and largest x and y.
  std::deque<At> minX_, maxX_, minY_, maxY_;
  int frame_ = 0, start_ = 0, longest_ = 0;
};

// The table and the JSON line of a whole run.
std::string Table(const ArenaOptions& options, const std::vector<GameResult>& games);
std::string JsonLine(const ArenaOptions& options, const std::vector<GameResult>& games);

// One line of a ladder: side a against side b over a run of games.
std::string LadderHeader();
std::string LadderLine(const ArenaOptions& options, const std::vector<GameResult>& games);

}  // namespace krel::arena
