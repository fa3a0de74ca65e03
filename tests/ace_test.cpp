// The ace computer player's decisions on small hand-made levels (it gets
// across a gap, it does not fire a rocket into the wall beside it, its lobs
// land where it aims them), and a short arena run of whole games that checks
// only what must always hold.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "client/ai/ace.h"
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

// Motion tests points beside a worm's centre, so a worm whose centre has
// ended up a few pixels inside rock can neither walk, jump, dig nor rope out
// of it, and a kick of its own shots only drives it into more rock. The ace
// must not stay there for the rest of the game: it fires into the rock
// around it until the blasts push it out or end its life, and plays on
// elsewhere. Wedged 3 pixels deep in a rock wall, the target in the open.
TEST(Ace, AWormWedgedInRockFiresItselfOut) {
  auto owned = ShippedWeaponsWorld(300, 150);
  World& w = *owned;
  Fill(w, 0, 120, 300, 150, kRockColour);
  Fill(w, 150, 0, 300, 150, kRockColour);
  Player& me = PlaceWorm(w, 1, 153, 100);
  me.FacingRight = kFalse;
  PlaceWorm(w, 2, 40, 115);
  Arm(w, 1, kBazooka);
  int frames = 0;
  auto wedged = [&] {
    return me.Alive != kFalse && std::abs(me.X.ToDouble() - 153) < 2 && std::abs(me.Y.ToDouble() - 100) < 2;
  };
  while (frames < 1000 && wedged()) {
    Frame(w);
    ++frames;
  }
  EXPECT_LT(frames, 1000) << "still wedged, health " << me.Health;
}

TEST(Arena, ShortGamesKeepHealthInRangeAndRepeatFromTheirSeed) {
  arena::ArenaOptions o;
  o.data_dir = std::string(KREL_SOURCE_DIR) + "/data";
  o.frames = 500;
  o.seed = 11;
  for (auto [a, b] : {std::pair{kControllerAce, kControllerCpu}, std::pair{kControllerAce, kControllerAce}}) {
    o.side_a.controller = a;
    o.side_b.controller = b;
    const arena::GameResult first = arena::PlayGame(o, 1);
    const arena::GameResult again = arena::PlayGame(o, 1);
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
