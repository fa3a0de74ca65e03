// The ace computer player. Each frame it
//   - weighs one of its five weapon slots: for every aim step it flies the
//     weapon's shot ahead (client/ai/flight.h) and keeps the aim that does
//     the most harm to the other worm without the blast reaching itself;
//   - looks at the shots in flight and steps out of the way of any that will
//     hit it or burst next to it;
//   - turns, aims and fires the best loaded weapon, changing weapons while
//     the current one reloads;
//   - otherwise walks towards the other worm, digging through soil, jumping
//     and throwing the rope when walking gets it nowhere.
// It never stands still for long: a worm that stays on one pixel is jumped
// or walked on. No random numbers and no clock: the decisions follow from
// what the worm sees, so games repeat from their seed. Its parts are in
// ace_aim.cpp (aim and weapons), ace_safety.cpp (incoming fire, own shots,
// rock), ace_move.cpp (the way and getting unstuck) and ace_engage.cpp
// (breaking out of a small place).
#include "client/ai/ace.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "client/ai/ace_path.h"
#include "client/ai/ace_sight.h"
#include "client/ai/computer.h"
#include "client/ai/memory.h"

namespace krel {

namespace ace_detail {

namespace {

// clang-format off
constexpr Flaws kFlaws[kAceStrongest + 1] = {
    {0, 0, 0, 0, 0},        // (no strength 0)
    {25, 85, 4, 70, 200},   // 1: slow, often a few steps off, often blind to incoming fire
    {12, 45, 2, 35, 80},    // 2
    {7, 35, 2, 20, 50},     // 3
    {3, 15, 1, 8, 20},      // 4
    {0, 0, 0, 0, 0}};       // 5: no flaws
// clang-format on

// Dodging longer than this (in calls) gets the worm nowhere: it fights back
// for kFightBackFrames, not looking at incoming fire.
constexpr int kDodgeAtMost = 25;
constexpr int kFightBackFrames = 20;

}  // namespace

int Draw(const World& w, int p, std::int64_t when, int what) {
  std::uint64_t z = w.GameSeed ^ (static_cast<std::uint64_t>(p) << 56) ^ (static_cast<std::uint64_t>(what) << 40) ^
                    static_cast<std::uint64_t>(when);
  z += 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<int>(z % 100);
}

}  // namespace ace_detail

using namespace ace_detail;

void AcePlayer(World& w, int p) {
  if (p < 1 || p > 2) return;
  Player& me = w.Players[static_cast<std::size_t>(p)];
  AceRecord& memory = ComputersOf(w).ace[static_cast<std::size_t>(p)];
  me.Ctrl.fill(0);
  if (me.Alive == kFalse) {
    Press(me, kJump);  // back into the game at once
    AcePath path = std::move(memory.path);
    memory = AceRecord{};
    memory.path = std::move(path);
    memory.pathAge = 1000;  // the worm is somewhere else now
    return;
  }

  const double x = me.X.ToDouble(), y = me.Y.ToDouble();
  const int32 px = static_cast<int32>(std::lround(x)), py = static_cast<int32>(std::lround(y));
  // Jitter of a pixel is no movement.
  const bool moved = std::abs(px - memory.lastX) >= 2 || std::abs(py - memory.lastY) >= 2;
  memory.stillFrames = moved ? 0 : memory.stillFrames + 1;
  const Flaws& flaw = kFlaws[std::clamp<int>(w.MenuAceStrength[static_cast<std::size_t>(p)], 1, kAceStrongest)];
  int budget = kFlightBudget;
  ++memory.framesSinceShot;

  // The other worm: the nearest one in play.
  const Player* enemy = nullptr;
  double best2 = 1e18;
  const int last = std::clamp<int>(w.NumPlayers, 0, kMaxNetPlayers);
  for (int q = 1; q <= last; ++q) {
    const Player& o = w.Players[static_cast<std::size_t>(q)];
    if (q == p || o.Alive == kFalse) continue;
    const double d2 = Dist2(o.X.ToDouble(), o.Y.ToDouble(), x, y);
    if (d2 < best2) {
      best2 = d2;
      enemy = &o;
    }
  }
  Sight s{w,      p,    me, memory, enemy, x, y, enemy ? enemy->X.ToDouble() : x, enemy ? enemy->Y.ToDouble() : y,
          {x, y}, best2};
  TrackBox(memory, enemy != nullptr, px, py);
  if (enemy != nullptr) {
    // The way to the other worm, worked out again now and then and whenever
    // it has gone elsewhere, a slice per call.
    ++memory.pathAge;
    if (!memory.build.running &&
        (memory.pathAge >= 50 || Dist2(memory.path.goalX, memory.path.goalY, s.ex, s.ey) > 40 * 40)) {
      StartPath(w, s.ex, s.ey, memory.build, memory.deadX.data(), memory.deadY.data(),
                std::min<int>(memory.deadCount, 8), x, y);
      memory.pathAge = 0;
    }
    if (ContinuePath(w, memory.build, memory.path, kPathBudget)) memory.bestCost = CostAt(memory.path, x, y);
    const int32 c = CostAt(memory.path, x, y);
    if (c < memory.bestCost) {
      memory.bestCost = c;
      memory.noProgress = 0;
    } else {
      ++memory.noProgress;
    }
  }

  // Out of the way of incoming fire first. A weaker ace now and then does
  // not see a shot coming. A worm forcing its way out of a small place
  // does not step aside: stepping to and fro under fire is what keeps it
  // there, and the way out moves it anyway.
  int away = 0;
  if (memory.dodgeFrames > 0) --memory.dodgeFrames;
  if (memory.blindFrames > 0) {
    --memory.blindFrames;
  } else if (!Loitering(memory) && Threatened(s, away, budget)) {
    if (memory.dodgeFrames == 0 && Draw(w, p, me.Age, 1) < flaw.blindPercent) {
      memory.blindFrames = 25;
    } else {
      memory.dodgeFrames = 6;
      memory.dodgeDir = away;
    }
  }
  // Under a steady stream of fire there is no stepping aside for long: after
  // a second of dodging the worm stands and fights back for a while.
  memory.dodgeRun = memory.dodgeFrames > 0 ? memory.dodgeRun + 1 : 0;
  if (memory.dodgeRun > kDodgeAtMost) {
    memory.dodgeFrames = 0;
    memory.dodgeRun = 0;
    memory.blindFrames = kFightBackFrames;
  }

  // Weigh the slots in turn, the current one every other time, as far as
  // the budget goes.
  if (enemy != nullptr) WeighNextSlot(w, p, memory, s.ex, s.ey, budget);

  const bool busy = AimAndFire(s, flaw, budget);

  if (memory.dodgeFrames > 0) {
    if (!busy || !me.Ctrl[kShoot]) {
      Press(me, memory.dodgeDir > 0 ? kRight : kLeft);
      if (OnGround(w, x, y) && memory.dodgeFrames > 4) Press(me, kJump);
    }
  } else if (!busy) {
    Approach(s, moved);
  } else if (memory.stillFrames > kRestlessFrames && !me.Ctrl[kShoot] && !me.Ctrl[kChange] && OnGround(w, x, y)) {
    // Aiming from one spot too long: hop, which keeps the facing and aim.
    Press(me, kJump);
  }
  // The hook caught a worm and pulls this one to it, where no shot is safe
  // (it lets go last of all, below).
  if (me.RopeState < 0) me.Ctrl.fill(0);
  memory.closeFrames = enemy != nullptr && best2 < kTooClose * kTooClose && !me.Ctrl[kShoot] ? memory.closeFrames + 1
                                                                                             : 0;
  bool trading = false;
  if (enemy != nullptr && memory.dodgeFrames == 0) {
    trading = PointBlank(s);
    if (!trading && !BreakOut(s) && !me.Ctrl[kShoot]) FireNearestShot(s, budget);
  }
  // A worm caught at the edge of rock jitters in and out of it: while it
  // stays in its small place, the frames out of the rock do not start the
  // count again.
  // Held under the other worm, nothing but a kick moves it: it kicks soon.
  const bool heldUnder = HeldUnderWorm(s);
  const bool encased = Encased(w, x, y) || heldUnder;
  memory.wedgedFrames = encased ? memory.wedgedFrames + 1
                                : (memory.boxFrames > kWedgedAfter * 2 ? memory.wedgedFrames : 0);
  const auto planned = me.Ctrl;
  me.Ctrl.fill(0);
  if ((memory.wedgedFrames > kWedgedAfter || (heldUnder && memory.wedgedFrames > kHeldUnderAfter)) &&
      KickOutOfRock(s)) {
    // firing its way out of the rock
  } else if (me.Ctrl = planned; memory.stillFrames > kStuckAfter && !trading &&
                                (memory.engageFrames == 0 || memory.ropePlanned == kFalse)) {
    // (A worm turning and aiming to trade blows is not stuck, nor one that
    // aims, throws or is pulled by a rope whose hook it knows will hold.)
    Unstick(s);
  }

  // Held by ground through its body, it is lifted off; nothing else moves it.
  const bool lifting = Lift(s) || LiftOff(s);

  // Whatever else it does (trading blows turns and aims without a jump), a
  // hook that holds the other worm is let go: it pulls the two together.
  // Pressed here alone, since with change held a jump would throw the rope
  // anew.
  if (me.RopeState < 0 && !me.Ctrl[kChange]) Press(me, kJump);

  // Off its feet and going nowhere: held at a corner of the ground. Held
  // there it may also bob by a fraction of a pixel, as gravity pulls it off
  // the corner and the corner bounces it back, or slide down a wall it
  // steers into at a crawl: it counts as held while it stays within half a
  // pixel of where it came to a halt.
  const bool offFeet = me.RopeState == 0 && !OnGround(w, x, y);
  const double bobX = (me.X - memory.hangX).ToDouble(), bobY = (me.Y - memory.hangY).ToDouble();
  if (!offFeet || std::abs(bobX) >= 0.5 || std::abs(bobY) >= 0.5) {
    memory.hangFrames = 0;
    memory.hangX = me.X;
    memory.hangY = me.Y;
  } else {
    ++memory.hangFrames;
  }
  if (memory.hangFrames >= 3 && !lifting && !me.Ctrl[kChange] && !me.Ctrl[kShoot])
    LeaveCorner(s, memory.engageFrames > 0 || memory.stillFrames > kStuckAfter);

  if (moved) {
    memory.lastX = px;
    memory.lastY = py;
  }
  if (me.Ctrl[kShoot]) memory.framesSinceShot = 0;
}

bool ParseControllerWord(const std::string& word, flag& controller, int16& strength) {
  if (word == "cpu") {
    controller = kControllerCpu;
    strength = kAceStrongest;
    return true;
  }
  if (word == "ace") {
    controller = kControllerAce;
    strength = kAceStrongest;
    return true;
  }
  if (word.size() == 5 && word.rfind("ace:", 0) == 0 && word[4] >= '1' && word[4] < '1' + kAceStrongest) {
    controller = kControllerAce;
    strength = static_cast<int16>(word[4] - '0');
    return true;
  }
  return false;
}

std::string ControllerWord(flag controller, int16 strength) {
  if (controller != kControllerAce) return "cpu";
  return strength >= kAceStrongest ? "ace" : "ace:" + std::to_string(strength);
}

void RunComputerPlayers(World& w) {
  for (int p = 1; p <= 2; ++p) {
    const flag who = w.Players[static_cast<std::size_t>(p)].Computer;
    if (who == kControllerAce)
      AcePlayer(w, p);
    else if (who != kControllerHuman)
      ComputerPlayer(w, p);
  }
}

}  // namespace krel
