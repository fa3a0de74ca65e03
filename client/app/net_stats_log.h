// KREL_NETSTATS: one JSON line per frame of a network game, for the
// benchmark of how soon the player sees what the keys do
// (bench/predict_bench.py):
//
//   {"frame":N,"drawn":MS,"read":MS,"shoot":0|1,"shot":N,"blast":N,
//    "batch":N,"corr":PX,"stateCorr":PX,"ping":[MS,...]}
//
// drawn: the clock when the frame was on screen; read: when the keyboard
// was read after it, and shoot whether player 1's shoot key was held then;
// shot and blast: shots and special objects of this client's worms (any
// kind) seen for the first time in the frame's picture; corr and stateCorr:
// the largest correction of another client's worm in this frame, as drawn
// and as its state alone would have put it (client/present/remote_worms.h);
// ping: every worm's round trip as the relay measured it.
#pragma once

#include <cstdint>
#include <fstream>

#include "client/state/world.h"

namespace krel {

class NetStatsLog {
 public:
  explicit NetStatsLog(const World& w);
  // Right after the frame's movers ran and before it is drawn.
  void Moved(const World& w);
  void Drawn(const World& w);
  // After the keyboard has been read for the next frame; writes the line.
  void Read(const World& w, std::int64_t frame);

 private:
  std::ofstream out_;
  int shots_ = 0, blasts_ = 0;
  std::uint32_t drawn_ = 0;
};

}  // namespace krel
