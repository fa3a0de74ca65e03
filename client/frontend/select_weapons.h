// Weapon selection before every game: both local players at once, each
// with their own keys, choose, change or re-roll their five weapons.
#pragma once

#include <array>
#include <vector>

#include "client/frontend/screen.h"
#include "client/state/world.h"

namespace krel {

// Weapon numbers a player can be given: 0..39.
inline constexpr int kChoosableWeapons = 40;

// Lines of a player's column: 0 "Randomize", 1..5 the five slots, 6 "Done".
inline constexpr int kLineRandomize = 0;
inline constexpr int kLineDone = 6;
inline constexpr int kFinished = -1;

struct WeaponChoice {
  std::array<int, 3> selection{0, 0, 0};        // players 1 and 2; kFinished once done
  std::array<bool, 3> latch{true, true, true};  // keys held from the menu act only once released
  bool blink = false;
};

// Gives player p five random weapons 0..39 and their ammunition; five
// different ones when the computer plays the worm.
void RollWeapons(World& w, int p);

// The two columns as drawn this pass: each headed by the player's name and
// ending in its state (choosing, ready, a computer player that is always
// ready) and its own keys. A finished player's weapons stay, greyed.
std::vector<TextLine> WeaponLines(const World& w, const WeaponChoice& c);

// The footer: how a player says ready and how to start at once.
std::string WeaponFooter();

// One pass: false when the screen ends (Enter or Escape down, both players
// done, or every person done with the rest computer players); otherwise
// each player's first matching key acts.
bool HandleWeaponKeys(World& w, WeaponChoice& c, const KeySnapshot& keys);

// Waits until Enter is released, rolls both players' weapons and runs the
// screen until it ends (or the window is closed).
void SelectWeapons(World& w);

}  // namespace krel
