// The ace's engagement: a worm that stays in a small place while the other
// worm is in play, or crowds it without a shot, forces a way out.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "client/ai/ace_sight.h"

namespace krel::ace_detail {

namespace {

// Inside a box of kBoxPixels for kLoiterAfter calls while the other worm is
// in play, the worm forces its way out: digging and roping along the most
// open way. The box is the one a watching player would judge pacing by; the
// first try begins well before a stay looks like loitering, so that a failed
// try leaves time for others. A worm with a shot worth firing from where it
// is may be about to fight there, and one that came nearer the other worm
// along its way within the last kUnarmedOnItsWay calls is on its way (a
// slow dig, a jump over a gap); any other is only pacing, and most long
// stays begin so: it gives the place up sooner. (Sooner still costs more
// than it wins: the worm turns off ways that were getting it there.)
constexpr int kBoxPixels = 24;
constexpr int kLoiterAfter = 34;
constexpr int kLoiterUnarmedAfter = 22;
constexpr int kUnarmedOnItsWay = 12;
constexpr int kEngageFrames = 18;
constexpr int kGiveUpStill = 8;
constexpr double kKeepOnGain = 8;
// Still in the box this long, the tries go by rope.
constexpr int kRopeAfter = 80;
// Still in the box this long, the tries go any way that leads out.
constexpr int kAnyWayAfter = 120;

// The ways out of a place, looked at along 16 rays: how far each runs
// before rock (or the level's edge), up to kExitReach, less for the soil
// on the way, a little more towards the other worm. Steep ways count for
// less until the worm has been shut in long: straight up into the open it
// could only throw a rope, whose hook mostly pulls it nowhere out of a
// small place, and a dig steeply down leaves it standing where it was. A
// way up is looked at from the worm's head: a lip of rock by its feet is
// one it climbs or digs over, while rock over its head is what stops it (in
// a hollow every ray from the middle met the lip, and the way out up past
// it went untried).
constexpr double kExitReach = 64;
// Free pixels a ray needs before rock to lead out of the box.
constexpr double kLeavesBox = 2.0 * kBoxPixels;
// Each try goes another way: the best ways often lie side by side (a fan
// of open rays up one side), and the ray next to one that failed mostly
// fails the same way. A ray within one step (22.5 degrees) of one of the
// latest tries loses kTriedNear, two steps away kTriedNext, however often
// it was tried: less than a ray that leads nowhere loses, so that a way
// tried before still comes before one into rock.
constexpr double kTriedNear = 40, kTriedNext = 20;
struct Exit {
  double dx = 0, dy = 0;  // unit direction
  double open = 0;        // free pixels along the ray before rock
  int soil = 0;           // pixels of soil among them
};
constexpr int kRays = 16;
// The ray nearest the direction (dx, dy).
int RayOf(double dx, double dy) {
  const int k = static_cast<int>(std::lround(std::atan2(dy, dx) / (3.14159265358979 / 8)));
  return ((k % kRays) + kRays) % kRays;
}
Exit FindExit(const Sight& s, bool away, bool anyWay) {
  Exit best;
  double bestScore = -1e18;
  const double toX = s.ex - s.x, toY = s.ey - s.y, to = std::max(1.0, std::sqrt(toX * toX + toY * toY));
  for (int k = 0; k < kRays; ++k) {
    Exit e;
    const double a = k * 3.14159265358979 / 8;
    e.dx = std::cos(a);
    e.dy = std::sin(a);
    const double from = e.dy < -0.3 ? s.y - kWormHalfHeight : s.y;
    for (double d = kWormHalfWidth; d <= kExitReach; d += 2) {
      const double x = s.x + e.dx * d, y = from + e.dy * d;
      if (x <= 1 || y <= 1 || x >= s.w.LevelWidth - 1 || y >= std::min<int>(s.w.LevelHeight, kPassableBottom) - 1)
        break;
      if (!IsPassable(s.w, x, y)) {
        if (MaterialOf(s.w, s.w.LevelSurface.At(static_cast<int32>(x), static_cast<int32>(y))) == kRock) break;
        ++e.soil;
      }
      e.open = d;
    }
    // A ray that meets rock before it leaves the box leads nowhere, however
    // much it points at the other worm: the pull towards it (away from it
    // when crowding it) counts only as far as the ray is open. Shut in for
    // long, any way out will do, up or away from the other worm included.
    const double towards = (away ? -25 : 15) * (e.dx * toX + e.dy * toY) / to * std::min(1.0, e.open / kLeavesBox);
    double score = e.open - e.soil * 1.5 + (anyWay ? 0 : towards) - (!anyWay && (e.dy < -0.3 || e.dy > 0.75) ? 40 : 0) -
                   (e.open < kLeavesBox ? 60 : 0);
    double tried = 0;
    for (const int32 ray : s.memory.triedRays) {
      if (ray < 0) continue;
      const int apart = std::min((k - ray + kRays) % kRays, (ray - k + kRays) % kRays);
      tried = std::max(tried, apart <= 1 ? kTriedNear : (apart == 2 ? kTriedNext : 0));
    }
    score -= tried;
    if (score > bestScore) {
      bestScore = score;
      best = e;
    }
  }
  return best;
}

// Still in the box after kLevelAfter calls, a try that digs goes level
// instead, to the side where soil and open ground run furthest before rock
// meets the worm's body (every other try to the other side, if that runs
// at least kLevelRun as well): digging level through soil always moves a
// worm on, where the most open ray often leads up or down a way it can
// neither climb nor dig.
constexpr int kLevelAfter = 50;
constexpr double kLevelRun = 30;
double LevelRun(const Sight& s, int dir) {
  double run = 0;
  for (double d = kWormHalfWidth; d <= kExitReach; d += 2) {
    const double x = s.x + dir * d;
    if (x <= 1 || x >= s.w.LevelWidth - 1) break;
    for (const double y : {s.y - kWormHalfHeight + 1, s.y, s.y + kWormHalfHeight - 1})
      if (InRock(s.w, x, y)) return run;
    run = d;
  }
  return run;
}

// A throw whose hook holds far enough away to pull the worm out of the box,
// towards the other worm (away from it when crowding it).
RopeThrow PlanRopeOut(const Sight& s, bool crowded) {
  const double toX = s.ex - s.x, toY = s.ey - s.y;
  return PlanRope(s, kLeavesBox - 4, crowded ? -toX : toX, crowded ? -toY : toY);
}

// A planned throw is flown again when the worm has moved this far since.
constexpr double kReplanMoved = 3;

void UsePlannedRope(Sight& s, const RopeThrow& plan) {
  AceRecord& memory = s.memory;
  memory.ropePlanned = kTrue;
  memory.ropePlanRight = ToFlag(plan.right);
  memory.ropePlanAim = plan.aim;
  memory.ropePlanX = static_cast<int32>(s.x);
  memory.ropePlanY = static_cast<int32>(s.y);
  memory.exitX = static_cast<int32>(plan.hookX);
  memory.exitY = static_cast<int32>(plan.hookY);
}

int LoiterAfter(const AceRecord& memory) {
  // Any slot weighed with a shot worth firing counts, the one loading too.
  const bool armed = std::any_of(memory.worth.begin(), memory.worth.end(), [](int32 v) { return v > kDigShot; });
  return armed || memory.noProgress <= kUnarmedOnItsWay ? kLoiterAfter : kLoiterUnarmedAfter;
}

}  // namespace

// Keeps the worm's recent positions while the other worm is in play and
// counts how many of the latest fit in a small box: pacing to and fro is no
// better than standing.
void TrackBox(AceRecord& memory, bool enemyInPlay, int32 px, int32 py) {
  if (!enemyInPlay) {
    memory.recentCount = 0;
    memory.boxFrames = 0;
  } else {
    const std::size_t n = memory.recentX.size();
    const auto at = static_cast<std::size_t>(memory.recentNext) % n;
    memory.recentX[at] = static_cast<int16>(std::clamp(px, -32000, 32000));
    memory.recentY[at] = static_cast<int16>(std::clamp(py, -32000, 32000));
    memory.recentNext = static_cast<int32>((at + 1) % n);
    memory.recentCount = std::min<int32>(memory.recentCount + 1, static_cast<int32>(n));
    // The calls, newest first, whose positions all fit in the box.
    int x0 = px, x1 = px, y0 = py, y1 = py, inBox = 0;
    for (int k = 0; k < memory.recentCount; ++k, ++inBox) {
      const auto i = (at + n - static_cast<std::size_t>(k)) % n;
      x0 = std::min<int>(x0, memory.recentX[i]);
      x1 = std::max<int>(x1, memory.recentX[i]);
      y0 = std::min<int>(y0, memory.recentY[i]);
      y1 = std::max<int>(y1, memory.recentY[i]);
      if (x1 - x0 > kBoxPixels || y1 - y0 > kBoxPixels) break;
    }
    memory.boxFrames = inBox;
  }
}

bool Loitering(const AceRecord& memory) { return memory.engageFrames > 0 || memory.boxFrames >= LoiterAfter(memory); }

// Inside a small box too long with the other worm in play: the way it
// followed avoids this place from now on, and for a while it forces a way
// out, each time along another of the best rays: roping along it when it
// runs upwards through the open, otherwise digging and jumping along it.
// True when it took the controls.
bool BreakOut(Sight& s) {
  AceRecord& memory = s.memory;
  Player& me = s.me;
  const World& w = s.w;
  // Too close to the other worm for a safe shot for too long is as bad: the
  // way out then leads away from it.
  const bool crowded = memory.closeFrames > kCrowdedAfter;
  const int loiterAfter = LoiterAfter(memory);
  // A way that gets the worm no nearer its end (rock ahead, a hook that
  // holds nowhere) is given up early for the next one; one that digs on
  // slowly is not.
  if (memory.engageFrames > 0) {
    const auto left = static_cast<int32>(std::sqrt(Dist2(s.x, s.y, memory.exitX, memory.exitY)));
    memory.exitStale = left < memory.exitBest ? 0 : memory.exitStale + 1;
    memory.exitBest = std::min(memory.exitBest, left);
    // Turning and aiming a planned throw moves the worm nowhere yet.
    const bool aiming = memory.ropePlanned != kFalse && memory.planRopeFrames == 0;
    if (memory.exitStale > kGiveUpStill && me.RopeState == 0 && !aiming) memory.engageFrames = 0;
  }
  // Out of the place, the ways tried from it no longer say anything.
  if (memory.engageFrames == 0 && memory.boxFrames < kLoiterUnarmedAfter) memory.triedRays.fill(-1);
  if (memory.engageFrames == 0 && (memory.boxFrames >= loiterAfter || crowded) && me.RopeState == 0) {
    // A way that is getting the worm somewhere, slowly (digging), is kept
    // on: turning to the next one would undo what it won. So is a way away
    // from a worm that crowds this one: it follows, and the side away from
    // it flips each time it catches up and walks through.
    const double before = std::sqrt(Dist2(memory.engageFromX, memory.engageFromY, memory.exitX, memory.exitY));
    const double now = std::sqrt(Dist2(s.x, s.y, memory.exitX, memory.exitY));
    if (memory.engageRound > 0 && now > 6 && before - now >= kKeepOnGain) {
      memory.engageFrames = kEngageFrames;
      memory.exitStale = 0;
      memory.closeFrames = 0;
      memory.engageFromX = static_cast<int32>(s.x);
      memory.engageFromY = static_cast<int32>(s.y);
    }
  }
  if (memory.engageFrames == 0 && (memory.boxFrames >= loiterAfter || crowded)) {
    memory.engageFrames = kEngageFrames;
    memory.engageFromX = static_cast<int32>(s.x);
    memory.engageFromY = static_cast<int32>(s.y);
    ++memory.engageRound;
    // The way led here and no further: the next one goes round this place.
    const auto k = static_cast<std::size_t>(memory.deadCount % 8);
    memory.deadX[k] = static_cast<int32>(s.x);
    memory.deadY[k] = static_cast<int32>(s.y);
    ++memory.deadCount;
    memory.pathAge = 1000;
    const Exit e = FindExit(s, crowded, memory.boxFrames >= kAnyWayAfter);
    memory.closeFrames = 0;
    // Far enough that getting there leaves the box, whatever lies between.
    memory.exitX = static_cast<int32>(s.x + e.dx * std::max(e.open, 2.0 * kBoxPixels));
    memory.exitY = static_cast<int32>(s.y + e.dy * std::max(e.open, 2.0 * kBoxPixels));
    // Once the ways along the ground have failed, or when none leaves the
    // box, every try is a rope thrown where its hook is known to hold far
    // enough away, towards the other worm (or away from it when crowding it).
    memory.ropePlanned = kFalse;
    memory.ropeFrames = 0;
    memory.planRopeFrames = 0;
    if (memory.boxFrames >= kRopeAfter || e.open < kLeavesBox) {
      const RopeThrow plan = PlanRopeOut(s, crowded);
      if (plan.ok) {
        UsePlannedRope(s, plan);
        // Time to turn and aim as well.
        memory.engageFrames = kEngageFrames + std::abs(plan.aim - me.Aim) + 2;
      }
    }
    if (memory.boxFrames >= kLevelAfter && memory.ropePlanned == kFalse) {
      const double right = LevelRun(s, 1), left = LevelRun(s, -1);
      int dir = right > left || (right == left && s.ex >= s.x) ? 1 : -1;
      if (memory.engageRound % 2 == 0 && std::min(right, left) >= kLevelRun) dir = -dir;
      if (std::max(right, left) >= kLevelRun) {
        memory.exitX = static_cast<int32>(s.x + dir * 2.0 * kBoxPixels);
        memory.exitY = static_cast<int32>(s.y);
      }
    }
    memory.exitBest = static_cast<int32>(std::sqrt(Dist2(s.x, s.y, memory.exitX, memory.exitY)));
    memory.exitStale = 0;
    // Whichever way this try goes (a ray, level, or a rope's hold), the next
    // ones go elsewhere.
    std::rotate(memory.triedRays.rbegin(), memory.triedRays.rbegin() + 1, memory.triedRays.rend());
    memory.triedRays[0] = RayOf(memory.exitX - s.x, memory.exitY - s.y);
  }
  if (memory.engageFrames == 0) return false;
  --memory.engageFrames;
  me.Ctrl.fill(0);
  const double gx = memory.exitX, gy = memory.exitY;
  if (me.RopeState != 0 && memory.ropePlanned != kFalse) {
    // Pulled up to the hook by shortening the rope, swinging its way; let
    // go once there or hanging still.
    const bool holds = !IsPassable(w, me.RopeX.ToDouble(), me.RopeY.ToDouble());
    const double toHook2 = Dist2(s.x, s.y, me.RopeX.ToDouble(), me.RopeY.ToDouble());
    if (!holds) memory.exitStale = 0;  // the hook still flies
    if (me.RopeState < 0 || ++memory.planRopeFrames > 45 || (holds && (toHook2 < 16 * 16 || memory.exitStale > 6))) {
      Press(me, kJump);
      memory.ropeFrames = 0;
      memory.ropePlanned = kFalse;
      memory.engageFrames = 0;
    } else {
      // The pull takes what it takes: the try lasts until the worm lets go.
      memory.engageFrames = std::max<int32>(memory.engageFrames, 1);
      if (holds && me.Age % 2 == 0) {
        Press(me, kChange);
        Press(me, kUp);
      } else {
        Press(me, gx > s.x ? kRight : kLeft);
      }
    }
    return true;
  }
  if (me.RopeState != 0) {
    // A rope thrown by anything but a planned try (a hook that caught the
    // other worm among them) pulls nowhere out: let go of it.
    Press(me, kJump);
    memory.ropeFrames = 0;
    return true;
  }
  if (memory.ropePlanned != kFalse &&
      Dist2(s.x, s.y, memory.ropePlanX, memory.ropePlanY) > kReplanMoved * kReplanMoved) {
    // The worm slid or fell while it turned and aimed: from here the same
    // throw flies elsewhere, often into the ground beside it.
    const RopeThrow plan = PlanRopeOut(s, crowded);
    if (plan.ok) {
      UsePlannedRope(s, plan);
      memory.engageFrames = std::max<int32>(memory.engageFrames, std::abs(plan.aim - me.Aim) + 2);
      memory.exitBest = static_cast<int32>(std::sqrt(Dist2(s.x, s.y, memory.exitX, memory.exitY)));
      memory.exitStale = 0;
    } else {
      memory.ropePlanned = kFalse;
    }
  }
  if (memory.ropePlanned != kFalse) {
    ThrowPlannedRope(s, memory.ropePlanRight != kFalse, memory.ropePlanAim);
  } else {
    DigToward(s, gx, gy);
    // Up the way, or over a knob of rock that neither walking nor digging
    // gets past.
    if (OnGround(w, s.x, s.y) && (gy < s.y - 4 || memory.exitStale >= 4) && IsPassable(w, s.x, s.y - kWormHalfHeight) &&
        me.Age % 6 == 0)
      Press(me, kJump);
  }
  return true;
}

}  // namespace krel::ace_detail
