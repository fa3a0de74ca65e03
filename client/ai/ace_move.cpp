// The ace's movement: walking, digging, jumping and roping along its way,
// and its rounds of ways out when nothing moves it.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "client/ai/ace_path.h"
#include "client/ai/ace_sight.h"

namespace krel::ace_detail {

// The aim step closest to the compass direction of (dx, dy) on the side the
// worm faces.
int AimToward(double dx, double dy) {
  const double deg = std::atan2(std::abs(dx), -dy) * 180.0 / 3.14159265358979;  // 0 up, 180 down
  int best = 0;
  auto off = [&](int k) { return std::abs(AimDegrees[static_cast<std::size_t>(k)] - deg); };
  for (int k = 0; k < kAimSteps; ++k)
    if (off(k) < off(best)) best = k;
  return best;
}

// Throws the rope towards (gx, gy) once the aim is there.
void ThrowRope(Sight& s, double gx, double gy) {
  const int k = AimToward(gx - s.x, gy - s.y);
  // Nearly straight up either facing will do; a worm against a wall cannot
  // turn towards it, and trying would keep it from throwing at all.
  const bool steep = std::abs(gx - s.x) * 4 < std::abs(gy - s.y);
  const bool right = steep ? s.me.FacingRight != kFalse : gx >= s.x;
  if ((s.me.FacingRight != kFalse) != right) {
    Press(s.me, right ? kRight : kLeft);
    return;
  }
  if (AimAt(s.me, k)) {
    Press(s.me, kJump);
    Press(s.me, kChange);
    s.memory.ropeFrames = 1;
  }
}

namespace {

// How the worm moves when it holds the facing key and taps the other, by
// its aim: the hole is dug a little ahead along the aim, and each step
// climbs what the hole left of the ground ahead. Straight up the way climbs
// steepest (about 1.4 pixels up for each pixel across), a little lower
// about 1 up for 1 across, between level and 45 degrees up about 1 for 2,
// lower aims dig level, and the lowest ones down at 30 to 45 degrees.
// Measured on a block of soil; the aims here are the lowest of each kind.
struct DigSlope {
  double above;  // the least angle of the way above level, in degrees
  int aim;
};
constexpr DigSlope kDigSlopes[] = {{45, 18}, {30, 17}, {12, 14}, {-12, 8}, {-32, 4}, {-90, 0}};
// The goal this close to straight above or below, the worm digs on to the
// side it faces: steeper than it can climb either way.
constexpr double kSteepDegrees = 70;
// A worm on its way through soil turns round only for a goal on the other
// side less steep than this above or below level: turning walks it back
// down the way it dug.
constexpr double kTurnAbove = 40, kTurnBelow = 50;
// Dug on the ground within this many calls, the worm is on its way.
constexpr int kDigging = 20;

bool RockAt(const World& w, double x, double y) {
  if (x <= 0 || y <= 0 || x >= w.LevelWidth || y >= std::min<int>(w.LevelHeight, kPassableBottom)) return true;
  return MaterialOf(w, w.LevelSurface.At(static_cast<int32>(x), static_cast<int32>(y))) == kRock;
}

// Whether rock right ahead on that side keeps a dig at that aim from
// opening the way: rock at the side of the worm's body (where a step is
// tested; a wall a pixel thin lies between the points further on), or
// where the dig goes, above its middle for the high aims and below it for
// the low ones.
bool RockAhead(const World& w, double x, double y, int dir, int aim) {
  const double lift = aim >= 17 ? 4 : (aim >= 14 ? 2 : (aim <= 4 ? -4 : 0));
  if (RockAt(w, x + kWormHalfWidth * dir, y)) return true;
  return RockAt(w, x + 3 * dir, y - lift) || RockAt(w, x + 4 * dir, y - lift - 2);
}

// Whether a dig at aim step k by a worm at (x, y) facing dir would take
// away any soil.
bool SoilInReach(const World& w, double x, double y, int dir, int k) {
  const double a = AimDegrees[static_cast<std::size_t>(k)] * 3.14159265358979 / 180.0;
  const double hx = x + dir * 3 * std::sin(a), hy = y - 3 * std::cos(a);
  for (int py = -4; py <= 4; py += 2)
    for (int px = -4; px <= 4; px += 2)
      if (px * px + py * py < 25 && !IsPassable(w, hx + px, hy + py) && !RockAt(w, hx + px, hy + py)) return true;
  return false;
}

// Holds the facing key and taps the other: only a fresh press of it digs.
void DigAhead(Sight& s) {
  const bool facingRight = s.me.FacingRight != kFalse;
  Press(s.me, facingRight ? kRight : kLeft);
  if (s.me.Age % 2 == 0) Press(s.me, facingRight ? kLeft : kRight);
}

}  // namespace

// Digs towards (gx, gy): left and right together dig ahead along the aim and
// walk on, along a slope the worm can follow (a shaft dug straight up is
// one it cannot walk up).
void DigToward(Sight& s, double gx, double gy) {
  Player& me = s.me;
  const World& w = s.w;
  const double dx = gx - s.x, dy = gy - s.y;
  const int facing = me.FacingRight != kFalse ? 1 : -1;
  const double above = std::atan2(-dy, std::abs(dx)) * 180.0 / 3.14159265358979;
  int aim = 0;
  for (const DigSlope& d : kDigSlopes)
    if (above >= d.above) {
      aim = d.aim;
      break;
    }
  // The walk keys are this call's alone: a key held on from before digs
  // nothing (only a fresh press digs) and turns nothing.
  me.Ctrl[kLeft] = me.Ctrl[kRight] = 0;
  int dir = dx >= 0 ? 1 : -1;
  const bool otherSide = dir != facing && std::abs(dx) >= 2;
  const bool keepSide = s.memory.sinceDig < kDigging ? !(otherSide && above < kTurnAbove && above > -kTurnBelow)
                                                     : std::abs(above) >= kSteepDegrees;
  // Rock right ahead on the side it faces leaves nothing to dig there: the
  // worm turns to its goal after all. On a steep way the goal's side means
  // little (a pixel either way of straight down): the rule below decides.
  const bool steep = std::abs(above) >= kSteepDegrees;
  if (keepSide && !(otherSide && !steep && RockAhead(w, s.x, s.y, facing, aim))) dir = facing;
  // Blocked ahead on a steep way: the other side climbs (or drops) as well,
  // if it is not blocked too. On a way that runs to one side, turning would
  // only lead away, and a way out of a hollow chosen elsewhere knows its
  // rock. Up, rock ahead blocks it; down, the dig goes below the worm
  // whatever is beside it, and only a side where it reaches no soil blocks
  // it (in a shaft a little wider than the worm, rock ahead turned it back
  // and forth between the walls for a minute, never digging).
  const auto blocked = [&](int side) {
    return above < 0 ? !SoilInReach(w, s.x, s.y, side, aim) : RockAhead(w, s.x, s.y, side, aim);
  };
  if (steep && blocked(dir) && !blocked(-dir)) dir = -dir;
  if (dir != facing) {
    // A worm turns only by stepping to that side; with soil there, a dig
    // straight up opens both sides first. Rock there no dig opens: it digs
    // on the side it faces, the only one it has.
    if (IsPassable(w, s.x + kWormHalfWidth * dir, s.y)) {
      Press(me, dir > 0 ? kRight : kLeft);
      return;
    }
    if (InRock(w, s.x + kWormHalfWidth * dir, s.y))
      dir = facing;
    else
      aim = kAimSteps - 1;
  }
  // Rock just over its head: a way dug up would only lift the worm into
  // the rock (a walking worm climbs without looking above it), where it is
  // held for good. It digs level under the rock instead.
  if (aim > 8) {
    const double over = s.y - kWormHalfHeight - 5;
    if (InRock(w, s.x, over) || InRock(w, s.x + 3 * dir, over) || InRock(w, s.x + 6 * dir, over)) aim = 8;
  }
  // Held where it is with nothing to dig along the way (perched on the lip
  // of a step its walk will not take), it digs the step away below it;
  // on a way up that it can jump, it jumps instead (below).
  const bool canJumpUp = dy < -4 && OnGround(w, s.x, s.y) && IsPassable(w, s.x, s.y - kWormHalfHeight - 1);
  if (s.memory.stillFrames >= 3 && aim > 4 && !canJumpUp && !SoilInReach(w, s.x, s.y, dir, aim))
    for (const int lower : {4, 0})
      if (SoilInReach(w, s.x, s.y, dir, lower)) {
        aim = lower;
        break;
      }
  AimAt(me, aim);
  DigAhead(s);
  if (OnGround(w, s.x, s.y)) s.memory.sinceDig = 0;
  // The way leads up but the dig reaches no soil (the roof of a hollow is
  // out of reach): it jumps, digging on at the top of the jump.
  if (canJumpUp && !SoilInReach(w, s.x, s.y, dir, aim)) Press(me, kJump);
}

namespace {

// Held by ground through its body this many calls (and for kLiftWindow
// calls after, so that where the lift moves nothing the other ways out get
// their turn), the worm ropes itself off it, for at most kLiftFrames calls.
constexpr int kImpaledStill = 4;
constexpr int kLiftWindow = 30;
constexpr int kLiftFrames = 24;
// Calls it walks to the open side, when it has one, before it ropes.
constexpr int kWalkOffFirst = 6;

// Ground through the bottom of the worm's body and none under its feet.
bool Impaled(const World& w, double x, double y) {
  return !OnGround(w, x, y) && !IsPassable(w, x, y + kWormHalfHeight);
}

// At the rock that parts it from the other worm, the worm waits at most
// kWallWait calls, and not at all when nearer than kWallStandOff.
constexpr double kWallStandOff = 75;
constexpr int kWallWait = 40;
// A goal this many pixels above the worm is up its way.
constexpr double kClimbing = 8;
// Off its feet this many calls after digging, the worm no longer digs on.
constexpr int kDigLift = 8;

// Gets the worm towards (gx, gy).
void Travel(Sight& s, double gx, double gy) {
  Player& me = s.me;
  AceRecord& memory = s.memory;
  const World& w = s.w;
  const int dir = gx > s.x + 3 ? 1 : (gx < s.x - 3 ? -1 : 0);
  const bool ground = OnGround(w, s.x, s.y);

  if (me.RopeState != 0) {
    ++memory.ropeFrames;
    const double hook2 = Dist2(me.RopeX.ToDouble(), me.RopeY.ToDouble(), s.x, s.y);
    const bool hanging = memory.ropeFrames > 8 && memory.stillFrames > 3;
    if (memory.ropeFrames > 45 || (hanging && IsPassable(w, s.near[0], s.near[1])) ||
        (memory.ropeFrames > 4 && s.y < gy - 5) || (memory.ropeFrames > 12 && hook2 > 60 * 60)) {
      Press(me, kJump);  // lets go
      memory.ropeFrames = 0;
    } else if (!IsPassable(w, s.near[0], s.near[1])) {
      DigToward(s, s.near[0], s.near[1]);  // hanging under soil: dig on up
    } else if (gy < s.y - 8 && me.RopeLength > fixed(5) && !IsPassable(w, me.RopeX.ToDouble(), me.RopeY.ToDouble())) {
      // The hook holds above: a shorter rope pulls the worm up.
      Press(me, kChange);
      Press(me, kUp);
    } else if (dir != 0) {
      Press(me, dir > 0 ? kRight : kLeft);
    }
    return;
  }
  memory.ropeFrames = 0;

  const bool wantUp = gy < s.y - 20;
  ++memory.sinceDig;
  const bool climbing = memory.sinceDig < kDigging && gy < s.y - kClimbing;
  if (!ground && climbing && memory.sinceDig < kDigLift && !IsPassable(w, s.near[0], s.near[1])) {
    // Digging up lifts the worm off its feet now and then: it digs on,
    // rather than steer back down the way it dug.
    DigToward(s, gx, gy);
    return;
  }
  if (dir != 0) Press(me, dir > 0 ? kRight : kLeft);
  if (!ground) return;  // in the air the walk keys steer

  if (!IsPassable(w, s.near[0], s.near[1]) && (memory.stillFrames >= 1 || climbing)) {
    // The way leads through soil; on a way up the worm digs on without a
    // break, since a step towards the goal between digs would turn it back
    // into the hole it just dug. The dig heads for the point further on:
    // the next cells of a way on a grid zig-zag, the slope dug should not.
    DigToward(s, gx, gy);
    return;
  }
  if (memory.stillFrames >= 3 || memory.noProgress >= 20) {
    // Walking gets nowhere: dig, jump, rope, in turns.
    const int phase = ((memory.noProgress >= 20 ? memory.noProgress : memory.stillFrames) / 10) % 4;
    const double tx = dir != 0 ? gx : s.x + memory.wanderDir * 20;
    if (phase == 0) {
      DigToward(s, tx, gy);
    } else if (phase == 1) {
      if (IsPassable(w, s.x, s.y - kWormHalfHeight))
        Press(me, kJump);
      else
        DigToward(s, tx, s.y - 20);
    } else if (phase == 2) {
      me.Ctrl.fill(0);
      ThrowRope(s, tx, std::min(gy, s.y - 40));
    } else {
      DigToward(s, s.x - (tx - s.x), s.y - 10);
    }
    return;
  }
  if (dir != 0 && gy < s.y + 25) {
    // A drop ahead with the goal not below: jump it rather than fall in.
    bool drop = true;
    for (int d = 4; d <= 24 && drop; d += 4) drop = IsPassable(w, s.x + 6 * dir, s.y + d);
    if (drop && IsPassable(w, s.x, s.y - kWormHalfHeight)) Press(me, kJump);
  }
  if (wantUp && memory.stillFrames > 1) {
    me.Ctrl.fill(0);
    ThrowRope(s, gx, gy - 10);
  }
}

}  // namespace

// Walks, digs, jumps or ropes towards the other worm (or backs off from it,
// or roams without one).
void Approach(Sight& s, bool moved) {
  World& w = s.w;
  const int p = s.p;
  Player& me = s.me;
  AceRecord& memory = s.memory;
  const Player* enemy = s.enemy;
  const double x = s.x, y = s.y, best2 = s.enemy2;
  const int cur = CurSlot(me);
  double gx = s.ex, gy = s.ey;
  if (enemy == nullptr) {
    // Nobody to fight: roam.
    gx = x + memory.wanderDir * 40;
    gy = y;
  } else if (best2 < kTooClose * kTooClose || (best2 < 120 * 120 && OwnBlastFlying(w, p))) {
    // Too close for a safe shot: back off.
    gx = x + (x >= s.ex ? 60 : -60);
    gy = y;
  }
  bool atWall = false;
  if (memory.stillFrames == kDetourAfter || memory.noProgress == kDetourAfter * 3) {
    // The way leads nowhere the worm can go: off somewhere else for a
    // while, each time the other way.
    memory.detourFrames = kDetourFrames;
    memory.wanderDir = -memory.wanderDir;
    if (memory.detourFrames > 0 && enemy != nullptr && memory.noProgress >= kDetourAfter) {
      // Where the way led is out of reach: the next way goes round it.
      const auto k = static_cast<std::size_t>(memory.deadCount % 8);
      memory.deadX[k] = memory.wayX;
      memory.deadY[k] = memory.wayY;
      ++memory.deadCount;
      memory.pathAge = 1000;
    }
  }
  if (memory.detourFrames > 0) {
    --memory.detourFrames;
    gx = x + memory.wanderDir * 80;
    gy = y - 30;
  } else if (enemy != nullptr && best2 >= kTooClose * kTooClose) {
    double wx = 0, wy = 0;
    bool atRock = false;
    if (Waypoint(memory.path, x, y, 10, wx, wy, &atRock)) {
      gx = wx;
      gy = wy;
    }
    // Rock parts the worms and this is the nearest the worm gets: it stays
    // and fights from here (blasts reach through rock).
    if (atRock && Dist2(gx, gy, x, y) < 6 * 6) atWall = true;
    // The first soil along the next few cells of the way, if any.
    for (int k = 1; k <= 4; ++k) {
      if (!Waypoint(memory.path, x, y, k, wx, wy)) break;
      s.near[0] = wx;
      s.near[1] = wy;
      if (!IsPassable(w, wx, wy)) break;
    }
  }
  // A shot that blows the way open is fired on the way, when the worm
  // happens to be aimed for it.
  const auto c = static_cast<std::size_t>(cur);
  const WeaponDef* W = WeaponInSlot(w, me, cur);
  const bool digShot = enemy != nullptr && memory.worth[c] == kDigShot && Loaded(me, cur) && me.Aim == memory.aim[c] &&
                       (me.FacingRight != kFalse) == (memory.facingRight[c] != kFalse) && W != nullptr &&
                       static_cast<std::int64_t>(me.Age) + 1 - me.LastShot > W->SHOTDELAY;
  memory.wayX = static_cast<int32>(gx);
  memory.wayY = static_cast<int32>(gy);
  const bool walking = std::abs(gx - x) > 3;
  memory.stuckFrames = (walking && !moved) ? memory.stuckFrames + 1 : 0;
  if (atWall && (best2 < kWallStandOff * kWallStandOff || memory.boxFrames > kWallWait)) {
    // Right across the rock from it every blast that reaches it reaches
    // this worm too, and waiting at the rock long gains nothing: off away
    // from the other worm for a while, to come back to the rock after.
    memory.detourFrames = kDetourFrames;
    memory.wanderDir = x >= s.ex ? 1 : -1;
  }
  if (!atWall) Travel(s, gx, gy);
  if (digShot && !me.Ctrl[kUp] && !me.Ctrl[kDown] && !me.Ctrl[kChange] && !me.Ctrl[kLeft] && !me.Ctrl[kRight])
    Press(me, kShoot);
  if (enemy == nullptr && memory.stuckFrames > 30) {
    memory.wanderDir = -memory.wanderDir;
    memory.stuckFrames = 0;
  }
}

void LeaveCorner(Sight& s, bool getAway) {
  const World& w = s.w;
  Player& me = s.me;
  const int facing = me.FacingRight != kFalse ? 1 : -1;
  // Where a worm's next step down is tested: a little past its bottom.
  const double below = s.y + kWormHalfHeight + 0.1;
  if (IsPassable(w, s.x, below)) {
    // A notch narrower than the worm: it stands on both its edges, and only
    // walking or digging takes it off them.
    if (!IsPassable(w, s.x - kWormHalfWidth, below) && !IsPassable(w, s.x + kWormHalfWidth, below)) return;
    // Only the step to the side is blocked: without a side key it drops.
    // (A worm held by the soil it digs through is not at a corner; the key
    // to the other side turns the worm.)
    if (me.Ctrl[facing > 0 ? kRight : kLeft] && IsPassable(w, s.x - 2, s.y) && IsPassable(w, s.x + 2, s.y))
      me.Ctrl[kLeft] = me.Ctrl[kRight] = 0;
    // A drift of a hair towards ground under one corner holds it there as
    // firmly as a step (the game moves it only while that corner is free,
    // and nothing takes the drift away in the air): a tap of the key to
    // the other side, free under that corner, lets it drop.
    const int drift = DriftOf(me);
    if (drift != 0 && !me.Ctrl[kLeft] && !me.Ctrl[kRight] && !IsPassable(w, s.x + kWormHalfWidth * drift, below) &&
        IsPassable(w, s.x - kWormHalfWidth * drift, below) && IsPassable(w, s.x - kWormHalfWidth * drift, s.y))
      Press(me, drift > 0 ? kLeft : kRight);
    return;
  }
  if (!getAway) return;
  if (!InRock(w, s.x, below)) {
    // A sliver of soil: dug away straight down.
    me.Ctrl.fill(0);
    if (AimAt(me, 0) && me.Age % 2 == 0) {
      Press(me, kLeft);
      Press(me, kRight);
    }
    return;
  }
  // A point of rock: off it to the side that is open below, at the corner
  // of its body and where that corner will be after a step. (Steering in
  // the air moves the worm by a fraction of a pixel: rock at the corner
  // itself holds it.) Failing that, onto it to the side where the rock is
  // ground to step onto.
  for (const bool step : {false, true}) {
    for (const int dir : {facing, -facing}) {
      const double side = s.x + kWormHalfWidth * dir;
      const bool open = step ? !IsPassable(w, side, s.y + kWormFeet)
                             : IsPassable(w, side, below) && IsPassable(w, side + dir, below);
      if (open && IsPassable(w, side, s.y)) {
        me.Ctrl[kLeft] = me.Ctrl[kRight] = 0;
        Press(me, dir > 0 ? kRight : kLeft);
        return;
      }
    }
  }
  // A nub of rock under it and soil on either side below: falling, the
  // corner of its body catches on the rock whichever way it steers, and a
  // jump needs its feet on ground. Level through the soil beside it, the
  // step is onto the rock and on.
  for (const int dir : {facing, -facing}) {
    const double side = s.x + kWormHalfWidth * dir;
    if (!IsPassable(w, side, s.y) && !InRock(w, side, s.y) && !InRock(w, side + 3 * dir, s.y)) {
      DigToward(s, s.x + 20 * dir, s.y);
      return;
    }
  }
}

bool LiftOff(Sight& s) {
  Player& me = s.me;
  AceRecord& memory = s.memory;
  // Once in a while held: where the lift moves nothing, the other ways out
  // get their turn.
  if (me.RopeState != 0 || memory.liftFrames > 0 || memory.stillFrames < kImpaledStill ||
      memory.stillFrames >= kImpaledStill + kLiftWindow || !Impaled(s.w, s.x, s.y))
    return false;
  // Pressed against ground on one side with the other side open the whole
  // height of its body, it first walks off to the open side: a rope thrown
  // from under an overhang only pulls it into it.
  const int pressing = me.Ctrl[kRight] && !me.Ctrl[kLeft] ? 1 : (me.Ctrl[kLeft] && !me.Ctrl[kRight] ? -1 : 0);
  const double open = s.x - pressing * (kWormHalfWidth + 1);
  if (pressing != 0 && memory.stillFrames < kImpaledStill + kWalkOffFirst && IsPassable(s.w, open, s.y) &&
      IsPassable(s.w, open, s.y - kWormHalfHeight)) {
    me.Ctrl.fill(0);
    Press(me, pressing > 0 ? kLeft : kRight);
    return true;
  }
  // Any hook that holds will do, however near, as long as the pull is free:
  // the worm needs to move a pixel or two. Straight up when none is.
  const RopeThrow plan = PlanRope(s, 0, 0, -1);
  me.Ctrl.fill(0);
  if (plan.ok)
    ThrowPlannedRope(s, plan.right, plan.aim);
  else
    ThrowRope(s, s.x, s.y - 60);
  if (me.Ctrl[kChange]) memory.liftFrames = kLiftFrames;
  return true;
}

bool Lift(Sight& s) {
  Player& me = s.me;
  AceRecord& memory = s.memory;
  if (memory.liftFrames == 0) return false;
  --memory.liftFrames;
  if (me.RopeState <= 0) {
    // The hook caught nothing that holds, or the other worm.
    memory.liftFrames = 0;
    return false;
  }
  me.Ctrl.fill(0);
  if (!Impaled(s.w, s.x, s.y) || memory.liftFrames == 0) {
    // Clear of the ground that held it: it drops onto it and stands.
    Press(me, kJump);
    memory.liftFrames = 0;
  } else if (me.Age % 2 == 0) {
    Press(me, kChange);
    Press(me, kUp);
  }
  return true;
}

void Unstick(Sight& s) {
  const World& w = s.w;
  Player& me = s.me;
  AceRecord& memory = s.memory;
  const double x = s.x, y = s.y;
  // Nothing has moved the worm for a long time: walk to the open side, jump,
  // walk the other way (a blocked step does not turn the worm, so each way
  // gets its turn whatever the facing), dig up (which leaves room to jump
  // and turn round in), dig level, dig low (a worm caught on a point of
  // ground drops once it is gone), jumping all the while, and rope, each
  // time at another angle.
  me.Ctrl.fill(0);
  const int round = (memory.stillFrames - kStuckAfter) / kStuckStep;
  const int phase = round % 7;
  // The open side is chosen once a round: a step can change which side
  // looks open, and turning back each frame gets nowhere.
  if ((memory.stillFrames - kStuckAfter) % (kStuckStep * 7) == 1)
    memory.wanderDir = !IsPassable(w, x - kWormHalfWidth, y) && IsPassable(w, x + kWormHalfWidth, y) ? 1 : -1;
  static constexpr int kDigAims[] = {0, 0, 0, 17, 8, 1};
  if (phase <= 5) {
    // The jump goes with every walk and dig: a worm in a hole it has dug
    // gets out once the soil above it is gone.
    Press(me, kJump);
    if (phase == 0 || phase == 2) {
      Press(me, (phase == 0 ? memory.wanderDir : -memory.wanderDir) > 0 ? kRight : kLeft);
    } else if (phase >= 3 && AimAt(me, kDigAims[phase]) && me.Age % 2 == 0) {
      // Tapped: only a fresh press of the second key digs again.
      Press(me, kLeft);
      Press(me, kRight);
    }
  } else if (me.RopeState == 0) {
    static constexpr int kRopeAims[] = {15, 11, 17, 13, 9};
    if (AimAt(me, kRopeAims[(round / 7) % 5])) {
      Press(me, kJump);
      Press(me, kChange);
    }
  } else if (me.RopeLength > fixed(5)) {
    Press(me, kChange);
    Press(me, kUp);
  }
}

}  // namespace krel::ace_detail
