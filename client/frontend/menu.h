// The main menu: starts local and network games, the options page with the
// two player editors, and saves the settings when the player quits.
#pragma once

#include <functional>
#include <vector>

#include "client/frontend/screen.h"
#include "client/state/game_end.h"
#include "client/state/world.h"

namespace krel {

// Items 1..4 are the main page, 11..18 the options page.
enum MenuItem : int {
  kItemLocalGame = 1,
  kItemNetworkGame = 2,
  kItemOptions = 3,
  kItemQuit = 4,
  kItemLives = 11,
  kItemLoading = 12,
  kItemRegenerate = 13,
  kItemLoadAndChange = 14,
  kItemPlayer1 = 15,
  kItemPlayer2 = 16,
  kItemFullscreen = 17,
  kItemVolume = 18,
};

struct MenuState {
  int selected = kItemLocalGame;
  bool blink = false;  // flips every pass; the selected item blinks while on
  bool latch = false;  // set by a key that acted, freed when no key is down
};

// What a pass asks of the menu loop; the rest happens in the state itself.
enum class MenuCommand { kNone, kLocalGame, kNetworkGame, kEditPlayer1, kEditPlayer2, kQuit };

// One pass of the menu's keys: the first of Down, Up, Escape, Left, Right,
// Enter that is down acts (once per press) and the settings change in place.
MenuCommand HandleMenuKeys(World& w, MenuState& m, const KeySnapshot& keys);

// Both pages' items and the option values, in their colours.
std::vector<TextLine> MenuLines(const World& w, const MenuState& m);

// The menu's footer: how to work the menu. (The version stands in the
// corner left of the level's thumbnail.)
std::string MenuNotice();

// Composes the menu background on Back (two random pieces of the level,
// the divider, a thumbnail of the whole level) and keeps it in SavedBack;
// each screen drawn over it adds its own footer.
void ComposeMenuBackground(World& w);
// The same with the piece positions drawn from rand ([0, 1)).
void ComposeMenuBackground(World& w, const std::function<double()>& rand);

// Plays one game from set-up to its end (the application's game loop).
using PlayGame = std::function<GameEnd(World&)>;

// Loads the settings and runs the menu until the player quits, then saves
// them; `play` runs each game the menu starts. Closing the window ends it at
// once, without saving.
void MainScreen(World& w, const PlayGame& play);

}  // namespace krel
