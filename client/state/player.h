// The player record: one worm with the fields it travels with, and the
// controls and controllers of a local worm.
#pragma once

#include <string>

#include "protocol/worm_codec.h"

namespace krel {

inline constexpr int kMaxPlayerSlots = 18;  // slots 0..17; 0 is never a player
inline constexpr int kMaxNetPlayers = 17;
inline constexpr int kNameLength = 20;
inline constexpr int kKeyMapPlayers = 17;  // KeyMap rows 0..16
inline constexpr int kControls = 8;        // Ctrl/KeyMap columns 0..7

// Control numbers (index 0 belongs to no control).
enum Control : int { kLeft = 1, kRight = 2, kUp = 3, kDown = 4, kShoot = 5, kJump = 6, kChange = 7 };

// One worm. Its fields are those of the wire's worm record, in the same
// order and formats, so the worm codecs work on it directly.
struct Player : WormRecord {
  Player() { Name.assign(kNameLength, ' '); }

  // Cuts to 20 characters or pads with blanks on the right.
  void SetName(const std::string& name);
};

// Who controls a local worm (Player::Computer, MenuComputer): a person, the
// simple computer player (the flag's true value, what "CPU" means in saved
// settings and recordings) or the ace computer player.
inline constexpr flag kControllerHuman = kFalse;
inline constexpr flag kControllerCpu = kTrue;
inline constexpr flag kControllerAce = 2;
// The ace's strengths run from 1 to this; a plain "ace" is the strongest.
inline constexpr int16 kAceStrongest = 5;

}  // namespace krel
