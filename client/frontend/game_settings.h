// The settings the menu keeps between runs: "General Settings" (lives,
// loading times and the two switches) and, through the keyboard code, the two
// players' names, colours and keys.
#pragma once

#include "client/state/world.h"

namespace krel {

// Lives (1..50, default 15), Loading (1..504 percent, default 100), LAndC and
// Regenerate ("1" on, "0" off; default on), then Volume (0..100 percent,
// default 100; 0 is no sound), which it hands to the platform at once. A
// value that is missing, not a number or outside what the menu can set
// takes its default.
void LoadGeneralSettings(World& w);
// Writes Lives, Loading, LAndC, Regenerate in that order, then Fullscreen
// (whether the display is full screen now) and Volume.
void SaveGeneralSettings(World& w);

// Whether the last run ended full screen ("Fullscreen", default "1"): a
// start without /window opens the display that way.
bool RemembersFullscreen(World& w);

// The volume steps of the options page (percent).
inline constexpr int kVolumeStep = 10;
void SetVolume(World& w, int percent);

// Everything the menu loads on entry and saves when the player quits, in the
// menu's order: the general settings, then players 1 and 2. The saves form
// one save sequence, so the settings file is written once.
void LoadSettings(World& w);
void SaveSettings(World& w);

}  // namespace krel
