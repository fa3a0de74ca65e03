// The computer players' memory of the local worms 1 and 2. It lasts the whole
// program run, never reset between games.
#pragma once

#include <array>

#include "client/ai/ace_path.h"
#include "client/state/world.h"

namespace krel {

// The computer player's memory of one worm; it lasts the whole program run.
struct AiRecord {
  int16 Target = 0;  // 0 is no player: the worm heads for (0, 0) until it picks one
  fixed LastX, LastY;
  flag DugWhileStuck = kFalse;
  flag RopedWhileStuck = kFalse;
};

// The ace computer player's memory of one worm (ace.cpp).
struct AceRecord {
  int32 lastX = 0, lastY = 0;  // whole pixels at the previous call
  int32 stillFrames = 0;       // calls since the worm last got 2 pixels away from lastX, lastY
  int32 stuckFrames = 0;       // calls in a row trying to walk without getting anywhere
  int32 ropeFrames = 0;        // calls since the rope was thrown; 0 without a rope
  int32 dodgeFrames = 0;       // calls left of a dodge
  int32 dodgeDir = 0;          // -1 left, +1 right
  int32 wanderDir = 1;         // where to walk without a better idea
  int32 nextSlot = 0;          // the slot to weigh up next
  // Per weapon slot: the best aim step found (-1 none), its facing and worth.
  std::array<int32, 5> aim{-1, -1, -1, -1, -1};
  std::array<flag, 5> facingRight{};
  std::array<int32, 5> worth{};
  AcePath path;              // the way to the other worm
  int32 pathAge = 0;         // calls since the way was worked out
  int32 wayX = 0, wayY = 0;  // where the worm was heading last
  int32 bestCost = 0xFFFF;   // the nearest the worm has come to the goal, as the way's cost
  int32 noProgress = 0;      // calls since it last came nearer
  int32 detourFrames = 0;    // calls left of a detour off the way, when the way led nowhere
  // Points of the level the worm could not get to: the way avoids them.
  std::array<int32, 8> deadX{}, deadY{};
  int32 deadCount = 0;
};

struct ComputerMemory {
  std::array<AiRecord, 3> simple{};
  std::array<AceRecord, 3> ace{};
};

// The world's computer-player memory, made on first use.
inline ComputerMemory& ComputersOf(World& w) { return w.computers.GetOrMake(); }

}  // namespace krel
