#include "client/app/net_stats_log.h"

#include <iostream>

#include "client/net/net_client.h"

namespace krel {

namespace {

// New this frame: moved once (shots, objects) or blasted (special objects),
// whether or not they were removed in the same frame.
int NewOwn(const std::vector<Entity>& a) {
  int n = 0;
  for (std::size_t i = 1; i < a.size(); ++i)
    if (a[i].age == 1 && (a[i].owner == 1 || a[i].owner == 2)) ++n;
  return n;
}

}  // namespace

NetStatsLog::NetStatsLog(const World& w) {
  if (w.NetStatsPath.empty()) return;
  out_.open(w.NetStatsPath, std::ios::app);
  if (!out_) std::cerr << "krel: cannot write " << w.NetStatsPath << "\n";
}

void NetStatsLog::Moved(const World& w) {
  if (!out_.is_open()) return;
  shots_ = NewOwn(w.Shots);
  blasts_ = NewOwn(w.SObjs);
}

void NetStatsLog::Drawn(const World& w) { drawn_ = TickCount(w); }

void NetStatsLog::Read(const World& w, std::int64_t frame) {
  if (!out_.is_open() || w.net == nullptr || !w.Networked()) return;
  out_ << "{\"frame\":" << frame << ",\"drawn\":" << drawn_ << ",\"read\":" << TickCount(w)
       << ",\"shoot\":" << (w.Players[1].Ctrl[kShoot] != 0 ? 1 : 0) << ",\"shot\":" << shots_
       << ",\"blast\":" << blasts_ << ",\"batch\":" << w.net->Batches << ",\"corr\":" << w.NetStats.FrameCorrection
       << ",\"stateCorr\":" << w.NetStats.FrameStateCorrection << ",\"ping\":[";
  for (int i = 1; i <= w.NumPlayers && i < kMaxPlayerSlots; ++i)
    out_ << (i > 1 ? "," : "") << w.NetStats.RoundTripMs[static_cast<std::size_t>(i)];
  out_ << "]}\n";
}

}  // namespace krel
