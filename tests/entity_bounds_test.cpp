// The bounds of the live arrays: a weapon file whose objects explode into
// copies of themselves keeps the game running, dead elements in the middle
// are reclaimed without moving the live ones out of their order, and honest
// play with the shipped weapon file never comes near a bound.
#include <gtest/gtest.h>

#include <array>
#include <iostream>

#include "client/simulation/weapons/entities.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "match_rig.h"
#include "sim_test_support.h"

namespace krel {
namespace {

using namespace krel::testing;

TEST(EntityBounds, ReclaimingKeepsTheLiveOrderAndStartsOnlyAtHalfTheBound) {
  std::vector<Entity> a(1);
  for (int16 k = 1; k <= 10; ++k) a.push_back(MakeEntity(0, 0, 0, 0, 1, k, 0, 0));
  for (int nr : {2, 5, 6, 9}) a[static_cast<std::size_t>(nr)].removed = kTrue;
  ReclaimDead(a, 22);  // 10 elements: below half of 22
  EXPECT_EQ(a.size(), 11u);
  ReclaimDead(a, 20);
  std::vector<int16> order;
  for (std::size_t k = 1; k < a.size(); ++k) order.push_back(a[k].ty);
  EXPECT_EQ(order, (std::vector<int16>{1, 3, 4, 7, 8, 10}));
  EXPECT_TRUE(AppendBounded(a, a[1], 7));
  EXPECT_FALSE(AppendBounded(a, a[1], 7));
  EXPECT_EQ(LastIndex(a), 7);
}

// Object 1 explodes two frames after its birth into `amount` copies of
// itself, each explosion leaving special object 1 behind; a shot of weapon
// 0 starts the chain with four of them.
std::unique_ptr<World> SelfSplinteringWorld(int16 amount) {
  auto w = MakeSimWorld(300, 200);
  Fill(*w, 0, 150, 300, 200, kRockColour);
  ObjDef& o = w->ObjDefs[1];
  std::tie(o.TIMETOEXPLODE, o.SPLINTERAMOUNT, o.SPLINTERTYPE, o.CREATEONHIT, o.SPEED, o.BOUNCE) =
      std::tuple(1, amount, 1, 1, 60, 50);
  w->SObjDefs[1].ANIMFRAMES = 1;
  w->SObjDefs[1].ANIMDELAY = 3;
  WeaponDef& W = w->WeaponDefs[1];
  std::tie(W.GROUNDEXPLODE, W.SPLINTERAMOUNT, W.SPLINTERTYPE, W.SPEED, W.ACCMULTIPLY) = std::tuple(1, 4, 1, 60, 100);
  AddShot(*w, 150, 140, 0, 1, 1, 0, 0);
  return w;
}

void Frames(World& w, int n) {
  for (int f = 0; f < n; ++f) {
    MoveShots(w);
    ParticleMove(w);
    SObjMove(w);
  }
}

TEST(EntityBounds, ObjectsThatSplinterIntoThemselvesStayWithinTheBounds) {
  // Three copies per explosion: the chain fills the object array in a few
  // dozen frames and then stays at its bound.
  auto w = SelfSplinteringWorld(3);
  std::size_t peak = 0;
  for (int f = 0; f < 40; ++f) {
    Frames(*w, 1);
    peak = std::max(peak, w->Objs.size());
    ASSERT_LE(LastIndex(w->Objs), kMaxObjs);
    ASSERT_LE(LastIndex(w->SObjs), kMaxSObjs);
  }
  EXPECT_EQ(peak, static_cast<std::size_t>(kMaxObjs) + 1);  // it did reach the bound

  // One copy per explosion: two dead elements a frame are left in the
  // middle; they are reclaimed, so the array never fills.
  auto v = SelfSplinteringWorld(1);
  int32 longest = 0;
  for (int f = 0; f < 6000; ++f) {
    Frames(*v, 1);
    longest = std::max(longest, LastIndex(v->Objs));
    ASSERT_LT(LastIndex(v->Objs), kMaxObjs) << f;
  }
  EXPECT_GE(longest, kMaxObjs / 2);  // it grew far enough to be reclaimed
  int live = 0;
  for (std::size_t k = 1; k < v->Objs.size(); ++k) live += v->Objs[k].removed == kFalse;
  EXPECT_EQ(live, 4);  // the four splinters of the shot go on copying themselves
}

// Both worms fire one weapon of the shipped file without pause (ammunition
// and reloading as in a game), for every weapon: the longest each array gets
// stays under a tenth of its bound, so an honest game never reclaims.
TEST(EntityBounds, ShippedWeaponsStayFarBelowTheBounds) {
  Match m(std::string(KREL_SOURCE_DIR) + "/data", 7);
  World& w = m.world();
  std::array<std::size_t, 3> peak{};
  for (int16 weapon = 0; weapon < 40; ++weapon) {
    w.ResetEntityTables();
    for (int p = 1; p <= 2; ++p) {
      Player& pl = w.Players[static_cast<std::size_t>(p)];
      for (std::size_t s = 0; s < 5; ++s) {
        pl.WeaponSlots[s] = weapon;
        pl.Ammo[s] = fixed(w.WeaponDefs[static_cast<std::size_t>(weapon + 1)].AMMO);
      }
      pl.Lives = 9999;
    }
    for (int f = 0; f < 200; ++f) {
      m.Frame();
      for (int p = 1; p <= 2; ++p) {
        auto& ctrl = w.Players[static_cast<std::size_t>(p)].Ctrl;
        ctrl[5] = 1;            // shoot
        ctrl[6] = f % 20 == 0;  // come into play
        ctrl[7] = 0;            // keep the weapon
      }
      peak[0] = std::max(peak[0], w.Shots.size() - 1);
      peak[1] = std::max(peak[1], w.Objs.size() - 1);
      peak[2] = std::max(peak[2], w.SObjs.size() - 1);
    }
  }
  std::cout << "longest arrays: " << peak[0] << " shots, " << peak[1] << " objects, " << peak[2]
            << " special objects\n";
  EXPECT_LT(peak[0], static_cast<std::size_t>(kMaxShots / 10));
  EXPECT_LT(peak[1], static_cast<std::size_t>(kMaxObjs / 10));
  EXPECT_LT(peak[2], static_cast<std::size_t>(kMaxSObjs / 10));
}

}  // namespace
}  // namespace krel
