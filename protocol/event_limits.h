// How much work the events of one frame may cause, shared by the relay
// (what one session may put into a cycle) and the client (what one batch
// may ask of it), so that both sides hold the same line.
//
// Every relayed event is applied by every client, so one client that sends
// thousands of digs or shots per frame stalls the game for everybody. The
// bounds below are what one frame of one client's two worms can cause in a
// real game, with a wide margin:
//
//   shots "w"     Only a trigger pull creates shots: one pull per worm and
//                 frame, NUMOBJECTS shots each. The shipped weapon file fires
//                 at most 12 at once, so 24 per frame; a weapon file may ask
//                 more, and 256 per pull is already a wall of shots that no
//                 level shows. Bound: 512.
//   objects "o"   Splinters (SPLINTERAMOUNT per explosion, at most 20 in the
//                 shipped file), trail particles (one per five movement
//                 steps of a shot; a beam crosses up to 1067 steps, so 214),
//                 and an empty shell per pull. Even a volley of 12 shots of
//                 the largest splinter amount exploding in one frame beside
//                 two beams with trails stays below 700. Bound: 4096.
//   special "s"   One per explosion (CREATEONHIT) plus trails of one per
//                 five steps, at most 214 per beam. Bound: 2048.
//   digs "d"      One dig action per worm (radius 5), one per own shot,
//                 object or special object exploding in the frame, and the
//                 respawn of a worm that died: in a network game its digs
//                 do not change the level at once, so it digs again at each
//                 try until it hits a free pixel (about a third of the
//                 shipped level's respawn area is free: three tries on
//                 average, more than 40 once in millions of deaths). Bound:
//                 1024, and no radius beyond the largest disc of the level
//                 change table, 12 (a worm digs 5, a respawn 6).
//   drawings "D"  Open play only: an own object that draws itself into the
//                 level (DRAWOBJECT) as it explodes. At most one per
//                 explosion, and a frame explodes at most 1,000 shots and
//                 objects (client/simulation/weapons/frame_budget.h).
//                 Bound: 1024, of a picture number no sprite sheet can
//                 exceed (kMaxDrawingTile).
//   chat "c"      A death line for each worm this client sees die, at most
//                 17 in a frame, short lines. Bound: 64 lines, 4096 bytes.
//
// At the bounds a frame costs a client about 460,000 dug pixels and 6,656
// new shots and objects, a few milliseconds in a release build: one hostile
// client can slow a game, not stop it. A batch relays the frames of at most
// eight clients, so a client accepts eight times these per batch.
//
// Coordinates: a level is at most kMaxLevelSide pixels on a side (the
// largest bitmap the client loads); what a game creates lies inside it or a
// few pixels beyond its border, so anything more than kCoordinateMargin
// outside cannot come from a game.
#pragma once

#include <cstddef>
#include <string>

#include "protocol/base/numbers.h"

namespace krel {

inline constexpr int kMaxDigRadius = 12;
inline constexpr int kMaxLevelSide = 16384;
inline constexpr int kCoordinateMargin = 1024;
// The pictures objects draw into the level are numbered over the sprite
// sheets (16x16 from 0, 7x8 from 200, 4x4 from 400); a 4x4 sheet as wide as
// the largest level ends here.
inline constexpr int kMaxDrawingTile = 400 + kMaxLevelSide / 4;
// Clients of one game: the relay's slot tables hold sixteen worms.
inline constexpr int kMaxBatchClients = 8;

// The game settings the option screen offers; the relay holds a first
// client's configuration to them.
inline constexpr int16 kMinLives = 1, kMaxLives = 50;
inline constexpr int16 kMinLoading = 5, kMaxLoading = 500;

struct EventCounts {
  int shots = 0;
  int objects = 0;
  int special = 0;
  int digs = 0;
  int chats = 0;
  std::size_t chat_bytes = 0;
  int drawings = 0;
};

inline constexpr EventCounts kFrameEventBound = {512, 4096, 2048, 1024, 64, 4096, 1024};
inline constexpr EventCounts kBatchEventBound = {
    kFrameEventBound.shots * kMaxBatchClients,  kFrameEventBound.objects* kMaxBatchClients,
    kFrameEventBound.special* kMaxBatchClients, kFrameEventBound.digs* kMaxBatchClients,
    kFrameEventBound.chats* kMaxBatchClients,   kFrameEventBound.chat_bytes* kMaxBatchClients,
    kFrameEventBound.drawings* kMaxBatchClients};

// Counts one relayed event ("w", "o", "s", "d", "D" or "c", `bytes` long with
// its tag) into `counts`; false when that takes it over `bound`.
bool CountEvent(EventCounts& counts, char tag, std::size_t bytes, const EventCounts& bound);

// What the events say, checked against what a game can create. The type of
// a shot is a weapon number (-1 the bonus, 0..40), of an object or special
// object a table slot (0..30, 0..20).
bool CoordinateInRange(double v);
bool DigInRange(int x, int y, int radius);
bool EventInRange(char tag, fixed x, fixed y, int type);
// A picture drawn into the level: its number (kMaxDrawingTile) and where its
// top left corner goes.
bool DrawingInRange(int tile, int x, int y);

// Why CountEvent or a range check refused, for the log: "more than 1024
// digs in one frame".
std::string EventBoundText(char tag, const EventCounts& bound);

}  // namespace krel
