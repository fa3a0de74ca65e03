// The work one frame of shots, objects and special objects may do, whatever
// the weapon file. The live arrays' bounds (entities.h) keep a frame finite;
// this keeps it short. A weapon file that `krel-arms check` accepts can ask
// for objects that explode into fifty copies of themselves every other
// frame, or for thousands of shots that fly at full speed and push each
// other; at the arrays' bounds such a frame took three frames' time and
// more.
//
// In one frame, the shots, objects and special objects together make at
// most kSteps movement steps, kExplosions explosions and blasts, kPieces
// splinters and trail pieces, and visit kVisits shots while shoving or
// pushing them. Beyond that, in that frame only: a shot or object makes no
// more steps (it waits where it is), an explosion fizzles (the shot or
// object goes without effect), a special object's blast waits for the next
// frame, a splinter or trail piece is not made, and no more shots are
// shoved or pushed.
//
// The work is counted, not timed, so every client of a network game and
// every playback cuts at the same place. The counts lie far above what an
// honest game does: the shipped weapon file, with both worms firing at
// random for hundreds of thousands of frames among 400 live objects, peaks
// at 845 steps, 59 explosions and blasts, 48 pieces and 936 visits in a
// frame, so recorded games play exactly as without the budget. At the
// counts, a frame's simulation costs a few milliseconds (bench/sim_bench.cpp,
// BM_HostileFile).
#pragma once

#include "client/state/world.h"

namespace krel {

namespace frame_budget {
inline constexpr std::int64_t kSteps = 50'000;
inline constexpr std::int64_t kExplosions = 1'000;
inline constexpr std::int64_t kPieces = 2'000;
inline constexpr std::int64_t kVisits = 50'000;
}  // namespace frame_budget

// MoveShots, the first mover of a frame, opens the frame's budget.
inline void OpenFrameBudget(World& w) {
  w.Budget = {.active = true,
              .steps = frame_budget::kSteps,
              .explosions = frame_budget::kExplosions,
              .pieces = frame_budget::kPieces,
              .visits = frame_budget::kVisits};
}

// SObjMove, the last, closes it when this goes out of scope: outside the
// movers' frame everything is allowed.
class FrameBudgetCloser {
 public:
  explicit FrameBudgetCloser(World& w) : w_(w) {}
  ~FrameBudgetCloser() { w_.Budget.active = false; }
  FrameBudgetCloser(const FrameBudgetCloser&) = delete;
  FrameBudgetCloser& operator=(const FrameBudgetCloser&) = delete;

 private:
  World& w_;
};

// Takes n from one of the budget's counts; false (and nothing taken) when
// less than n is left.
inline bool Spend(World& w, std::int64_t World::MoverBudget::*count, std::int64_t n = 1) {
  if (!w.Budget.active) return true;
  std::int64_t& left = w.Budget.*count;
  if (left < n) return false;
  left -= n;
  return true;
}

inline bool SpendStep(World& w) { return Spend(w, &World::MoverBudget::steps); }
inline bool SpendExplosion(World& w) { return Spend(w, &World::MoverBudget::explosions); }
inline bool SpendPiece(World& w) { return Spend(w, &World::MoverBudget::pieces); }
// A loop over every shot: all of them, or none.
inline bool SpendVisits(World& w, std::int64_t shots) { return Spend(w, &World::MoverBudget::visits, shots); }

}  // namespace krel
