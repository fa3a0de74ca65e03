// The ace's aim and choice of weapon: every aim step of a slot is flown
// ahead (client/ai/flight.h) and judged by the harm it does to the other
// worm and whether its blast, splinters or timer would reach the shooter.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "client/ai/ace.h"
#include "client/ai/ace_sight.h"

namespace krel {
namespace ace_detail {

namespace {

// Without a shot for this long, the nearest safe shot will do.
constexpr int kSilentAfter = 375;

}  // namespace

// Below this health a stray splinter is no longer a risk worth taking.
constexpr int kCarefulHealth = 50;
constexpr int kFragileHealth = 20;

// Harm a foreseen shot does to the target; -1 when it would hurt the shooter
// at (sx, sy), with `health` left, or dig at its feet.
int Worth(const WeaponDef& W, const Blast& b, const FlightResult& r, double sx, double sy, double tx, double ty,
          bool diggable, int health) {
  if (r.end == FlightEnd::kSelf) return -1;
  const bool bursts = (r.end == FlightEnd::kTarget && W.WORMEXPLODE == 1) || r.end == FlightEnd::kGround ||
                      r.end == FlightEnd::kTimer;
  if (bursts) {
    // A stray splinter is a risk worth taking while the worm has health to
    // spare; the blast itself is not.
    const bool careful = health < kCarefulHealth;
    double safe = std::max(b.radius + 10, b.splinterReach * (careful ? 1.0 : 0.9)) * (careful ? 1.3 : 1.0);
    // Nearly dead, one splinter is the end: they fly and bounce further
    // than they mostly do.
    if (health <= kFragileHealth && b.splinterDamage > 0) safe = std::max(safe, b.splinterReach * 2);
    if (W.MAPCHANGE > 0) safe = std::max(safe, 18.0);
    // The shot's random spread and the worm's own steps meanwhile move the
    // blast: the further it goes off, the wider the berth.
    const double spreadDegrees = std::min(30.0, W.DISTRIBUTION / 2000.0);
    safe += 4 + std::min(40.0, std::sqrt(Dist2(r.x, r.y, sx, sy)) * std::tan(spreadDegrees * 3.14159265358979 / 180));
    if (Dist2(r.x, r.y, sx, sy) < safe * safe) return -1;
    // A shot on a timer may go off anywhere along the span of its delay.
    if (r.end == FlightEnd::kTimer && r.selfInWindow2 < safe * safe) return -1;
  }
  int worth = 0;
  if (bursts && r.end == FlightEnd::kGround && W.MAPCHANGE >= 1 && W.MAPCHANGE <= 4 && diggable &&
      Dist2(r.x, r.y, tx, ty) + 15 * 15 < Dist2(sx, sy, tx, ty) && Dist2(r.x, r.y, tx, ty) < 90 * 90)
    worth = kDigShot;
  if (r.end == FlightEnd::kTarget && W.HITDAMAGE > 0) worth += W.HITDAMAGE * std::max<int>(1, (W.NUMOBJECTS + 1) / 2);
  if (bursts) {
    const double d2 = Dist2(r.x, r.y, tx, ty);
    if (d2 < b.radius * b.radius) worth += b.damage;
    const double near = b.splinterReach * 0.6;
    if (b.splinterDamage > 0 && d2 < near * near) worth += b.splinterDamage / 4;
  }
  return worth;
}

// Whether a shot that ended in the ground hit something a blast can dig.
bool Diggable(const World& w, const FlightResult& r) {
  if (r.end != FlightEnd::kGround) return false;
  const int x = static_cast<int>(std::lround(r.x)), y = static_cast<int>(std::lround(r.y));
  if (x <= 0 || y <= 0 || x >= w.LevelWidth || y >= std::min<int>(w.LevelHeight, kPassableBottom)) return false;
  return MaterialOf(w, w.LevelSurface.At(x, y)) != kRock;
}

int StepLimit(double dist) { return static_cast<int>(std::min(900.0, dist * 1.4 + 60)); }

namespace {

// A slot's weighing, carried from call to call.
struct Weighing {
  AceAim best;
  double bestClose = 1e18;
  int nearAim = -1;  // the safe aim that gets nearest the target
  double nearClose = 1e18;
};

// The facing a shot at (tx, ty) is weighed with.
bool FacingFor(const Player& me, double tx) {
  const double x = me.X.ToDouble();
  return std::abs(tx - x) < 1 ? me.FacingRight != kFalse : tx > x;
}

// Weighs the aim steps of a slot from `from` on while the budget lasts;
// returns the aim step to go on with, kAimSteps when all are weighed.
int WeighAims(const World& w, int p, int slot, double tx, double ty, bool right, int from, Weighing& g, int& budget) {
  const Player& me = w.Players[static_cast<std::size_t>(p)];
  const WeaponDef* W = WeaponInSlot(w, me, slot);
  if (W == nullptr || W->NUMOBJECTS <= 0) return kAimSteps;
  const Blast b = BlastOf(w, *W);
  const double x = me.X.ToDouble(), y = me.Y.ToDouble();
  const int limit = StepLimit(std::sqrt(Dist2(x, y, tx, ty)));
  FlightWorms worms{tx, ty, x, y};
  for (int k = from; k < kAimSteps; ++k) {
    if (budget < limit) return k;
    const FlightResult r = Fly(w, *W, LaunchState(me, *W, k, right), worms, kLookAheadFrames, limit);
    budget -= r.steps;
    const int v = Worth(*W, b, r, x, y, tx, ty, Diggable(w, r), me.Health);
    if (v > g.best.worth || (v == g.best.worth && v > 0 && r.closest2 < g.bestClose)) {
      g.best = {k, right, v};
      g.bestClose = r.closest2;
    }
    const bool lands = r.end == FlightEnd::kTarget || r.end == FlightEnd::kGround || r.end == FlightEnd::kTimer;
    if (v >= 0 && lands && r.closest2 < g.nearClose) {
      g.nearAim = k;
      g.nearClose = r.closest2;
    }
  }
  return kAimSteps;
}

}  // namespace

// Takes the next slot's weighing a step further within the budget, and when
// it is complete, keeps its result.
void WeighNextSlot(World& w, int p, AceRecord& memory, double tx, double ty, int& budget) {
  const Player& me = w.Players[static_cast<std::size_t>(p)];
  if (memory.weighSlot < 0) {
    // The current slot and the others in turn.
    if (memory.weighCurrentNext != kFalse) {
      memory.weighSlot = CurSlot(me);
    } else {
      memory.weighSlot = memory.nextSlot;
      memory.nextSlot = (memory.nextSlot + 1) % kSlots;
    }
    memory.weighCurrentNext = ToFlag(memory.weighCurrentNext == kFalse);
    memory.weighAim = 0;
    memory.weighBestAim = -1;
    memory.weighBestWorth = 0;
    memory.weighBestClose = 1e18;
    memory.weighNearAim = -1;
    memory.weighNearClose = 1e18;
    memory.weighRight = ToFlag(FacingFor(me, tx));
  }
  Weighing g;
  g.best = {memory.weighBestAim, memory.weighRight != kFalse, memory.weighBestWorth};
  g.bestClose = memory.weighBestClose;
  g.nearAim = memory.weighNearAim;
  g.nearClose = memory.weighNearClose;
  const int slot = memory.weighSlot;
  memory.weighAim = WeighAims(w, p, slot, tx, ty, memory.weighRight != kFalse, memory.weighAim, g, budget);
  memory.weighBestAim = g.best.aim;
  memory.weighBestWorth = g.best.worth;
  memory.weighBestClose = g.bestClose;
  memory.weighNearAim = g.nearAim;
  memory.weighNearClose = g.nearClose;
  if (memory.weighAim < kAimSteps) return;
  const auto i = static_cast<std::size_t>(slot);
  memory.aim[i] = g.best.aim;
  memory.facingRight[i] = memory.weighRight;
  memory.worth[i] = g.best.worth;
  memory.nearAim[i] = g.nearAim;
  memory.nearFacingRight[i] = memory.weighRight;
  memory.weighSlot = -1;
}

// Changes to, turns, aims and fires the best loaded weapon with a shot worth
// firing. True when it took the controls of this frame.
bool AimAndFire(Sight& s, const Flaws& flaw, int& budget) {
  World& w = s.w;
  const int p = s.p;
  Player& me = s.me;
  AceRecord& memory = s.memory;
  const Player* enemy = s.enemy;
  const double x = s.x, y = s.y, best2 = s.enemy2;
  const int cur = CurSlot(me);
  bool busy = false;  // the controls of this frame are taken
  if (enemy != nullptr && me.RopeState == 0) {
    // The best loaded slot with a shot worth firing.
    // A weaker ace's judgement of a weapon sways with chance, from second to
    // second.
    auto judged = [&](int k) {
      const int worth = memory.worth[static_cast<std::size_t>(k)];
      return flaw.weaponNoisePercent == 0
                 ? worth
                 : worth * (100 + Draw(w, p, me.Age / 25, 2 + k) * flaw.weaponNoisePercent / 100) / 100;
    };
    int want = -1;
    for (int k = 0; k < kSlots; ++k) {
      const auto i = static_cast<std::size_t>(k);
      if (!Loaded(me, k) || memory.worth[i] <= kDigShot) continue;
      if (want < 0 || judged(k) > judged(want) + (k == cur ? -1 : 0) || (k == cur && judged(k) >= judged(want)))
        want = k;
    }
    // Nothing to fire now: only the selected slot reloads, so select an
    // empty one while the current one is full, and stay while it reloads.
    if (want < 0) {
      want = cur;
      if (Loaded(me, cur))
        for (int k = 1; k < kSlots && want == cur; ++k)
          if (!Loaded(me, (cur + k) % kSlots)) want = (cur + k) % kSlots;
    }
    const bool mayChange = Loaded(me, cur) || w.LoadAndChange != kFalse;
    if (want >= 0 && want != cur && mayChange && memory.dodgeFrames == 0) {
      ChangeTowards(me, want);
      busy = true;
    } else if (want == cur && memory.worth[static_cast<std::size_t>(cur)] > kDigShot && memory.dodgeFrames == 0) {
      const auto i = static_cast<std::size_t>(cur);
      const bool right = memory.facingRight[i] != kFalse;
      // A weaker ace's aim may be a few steps off.
      const int aim = std::clamp<int>(memory.aim[i] + memory.aimError, 0, kAimSteps - 1);
      if ((me.FacingRight != kFalse) != right) {
        Press(me, right ? kRight : kLeft);  // a step turns the worm
        if (memory.stillFrames > 2 && OnGround(w, x, y)) Press(me, kJump);
        busy = true;
        memory.readyFrames = 0;
      } else if (!AimAt(me, aim)) {
        busy = true;
        memory.readyFrames = 0;
      } else {
        const WeaponDef* W = WeaponInSlot(w, me, cur);
        const bool ready = W != nullptr && static_cast<std::int64_t>(me.Age) + 1 - me.LastShot > W->SHOTDELAY &&
                           ++memory.readyFrames > flaw.reactFrames;
        const int limit = StepLimit(std::sqrt(best2));
        if (ready && budget >= limit) {
          // The world may have changed since the slot was weighed.
          const FlightWorms worms{s.ex, s.ey, x, y};
          const FlightResult r = Fly(w, *W, LaunchState(me, *W, me.Aim, right), worms, kLookAheadFrames, limit);
          budget -= r.steps;
          const int worth = Worth(*W, BlastOf(w, *W), r, x, y, s.ex, s.ey, Diggable(w, r), me.Health);
          // A shot aimed off need only spare the worm itself.
          if (worth > 0 || (memory.aimError != 0 && worth >= 0)) {
            Press(me, kShoot);
            busy = true;
            memory.readyFrames = 0;
            memory.aimError = 0;
            if (Draw(w, p, me.Age, 3) < flaw.aimErrorPercent) {
              const int off = 1 + Draw(w, p, me.Age, 4) % std::max(1, flaw.aimErrorSteps);
              memory.aimError = Draw(w, p, me.Age, 5) < 50 ? -off : off;
            }
          } else {
            memory.worth[i] = 0;
            memory.aimError = 0;
          }
        } else {
          busy = true;  // aimed, waiting for the trigger
        }
      }
    }
  }
  return busy;
}

// Without a shot for a long time: fires the safe shot that gets nearest the
// other worm. True when it took the controls.
bool FireNearestShot(Sight& s, int& budget) {
  AceRecord& memory = s.memory;
  Player& me = s.me;
  const World& w = s.w;
  if (memory.framesSinceShot < kSilentAfter || me.RopeState != 0) return false;
  const int cur = CurSlot(me);
  const auto c = static_cast<std::size_t>(cur);
  // A loaded slot with a safe shot, the current one first.
  int slot = -1;
  for (int k = 0; k < kSlots && slot < 0; ++k) {
    const int at = (cur + k) % kSlots;
    if (Loaded(me, at) && memory.nearAim[static_cast<std::size_t>(at)] >= 0) slot = at;
  }
  if (slot < 0) return false;
  me.Ctrl.fill(0);
  if (slot != cur) {
    if (Loaded(me, cur) || w.LoadAndChange != kFalse) {
      ChangeTowards(me, slot);
    }
    return true;
  }
  const bool right = memory.nearFacingRight[c] != kFalse;
  if ((me.FacingRight != kFalse) != right) {
    Press(me, right ? kRight : kLeft);
    return true;
  }
  if (!AimAt(me, memory.nearAim[c])) return true;
  const WeaponDef* W = WeaponInSlot(w, me, cur);
  if (W == nullptr || static_cast<std::int64_t>(me.Age) + 1 - me.LastShot <= W->SHOTDELAY) return true;
  const int limit = StepLimit(std::sqrt(Dist2(s.x, s.y, s.ex, s.ey)));
  if (budget < limit) return true;
  const FlightWorms worms{s.ex, s.ey, s.x, s.y};
  const FlightResult r = Fly(w, *W, LaunchState(me, *W, me.Aim, right), worms, kLookAheadFrames, limit);
  budget -= r.steps;
  if (Worth(*W, BlastOf(w, *W), r, s.x, s.y, s.ex, s.ey, Diggable(w, r), me.Health) >= 0)
    Press(me, kShoot);
  else
    memory.nearAim[c] = -1;  // not safe after all: weighed again soon
  return true;
}

// Held next to the other worm with no way away and no safe shot, a player
// trades: a shot that hurts both is worth it when this worm comes out of it
// alive and better off. The weapon whose trade is best is fired at the other
// worm point-blank. A worm that the other worm's hook holds is held as
// surely, at the rope's length: nothing it does moves it for as long as
// that worm keeps the rope.
bool PointBlank(Sight& s) {
  constexpr double kTouching = 16;
  constexpr int kAfter = 60;
  constexpr int kKeepsHealth = 10;
  constexpr int kTradeAimSlack = 3;
  AceRecord& memory = s.memory;
  Player& me = s.me;
  const World& w = s.w;
  const bool touching = s.enemy != nullptr &&
                        (s.enemy2 <= kTouching * kTouching || s.enemy->RopeState == -static_cast<int16>(s.p));
  memory.touchFrames = touching ? memory.touchFrames + 1 : 0;
  // Only a worm that is held there trades, and one shot at a time.
  if (memory.touchFrames <= kAfter || memory.boxFrames <= kAfter) return false;
  const int theirs = s.enemy->Health, mine = me.Health;
  int slot = -1, bestGain = 0;
  for (int k = 0; k < kSlots; ++k) {
    const WeaponDef* W = WeaponInSlot(w, me, k);
    if (W == nullptr || !Loaded(me, k)) continue;
    const Blast b = BlastOf(w, *W);
    const int hit = W->WORMREMOVE == 1 || W->WORMEXPLODE == 1 ? W->HITDAMAGE * std::max(1, (W->NUMOBJECTS + 1) / 2) : 0;
    const int blast = b.damage + b.splinterDamage / 4;
    const int toThem = std::min(theirs, hit + blast), toMe = b.radius * b.radius >= s.enemy2 ? blast : 0;
    if (toMe + kKeepsHealth >= mine) continue;
    const int gain = toThem >= theirs ? 1000 - toMe : toThem - toMe;
    if (gain > bestGain) {
      bestGain = gain;
      slot = k;
    }
  }
  const int cur = CurSlot(me);
  // A slot it cannot change to yet is no trade now: the worm goes on trying
  // to get away meanwhile.
  if (slot < 0 || (slot != cur && !Loaded(me, cur) && w.LoadAndChange == kFalse)) return false;
  me.Ctrl.fill(0);
  if (slot != cur) {
    ChangeTowards(me, slot);
    return true;
  }
  const bool right = s.ex >= s.x;
  if ((me.FacingRight != kFalse) != right && std::abs(s.ex - s.x) > 1) {
    Press(me, right ? kRight : kLeft);
    return true;
  }
  // The other worm bobs by a pixel right beside this one, which swings the
  // exact aim at it by half the range: near it is aimed well enough, and
  // chasing the exact aim would never let the shot go.
  const WeaponDef* W = WeaponInSlot(w, me, cur);
  const int want = AimToward(s.ex - s.x, s.ey - s.y);
  if ((std::abs(me.Aim - want) <= kTradeAimSlack || AimAt(me, want)) && W != nullptr &&
      static_cast<std::int64_t>(me.Age) + 1 - me.LastShot > W->SHOTDELAY) {
    Press(me, kShoot);
    memory.touchFrames = 0;
  }
  return true;
}

}  // namespace ace_detail

using ace_detail::FacingFor;
using ace_detail::kSlots;
using ace_detail::WeighAims;
using ace_detail::Weighing;

AceAim AceBestAim(const World& w, int p, int slot, double tx, double ty) {
  if (p < 1 || p >= kMaxPlayerSlots || slot < 0 || slot >= kSlots) return {};
  Weighing g;
  int budget = std::numeric_limits<int>::max();
  WeighAims(w, p, slot, tx, ty, FacingFor(w.Players[static_cast<std::size_t>(p)], tx), 0, g, budget);
  return g.best;
}

}  // namespace krel
