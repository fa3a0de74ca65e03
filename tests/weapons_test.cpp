// Shots, objects, special objects, explosions and death on a hand-made level
// with a weapon table of the test's own.
#include <gtest/gtest.h>

#include "client/simulation/weapons/entities.h"
#include "client/simulation/weapons/explosions.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "sim_test_support.h"

namespace krel {
namespace {

using namespace krel::testing;

TEST(Shots, SubStepsFollowSpeed) {
  // Speed 29: one step, no move; 30: two steps of (dx, dy); 60: three.
  // ACCMULTIPLY 0 loses all speed at once.
  const struct {
    int16 speed, accmultiply;
    int32 steps;
    double x;
  } cases[] = {{29, 100, 1, 50}, {30, 100, 2, 52}, {60, 100, 3, 53}, {100, 0, 1, 50}};
  for (const auto& c : cases) {
    auto w = MakeSimWorld();
    std::tie(w->WeaponDefs[1].SPEED, w->WeaponDefs[1].ACCMULTIPLY) = std::tuple(c.speed, c.accmultiply);
    AddShot(*w, 50, 50, 1, 0, 1, 0, 0);
    MoveShots(*w);
    EXPECT_EQ(std::tuple(w->Shots[1].steps, w->Shots[1].x), std::tuple(c.steps, fixed(c.x))) << c.speed;
  }
}

// Contact at exactly the range: shots strict (range + 4), objects inclusive
// (range + 4), special objects strict (range).
TEST(Contact, RadiiAreStrictForShotsAndSpecialObjectsInclusiveForObjects) {
  for (double dist : {10.0, 9.99}) {
    auto w = MakeSimWorld();
    PlaceWorm(*w, 1, 50, 50);
    WeaponDef& W = w->WeaponDefs[1];
    std::tie(W.WORMREMOVE, W.WORMDETECTRANGE, W.HITDAMAGE, W.SPEED) = std::tuple(1, 6, 7, 29);
    AddShot(*w, fixed(50 + dist), 50, 0, 0, 2, 0, 0);
    MoveShots(*w);
    EXPECT_EQ(std::tuple(w->Shots.size(), w->Players[1].Health),
              dist < 10 ? std::tuple(std::size_t{1}, int16{93}) : std::tuple(std::size_t{2}, int16{100}))
        << dist;

    ObjDef& T = w->ObjDefs[3];
    std::tie(T.WORMREMOVE, T.WORMDETECTRANGE, T.HITDAMAGE) = std::tuple(1, 6, 5);
    AddObj(*w, 60.01, 50, 0, 0, 2, 3, 0);
    AddObj(*w, 50, 60, 0, 0, 2, 3, 0);
    ParticleMove(*w);
    // Only the object at exactly 10 touches (and is removed).
    EXPECT_EQ(std::tuple(w->Objs.size(), w->Objs[1].removed), std::tuple(std::size_t{2}, kFalse)) << dist;

    SObjDef& B = w->SObjDefs[2];
    std::tie(B.WORMDETECTRANGE, B.DAMAGE, B.ANIMDELAY, B.ANIMFRAMES) = std::tuple(10, 4, 2, 5);
    const int16 before = w->Players[1].Health;
    AddSObj(*w, fixed(50 + dist), 50, 0, 0, 2, 2);
    for (int f = 0; f < 9; ++f) SObjMove(*w);
    // Hurt once in its first frame, however long it stays; gone when its
    // age reaches ANIMDELAY x ANIMFRAMES.
    EXPECT_EQ(w->Players[1].Health, dist < 10 ? before - 4 : before) << dist;
    EXPECT_EQ(w->SObjs.size(), 2u);
    SObjMove(*w);
    EXPECT_EQ(w->SObjs.size(), 1u);
  }
}

TEST(Contact, HitDamageWithoutRemoveOrExplodeNeverHurts) {
  auto w = MakeSimWorld();
  PlaceWorm(*w, 1, 50, 50);
  std::tie(w->WeaponDefs[1].HITDAMAGE, w->WeaponDefs[1].WORMDETECTRANGE) = std::tuple(50, 10);
  std::tie(w->ObjDefs[1].HITDAMAGE, w->ObjDefs[1].WORMDETECTRANGE) = std::tuple(50, 10);
  AddShot(*w, 50, 50, 0, 0, 2, 0, 0);
  AddObj(*w, 50, 50, 0, 0, 2, 1, 0);
  MoveShots(*w);
  ParticleMove(*w);
  EXPECT_EQ(w->Players[1].Health, 100);
}

TEST(Shots, BonusItemsGiveWeaponsOrHealth) {
  struct Case {
    int16 color;
    int16 health_before;
    int16 health_min, health_max;
  };
  for (const Case c : {Case{3, 50, 50, 50}, Case{0, 30, 40, 89}, Case{-40, 95, 100, 100}}) {
    auto w = MakeSimWorld();
    std::tie(w->WeaponDefs[0].WORMREMOVE, w->WeaponDefs[0].WORMDETECTRANGE, w->WeaponDefs[4].AMMO) =
        std::tuple(1, 4, 17);
    Player& pl = PlaceWorm(*w, 2, 50, 50);
    std::tie(pl.Health, pl.CurWeapon) = std::tuple(c.health_before, 2);
    pl.WeaponSlots = {0, 1, 9, 2, 5};
    AddShot(*w, 51, 50, 0, 0, 1, -1, c.color);
    MoveShots(*w);
    EXPECT_EQ(w->Shots.size(), 1u);
    EXPECT_TRUE(pl.Health >= c.health_min && pl.Health <= c.health_max) << pl.Health;
    EXPECT_EQ(std::tuple(pl.WeaponSlots[2], pl.Ammo[2]),
              c.color > 0 ? std::tuple(int16{3}, fixed(17)) : std::tuple(int16{9}, fixed(0)));
  }
}

TEST(Shots, GroundExplosionDigsLeavesBlastAndSplinters) {
  auto w = MakeSimWorld();
  Fill(*w, 0, 100, 200, 150, kSoilColour);
  Fill(*w, 60, 100, 62, 150, kRockColour);
  WeaponDef& W = w->WeaponDefs[1];
  std::tie(W.GROUNDEXPLODE, W.MAPCHANGE, W.SPLINTERAMOUNT, W.SPLINTERTYPE, W.CREATEONHIT, W.SPEED, W.ACCMULTIPLY) =
      std::tuple(1, 1, 5, 4, 3, 60, 100);
  AddShot(*w, 50, 98, 0, 1, 1, 0, 0);
  MoveShots(*w);
  // Five splinters and the blast; the rock survives.
  EXPECT_EQ(std::tuple(w->Shots.size(), w->Objs.size(), w->SObjs.size()), std::tuple(1u, 6u, 2u));
  EXPECT_EQ(std::tuple(IsFree(*w, 50, 105), IsFree(*w, 60, 103)), std::tuple(true, false));
  const struct {
    int16 mapchange;
    std::optional<int16> r;
  } radii[] = {{1, 12}, {2, 6}, {3, 4}, {4, 4}, {6, 4}, {5, -7}, {7, -5}, {0, std::nullopt}, {8, std::nullopt}};
  for (const auto& c : radii) EXPECT_EQ(MapChangeRadius(c.mapchange), c.r) << c.mapchange;
}

TEST(Shots, NonExplodingShotBouncesAndLosesSpeed) {
  auto w = MakeSimWorld();
  Fill(*w, 0, 100, 200, 150, kSoilColour);
  WeaponDef& W = w->WeaponDefs[1];
  std::tie(W.BOUNCE, W.SPEED, W.ACCMULTIPLY) = std::tuple(50, 90, 100);
  AddShot(*w, 50, 98, 0, 1, 1, 0, 0);
  MoveShots(*w);
  const Shot& s = w->Shots[1];
  EXPECT_EQ(std::tuple(s.dy, s.speed), std::tuple(fixed(-1), fixed(45)));
  EXPECT_TRUE(IsFree(*w, 50, 99));
}

TEST(Shots, TimedExplosionAndBeamsThatFlyOnThroughWorms) {
  auto w = MakeSimWorld();
  std::tie(w->WeaponDefs[1].TIMETOEXPLODE, w->WeaponDefs[1].CREATEONHIT) = std::tuple(3, 1);
  AddShot(*w, 50, 50, 0, 0, 1, 0, 0);
  for (int f = 0; f < 3; ++f) MoveShots(*w);
  EXPECT_EQ(w->Shots.size(), 2u);
  MoveShots(*w);  // age 4 > 3
  EXPECT_EQ(std::tuple(w->Shots.size(), w->SObjs.size()), std::tuple(std::size_t{1}, std::size_t{2}));

  // A beam with WORMEXPLODE explodes at each step near the worm and is not
  // removed by the contact.
  auto v = MakeSimWorld();
  PlaceWorm(*v, 2, 80, 50);
  WeaponDef& B = v->WeaponDefs[2];
  std::tie(B.WORMEXPLODE, B.WORMDETECTRANGE, B.CREATEONHIT, B.SPEED, B.ACCMULTIPLY) = std::tuple(1, 0, 1, 32000, 100);
  AddShot(*v, 70, 50, 1, 0, 1, 1, 0);
  MoveShots(*v);
  EXPECT_EQ(v->Shots.size(), 2u);
  EXPECT_EQ(v->SObjs.size(), 8u);  // seven steps within 4 pixels of the worm (77..83)
}

TEST(Entities, RemovalCutsOnlyTheDeadTail) {
  auto w = MakeSimWorld();
  for (int i = 0; i < 4; ++i) AddShot(*w, 10, 10, 0, 0, 1, 0, 0);
  RemoveShot(*w, 2);
  EXPECT_EQ(w->Shots.size(), 5u);  // the middle is only marked
  RemoveShot(*w, 4);
  EXPECT_EQ(w->Shots.size(), 4u);
  RemoveShot(*w, 3);
  EXPECT_EQ(w->Shots.size(), 2u);  // 3 and the marked 2 go together
  RemoveShot(*w, 9);               // beyond the end: nothing
  RemoveShot(*w, 1);
  EXPECT_EQ(w->Shots.size(), 1u);
  // Numbers outside the tables create nothing.
  AddShot(*w, 10, 10, 0, 0, 1, 41, 0);
  AddShot(*w, 10, 10, 0, 0, 1, -2, 0);
  AddObj(*w, 10, 10, 0, 0, 1, 31, 0);
  AddSObj(*w, 10, 10, 0, 0, 1, 21);
  EXPECT_EQ(std::tuple(w->Shots.size(), w->Objs.size(), w->SObjs.size()), std::tuple(1u, 1u, 1u));
}

TEST(Entities, NetworkGameSendsOwnRequestsAndDropsOthers) {
  const struct {
    int ws;
    int16 owner;
    Origin origin;
    bool applied;
  } cases[] = {{0, 5, Origin::kLocal, true},
               {7, 1, Origin::kLocal, false},
               {7, 3, Origin::kLocal, false},
               {7, 3, Origin::kNetwork, true},
               {3, 1, Origin::kLocal, false}};
  for (const auto& c : cases) {
    auto w = MakeSimWorld();
    w->Connection = static_cast<ConnectionState>(c.ws);
    AddShot(*w, 10, 10, 0, 0, c.owner, 0, 0, c.origin);
    AddObj(*w, 10, 10, 0, 0, c.owner, 1, 0, c.origin);
    AddSObj(*w, 10, 10, 0, 0, c.owner, 1, c.origin);
    const std::size_t n = c.applied ? 2 : 1;
    EXPECT_EQ(std::tuple(w->Shots.size(), w->Objs.size(), w->SObjs.size()), std::tuple(n, n, n)) << c.ws << c.owner;
  }
}

TEST(Death, LocalCountingRemainsRespawnAndChatLines) {
  struct Case {
    int16 killer;
    int16 lives2, kills1, kills0;
    const char* line;
  };
  for (const Case c : {Case{1, 4, 1, 0, "Bob died"}, Case{2, 4, 0, 0, "Bob: suicide"}, Case{0, 4, 0, 1, "Bob died"}}) {
    auto w = MakeSimWorld(504, 350);
    Fill(*w, 0, 0, 504, 350, kSoilColour);
    Player& pl = PlaceWorm(*w, 2, 30, 30);
    pl.SetName("  Bob");
    std::tie(pl.Lives, pl.Health, pl.RopeState) = std::tuple(5, -3, 1);
    PlayerDied(*w, 2, c.killer, Origin::kLocal);
    EXPECT_EQ(std::tuple(pl.Lives, w->Players[1].Kills, w->Players[0].Kills), std::tuple(c.lives2, c.kills1, c.kills0));
    EXPECT_EQ(std::tuple(pl.Health, pl.Alive, pl.RopeState, w->ChatLines[1]), std::tuple(100, kFalse, 0, c.line));
    ASSERT_EQ(w->Objs.size(), 5u);  // four remains of object type 2, owner 0
    EXPECT_EQ(std::tuple(w->Objs[1].ty, w->Objs[1].owner), std::tuple(2, 0));
    EXPECT_TRUE(IsPassable(*w, pl.X.ToDouble(), pl.Y.ToDouble()));
    EXPECT_TRUE(pl.X < fixed(490) && pl.Y < fixed(320));
  }
}

TEST(Death, RespawnEndsWhenNothingCanBeDug) {
  // In a network game the dig of each try only goes to the server: the one
  // free pixel is found by the scan. On solid rock the worm stays where the
  // last try put it. Neither hangs.
  for (bool onePixel : {true, false}) {
    auto w = MakeSimWorld(504, 350);
    Fill(*w, 0, 0, 504, 350, kRockColour);
    if (onePixel) Fill(*w, 300, 200, 301, 201, kFreeColour);
    w->Connection = ConnectionState::kConnected;
    Player& pl = PlaceWorm(*w, 1, 30, 30);
    PlayerDied(*w, 1, 1, Origin::kNetwork);
    EXPECT_EQ(pl.Alive, kFalse);
    EXPECT_TRUE(!onePixel || (pl.X == fixed(300) && pl.Y == fixed(200))) << pl.X.ToDouble() << "," << pl.Y.ToDouble();
    EXPECT_TRUE(w->ChatLines[1].empty());  // only placed: no line, nothing counted
  }
  auto w = MakeSimWorld();
  PlayerDied(*w, 18, 1, Origin::kLocal);  // no such player
  PlayerDied(*w, -1, 1, Origin::kLocal);
  EXPECT_TRUE(w->ChatLines[1].empty());
}

TEST(Death, AShotThatKillsCountsForItsOwner) {
  auto w = MakeSimWorld(504, 350);
  Player& victim = PlaceWorm(*w, 2, 50, 50);
  std::tie(victim.Health, victim.Lives) = std::tuple(5, 3);
  WeaponDef& W = w->WeaponDefs[1];
  std::tie(W.WORMREMOVE, W.WORMDETECTRANGE, W.HITDAMAGE, W.BLOW, W.SPEED) = std::tuple(1, 2, 10, 90, 29);
  AddShot(*w, 51, 50, 0, 0, 1, 0, 0);
  MoveShots(*w);
  EXPECT_EQ(std::tuple(victim.Lives, victim.Health, w->Players[1].Kills), std::tuple(2, 100, 1));
}

}  // namespace
}  // namespace krel
