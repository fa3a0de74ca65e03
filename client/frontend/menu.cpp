// Placeholder until the menu screens land: loads the settings, runs one local
// game and returns as if the player had chosen to quit, so that the program
// reaches a game and scripted input can drive it.
#include "client/frontend/menu.h"

#include "client/core/game.h"
#include "client/core/game_settings.h"

namespace krel {

void MainMenu(World& w) {
  LoadSettings(w);
  w.ConfigReceived = kTrue;
  w.NumPlayers = 2;
  Game(w);
  // Closing the window ends the program without saving, as it always has.
  if (!w.QuitRequested) SaveSettings(w);
}

}  // namespace krel
