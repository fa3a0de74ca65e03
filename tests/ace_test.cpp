// The ace computer player's decisions on small hand-made levels (it gets
// across a gap, it does not fire a rocket into the wall beside it, its lobs
// land where it aims them), and a short arena run of whole games that checks
// only what must always hold.
#include <gtest/gtest.h>
#include <algorithm>

#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "client/ai/ace.h"
#include "client/ai/ace_path.h"
#include "client/ai/ace_sight.h"
#include "client/ai/flight.h"
#include "client/simulation/weapons/arms.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "client/simulation/worms/worms.h"
#include "sim_test_support.h"
#include "tools/krel-arena/arena.h"

namespace krel {
namespace {

using namespace krel::testing;

constexpr int kBazooka = 4, kMortar = 28, kCannon = 29;  // weapon numbers in the shipped file

using Fills = std::vector<std::tuple<int, int, int, int, int>>;  // x0, y0, x1, y1, colour

void Paint(World& w, const Fills& fills) {
  for (auto [x0, y0, x1, y1, colour] : fills) Fill(w, x0, y0, x1, y1, colour);
}

// Worm p carries weapon `weapon` in every slot, loaded, ready to fire.
void Arm(World& w, int p, int weapon) {
  Player& pl = w.Players[static_cast<std::size_t>(p)];
  for (std::size_t s = 0; s < 5; ++s) {
    pl.WeaponSlots[s] = static_cast<int16>(weapon);
    pl.Ammo[s] = fixed(w.WeaponDefs[static_cast<std::size_t>(weapon + 1)].AMMO);
  }
  pl.Age = 1000;
  pl.Lives = 5;
}

// One frame of the game's simulation; Frame then lets the ace play worm 1.
void Simulate(World& w) {
  PlayerAction(w);
  MoveShots(w);
  ParticleMove(w);
  SObjMove(w);
}

void Frame(World& w) {
  Simulate(w);
  AcePlayer(w, 1);
}

// Frames played while `going` holds, at most `limit`.
int PlayWhile(World& w, int limit, const std::function<bool()>& going) {
  int frames = 0;
  for (; frames < limit && going(); ++frames) Frame(w);
  return frames;
}

// Off its feet at (x, y) with sideways speed dirX, as gravity leaves a worm
// at each step that holds it.
void Hold(Player& me, double x, double y, double dirX = 0) {
  std::tie(me.X, me.Y, me.DirX, me.DirY, me.Speed) = std::tuple(fixed(x), fixed(y), fixed(dirX), fixed(0.1), fixed(30));
}

std::string At(const Player& p) {
  return "(" + std::to_string(p.X.ToDouble()) + ", " + std::to_string(p.Y.ToDouble()) + ")";
}

struct Ace : ::testing::Test {
  std::unique_ptr<World> owned;

  // A level for two worms, free but for `fills`; `arms` loads the shipped weapons.
  World& Level(int width, int height, const Fills& fills, bool arms = false) {
    World& w = *(owned = MakeSimWorld(width, height));
    ArmsError error;
    EXPECT_TRUE(!arms || LoadArms(w, KREL_SOURCE_DIR "/data/arms.dat", error)) << error.Message();
    w.NumPlayers = 2;
    Paint(w, fills);
    return w;
  }

  // The two worms shut in a small hollow of rock `width` pixels wide, side
  // by side; the ace has bazookas.
  World& ShutInBesideTheOtherWorm(int width = 22) {
    World& w = Level(300, 150, {{0, 0, 300, 150, kRockColour}, {105, 84, 105 + width, 100, kFreeColour}}, true);
    PlaceWorm(w, 1, 110, 95);
    PlaceWorm(w, 2, 99 + width, 95).Lives = 5;
    Arm(w, 1, kBazooka);
    return w;
  }
};

TEST_F(Ace, WalksAndJumpsAcrossAGapToItsTarget) {
  // Two floors with a 40-pixel pit between them, the other worm on the far
  // one. No weapons: the ace can only travel.
  World& w =
      Level(300, 150,
            {{0, 100, 120, 150, kSoilColour}, {160, 100, 300, 150, kSoilColour}, {120, 146, 160, 150, kRockColour}});
  const Player& me = PlaceWorm(w, 1, 30, 95);
  PlaceWorm(w, 2, 260, 95);
  const int frames = PlayWhile(w, 2000, [&] { return !(me.X.ToDouble() > 165 && me.Y.ToDouble() < 100); });
  EXPECT_GT(me.X.ToDouble(), 165) << "after " << frames << " frames";
  EXPECT_LT(me.Y.ToDouble(), 100);
}

TEST_F(Ace, DoesNotFireTheBazookaIntoTheWallBesideIt) {
  // A soil wall right in front of the worm, the other worm behind it.
  World& w = Level(300, 150, {{0, 100, 300, 150, kRockColour}, {56, 1, 80, 100, kSoilColour}}, true);
  Player& me = PlaceWorm(w, 1, 50, 95);
  std::tie(me.FacingRight, me.Aim) = std::tuple(kTrue, 7);
  PlaceWorm(w, 2, 150, 95);
  Arm(w, 1, kBazooka);
  EXPECT_EQ(AceBestAim(w, 1, 0, 150, 95).aim, -1);
  // While the wall stands (the worm digs into it meanwhile), no rocket.
  for (int k = 0; k < 20; ++k) Frame(w);
  EXPECT_EQ(std::tuple(me.Ammo[0], me.Ammo[1], me.Health), std::tuple(fixed(1), fixed(1), int16{100}));
}

// Where the first blast of weapon `weapon` fired by worm 1 goes off.
bool FireAndFindBlast(World& w, int weapon, double& bx, double& by) {
  const int16 blast = w.WeaponDefs[static_cast<std::size_t>(weapon + 1)].CREATEONHIT;
  w.Players[1].Ctrl.fill(0);
  w.Players[1].Ctrl[kShoot] = 1;
  for (int k = 0; k < 200; ++k) {
    PlayerAction(w);
    w.Players[1].Ctrl.fill(0);
    MoveShots(w);
    ParticleMove(w);
    SObjMove(w);
    for (std::size_t i = 1; i < w.SObjs.size(); ++i) {
      if (w.SObjs[i].removed == kFalse && w.SObjs[i].ty == blast) {
        std::tie(bx, by) = std::tuple(w.SObjs[i].x.ToDouble(), w.SObjs[i].Y.ToDouble());
        return true;
      }
    }
  }
  return false;
}

TEST_F(Ace, LobsLandWithinAFewPixelsOfTheAimPoint) {
  // The aim point is where some aim step's shot comes down on a flat floor;
  // the ace must find that step, and the game's own shot must land there.
  for (int weapon : {kMortar, kCannon}) {
    for (int step : {10, 12, 14}) {
      World& w = Level(500, 200, {{0, 150, 500, 200, kRockColour}}, true);
      Player& me = PlaceWorm(w, 1, 40, 145);
      me.FacingRight = kTrue;
      Arm(w, 1, weapon);
      const WeaponDef& W = w.WeaponDefs[static_cast<std::size_t>(weapon + 1)];
      const FlightWorms nobody{-1e6, -1e6, 40, 145};
      const FlightResult aimPoint = Fly(w, W, LaunchState(me, W, step, true), nobody, 200, 100000);
      ASSERT_NE(aimPoint.end, FlightEnd::kFlying);
      const AceAim a = AceBestAim(w, 1, 0, aimPoint.x, aimPoint.y);
      ASSERT_GE(a.aim, 0) << W.NAME << " aim step " << step;
      me.Aim = static_cast<int16>(a.aim);
      double bx = 0, by = 0;
      ASSERT_TRUE(FireAndFindBlast(w, weapon, bx, by)) << W.NAME;
      EXPECT_LT(std::hypot(bx - aimPoint.x, by - aimPoint.y), 5.0)
          << W.NAME << " aimed at (" << aimPoint.x << ", " << aimPoint.y << ") with step " << a.aim << ", blast at ("
          << bx << ", " << by << ")";
    }
  }
}

// Motion tests points beside a worm's centre, so a worm whose centre has
// ended up a few pixels inside rock can neither walk, jump, dig nor rope out
// of it, and a kick of its own shots only drives it into more rock. The ace
// must not stay there for the rest of the game: it fires into the rock
// around it until the blasts push it out or end its life, and plays on
// elsewhere. Here it is wedged 3 pixels deep in a rock wall, facing out,
// the other worm in the open, with the weapons each case gives it.
TEST_F(Ace, AWormWedgedInRockFiresItselfOut) {
  const auto weapon = [](const World& w, int n) -> const WeaponDef& {
    return w.WeaponDefs[static_cast<std::size_t>(n + 1)];
  };
  const auto blast = [&](const World& w, int n) { return BlastOf(w, weapon(w, n)).damage; };
  const auto load = [&](Player& me, std::size_t k, int n, const World& w) {
    me.WeaponSlots[k] = static_cast<int16>(n);
    me.Ammo[k] = fixed(weapon(w, n).AMMO);
  };
  struct Case {
    const char* name;
    int limit;
    std::function<void(World&, Player&)> arm;
  };
  const Case cases[] = {
      {"bazookas", 1000, [](World&, Player&) {}},
      // Only the weapon in hand reloads: with its hard-hitting weapon empty,
      // it changes to it and waits for it to load, rather than firing a
      // loaded one that cannot move it for good.
      {"an empty bazooka and, in hand, a weapon with neither recoil nor blast", 1500,
       [&](World& w, Player& me) {
         int weak = -1;
         for (int n = 0; n < 40 && weak < 0; ++n)
           if (weapon(w, n).RECOIL == 0 && blast(w, n) == 0 && weapon(w, n).AMMO > 0) weak = n;
         ASSERT_GE(weak, 0);
         for (std::size_t k = 1; k < 5; ++k) load(me, k, weak, w);
         me.Ammo[0] = -1;
         me.CurWeapon = 1;
       }},
      // A shot that bursts only on worms goes off nowhere in rock, however
      // big its blast would be: it blasts itself out with one that bursts on
      // the ground (the smallest without recoil), not with the biggest that
      // bursts only on worms, though that one is in its hand.
      {"a weapon that bursts on rock and, in hand, one that bursts only on worms", 1000,
       [&](World& w, Player& me) {
         int onWorms = -1, onRock = -1;
         for (int n = 0; n < 40; ++n) {
           const WeaponDef& W = weapon(w, n);
           if (W.AMMO <= 0 || blast(w, n) <= 0) continue;
           if (W.GROUNDEXPLODE != 1 && W.TIMETOEXPLODE == 0 && (onWorms < 0 || blast(w, n) > blast(w, onWorms)))
             onWorms = n;
           if (W.GROUNDEXPLODE == 1 && W.RECOIL == 0 && (onRock < 0 || blast(w, n) < blast(w, onRock))) onRock = n;
         }
         ASSERT_GE(onWorms, 0);
         ASSERT_GE(onRock, 0);
         for (std::size_t k = 0; k < 5; ++k) load(me, k, k == 0 ? onRock : onWorms, w);
         me.CurWeapon = 2;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World& w = Level(300, 150, {{0, 120, 300, 150, kRockColour}, {150, 0, 300, 150, kRockColour}}, true);
    Player& me = PlaceWorm(w, 1, 153, 100);
    me.FacingRight = kFalse;
    PlaceWorm(w, 2, 40, 115);
    Arm(w, 1, kBazooka);
    c.arm(w, me);
    if (HasFatalFailure()) return;
    const int frames = PlayWhile(w, c.limit, [&] {
      return me.Alive != kFalse && std::abs(me.X.ToDouble() - 153) < 2 && std::abs(me.Y.ToDouble() - 100) < 2;
    });
    EXPECT_LT(frames, c.limit) << "still wedged, health " << me.Health;
  }
}

// Held by a sliver of rock, with open air at the muzzle whichever way it
// aims, the worm blasts itself out with the shot that bursts nearest it
// (fired anywhere else, the blast pushes nothing).
TEST_F(Ace, HeldByASliverOfRockItBlastsItselfOutNearby) {
  // The tip of a wedge of rock through the lower half of its body, over
  // open ground.
  World& w = Level(300, 150, {{0, 112, 300, 150, kRockColour}}, true);
  const int tip[] = {142, 146, 148, 150, 152, 152, 152, 151, 150, 147, 143};
  for (int row = 0; row < 11; ++row) Fill(w, 0, 95 + row, tip[row] + 1, 96 + row, kRockColour);
  Player& me = PlaceWorm(w, 1, 148.2, 98.5);
  std::tie(me.FacingRight, me.Aim) = std::tuple(kTrue, 17);
  const Player& other = PlaceWorm(w, 2, 280, 100);
  Arm(w, 1, kBazooka);
  AceRecord memory;
  memory.wedgedFrames = 100;
  ASSERT_TRUE(ace_detail::Encased(w, 148.2, 98.5));
  int firedAt = -1;
  for (int frame = 0; frame < 40 && firedAt < 0; ++frame) {
    Hold(me, 148.2, 98.5);
    me.Ctrl.fill(0);
    ace_detail::Sight s{w, 1, me, memory, &other, 148.2, 98.5, 280, 100, {148.2, 98.5}, 1e5};
    ASSERT_TRUE(ace_detail::KickOutOfRock(s));
    if (me.Ctrl[kShoot]) firedAt = me.Aim;
    me.Ctrl[kShoot] = 0;
    PlayerAction(w);
  }
  ASSERT_GE(firedAt, 0) << "never fired";
  const WeaponDef& W = w.WeaponDefs[kBazooka + 1];
  const FlightResult r = Fly(w, W, LaunchState(me, W, firedAt, true), {280, 100, 148.2, 98.5}, 90, 300);
  EXPECT_LT(std::hypot(r.x - 148.2, r.y - 98.5), 20)
      << "fired at aim " << firedAt << ", bursting at (" << r.x << ", " << r.y << ")";
}

// Wedged with a gentle way out, a worm takes it before it blasts itself:
// with its feet on soil under a slab of rock that reaches down to a pixel
// over the ground (no kick moves a worm held by the ground), it digs the
// soil away and drops out; with a lump of rock through its middle and one
// side of it open, it steps out that way.
TEST_F(Ace, WedgedInRockItTakesAGentleWayOutUnhurt) {
  const struct {
    const char* name;
    double x, y;
    Fills fills;
  } cases[] = {
      {"feet on soil, body in a slab of rock", 153, 94,
       Fills{{0, 98, 300, 150, kSoilColour}, {130, 0, 180, 97, kRockColour}}},
      {"a lump of rock through its middle, open to the left", 153.4, 93,
       Fills{{0, 98, 300, 150, kRockColour}, {152, 91, 156, 95, kRockColour}}},
  };
  for (const auto& c : cases) {
    World& w = Level(300, 150, c.fills, true);
    const Player& me = PlaceWorm(w, 1, c.x, c.y);
    PlaceWorm(w, 2, 40, 93);
    Arm(w, 1, kBazooka);
    // Held there long enough already that blasts are its last resort.
    ComputersOf(w).ace[1].wedgedFrames = 100;
    ASSERT_TRUE(ace_detail::Encased(w, c.x, c.y)) << c.name;
    const int frames = PlayWhile(w, 400, [&] { return ace_detail::Encased(w, me.X.ToDouble(), me.Y.ToDouble()); });
    EXPECT_LT(frames, 400) << c.name << ": still in the rock at " << At(me);
    EXPECT_EQ(me.Health, 100) << c.name;
  }
}

// The rock tests look around the worm, above its head and beside it: past
// the level's edge they meet a wall as hard as rock, and read nothing there.
TEST_F(Ace, PastTheLevelsEdgeIsRockAndNothingIsRead) {
  owned = MakeSimWorld(60, 40, kSoilColour);
  const World& w = *owned;
  for (const auto& [x, y] : std::vector<std::pair<double, double>>{
           {30, -9}, {30, -0.6}, {-3, 20}, {-0.6, 20}, {59.6, 20}, {64, 20}, {30, 39.6}, {30, 45}, {-5, -5}})
    EXPECT_TRUE(ace_detail::InRock(w, x, y)) << x << "," << y;
  EXPECT_FALSE(ace_detail::InRock(w, 30, 20));  // soil
  EXPECT_FALSE(ace_detail::Encased(w, 30, 20));
}

// Places the ace cannot get out of by walking, its target out of reach:
// it still never stays over 5 s inside a 24-pixel box (no weapons, so it
// cannot blow its way out either).
TEST_F(Ace, DoesNotLoiterWhereNoWayLeadsToItsTarget) {
  const struct {
    const char* name;
    double x, y, targetX, targetY;
    Fills fills;
  } cases[] = {
      {"target straight above on a rock shelf", 120, 125, 120, 55,
       Fills{{0, 130, 240, 200, kSoilColour}, {60, 60, 180, 66, kRockColour}}},
      {"in a pit of rock beside a wall, target far beyond the wall", 60, 95, 200, 125,
       Fills{{0, 130, 240, 200, kRockColour}, {0, 100, 100, 130, kSoilColour}, {100, 0, 110, 200, kRockColour}}},
      // Only digging on and on gets it out, and the rays towards the target
      // meet rock at once.
      {"shut in a pocket of soil, rock between it and the target", 56, 86, 200, 30,
       Fills{{0, 40, 240, 200, kSoilColour}, {50, 80, 62, 92, kFreeColour}, {66, 40, 74, 200, kRockColour}}},
      // Too deep to jump out of and rock all round: only a rope thrown
      // where its hook holds far up gets it out.
      {"at the bottom of a deep narrow pit of rock under a rock ceiling", 110, 125, 200, 125,
       Fills{{0, 130, 240, 200, kRockColour},
             {90, 40, 100, 130, kRockColour},
             {120, 40, 130, 130, kRockColour},
             {40, 8, 200, 14, kRockColour}}},
      // Sunk a pixel into a lip of rock too thin to stand on: no step, jump
      // or dig moves it; a rope thrown where its hook holds does.
      {"sunk into a thin lip of rock over open ground", 120, 126, 120, 190,
       Fills{{0, 195, 240, 200, kRockColour}, {60, 130, 180, 131, kRockColour}, {200, 40, 210, 195, kRockColour}}},
  };
  for (const auto& c : cases) {
    World& w = Level(240, 200, c.fills);
    const Player& me = PlaceWorm(w, 1, c.x, c.y);
    PlaceWorm(w, 2, c.targetX, c.targetY);
    arena::BoxWatch box;
    for (int frame = 0; frame < 1500; ++frame) {
      Frame(w);
      box.Add(me.X.RoundToInt64(), me.Y.RoundToInt64(), me.Alive != kFalse && w.Players[2].Alive != kFalse);
    }
    EXPECT_LE(box.Longest(), 5 * 25) << c.name << ", ended at " << At(me);
  }
}

// A worm off its feet can be held at a corner of the ground, its speed lost
// at every step: on a sliver too thin to jump from (a jump needs ground
// where its feet reach), on a point of rock or a nub of it in soil, beside
// a shelf that its step to the side meets, or by a mere drift onto a
// corner. Steering on holds it there for good; a worm getting away gets
// free within a second.
TEST_F(Ace, HeldAtACornerOffItsFeetItGetsFree) {
  const struct {
    const char* name;
    double x;
    bool right;
    Fills fills;
    double drift = 0;  // a hair of sideways speed left over, with no key pressed
    double y = 99.6;
  } cases[] = {
      {"on a sliver of soil", 120.4, true, Fills{{20, 103, 220, 105, kSoilColour}}},
      {"on a point of rock, open to the other side", 120.4, true, Fills{{119, 103, 126, 105, kRockColour}}},
      {"beside the edge of a shelf, nothing under its middle", 121.55, false, Fills{{0, 104, 120, 105, kSoilColour}}},
      // Nothing under its middle, and the nub runs on down past it at a
      // slant: no side is open below.
      {"on a nub of rock in soil", 120.6, true,
       Fills{{100, 104, 140, 110, kSoilColour},
             {123, 80, 140, 104, kSoilColour},
             {119, 104, 123, 105, kRockColour},
             {117, 105, 122, 107, kFreeColour},
             {122, 105, 124, 106, kRockColour}}},
      // Open below a step further on, but the point catches its corner
      // first; to the other side the rock is ground to step onto.
      {"on a point of rock, ground to step onto on the other side", 120.4, false,
       Fills{{116, 103, 123, 104, kSoilColour}, {118, 104, 124, 105, kRockColour}, {121, 105, 126, 106, kRockColour}}},
      // Nothing under its middle or its other corner: the drift alone holds
      // it, where its height puts that corner's next step a pixel lower.
      {"drifting a hair onto the corner of a slope", 120.4, true,
       Fills{{122, 105, 160, 110, kSoilColour}, {124, 104, 160, 105, kSoilColour}, {125, 103, 160, 104, kSoilColour}},
       0.003, 100.41},
  };
  for (const auto& c : cases) {
    World& w = Level(240, 200, {{0, 190, 240, 200, kRockColour}});
    Paint(w, c.fills);
    Player& me = PlaceWorm(w, 1, c.x, c.y);
    me.FacingRight = c.right ? kTrue : kFalse;
    Hold(me, c.x, c.y, c.drift);
    const Player& other = PlaceWorm(w, 2, 20, 185);
    AceRecord memory;
    int frame = 0;
    for (; frame < 25 && std::hypot(me.X.ToDouble() - c.x, me.Y.ToDouble() - c.y) < 2; ++frame) {
      me.Ctrl.fill(0);
      if (c.drift == 0) ace_detail::Press(me, c.right ? kRight : kLeft);
      const double x = me.X.ToDouble(), y = me.Y.ToDouble();
      ace_detail::Sight s{w, 1, me, memory, &other, x, y, 20, 185, {x, y}, 1e4};
      if (frame >= 3) ace_detail::LeaveCorner(s, true);
      PlayerAction(w);
    }
    EXPECT_LT(frame, 25) << c.name << ": held at " << At(me);
  }
}

// A sliver of rock wider than the worm through the bottom of its body, and
// nothing under its feet: it cannot jump, dig or step off, and gravity turns
// every step into the rock. A rope with an upward pull lifts it off, with the
// hook caught in rock just over its head or in soil far above.
TEST_F(Ace, HeldByASliverOfRockThroughItsBodyItRopesItselfOff) {
  for (const int roof : {94, 40}) {
    World& w = Level(240, 200, {{0, 190, 240, 200, kRockColour}});
    Fill(w, 0, roof - 20, 240, roof, roof > 60 ? kRockColour : kSoilColour);
    Fill(w, 100, 103, 140, 105, kRockColour);
    Player& me = PlaceWorm(w, 1, 120.4, 99.6);
    Hold(me, 120.4, 99.6);
    PlaceWorm(w, 2, 20, 185);
    const int frames =
        PlayWhile(w, 100, [&] { return std::hypot(me.X.ToDouble() - 120.4, me.Y.ToDouble() - 99.6) < 2; });
    EXPECT_LT(frames, 100) << "roof at " << roof << ": held at " << At(me);
  }
}

// Resting on a sliver of rock a pixel thick, with rock at its side and the
// other worm resting on the same sliver right on top of it: no rope lifts it
// (the hook catches the other worm at once) and no walk or jump moves it.
// It kicks itself off with a weapon's recoil.
TEST_F(Ace, OnASliverUnderTheOtherWormItKicksItselfOff) {
  World& w =
      Level(300, 300,
            {{0, 290, 300, 300, kRockColour}, {150, 240, 190, 266, kRockColour}, {186, 266, 194, 267, kRockColour}},
            true);
  Player& me = PlaceWorm(w, 1, 191.357, 261.818);
  Hold(me, 191.357, 261.818);
  Player& other = PlaceWorm(w, 2, 190.831, 261.421);
  Hold(other, 190.831, 261.421);
  other.Lives = 5;
  Arm(w, 1, kBazooka);
  const int frames =
      PlayWhile(w, 1500, [&] { return std::hypot(me.X.ToDouble() - 191.357, me.Y.ToDouble() - 261.818) < 3; });
  EXPECT_LT(frames, 1500) << "held at " << At(me) << ", the other worm at " << At(other);
  EXPECT_NE(me.Alive, kFalse);
}

// Held up by a point of soil under its middle, with soil over its head and
// against its side towards the other worm, the worm walks off the open side
// at once: a rope would catch the soil just above it and pull it nowhere.
TEST_F(Ace, HeldOnAPointUnderAnOverhangItWalksOffTheOpenSide) {
  World& w = Level(240, 200,
                   {{0, 190, 240, 200, kRockColour},
                    {120, 103, 121, 105, kSoilColour},
                    {100, 80, 130, 95, kSoilColour},
                    {100, 80, 119, 101, kSoilColour}});
  Player& me = PlaceWorm(w, 1, 120.4, 99.6);
  Hold(me, 120.4, 99.6);
  PlaceWorm(w, 2, 20, 185);
  bool roped = false;
  const int frames = PlayWhile(w, 40, [&] {
    roped = roped || me.RopeState != 0;
    return std::hypot(me.X.ToDouble() - 120.4, me.Y.ToDouble() - 99.6) < 2;
  });
  EXPECT_LT(frames, 20) << "held at " << At(me);
  EXPECT_FALSE(roped);
}

// Held off its feet, the worm put back by hand each frame (the motion rules
// make such holds on some shapes of rock), facing left, the way to the other
// worm leading left. Beside a point of rock, bobbing by a fraction of a pixel
// as gravity pulls it off the point and the point bounces it back, it is held
// as firmly as if it did not move at all: it stops steering into the rock.
// Over a notch in the ground narrower than itself, still moving sideways by a
// hair, it is held on the notch's edges, off its feet by the middle: it walks
// off them, as from any ground (held for good, a worm without a shot tries
// another way out after about 0.9 s; until then it walks).
TEST_F(Ace, HeldOffItsFeetItSteersOnlyWhereThatFreesIt) {
  const struct {
    const char* name;
    double x, y, bobY, dirX, otherX, otherY;
    int frames, from;
    bool (*wrong)(const Player&);  // at most `most` frames from `from` on may look like this
    int most;
    Fills fills;
  } cases[] = {
      {"beside a point of rock, frames steering into it", 141.6, 128.7, 129.0, 0, 96, 185, 40, 20,
       [](const Player& me) { return me.Ctrl[kLeft] && !me.Ctrl[kRight]; }, 0,
       Fills{{0, 190, 240, 200, kRockColour}, {135, 130, 139, 134, kRockColour}}},
      {"over a notch, of frames 5 to 14 those not walking", 119.88, 99.6, 99.6, -0.0001, 20, 99.6, 15, 5,
       [](const Player& me) { return !(me.Ctrl[kLeft] || me.Ctrl[kRight]); }, 2,
       Fills{{0, 104, 240, 200, kRockColour}, {120, 104, 121, 110, kFreeColour}, {60, 40, 70, 104, kRockColour}}},
  };
  for (const auto& c : cases) {
    World& w = Level(240, 200, c.fills);
    Player& me = PlaceWorm(w, 1, c.x, c.y);
    me.FacingRight = kFalse;
    PlaceWorm(w, 2, c.otherX, c.otherY);
    int wrong = 0;
    for (int frame = 0; frame < c.frames; ++frame) {
      Hold(me, c.x, frame % 3 == 1 ? c.bobY : c.y, c.dirX);
      AcePlayer(w, 1);
      if (frame >= c.from && c.wrong(me)) ++wrong;
    }
    EXPECT_LE(wrong, c.most) << c.name;
  }
}

// Nearly dead, a worm keeps its own splinters twice as far off as it
// mostly does: one stray splinter would be the end of it.
TEST_F(Ace, TheLessHealthTheWiderTheBerthOfItsOwnSplinters) {
  const World& w = Level(300, 150, {}, true);
  // The shipped weapon with harmful splinters that spreads least.
  const WeaponDef* weapon = nullptr;
  for (int k = 1; k < kWeaponSlots; ++k) {
    const WeaponDef& W = w.WeaponDefs[static_cast<std::size_t>(k)];
    if (BlastOf(w, W).splinterDamage > 0 && (weapon == nullptr || W.DISTRIBUTION < weapon->DISTRIBUTION)) weapon = &W;
  }
  ASSERT_NE(weapon, nullptr);
  const Blast b = BlastOf(w, *weapon);
  // A shot that bursts on the ground just inside twice its splinters'
  // reach, with the other worm right there.
  const double d = b.splinterReach * 2 - 1;
  const FlightResult burst{FlightEnd::kGround, 100 + d, 100, 20, 0, 0};
  for (auto [health, fires] : {std::pair{100, true}, {40, true}, {20, false}, {5, false}})
    EXPECT_EQ(ace_detail::Worth(*weapon, b, burst, 100, 100, 100 + d, 100, false, health) >= 0, fires)
        << "health " << health;
}

// Shut in a hollow of rock whose only way out is through soil, up and away
// from the other worm (which it cannot reach anyway), the ace in the end
// digs out that way rather than at the rock towards the other worm for good
// (though it may slide back down its shaft now and then).
TEST_F(Ace, ShutInAHollowItDigsOutAwayFromTheOtherWormIfThatIsTheOnlyWay) {
  World& w = Level(240, 200,
                   {{0, 0, 240, 200, kRockColour},
                    {20, 30, 70, 70, kFreeColour},    // a cave up and to the left
                    {60, 60, 104, 118, kSoilColour},  // soil between it and the hollow
                    {100, 112, 116, 128, kFreeColour},
                    {180, 100, 230, 140, kFreeColour}});  // the other worm, beyond rock
  const Player& me = PlaceWorm(w, 1, 108, 124);
  PlaceWorm(w, 2, 200, 135);
  double furthest = 0;  // up and to the left, away from the other worm
  for (int frame = 0; frame < 1500; ++frame) {
    Frame(w);
    const double x = me.X.ToDouble(), y = me.Y.ToDouble();
    if (x < 108 && y < 124) furthest = std::max(furthest, std::hypot(x - 108, y - 124));
  }
  EXPECT_GT(furthest, 40);
}

// Shut in with the other worm where neither can get away, the ace trades
// blows when it comes out ahead, and not when the blast would kill it.
TEST_F(Ace, HeldNextToTheOtherWormItTradesOnlyWhenItComesOutAhead) {
  for (auto [mine, theirs, trades] : {std::tuple{100, 10, true}, {12, 100, false}}) {
    World& w = ShutInBesideTheOtherWorm();
    Player &me = w.Players[1], &other = w.Players[2];
    std::tie(me.Health, other.Health) = std::tuple(mine, theirs);
    const int16 myLives = me.Lives, theirLives = other.Lives;
    for (int frame = 0; frame < 400; ++frame) Frame(w);
    EXPECT_EQ(std::tuple(other.Lives < theirLives, me.Lives), std::tuple(trades, myLives))
        << "health " << mine << " against " << theirs;
  }
}

// Held by the other worm's hook, the ace cannot get away however it tries:
// it trades blows as if shut in right beside it.
TEST_F(Ace, HeldByTheOtherWormsHookItTrades) {
  World& w = ShutInBesideTheOtherWorm(40);
  Player &me = w.Players[1], &other = w.Players[2];
  other.Health = 10;
  const int16 theirLives = other.Lives;
  for (int frame = 0; frame < 400 && other.Lives == theirLives; ++frame) {
    std::tie(other.RopeState, other.RopeX, other.RopeY, other.RopeLength) = std::tuple(-1, me.X, me.Y, fixed(30));
    Frame(w);
  }
  EXPECT_LT(other.Lives, theirLives);
}

// A hook that caught the other worm pulls the two together: it is let go
// at once, even by a worm busy trading blows point-blank.
TEST_F(Ace, LetsGoOfAHookThatCaughtTheOtherWormEvenWhileTrading) {
  World& w = ShutInBesideTheOtherWorm(16);  // too narrow a place to get out of touch
  Player &me = w.Players[1], &other = w.Players[2];
  other.Health = 10;  // a blow worth trading
  // Held there long enough to trade: it turns and aims for the blow.
  const AceRecord& memory = ComputersOf(w).ace[1];
  ASSERT_LT(PlayWhile(w, 400, [&] { return !(memory.touchFrames > 60 && memory.boxFrames > 60); }), 400);
  std::tie(me.RopeState, me.RopeX, me.RopeY) = std::tuple(-2, other.X, other.Y);
  Frame(w);
  Frame(w);
  EXPECT_EQ(me.RopeState, 0);
}

// Shut in a small hollow inside a block of soil, with the other worm 150
// pixels off in the soil, the ace digs a way it can follow: it gets over
// half the way nearer without staying in a 24-pixel box over 5 s, whichever
// way it has to go (no weapons, so only digging, walking and jumping get it
// there). A way dug steeply up is one a worm cannot walk up.
TEST_F(Ace, DigsAWayThroughSoilInEveryDirection) {
  const struct {
    const char* name;
    double dx, dy;  // where the other worm is, from the ace
  } cases[] = {{"level to the right", 150, 0},     {"up and to the right", 110, -100},
               {"nearly straight up", 30, -145},   {"up and to the left", -110, -100},
               {"down and to the left", -110, 90}, {"level to the left, rock above", -150, 0}};
  for (const auto& c : cases) {
    World& w = Level(400, 400, {{0, 0, 400, 400, kSoilColour}, {194, 212, 206, 226, kFreeColour}});
    if (c.dx < 0 && c.dy == 0) Fill(w, 150, 200, 250, 206, kRockColour);
    const double x = 200, y = 220;
    const Player& me = PlaceWorm(w, 1, x, y);
    PlaceWorm(w, 2, x + c.dx, y + c.dy);
    arena::BoxWatch box;
    const double start = std::hypot(c.dx, c.dy);
    double nearest = start;
    for (int frame = 0; frame < 1500 && nearest > 30; ++frame) {
      Frame(w);
      nearest = std::min(nearest, std::hypot(me.X.ToDouble() - x - c.dx, me.Y.ToDouble() - y - c.dy));
      box.Add(me.X.RoundToInt64(), me.Y.RoundToInt64(), true);
    }
    EXPECT_LT(nearest, start - 80) << c.name << ", ended at " << At(me);
    EXPECT_LE(box.Longest(), 5 * 25) << c.name;
  }
}

// A worm on its way through soil keeps the side it digs to, but not into
// rock: at the end of a way dug down to rock, a goal back up the way turns
// it round.
TEST_F(Ace, DiggingIntoRockItTurnsRoundToItsGoal) {
  World& w = Level(240, 200, {{0, 20, 240, 200, kSoilColour}});
  for (int k = 0; k <= 40; ++k) Fill(w, 122 - k, 140 - k, 130 - k, 150 - k, kFreeColour);
  Paint(w, {{130, 60, 200, 180, kRockColour}, {60, 150, 200, 180, kRockColour}});
  Player& me = PlaceWorm(w, 1, 126, 145);
  me.FacingRight = kTrue;
  const Player& other = PlaceWorm(w, 2, 200, 30);
  AceRecord memory;
  memory.sinceDig = 0;
  const double gx = 80, gy = 99;  // 45 degrees up and to the left
  for (int frame = 0; frame < 100; ++frame) {
    me.Ctrl.fill(0);
    const double x = me.X.ToDouble(), y = me.Y.ToDouble();
    ace_detail::Sight s{w, 1, me, memory, &other, x, y, 200, 30, {x, y}, 1e4};
    ace_detail::DigToward(s, gx, gy);
    PlayerAction(w);
  }
  EXPECT_LT(std::hypot(me.X.ToDouble() - gx, me.Y.ToDouble() - gy), 40) << "ended at " << At(me);
}

// Rock at the side of its body keeps a worm from stepping, turning or
// digging that way: it digs on the side it can, down through the soil under
// it, where the way leads on. Left in the rock, each of these held the worm
// for seconds on end.
TEST_F(Ace, RockBesideItsBodyItDigsOnTheOtherSide) {
  const struct {
    const char* name;
    double x, y, gx, gy;
    bool facingRight;
    Fills fills;
  } cases[] = {
      {"its head in an overhang, soil under it, the way straight down", 126.9, 103, 126.9, 123, true,
       Fills{{0, 108, 240, 200, kSoilColour}, {124, 94, 140, 104, kRockColour}}},
      {"facing a wall of rock a pixel thin, the way down the other side", 120.1, 97, 144, 155, false,
       Fills{{0, 113, 240, 200, kSoilColour}, {118, 90, 119, 102, kRockColour}, {115, 102, 121, 113, kRockColour}}},
      {"in a shaft of rock a little wider than the worm, the way straight down", 120, 106.3, 119, 170, true,
       Fills{{0, 111, 240, 200, kSoilColour},
             {0, 90, 117, 111, kRockColour},
             {123, 90, 240, 111, kRockColour},
             {117, 90, 123, 102, kRockColour}}},
  };
  for (const auto& c : cases) {
    World& w = Level(240, 200, c.fills);
    Player& me = PlaceWorm(w, 1, c.x, c.y);
    // Aimed up, as after digging its way up to here.
    std::tie(me.FacingRight, me.Aim) = std::tuple(ToFlag(c.facingRight), kAimSteps - 1);
    const Player& other = PlaceWorm(w, 2, 220, 20);
    AceRecord memory;
    memory.sinceDig = 0;
    for (int frame = 0; frame < 60; ++frame) {
      me.Ctrl.fill(0);
      const double x = me.X.ToDouble(), y = me.Y.ToDouble();
      ace_detail::Sight s{w, 1, me, memory, &other, x, y, 220, 20, {x, y}, 1e4};
      ace_detail::DigToward(s, c.gx, c.gy);
      PlayerAction(w);
    }
    EXPECT_GT(me.Y.ToDouble(), c.y + 6) << c.name << ": ended at " << At(me);
  }
}

// Shut in a pit under an open shaft, the ace first tries the most open way,
// up the shaft; shut in there two seconds or more, it digs level along the
// longest run of soil instead (the short run on the other side ends at rock).
TEST_F(Ace, ShutInLongItDigsLevelThroughSoil) {
  for (const auto& [boxFrames, level] : {std::pair{40, false}, std::pair{60, true}}) {
    World& w = Level(300, 150,
                     {{0, 0, 300, 150, kRockColour},
                      {80, 86, 200, 100, kSoilColour},
                      {100, 86, 120, 100, kFreeColour},
                      {104, 1, 116, 86, kFreeColour}});
    Player& me = PlaceWorm(w, 1, 110, 95);
    const Player& other = PlaceWorm(w, 2, 110, 20);
    AceRecord memory;
    std::tie(memory.boxFrames, memory.engageRound) = std::tuple(boxFrames, 2);  // the next try takes the best ray
    ace_detail::Sight s{w, 1, me, memory, &other, 110, 95, 110, 20, {110, 95}, 75 * 75};
    ASSERT_TRUE(ace_detail::BreakOut(s)) << boxFrames;
    if (level) {
      EXPECT_EQ(std::tuple(memory.exitX, memory.exitY), std::tuple(158, 95)) << boxFrames;
    } else {
      EXPECT_LT(memory.exitY, 60) << boxFrames << ": not up the shaft";
    }
  }
  // At the top of the level its body reaches past the edge, where there is
  // nothing to read: that counts as rock, so no level run and no dig along it.
  World& w = Level(300, 150, {{0, 0, 300, 150, kSoilColour}});
  Player& me = PlaceWorm(w, 1, 150, 1.5);
  const Player& other = PlaceWorm(w, 2, 250, 100);
  AceRecord memory;
  memory.boxFrames = 60;
  ace_detail::Sight s{w, 1, me, memory, &other, 150, 1.5, 250, 100, {150, 1.5}, 1e4};
  ASSERT_TRUE(ace_detail::BreakOut(s));
  EXPECT_NE(std::tuple(memory.exitX, memory.exitY), std::tuple(198, 1)) << "dug level along the edge";
}

// The best ways out of a place often lie side by side (a fan of open rays up
// one side): a try that failed along one of them makes the next ones go
// other ways, not the ray next to it.
TEST_F(Ace, EachTryOutOfASmallPlaceGoesAnotherWay) {
  World& w = Level(300, 150,
                   {{0, 0, 300, 150, kRockColour},
                    {100, 86, 120, 100, kFreeColour},
                    {112, 10, 290, 90, kFreeColour},  // open wide up and to the right
                    {40, 86, 100, 100, kSoilColour}});
  Player& me = PlaceWorm(w, 1, 110, 95);
  const Player& other = PlaceWorm(w, 2, 280, 20);
  AceRecord memory;
  memory.boxFrames = 40;
  std::vector<double> tried;
  for (int round = 0; round < 3; ++round) {
    memory.engageFrames = 0;
    ace_detail::Sight s{w, 1, me, memory, &other, 110, 95, 280, 20, {110, 95}, 1e5};
    ASSERT_TRUE(ace_detail::BreakOut(s));
    const double heading = std::atan2(memory.exitY - 95.0, memory.exitX - 110.0) * 180 / 3.14159265358979;
    for (const double before : tried) {
      const double apart = std::abs(std::remainder(heading - before, 360.0));
      EXPECT_GE(apart, 40) << "try " << round << " at " << heading << " degrees, " << before << " tried before";
    }
    tried.push_back(heading);
  }
}

// Held still off its feet beside a step of soil, its way level past the
// step's top, the worm has nothing to dig along the way: it digs the step
// away below it instead (the level dig would only open air).
TEST_F(Ace, HeldBesideAStepItDigsTheStepAway) {
  World& w = Level(240, 200, {{123, 104, 160, 130, kSoilColour}});
  Player& me = PlaceWorm(w, 1, 120.4, 99.6);
  std::tie(me.FacingRight, me.Aim) = std::tuple(kTrue, 8);
  const Player& other = PlaceWorm(w, 2, 200, 30);
  AceRecord memory;
  memory.stillFrames = 5;
  for (int frame = 0; frame < 30; ++frame) {
    Hold(me, 120.4, 99.6);
    me.Ctrl.fill(0);
    ace_detail::Sight s{w, 1, me, memory, &other, 120.4, 99.6, 200, 30, {120.4, 99.6}, 1e4};
    ace_detail::DigToward(s, 200, 99.6);
    PlayerAction(w);
  }
  int dug = 0;
  for (int y = 104; y < 110; ++y)
    for (int x = 123; x < 130; ++x) dug += IsFree(w, x, y) ? 1 : 0;
  EXPECT_GE(dug, 8) << "of the step's corner, dug " << dug << " pixels";
}

// The way worked out a slice at a time is the way worked out at once, and
// the level may be of any size.
TEST_F(Ace, AWayWorkedOutInSlicesIsTheWayWorkedOutAtOnce) {
  for (auto [width, height] : {std::pair{300, 150}, std::pair{7, 3}}) {
    owned = MakeSimWorld(width, height);
    World& w = *owned;
    Fill(w, 0, height * 2 / 3, width, height, kSoilColour);
    Fill(w, width / 2, height / 3, std::min(width, width / 2 + 8), height, kRockColour);
    const std::int32_t avoidX[] = {40}, avoidY[] = {60};
    AcePath whole, sliced;
    BuildPath(w, width - 10.0, height / 2.0, whole, avoidX, avoidY, 1);
    AcePathBuild build;
    StartPath(w, width - 10.0, height / 2.0, build, avoidX, avoidY, 1);
    int calls = 1;
    while (!ContinuePath(w, build, sliced, 50) && calls < 100000) ++calls;
    EXPECT_EQ(sliced.cost, whole.cost) << width << "x" << height;
    if (width > 100) {
      EXPECT_GT(calls, 10);
    }
  }
}

// Rock that parts the worms for good: the way leads to the rock nearest the
// goal and stops there; with a gap in the rock it goes round through the gap.
TEST_F(Ace, TheWayEndsAtRockThatPartsItFromTheGoal) {
  for (const int gapTop : {100, 70}) {
    owned = MakeSimWorld(200, 100);
    World& w = *owned;
    Fill(w, 100, 0, 108, gapTop, kRockColour);
    AcePath path;
    BuildPath(w, 150, 50, path);
    double wx = 0, wy = 0;
    bool atRock = false;
    ASSERT_TRUE(Waypoint(path, 40, 50, 200, wx, wy, &atRock)) << gapTop;
    const bool sealed = gapTop == 100;
    EXPECT_EQ(std::tuple(atRock, CostAt(path, 40, 50) >= AcePath::kRockCost), std::tuple(sealed, sealed)) << gapTop;
    if (sealed) {
      EXPECT_GT(wx, 85) << "stopped short of the rock";
      EXPECT_LT(wx, 100) << "walked into the rock";
    } else {
      EXPECT_NEAR(wx, 150, 4) << "no way round through the gap";
    }
  }
}

// A weaker ace's mistakes come from a stream of its own: the game's random
// source, which every other draw of the game comes from, is never touched.
TEST_F(Ace, NeverDrawsFromTheGamesRandomSource) {
  World& w = Level(300, 150, {{0, 100, 300, 150, kSoilColour}}, true);
  PlaceWorm(w, 1, 40, 95);
  PlaceWorm(w, 2, 200, 95);
  w.Seed(5);
  for (int p = 1; p <= 2; ++p) {
    Arm(w, p, p == 1 ? kBazooka : kMortar);
    w.Players[static_cast<std::size_t>(p)].Computer = kControllerAce;
    w.MenuAceStrength[static_cast<std::size_t>(p)] = static_cast<int16>(p == 1 ? 1 : 3);
  }
  for (int frame = 0; frame < 300; ++frame) {
    Simulate(w);
    const std::mt19937_64 before = w.rng;
    RunComputerPlayers(w);
    ASSERT_EQ(before, w.rng) << "frame " << frame;
  }
}

TEST(Arena, ControllerWordsAndTheLoiteringBox) {
  // The word, whether it is one, what it means and how it is written back
  // (a plain ace is the strongest).
  const std::tuple<const char*, bool, flag, int16, const char*> words[] = {{"cpu", true, kControllerCpu, 5, "cpu"},
                                                                           {"ace", true, kControllerAce, 5, "ace"},
                                                                           {"ace:1", true, kControllerAce, 1, "ace:1"},
                                                                           {"ace:5", true, kControllerAce, 5, "ace"},
                                                                           {"ace:0", false, 0, 0, ""},
                                                                           {"ace:6", false, 0, 0, ""},
                                                                           {"ace:", false, 0, 0, ""},
                                                                           {"ACE", false, 0, 0, ""},
                                                                           {"ace:12", false, 0, 0, ""}};
  for (const auto& [word, ok, controller, strength, written] : words) {
    flag c = kControllerHuman;
    int16 s = 0;
    ASSERT_EQ(ParseControllerWord(word, c, s), ok) << word;
    if (ok) {
      EXPECT_EQ(std::tuple(c, s, ControllerWord(c, s)), std::tuple(controller, strength, std::string(written)));
    }
  }
  // Positions frame by frame (x, y, both worms in play) and the longest
  // run inside a 24-pixel box.
  const struct {
    std::vector<std::tuple<int, int, bool>> at;
    int longest;
  } cases[] = {{{{0, 0, true}, {24, 0, true}, {0, 24, true}, {12, 12, true}}, 4},  // pacing to and fro inside the box
               {{{0, 0, true}, {10, 0, true}, {25, 0, true}, {30, 0, true}}, 3},   // 25 px: the first frame drops out
               {{{0, 0, true}, {0, 0, false}, {0, 0, true}, {0, 0, true}}, 2},     // a worm out of play ends the run
               {{{0, 0, true}, {0, 30, true}, {0, 0, true}, {0, 30, true}}, 1}};
  for (const auto& c : cases) {
    arena::BoxWatch box;
    for (auto [x, y, inPlay] : c.at) box.Add(x, y, inPlay);
    EXPECT_EQ(box.Longest(), c.longest);
  }
}

TEST(Arena, ShortGamesKeepHealthInRangeAndRepeatFromTheirSeed) {
  arena::ArenaOptions o;
  o.data_dir = std::string(KREL_SOURCE_DIR) + "/data";
  o.frames = 500;
  o.seed = 11;
  // Either side first, and the weakest ace, whose flaws come from its own
  // stream.
  const struct {
    arena::Side a, b;
    bool aFirst;
  } matches[] = {{{kControllerAce, 5}, {kControllerCpu, 5}, false},
                 {{kControllerAce, 5}, {kControllerAce, 5}, true},
                 {{kControllerAce, 1}, {kControllerCpu, 5}, false}};
  for (const auto& m : matches) {
    std::tie(o.side_a, o.side_b, o.a_first) = std::tuple(m.a, m.b, m.aFirst);
    const arena::GameResult first = arena::PlayGame(o, 1), again = arena::PlayGame(o, 1);
    EXPECT_EQ(first.a_player, m.aFirst ? 2 : 1);
    EXPECT_EQ(first.digest, again.digest);
    EXPECT_EQ(std::tuple(first.a.kills, first.a.deaths, first.b.kills, first.b.deaths),
              std::tuple(again.a.kills, again.a.deaths, again.b.kills, again.b.deaths));
    EXPECT_LE(std::max(first.a.max_health, first.b.max_health), 100);
    EXPECT_GT(first.a.max_health, 0);
  }
}

}  // namespace
}  // namespace krel
