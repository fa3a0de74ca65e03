// The main menu: starts local and network games, the options, and saves the
// settings when the player quits.
#pragma once

#include "client/core/world.h"

namespace krel {

// Runs the menu until the player quits (or the window is closed).
void MainMenu(World& w);

}  // namespace krel
