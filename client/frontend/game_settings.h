// The settings the menu keeps between runs: "General Settings" (lives,
// loading times and the two switches) and, through the keyboard code, the two
// players' names, colours and keys.
#pragma once

#include "client/state/world.h"

namespace krel {

// Lives (1..50, default 15), Loading (1..504 percent, default 100), LAndC and
// Regenerate ("1" on, "0" off; default on). A value that is
// missing, not a number or outside what the menu can set takes its default.
void LoadGeneralSettings(World& w);
// Writes Lives, Loading, LAndC, Regenerate in that order.
void SaveGeneralSettings(World& w);

// Everything the menu loads on entry and saves when the player quits, in the
// menu's order: the general settings, then players 1 and 2. The saves form
// one save sequence, so the settings file is written once.
void LoadSettings(World& w);
void SaveSettings(World& w);

}  // namespace krel
