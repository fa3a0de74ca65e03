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
  AcePathBuild build;  // the next way, worked out a slice per frame
  // Per weapon slot: an aim that does not hurt the worm itself and brings
  // the shot nearest the other worm (-1 none), and its facing; fired when
  // nothing better turns up for a long time.
  std::array<int32, 5> nearAim{-1, -1, -1, -1, -1};
  std::array<flag, 5> nearFacingRight{};
  // The slot being weighed, a few aim steps per frame, and the best so far.
  int32 weighSlot = -1, weighAim = 0;
  int32 weighBestAim = -1, weighBestWorth = 0, weighNearAim = -1;
  flag weighRight = kFalse;
  double weighBestClose = 1e18, weighNearClose = 1e18;
  flag weighCurrentNext = kTrue;  // the current slot and the others take turns
  // Loitering: where the worm was in the last calls (while the other worm
  // was in play), and how many of the latest of them fit in a small box.
  std::array<int16, 128> recentX{}, recentY{};
  int32 recentNext = 0, recentCount = 0, boxFrames = 0;
  int32 engageFrames = 0, engageRound = 0;  // calls left of forcing a way; the ways tried
  int32 exitX = 0, exitY = 0;               // where the way out leads
  int32 engageFromX = 0, engageFromY = 0;   // where the worm was when it took that way
  int32 exitBest = 0;                       // the nearest the worm came to the way out's end in this try, in pixels
  int32 exitStale = 0;                      // calls since it last came nearer
  int32 closeFrames = 0;                    // calls in a row too close to the other worm to fire
  int32 wedgedFrames = 0;                   // calls in a row with the worm's centre in rock
  // The rays of the latest ways tried out of this place, newest first (-1 none).
  std::array<int32, 3> triedRays{-1, -1, -1};
  int32 framesSinceShot = 0;
  int32 readyFrames = 0;  // calls aimed and ready to fire
  int32 aimError = 0;     // aim steps off the right aim, for a weaker ace
  int32 blindFrames = 0;  // calls left of not seeing incoming fire
  int32 dodgeRun = 0;     // calls in a row spent dodging
  // A way out of a small place by a rope throw planned ahead: its facing and
  // aim (the hook's hold is exitX, exitY).
  flag ropePlanned = kFalse, ropePlanRight = kFalse;
  int32 ropePlanAim = 0;
  int32 ropePlanX = 0, ropePlanY = 0;  // where the worm was when the throw was planned
  int32 planRopeFrames = 0;            // calls since that rope was thrown
  int32 touchFrames = 0;               // calls in a row right next to the other worm
  // Digging (ace_move.cpp): calls since the worm last dug on the ground; a
  // worm on its way through soil keeps the side it digs to.
  int32 sinceDig = 1000;
  // Held at a corner in mid-air: where the worm came to a halt off its
  // feet, and the calls in a row it has stayed within half a pixel of there.
  fixed hangX, hangY;
  int32 hangFrames = 0;
  int32 liftFrames = 0;  // calls left of being lifted off ground through its body
};

struct ComputerMemory {
  std::array<AiRecord, 3> simple{};
  std::array<AceRecord, 3> ace{};
};

// The world's computer-player memory, made on first use.
inline ComputerMemory& ComputersOf(World& w) { return w.computers.GetOrMake(); }

}  // namespace krel
