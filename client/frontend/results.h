// The results screen between a game and the menu: every worm's kills,
// deaths, suicides and lives left, and who won, until a key is pressed.
#pragma once

#include <string>
#include <vector>

#include "client/frontend/screen.h"
#include "client/state/game_end.h"
#include "client/state/world.h"

namespace krel {

// One worm's account of the game that just ended.
struct Standing {
  std::string name;  // blanks removed
  int kills = 0;
  int deaths = 0;    // lives lost: the lives it started with less those left
  int suicides = 0;  // deaths by its own hand, as this client saw them
  int lives = 0;     // Lives as the game left them: -1 for a worm that ran out
};

// Worms 1..NumPlayers in their order.
std::vector<Standing> Standings(const World& w);

// The winner's index in standings: the most lives left, then the most kills;
// -1 when the best are level (a draw) or there is nobody.
int Winner(const std::vector<Standing>& standings);

// The screen's text: title, column heads, a row per worm, the verdict and
// the prompt. A game left with Escape has no winner, only a leader.
std::vector<TextLine> ResultsLines(const World& w, GameEnd end);

// Shows the screen over Back's current picture until a key goes down
// that was up (a key still held from the game does not count) or the window
// closes.
void ShowResults(World& w, GameEnd end);

}  // namespace krel
