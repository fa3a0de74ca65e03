// Worm movement and actions, and the numeric routines every mover shares.
#include <gtest/gtest.h>

#include "client/simulation/weapons/shots.h"
#include "client/simulation/worms/motion.h"
#include "client/simulation/worms/worms.h"
#include "sim_test_support.h"

namespace krel {
namespace {

using namespace krel::testing;

TEST(Motion, CompassAnglesAimTableAndSubSteps) {
  const struct {
    double x, y;
    int16 deg;
  } angles[] = {
      {1, 0, 270},   {0, 1, 0},   {0, -1, 180},    {0, 0, 180}, {-1, 0, 90},
      {-1, -1, 135}, {1, 1, 315}, {0.008, 1, 180},  // lands on exactly 0, and the second correction turns it into 180
  };
  for (const auto& c : angles) EXPECT_EQ(atan2(c.x, c.y), c.deg) << c.x << "," << c.y;

  for (const auto& [step, rad] : {std::pair{0, 2.4435}, {7, 1.5708}, {18, 0.0}, {19, 0.0}, {-1, 0.0}})
    EXPECT_EQ(AimAngle(step), fixed(rad)) << step;
  // Sub-steps round half to even and cap the caller's speed at 32000.
  fixed fast(40000), half(44.5);
  EXPECT_EQ(std::tuple(MoveSubSteps(fast), fast, MoveSubSteps(half)), std::tuple(1066, fixed(32000), 1));
}

TEST(Motion, AccelerationKeepsSpeedAtLeast30) {
  // A slow result keeps speed 30 and a shortened direction; a fast one gets
  // a unit direction and its true speed; keepspeed leaves the speed alone.
  const struct {
    double ax, ay;
    bool keep;
    double dx, dy, speed;
  } cases[] = {{3, 4, false, 0.1, 0.1333, 30}, {30, 40, false, 0.6, 0.8, 50}, {30, 40, true, 0.6, 0.8, 7}};
  for (const auto& c : cases) {
    fixed dx = 0, dy = 0, speed = 7;
    AddAcceleration(dx, dy, speed, fixed(c.ax), fixed(c.ay), c.keep);
    EXPECT_EQ(std::tuple(dx, dy, speed), std::tuple(fixed(c.dx), fixed(c.dy), fixed(c.speed))) << c.ax;
  }
}

// A worm standing on flat ground (top row 110) with a step of height h
// starting at column 42, walking right from x 40; at h -1 the ground ends
// at column 40 instead: the worm takes its one pixel's step, then falls.
TEST(Worms, WalkingClimbsStepsOfUpTo4PixelsAndFallsOffAnEdge) {
  const struct {
    int h;
    double x, y;
    flag turned;
  } cases[] = {{0, 41, 105, kTrue}, {1, 41, 105, kTrue}, {2, 41, 104, kTrue},
               {3, 41, 103, kTrue}, {4, 41, 102, kTrue}, {5, 40, 105, kFalse} /* a wall: no move, no turn */,
               {-1, 41, 105, kTrue}};
  for (const auto& c : cases) {
    auto w = MakeSimWorld();
    Fill(*w, 0, 110, c.h < 0 ? 41 : 200, 150, kSoilColour);
    Fill(*w, 42, 110 - c.h, 200, 110, kSoilColour);
    Player& pl = PlaceWorm(*w, 1, 40, 105);
    pl.Ctrl[kRight] = 1;
    PlayerAction(*w);
    EXPECT_EQ(std::tuple(pl.X, pl.Y, pl.FacingRight), std::tuple(fixed(c.x), fixed(c.y), c.turned)) << c.h;
    pl.Ctrl[kRight] = 0;
    for (int i = 0; i < 5; ++i) PlayerAction(*w);
    EXPECT_EQ(pl.Y > fixed(106), c.h < 0) << c.h;
  }
}

TEST(Worms, LeftAndRightTogetherDigTowardsTheFacingSide) {
  // In a pocket of soil, aiming level (step 7): facing right, holding right
  // and newly pressing left digs to the right; holding left alone turns.
  for (bool facingRight : {true, false}) {
    auto w = MakeSimWorld();
    Fill(*w, 0, 0, 200, 150, kSoilColour);
    Fill(*w, 96, 96, 105, 105, kFreeColour);
    Player& pl = PlaceWorm(*w, 1, 100, 100);
    std::tie(pl.FacingRight, pl.Aim, pl.Ctrl[kLeft], pl.Ctrl[kRight]) = std::tuple(ToFlag(facingRight), 7, 1, 1);
    w->OldKeyState[w->KeyMap[1][facingRight ? kRight : kLeft]] = 1;  // the other key was held already
    PlayerAction(*w);
    const int ahead = facingRight ? 1 : -1;
    EXPECT_TRUE(IsFree(*w, 100 + 7 * ahead, 100)) << facingRight;
    EXPECT_FALSE(IsFree(*w, 100 - 7 * ahead, 100)) << facingRight;
  }
  auto w = MakeSimWorld();
  Fill(*w, 0, 110, 200, 150, kSoilColour);
  Player& pl = PlaceWorm(*w, 1, 100, 105);
  std::tie(pl.FacingRight, pl.Ctrl[kLeft]) = std::tuple(kTrue, 1);
  PlayerAction(*w);
  EXPECT_EQ(std::tuple(pl.X, pl.FacingRight), std::tuple(fixed(99), kFalse));
}

TEST(Worms, AimStaysWithin0To18AndJumpNeedsGroundAndHeadRoom) {
  auto w = MakeSimWorld();
  Fill(*w, 0, 110, 200, 150, kSoilColour);
  Player& pl = PlaceWorm(*w, 1, 100, 105);
  pl.Ctrl[kUp] = 1;
  for (int i = 0; i < 25; ++i) PlayerAction(*w);
  EXPECT_EQ(pl.Aim, 18);
  std::tie(pl.Ctrl[kUp], pl.Ctrl[kDown]) = std::tuple(0, 1);
  for (int i = 0; i < 25; ++i) PlayerAction(*w);
  EXPECT_EQ(pl.Aim, 0);

  // A jump lifts off at once; under a ceiling it is refused but still
  // lets go of the rope.
  for (bool ceiling : {false, true}) {
    auto v = MakeSimWorld();
    Fill(*v, 0, 110, 200, 150, kSoilColour);
    if (ceiling) Fill(*v, 0, 98, 200, 102, kRockColour);
    Player& q = PlaceWorm(*v, 1, 100, 105);
    std::tie(q.RopeState, q.RopeX, q.RopeY, q.Ctrl[kJump]) = std::tuple(1, 5, 5, 1);
    PlayerAction(*v);
    EXPECT_EQ(q.RopeState, 0);
    EXPECT_EQ(q.Y < fixed(104), !ceiling) << ceiling;
  }
}

// Only rightward and downward motion bounces; leftward motion stops dead.
TEST(Worms, OnlyRightwardMotionBouncesOffWalls) {
  for (int dir : {1, -1}) {
    auto w = MakeSimWorld();
    Fill(*w, dir > 0 ? 53 : 0, 0, dir > 0 ? 200 : 48, 150, kRockColour);
    Player& pl = PlaceWorm(*w, 1, 50, 50);
    std::tie(pl.DirX, pl.Speed) = std::tuple(dir, 30);
    PlayerAction(*w);
    EXPECT_TRUE(dir > 0 ? pl.DirX < fixed(0) : pl.DirX == fixed(0)) << dir;
  }
}

TEST(Worms, EmptySlotReloadsInThe49thFrameAfterTheLastShot) {
  auto w = MakeSimWorld();
  Fill(*w, 0, 110, 200, 150, kSoilColour);
  WeaponDef& def = w->WeaponDefs[4];                                           // weapon number 3
  std::tie(def.AMMO, def.LOADINGTIME, def.NUMOBJECTS) = std::tuple(1, 50, 0);  // no objects: still a round
  Player& pl = PlaceWorm(*w, 1, 100, 105);
  pl.WeaponSlots = {3, 3, 3, 3, 3};
  std::tie(pl.Ammo[0], pl.Ctrl[kShoot]) = std::tuple(1, 1);
  PlayerAction(*w);
  EXPECT_EQ(pl.Ammo[0], fixed(-2));  // -1, and the same frame already counts down
  pl.Ctrl[kShoot] = 0;
  int frames = 0;
  while (pl.Ammo[0] < fixed(0) && frames < 100) {
    PlayerAction(*w);
    ++frames;
  }
  EXPECT_EQ(std::tuple(frames, pl.Ammo[0]), std::tuple(49, fixed(1)));
}

TEST(Worms, WeaponChangeNeedsAmmunitionUnlessLoadAndChange) {
  for (flag lac : {kTrue, kFalse}) {
    auto w = MakeSimWorld();
    w->LoadAndChange = lac;
    Player& pl = PlaceWorm(*w, 1, 100, 50);
    pl.Ammo = {fixed(-1), 1, 1, 1, 1};
    pl.Ctrl[kChange] = pl.Ctrl[kRight] = 1;
    PlayerAction(*w);
    EXPECT_EQ(pl.CurWeapon, lac != kFalse ? 1 : 0);
  }
}

TEST(Worms, FiringSpreadsRecoilsAndCreatesShotsAhead) {
  auto w = MakeSimWorld();
  WeaponDef& def = w->WeaponDefs[1];  // weapon number 0
  std::tie(def.AMMO, def.NUMOBJECTS, def.SPEED, def.RECOIL) = std::tuple(10, 3, 100, 40);
  Player& pl = PlaceWorm(*w, 1, 100, 50);  // aiming level, facing right
  std::tie(pl.Ammo[0], pl.Aim, pl.FacingRight, pl.Ctrl[kShoot]) = std::tuple(10, 7, kTrue, 1);
  PlayerAction(*w);
  ASSERT_EQ(w->Shots.size(), 4u);
  for (std::size_t i = 1; i < 4; ++i)
    EXPECT_EQ(std::tuple(w->Shots[i].x, w->Shots[i].owner, w->Shots[i].speed), std::tuple(fixed(109), 1, fixed(100)));
  EXPECT_EQ(std::tuple(pl.DirX < fixed(0), pl.Ammo[0]), std::tuple(true, fixed(9)));  // pushed backwards
  PlayerAction(*w);  // SHOTDELAY 0: one frame later it may fire again
  EXPECT_EQ(w->Shots.size(), 7u);
}

// The aim key moves the aim before the trigger acts: a worm at aim 6 that
// holds up while firing shoots and recoils exactly as one already at aim 7.
TEST(Worms, ShotHeldWithTheAimKeyLeavesAtTheNewAim) {
  struct Result {
    Entity shot;
    fixed dirx, diry, speed;
  };
  auto fire = [](int16 aim, bool up) {
    auto w = MakeSimWorld();
    WeaponDef& def = w->WeaponDefs[1];
    std::tie(def.AMMO, def.NUMOBJECTS, def.SPEED, def.RECOIL) = std::tuple(10, 1, 100, 50);
    Player& pl = PlaceWorm(*w, 1, 100, 50);
    std::tie(pl.Ammo[0], pl.Aim, pl.FacingRight, pl.Ctrl[kShoot], pl.Ctrl[kUp]) = std::tuple(10, aim, kTrue, 1, up);
    PlayerAction(*w);
    EXPECT_EQ(pl.Aim, 7);
    return Result{w->Shots.at(1), pl.DirX, pl.DirY, pl.Speed};
  };
  const Result held = fire(6, true), still = fire(7, false);
  EXPECT_EQ(std::tuple(held.shot.x, held.shot.Y, held.shot.dx, held.shot.dy),
            std::tuple(still.shot.x, still.shot.Y, still.shot.dx, still.shot.dy));
  EXPECT_EQ(std::tuple(held.dirx, held.diry, held.speed), std::tuple(still.dirx, still.diry, still.speed));
}

TEST(Worms, RopeHookCatchesAnotherWormOnlyInALocalGame) {
  for (int ws : {0, 7}) {
    auto w = MakeSimWorld();
    w->Connection = static_cast<ConnectionState>(ws);
    PlaceWorm(*w, 2, 100, 50);
    Player& pl = PlaceWorm(*w, 1, 50, 50);
    std::tie(pl.RopeState, pl.RopeX, pl.RopeY, pl.RopeLength) = std::tuple(1, 97, 52, 20);
    PlayerAction(*w);
    EXPECT_EQ(pl.RopeState, ws == 0 ? -2 : 1) << ws;
    // Caught, the holder is pulled towards its catch and the catch towards the holder.
    EXPECT_TRUE(ws != 0 || (pl.DirX > fixed(0) && w->Players[2].DirX < fixed(0))) << ws;
  }
}

TEST(Worms, DeadWormWaitsForJumpAndViewsFollowWithinTheLevel) {
  auto w = MakeSimWorld(504, 350);
  Player& pl = PlaceWorm(*w, 1, 500, 10);
  pl.Alive = kFalse;
  PlayerAction(*w);
  EXPECT_EQ(std::tuple(pl.Alive, pl.Age, pl.ViewX, pl.ViewY), std::tuple(kFalse, 1, 344, 0));
  pl.Ctrl[kJump] = 1;
  PlayerAction(*w);
  EXPECT_EQ(std::tuple(pl.Alive, pl.X, pl.Y), std::tuple(kTrue, fixed(500), fixed(10)));  // nothing else that frame
}

}  // namespace
}  // namespace krel
