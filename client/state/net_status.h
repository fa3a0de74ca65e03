// What the network session knows of the game's connections that the other
// layers show or act on: each worm's round trip as the relay measures it,
// how long the batches have been silent, whether this client runs its own
// worms' shots at once, and where the other clients' worms are drawn.
// Written by the network session and the game loop, read by the drawing.
#pragma once

#include <array>
#include <cstdint>

#include "client/state/player.h"
#include "protocol/base/numbers.h"

namespace krel {

// A worm drawn where it probably is now rather than where its last state
// put it (pipelined games only; the simulation keeps the state as it came).
struct DrawnPosition {
  double x = 0, y = 0;
  bool known = false;
  // The worm as its last state put it, one frame ago, with its motion then:
  // what a frame's correction is measured against when nothing is eased.
  double stateX = 0, stateY = 0, stateVx = 0, stateVy = 0;
  bool stateKnown = false;
};

struct NetStatus {
  // Round trip in milliseconds of the client playing each worm, in this
  // client's numbering; -1 while the relay has said nothing of it.
  std::array<int32, kMaxPlayerSlots> RoundTripMs;
  // The game plays pipelined (connected, frames not waiting for batches).
  bool Pipelined = false;
  // Pipelined play: milliseconds since the last batch came (0 otherwise).
  std::uint32_t BatchSilenceMs = 0;
  // Pipelined play: this client's own worms' shots, objects and special
  // objects are applied here at once and sent too; their echoes in the
  // batch are matched and dropped.
  bool PredictOwn = false;
  // Open play: objects that draw themselves into the level do so when the
  // batch brings the drawing, which only the owner's client sends, so that
  // every client's level changes alike (each client's copy of an object
  // flies its own way).
  bool RelayDrawings = false;
  // Draw positions of the other clients' worms (pipelined play).
  std::array<DrawnPosition, kMaxPlayerSlots> Drawn{};
  // The largest jump of a drawn worm beyond its own motion in the last
  // frame, as drawn and as it would be drawn straight from its states.
  double FrameCorrection = 0;
  double FrameStateCorrection = 0;

  NetStatus() { RoundTripMs.fill(-1); }
};

// The silence after which the screen says that the connection lags.
inline constexpr std::uint32_t kBatchSilenceWarningMs = 500;

}  // namespace krel
