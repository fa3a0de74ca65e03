// The ace computer player's decisions on small hand-made levels (it gets
// across a gap, it does not fire a rocket into the wall beside it, its lobs
// land where it aims them), and a short arena run of whole games that checks
// only what must always hold.
#include <gtest/gtest.h>
#include <algorithm>

#include <cmath>
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

std::unique_ptr<World> ShippedWeaponsWorld(int width, int height) {
  auto w = MakeSimWorld(width, height);
  ArmsError error;
  EXPECT_TRUE(LoadArms(w->WeaponDefs, w->ObjDefs, w->SObjDefs, std::string(KREL_SOURCE_DIR) + "/data/arms.dat", error))
      << error.Message();
  w->NumPlayers = 2;
  return w;
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

// One frame of the game's simulation, then the ace plays worm 1.
void Frame(World& w) {
  PlayerAction(w);
  MoveShots(w);
  ParticleMove(w);
  SObjMove(w);
  AcePlayer(w, 1);
}

TEST(Ace, WalksAndJumpsAcrossAGapToItsTarget) {
  // Two floors with a 40-pixel pit between them; the other worm waits on the
  // far one. No weapons: the ace can only travel.
  auto owned = MakeSimWorld(300, 150);
  World& w = *owned;
  w.NumPlayers = 2;
  Fill(w, 0, 100, 120, 150, kSoilColour);
  Fill(w, 160, 100, 300, 150, kSoilColour);
  Fill(w, 120, 146, 160, 150, kRockColour);
  PlaceWorm(w, 1, 30, 95);
  PlaceWorm(w, 2, 260, 95);
  int frames = 0;
  while (frames < 2000 && !(w.Players[1].X.ToDouble() > 165 && w.Players[1].Y.ToDouble() < 100)) {
    Frame(w);
    ++frames;
  }
  EXPECT_GT(w.Players[1].X.ToDouble(), 165) << "after " << frames << " frames";
  EXPECT_LT(w.Players[1].Y.ToDouble(), 100);
}

TEST(Ace, DoesNotFireTheBazookaIntoTheWallBesideIt) {
  // A soil wall right in front of the worm, the other worm behind it.
  auto owned = ShippedWeaponsWorld(300, 150);
  World& w = *owned;
  Fill(w, 0, 100, 300, 150, kRockColour);
  Fill(w, 56, 1, 80, 100, kSoilColour);
  Player& me = PlaceWorm(w, 1, 50, 95);
  me.FacingRight = kTrue;
  me.Aim = 7;
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
        bx = w.SObjs[i].x.ToDouble();
        by = w.SObjs[i].Y.ToDouble();
        return true;
      }
    }
  }
  return false;
}

TEST(Ace, LobsLandWithinAFewPixelsOfTheAimPoint) {
  // The aim point is where some aim step's shot comes down on a flat floor;
  // the ace must find that step, and the game's own shot must land there.
  for (int weapon : {kMortar, kCannon}) {
    for (int step : {10, 12, 14}) {
      auto owned = ShippedWeaponsWorld(500, 200);
      World& w = *owned;
      Fill(w, 0, 150, 500, 200, kRockColour);
      Player& me = PlaceWorm(w, 1, 40, 145);
      me.FacingRight = kTrue;
      Arm(w, 1, weapon);
      const WeaponDef& W = w.WeaponDefs[static_cast<std::size_t>(weapon + 1)];
      FlightWorms nobody;
      nobody.sx = 40;
      nobody.sy = 145;
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

// Worm 1 wedged 3 pixels deep in a rock wall, facing out, with bazookas;
// the other worm in the open.
std::unique_ptr<World> WedgedInARockWall() {
  auto owned = ShippedWeaponsWorld(300, 150);
  World& w = *owned;
  Fill(w, 0, 120, 300, 150, kRockColour);
  Fill(w, 150, 0, 300, 150, kRockColour);
  PlaceWorm(w, 1, 153, 100).FacingRight = kFalse;
  PlaceWorm(w, 2, 40, 115);
  Arm(w, 1, kBazooka);
  return owned;
}

// Frames played (at most `limit`) until the wedged worm is out of the wall
// or dead.
int FramesWedged(World& w, int limit) {
  const Player& me = w.Players[1];
  int frames = 0;
  while (frames < limit && me.Alive != kFalse && std::abs(me.X.ToDouble() - 153) < 2 &&
         std::abs(me.Y.ToDouble() - 100) < 2) {
    Frame(w);
    ++frames;
  }
  return frames;
}

// Motion tests points beside a worm's centre, so a worm whose centre has
// ended up a few pixels inside rock can neither walk, jump, dig nor rope out
// of it, and a kick of its own shots only drives it into more rock. The ace
// must not stay there for the rest of the game: it fires into the rock
// around it until the blasts push it out or end its life, and plays on
// elsewhere. Wedged 3 pixels deep in a rock wall, the target in the open.
TEST(Ace, AWormWedgedInRockFiresItselfOut) {
  auto owned = WedgedInARockWall();
  World& w = *owned;
  EXPECT_LT(FramesWedged(w, 1000), 1000) << "still wedged, health " << w.Players[1].Health;
}

// Only the weapon in hand reloads. A wedged worm whose hard-hitting weapon
// is empty changes to it and waits for it to load, rather than firing a
// loaded one that cannot move it for good.
TEST(Ace, AWedgedWormReloadsItsHardestWeaponRatherThanFireAWeakOne) {
  auto owned = WedgedInARockWall();
  World& w = *owned;
  Player& me = w.Players[1];
  // A shipped weapon with neither recoil nor blast in every other slot.
  int weak = -1;
  for (int n = 0; n < 40 && weak < 0; ++n) {
    const WeaponDef& W = w.WeaponDefs[static_cast<std::size_t>(n + 1)];
    if (W.RECOIL == 0 && BlastOf(w, W).damage == 0 && W.AMMO > 0) weak = n;
  }
  ASSERT_GE(weak, 0);
  for (std::size_t k = 1; k < 5; ++k) {
    me.WeaponSlots[k] = static_cast<int16>(weak);
    me.Ammo[k] = fixed(w.WeaponDefs[static_cast<std::size_t>(weak + 1)].AMMO);
  }
  me.Ammo[0] = -1;  // the bazooka is empty
  me.CurWeapon = 1;
  EXPECT_LT(FramesWedged(w, 1500), 1500) << "still wedged, health " << me.Health;
}

// A shot that bursts only on worms goes off nowhere in rock, however big
// its blast would be: a wedged worm blasts itself out with one that bursts
// on the ground, not with that one.
TEST(Ace, AWedgedWormBlastsWithAWeaponThatBurstsOnRock) {
  auto owned = WedgedInARockWall();
  World& w = *owned;
  Player& me = w.Players[1];
  auto weapon = [&](int n) -> const WeaponDef& { return w.WeaponDefs[static_cast<std::size_t>(n + 1)]; };
  auto blast = [&](int n) { return BlastOf(w, weapon(n)).damage; };
  // The biggest blast that bursts only on worms, and the smallest, without
  // recoil, that bursts on the ground.
  int onWorms = -1, onRock = -1;
  for (int n = 0; n < 40; ++n) {
    const WeaponDef& W = weapon(n);
    if (W.AMMO <= 0 || blast(n) <= 0) continue;
    if (W.GROUNDEXPLODE != 1 && W.TIMETOEXPLODE == 0 && (onWorms < 0 || blast(n) > blast(onWorms))) onWorms = n;
    if (W.GROUNDEXPLODE == 1 && W.RECOIL == 0 && (onRock < 0 || blast(n) < blast(onRock))) onRock = n;
  }
  ASSERT_GE(onWorms, 0);
  ASSERT_GE(onRock, 0);
  for (std::size_t k = 0; k < 5; ++k) {
    const int n = k == 0 ? onRock : onWorms;
    me.WeaponSlots[k] = static_cast<int16>(n);
    me.Ammo[k] = fixed(weapon(n).AMMO);
  }
  me.CurWeapon = 2;
  EXPECT_LT(FramesWedged(w, 1000), 1000) << "still wedged, health " << me.Health;
}

// Wedged with a gentle way out, a worm takes it before it blasts itself:
// with its feet on soil under a slab of rock that reaches down to a pixel
// over the ground (no kick moves a worm held by the ground), it digs the
// soil away and drops out; with a lump of rock through its middle and one
// side of it open, it steps out that way.
TEST(Ace, WedgedInRockItTakesAGentleWayOutUnhurt) {
  struct Case {
    const char* name;
    std::vector<std::tuple<int, int, int, int, int>> fills;  // x0, y0, x1, y1, colour
    double x, y;
  };
  const Case cases[] = {
      {"feet on soil, body in a slab of rock",
       {{0, 98, 300, 150, kSoilColour}, {130, 0, 180, 97, kRockColour}},
       153,
       94},
      {"a lump of rock through its middle, open to the left",
       {{0, 98, 300, 150, kRockColour}, {152, 91, 156, 95, kRockColour}},
       153.4,
       93},
  };
  for (const Case& c : cases) {
    auto owned = ShippedWeaponsWorld(300, 150);
    World& w = *owned;
    for (auto [x0, y0, x1, y1, colour] : c.fills) Fill(w, x0, y0, x1, y1, colour);
    const Player& me = PlaceWorm(w, 1, c.x, c.y);
    PlaceWorm(w, 2, 40, 93);
    Arm(w, 1, kBazooka);
    // Held there long enough already that blasts are its last resort.
    ComputersOf(w).ace[1].wedgedFrames = 100;
    ASSERT_TRUE(ace_detail::Encased(w, c.x, c.y)) << c.name;
    int frames = 0;
    while (frames < 400 && ace_detail::Encased(w, me.X.ToDouble(), me.Y.ToDouble())) {
      Frame(w);
      ++frames;
    }
    EXPECT_LT(frames, 400) << c.name << ": still in the rock at " << me.X.ToDouble() << "," << me.Y.ToDouble();
    EXPECT_EQ(me.Health, 100) << c.name;
  }
}

// The rock tests look around the worm, above its head and beside it: past
// the level's edge they meet a wall as hard as rock, and read nothing there.
TEST(Ace, PastTheLevelsEdgeIsRockAndNothingIsRead) {
  auto owned = MakeSimWorld(60, 40, kSoilColour);
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
TEST(Ace, DoesNotLoiterWhereNoWayLeadsToItsTarget) {
  struct Case {
    const char* name;
    std::vector<std::tuple<int, int, int, int, int>> fills;  // x0, y0, x1, y1, colour
    double x, y, targetX, targetY;
  };
  const Case cases[] = {
      {"target straight above on a rock shelf",
       {{0, 130, 240, 200, kSoilColour}, {60, 60, 180, 66, kRockColour}},
       120,
       125,
       120,
       55},
      {"in a pit of rock beside a wall, target far beyond the wall",
       {{0, 130, 240, 200, kRockColour}, {0, 100, 100, 130, kSoilColour}, {100, 0, 110, 200, kRockColour}},
       60,
       95,
       200,
       125},
      // Only digging on and on gets it out, and the rays towards the target
      // meet rock at once.
      {"shut in a pocket of soil, rock between it and the target",
       {{0, 40, 240, 200, kSoilColour}, {50, 80, 62, 92, kFreeColour}, {66, 40, 74, 200, kRockColour}},
       56,
       86,
       200,
       30},
      // Too deep to jump out of and rock all round: only a rope thrown
      // where its hook holds far up gets it out.
      {"at the bottom of a deep narrow pit of rock under a rock ceiling",
       {{0, 130, 240, 200, kRockColour},
        {90, 40, 100, 130, kRockColour},
        {120, 40, 130, 130, kRockColour},
        {40, 8, 200, 14, kRockColour}},
       110,
       125,
       200,
       125},
      // Sunk a pixel into a lip of rock too thin to stand on: no step, jump
      // or dig moves it; a rope thrown where its hook holds does.
      {"sunk into a thin lip of rock over open ground",
       {{0, 195, 240, 200, kRockColour}, {60, 130, 180, 131, kRockColour}, {200, 40, 210, 195, kRockColour}},
       120,
       126,
       120,
       190},
  };
  for (const Case& c : cases) {
    auto owned = MakeSimWorld(240, 200);
    World& w = *owned;
    w.NumPlayers = 2;
    for (auto [x0, y0, x1, y1, colour] : c.fills) Fill(w, x0, y0, x1, y1, colour);
    PlaceWorm(w, 1, c.x, c.y);
    PlaceWorm(w, 2, c.targetX, c.targetY);
    arena::BoxWatch box;
    for (int frame = 0; frame < 1500; ++frame) {
      Frame(w);
      box.Add(w.Players[1].X.RoundToInt64(), w.Players[1].Y.RoundToInt64(),
              w.Players[1].Alive != kFalse && w.Players[2].Alive != kFalse);
    }
    EXPECT_LE(box.Longest(), 5 * 25) << c.name << ", ended at (" << w.Players[1].X.ToDouble() << ", "
                                     << w.Players[1].Y.ToDouble() << ")";
  }
}

// A worm off its feet can be held at a corner of the ground, its speed lost
// at every step: on a sliver too thin to jump from (a jump needs ground
// where its feet reach), on a point of rock or a nub of it in soil, beside
// a shelf that its step to the side meets, or by a mere drift onto a
// corner. Steering on holds it there for good; a worm getting away gets
// free within a second.
TEST(Ace, HeldAtACornerOffItsFeetItGetsFree) {
  struct Case {
    const char* name;
    std::vector<std::tuple<int, int, int, int, int>> fills;  // x0, y0, x1, y1, colour
    double x;
    bool right;
    double drift = 0;  // a hair of sideways speed left over, with no key pressed
    double y = 99.6;
  };
  const Case cases[] = {
      {"on a sliver of soil", {{20, 103, 220, 105, kSoilColour}}, 120.4, true},
      {"on a point of rock, open to the other side", {{119, 103, 126, 105, kRockColour}}, 120.4, true},
      {"beside the edge of a shelf, nothing under its middle", {{0, 104, 120, 105, kSoilColour}}, 121.55, false},
      // Nothing under its middle, and the nub runs on down past it at a
      // slant: no side is open below.
      {"on a nub of rock in soil",
       {{100, 104, 140, 110, kSoilColour},
        {123, 80, 140, 104, kSoilColour},
        {119, 104, 123, 105, kRockColour},
        {117, 105, 122, 107, kFreeColour},
        {122, 105, 124, 106, kRockColour}},
       120.6,
       true},
      // Open below a step further on, but the point catches its corner
      // first; to the other side the rock is ground to step onto.
      {"on a point of rock, ground to step onto on the other side",
       {{116, 103, 123, 104, kSoilColour}, {118, 104, 124, 105, kRockColour}, {121, 105, 126, 106, kRockColour}},
       120.4,
       false},
      // Nothing under its middle or its other corner: the drift alone holds
      // it, where its height puts that corner's next step a pixel lower.
      {"drifting a hair onto the corner of a slope",
       {{122, 105, 160, 110, kSoilColour}, {124, 104, 160, 105, kSoilColour}, {125, 103, 160, 104, kSoilColour}},
       120.4,
       true,
       0.003,
       100.41},
  };
  for (const Case& c : cases) {
    auto owned = MakeSimWorld(240, 200);
    World& w = *owned;
    w.NumPlayers = 2;
    Fill(w, 0, 190, 240, 200, kRockColour);
    for (auto [x0, y0, x1, y1, colour] : c.fills) Fill(w, x0, y0, x1, y1, colour);
    Player& me = PlaceWorm(w, 1, c.x, c.y);
    me.FacingRight = c.right ? kTrue : kFalse;
    me.DirX = fixed(c.drift);
    me.DirY = fixed(0.1);  // as gravity leaves it at each held step
    me.Speed = 30;
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
    EXPECT_LT(frame, 25) << c.name << ": held at (" << me.X.ToDouble() << ", " << me.Y.ToDouble() << ")";
  }
}

// A sliver of rock wider than the worm through the bottom of its body, and
// nothing under its feet: it cannot jump, dig or step off, and gravity turns
// every step into the rock. A rope with an upward pull lifts it off, with the
// hook caught in rock just over its head or in soil far above.
TEST(Ace, HeldByASliverOfRockThroughItsBodyItRopesItselfOff) {
  for (const int roof : {94, 40}) {
    auto owned = MakeSimWorld(240, 200);
    World& w = *owned;
    w.NumPlayers = 2;
    Fill(w, 0, 190, 240, 200, kRockColour);
    Fill(w, 0, roof - 20, 240, roof, roof > 60 ? kRockColour : kSoilColour);
    Fill(w, 100, 103, 140, 105, kRockColour);
    Player& me = PlaceWorm(w, 1, 120.4, 99.6);
    me.DirY = fixed(0.1);  // as gravity leaves it at each held step
    me.Speed = 30;
    PlaceWorm(w, 2, 20, 185);
    int frame = 0;
    for (; frame < 100 && std::hypot(me.X.ToDouble() - 120.4, me.Y.ToDouble() - 99.6) < 2; ++frame) Frame(w);
    EXPECT_LT(frame, 100) << "roof at " << roof << ": held at (" << me.X.ToDouble() << ", " << me.Y.ToDouble() << ")";
  }
}

// Held off its feet beside a point of rock, a worm bobs by a fraction of a
// pixel as gravity pulls it off the point and the point bounces it back:
// held as firmly as if it did not move at all, it stops steering into the
// rock. (The bob is made here by hand; the motion rules make it on some
// shapes of rock.)
TEST(Ace, ABobbingWormHeldAtACornerStopsSteeringIntoIt) {
  auto owned = MakeSimWorld(240, 200);
  World& w = *owned;
  w.NumPlayers = 2;
  Fill(w, 0, 190, 240, 200, kRockColour);
  Fill(w, 135, 130, 139, 134, kRockColour);
  Player& me = PlaceWorm(w, 1, 141.6, 128.7);
  me.FacingRight = kFalse;
  PlaceWorm(w, 2, 96, 185);  // below, beyond the point: the way leads left
  int steering = 0;
  for (int frame = 0; frame < 40; ++frame) {
    me.X = fixed(141.6);
    me.Y = fixed(frame % 3 == 1 ? 129.0 : 128.7);
    me.DirX = 0;
    me.DirY = fixed(0.1);
    me.Speed = 30;
    AcePlayer(w, 1);
    if (frame >= 20 && me.Ctrl[kLeft] && !me.Ctrl[kRight]) ++steering;
  }
  EXPECT_EQ(steering, 0);
}

// Over a notch in the ground narrower than itself, a worm still moving
// sideways by a hair is held on the notch's edges, off its feet by the
// middle: it walks off them, as from any ground. (The hold is made here by
// hand, as in the test above.)
TEST(Ace, HeldOverANotchNarrowerThanItselfItWalksOff) {
  auto owned = MakeSimWorld(240, 200);
  World& w = *owned;
  w.NumPlayers = 2;
  Fill(w, 0, 104, 240, 200, kRockColour);
  Fill(w, 120, 104, 121, 110, kFreeColour);
  Fill(w, 60, 40, 70, 104, kRockColour);
  Player& me = PlaceWorm(w, 1, 119.88, 99.6);
  me.FacingRight = kFalse;
  PlaceWorm(w, 2, 20, 99.6);  // beyond a wall of rock: the way leads left
  // Held there for good, a worm without a shot tries another way out after
  // about 0.9 s; until then it walks.
  int walking = 0;
  for (int frame = 0; frame < 15; ++frame) {
    me.X = fixed(119.88);
    me.Y = fixed(99.6);
    me.DirX = fixed(-0.0001);
    me.DirY = fixed(0.1);
    me.Speed = 30;
    AcePlayer(w, 1);
    if (frame >= 5 && (me.Ctrl[kLeft] || me.Ctrl[kRight])) ++walking;
  }
  EXPECT_GE(walking, 8) << "of frames 5 to 14";
}

// Nearly dead, a worm keeps its own splinters twice as far off as it
// mostly does: one stray splinter would be the end of it.
TEST(Ace, TheLessHealthTheWiderTheBerthOfItsOwnSplinters) {
  auto owned = ShippedWeaponsWorld(300, 150);
  const World& w = *owned;
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
TEST(Ace, ShutInAHollowItDigsOutAwayFromTheOtherWormIfThatIsTheOnlyWay) {
  auto owned = MakeSimWorld(240, 200);
  World& w = *owned;
  w.NumPlayers = 2;
  Fill(w, 0, 0, 240, 200, kRockColour);
  Fill(w, 20, 30, 70, 70, kFreeColour);    // a cave up and to the left
  Fill(w, 60, 60, 104, 118, kSoilColour);  // soil between it and the hollow
  Fill(w, 100, 112, 116, 128, kFreeColour);
  Fill(w, 180, 100, 230, 140, kFreeColour);  // the other worm, beyond rock
  PlaceWorm(w, 1, 108, 124);
  PlaceWorm(w, 2, 200, 135);
  double furthest = 0;  // up and to the left, away from the other worm
  for (int frame = 0; frame < 1500; ++frame) {
    Frame(w);
    const double x = w.Players[1].X.ToDouble(), y = w.Players[1].Y.ToDouble();
    if (x < 108 && y < 124) furthest = std::max(furthest, std::hypot(x - 108, y - 124));
  }
  EXPECT_GT(furthest, 40);
}

// The two worms shut in a small hollow of rock `width` pixels wide, side by
// side; the ace has bazookas.
std::unique_ptr<World> ShutInBesideTheOtherWorm(int width = 22) {
  auto owned = ShippedWeaponsWorld(300, 150);
  World& w = *owned;
  Fill(w, 0, 0, 300, 150, kRockColour);
  Fill(w, 105, 84, 105 + width, 100, kFreeColour);
  PlaceWorm(w, 1, 110, 95);
  PlaceWorm(w, 2, 99 + width, 95).Lives = 5;
  Arm(w, 1, kBazooka);
  return owned;
}

// Shut in with the other worm where neither can get away, the ace trades
// blows when it comes out ahead, and not when the blast would kill it.
TEST(Ace, HeldNextToTheOtherWormItTradesOnlyWhenItComesOutAhead) {
  struct Case {
    int mine, theirs;
    bool trades;
  };
  for (const Case c : {Case{100, 10, true}, Case{12, 100, false}}) {
    auto owned = ShutInBesideTheOtherWorm();
    World& w = *owned;
    Player& me = w.Players[1];
    Player& other = w.Players[2];
    me.Health = static_cast<int16>(c.mine);
    other.Health = static_cast<int16>(c.theirs);
    const int16 myLives = me.Lives, theirLives = other.Lives;
    for (int frame = 0; frame < 400; ++frame) Frame(w);
    EXPECT_EQ(std::tuple(other.Lives < theirLives, me.Lives), std::tuple(c.trades, myLives))
        << "health " << c.mine << " against " << c.theirs;
  }
}

// A hook that caught the other worm pulls the two together: it is let go
// at once, even by a worm busy trading blows point-blank.
TEST(Ace, LetsGoOfAHookThatCaughtTheOtherWormEvenWhileTrading) {
  // Too narrow a place to get out of touch.
  auto owned = ShutInBesideTheOtherWorm(16);
  World& w = *owned;
  Player& me = w.Players[1];
  Player& other = w.Players[2];
  other.Health = 10;  // a blow worth trading
  // Held there long enough to trade: it turns and aims for the blow.
  const AceRecord& memory = ComputersOf(w).ace[1];
  int frame = 0;
  for (; frame < 400 && !(memory.touchFrames > 60 && memory.boxFrames > 60); ++frame) Frame(w);
  ASSERT_LT(frame, 400);
  me.RopeState = -2;
  me.RopeX = other.X;
  me.RopeY = other.Y;
  Frame(w);
  Frame(w);
  EXPECT_EQ(me.RopeState, 0);
}

// Shut in a small hollow inside a block of soil, with the other worm 150
// pixels off in the soil, the ace digs a way it can follow: it gets over
// half the way nearer without staying in a 24-pixel box over 5 s, whichever
// way it has to go (no weapons, so only digging, walking and jumping get it
// there). A way dug steeply up is one a worm cannot walk up.
TEST(Ace, DigsAWayThroughSoilInEveryDirection) {
  struct Case {
    const char* name;
    double dx, dy;  // where the other worm is, from the ace
  };
  const Case cases[] = {{"level to the right", 150, 0},     {"up and to the right", 110, -100},
                        {"nearly straight up", 30, -145},   {"up and to the left", -110, -100},
                        {"down and to the left", -110, 90}, {"level to the left, rock above", -150, 0}};
  for (const Case& c : cases) {
    auto owned = MakeSimWorld(400, 400);
    World& w = *owned;
    w.NumPlayers = 2;
    Fill(w, 0, 0, 400, 400, kSoilColour);
    const double x = 200, y = 220;
    Fill(w, 194, 212, 206, 226, kFreeColour);
    if (c.dx < 0 && c.dy == 0) Fill(w, 150, 200, 250, 206, kRockColour);
    PlaceWorm(w, 1, x, y);
    PlaceWorm(w, 2, x + c.dx, y + c.dy);
    arena::BoxWatch box;
    const double start = std::hypot(c.dx, c.dy);
    double nearest = start;
    for (int frame = 0; frame < 1500 && nearest > 30; ++frame) {
      Frame(w);
      const Player& me = w.Players[1];
      nearest = std::min(nearest, std::hypot(me.X.ToDouble() - x - c.dx, me.Y.ToDouble() - y - c.dy));
      box.Add(me.X.RoundToInt64(), me.Y.RoundToInt64(), true);
    }
    EXPECT_LT(nearest, start - 80) << c.name << ", ended at (" << w.Players[1].X.ToDouble() << ", "
                                   << w.Players[1].Y.ToDouble() << ")";
    EXPECT_LE(box.Longest(), 5 * 25) << c.name;
  }
}

// A worm on its way through soil keeps the side it digs to, but not into
// rock: at the end of a way dug down to rock, a goal back up the way turns
// it round.
TEST(Ace, DiggingIntoRockItTurnsRoundToItsGoal) {
  auto owned = MakeSimWorld(240, 200);
  World& w = *owned;
  w.NumPlayers = 2;
  Fill(w, 0, 20, 240, 200, kSoilColour);
  for (int k = 0; k <= 40; ++k) Fill(w, 122 - k, 140 - k, 130 - k, 150 - k, kFreeColour);
  Fill(w, 130, 60, 200, 180, kRockColour);
  Fill(w, 60, 150, 200, 180, kRockColour);
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
  EXPECT_LT(std::hypot(me.X.ToDouble() - gx, me.Y.ToDouble() - gy), 40)
      << "ended at (" << me.X.ToDouble() << ", " << me.Y.ToDouble() << ")";
}

// The way worked out a slice at a time is the way worked out at once, and
// the level may be of any size.
TEST(Ace, AWayWorkedOutInSlicesIsTheWayWorkedOutAtOnce) {
  for (auto [width, height] : {std::pair{300, 150}, std::pair{7, 3}}) {
    auto owned = MakeSimWorld(width, height);
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
TEST(Ace, TheWayEndsAtRockThatPartsItFromTheGoal) {
  for (const int gapTop : {100, 70}) {
    auto owned = MakeSimWorld(200, 100);
    World& w = *owned;
    Fill(w, 100, 0, 108, gapTop, kRockColour);
    AcePath path;
    BuildPath(w, 150, 50, path);
    double wx = 0, wy = 0;
    bool atRock = false;
    ASSERT_TRUE(Waypoint(path, 40, 50, 200, wx, wy, &atRock)) << gapTop;
    const bool sealed = gapTop == 100;
    EXPECT_EQ(atRock, sealed) << gapTop;
    EXPECT_EQ(CostAt(path, 40, 50) >= AcePath::kRockCost, sealed) << gapTop;
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
TEST(Ace, NeverDrawsFromTheGamesRandomSource) {
  auto owned = ShippedWeaponsWorld(300, 150);
  World& w = *owned;
  Fill(w, 0, 100, 300, 150, kSoilColour);
  PlaceWorm(w, 1, 40, 95);
  PlaceWorm(w, 2, 200, 95);
  w.Seed(5);
  for (int p = 1; p <= 2; ++p) {
    Arm(w, p, p == 1 ? kBazooka : kMortar);
    w.Players[static_cast<std::size_t>(p)].Computer = kControllerAce;
    w.MenuAceStrength[static_cast<std::size_t>(p)] = static_cast<int16>(p == 1 ? 1 : 3);
  }
  for (int frame = 0; frame < 300; ++frame) {
    PlayerAction(w);
    MoveShots(w);
    ParticleMove(w);
    SObjMove(w);
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
  struct Case {
    std::vector<std::tuple<int, int, bool>> at;
    int longest;
  };
  const Case cases[] = {
      {{{0, 0, true}, {24, 0, true}, {0, 24, true}, {12, 12, true}}, 4},  // pacing to and fro inside the box
      {{{0, 0, true}, {10, 0, true}, {25, 0, true}, {30, 0, true}}, 3},   // 25 px: the first frame drops out
      {{{0, 0, true}, {0, 0, false}, {0, 0, true}, {0, 0, true}}, 2},     // a worm out of play ends the run
      {{{0, 0, true}, {0, 30, true}, {0, 0, true}, {0, 30, true}}, 1}};
  for (const Case& c : cases) {
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
  struct Match {
    arena::Side a, b;
    bool aFirst;
  };
  const Match matches[] = {{{kControllerAce, 5}, {kControllerCpu, 5}, false},
                           {{kControllerAce, 5}, {kControllerAce, 5}, true},
                           {{kControllerAce, 1}, {kControllerCpu, 5}, false}};
  for (const Match& m : matches) {
    o.side_a = m.a;
    o.side_b = m.b;
    o.a_first = m.aFirst;
    const arena::GameResult first = arena::PlayGame(o, 1);
    const arena::GameResult again = arena::PlayGame(o, 1);
    EXPECT_EQ(first.a_player, m.aFirst ? 2 : 1);
    EXPECT_EQ(first.digest, again.digest);
    EXPECT_EQ(std::tuple(first.a.kills, first.a.deaths, first.b.kills, first.b.deaths),
              std::tuple(again.a.kills, again.a.deaths, again.b.kills, again.b.deaths));
    EXPECT_LE(first.a.max_health, 100);
    EXPECT_LE(first.b.max_health, 100);
    EXPECT_GT(first.a.max_health, 0);
  }
}

}  // namespace
}  // namespace krel
