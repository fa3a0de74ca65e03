// The ace computer player: a second computer opponent beside the simple one.
// Like the simple one, it only overwrites the seven controls of a local worm,
// once per frame after the keyboard has been read; the ordinary worm logic
// acts on them in the next frame. It sees what a player sees (the worms'
// positions, the level, the weapon definitions and the shots in flight),
// draws no random numbers and reads no clock, so games with it repeat
// exactly from their seed.
#pragma once

#include <string>

#include "client/state/world.h"

namespace krel {

// Sets Ctrl(1..7) of player p (1 or 2) for this frame.
void AcePlayer(World& w, int p);

// The aim step and facing with which player p's weapon slot `slot` would do
// the most harm to a worm at (tx, ty) without hurting p, judged by the
// weapon's own flight; aim -1 when no such shot exists. Worth is the damage
// the shot is expected to do.
struct AceAim {
  int aim = -1;
  bool facingRight = true;
  int worth = 0;
};
AceAim AceBestAim(const World& w, int p, int slot, double tx, double ty);

// The command-line word of a computer player: "cpu", "ace" (the strongest)
// or "ace:N" for strength N of 1..kAceStrongest. False for anything else.
bool ParseControllerWord(const std::string& word, flag& controller, int16& strength);
// "cpu", "ace" for the strongest ace, "ace:N" for a weaker one.
std::string ControllerWord(flag controller, int16 strength);

// Runs the player chosen by Player::Computer for players 1 and 2: the
// simple computer player, the ace, or nobody.
void RunComputerPlayers(World& w);

}  // namespace krel
