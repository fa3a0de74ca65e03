// The bounds of the live arrays and of one frame's work: a weapon file whose
// objects explode into copies of themselves keeps the game running and each
// frame short, dead elements in the middle are reclaimed without moving the
// live ones out of their order, and honest play with the shipped weapon file
// never comes near a bound.
#include <gtest/gtest.h>

#include <array>
#include <iostream>

#include "client/simulation/weapons/entities.h"
#include "client/simulation/weapons/frame_budget.h"
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

TEST(EntityBounds, ObjectsThatSplinterIntoThemselvesStayWithinTheFramesBudget) {
  // Three copies per explosion: unchecked, the chain would fill the object
  // array in a few dozen frames. The frame's budget lets it make no more
  // than kPieces splinters a frame (those are the objects of age 1 after it).
  auto w = SelfSplinteringWorld(3);
  int peak = 0;
  for (int f = 0; f < 40; ++f) {
    Frames(*w, 1);
    int made = 0;
    for (std::size_t k = 1; k < w->Objs.size(); ++k) made += w->Objs[k].removed == kFalse && w->Objs[k].age == 1;
    ASSERT_LE(made, frame_budget::kPieces) << f;
    peak = std::max(peak, made);
    ASSERT_LE(LastIndex(w->Objs), kMaxObjs);
    ASSERT_LE(LastIndex(w->SObjs), kMaxSObjs);
  }
  EXPECT_EQ(peak, frame_budget::kPieces);  // it did reach the budget

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

// Beyond the frame's budget the rest waits: 100 objects at the highest
// speed would make 106,600 steps, and 1,500 fresh special objects blast.
TEST(EntityBounds, BeyondTheFramesBudgetTheRestWaits) {
  auto w = MakeSimWorld();
  std::tie(w->ObjDefs[3].SPEED, w->ObjDefs[3].BOUNCE) = std::tuple(32000, 100);
  for (int k = 0; k < 100; ++k) AddObj(*w, 100, 75, 1, 0, 1, 3, 0);
  for (int k = 0; k < 1500; ++k) AddSObj(*w, 100, 75, 0, 0, 1, 2);
  w->SObjDefs[2].ANIMFRAMES = w->SObjDefs[2].ANIMDELAY = 1;
  Frames(*w, 1);
  std::int64_t steps = 0;
  for (std::size_t k = 1; k < w->Objs.size(); ++k) steps += w->Objs[k].steps;
  EXPECT_EQ(steps, frame_budget::kSteps);
  EXPECT_EQ(std::tuple(w->Objs[1].steps, w->Objs[100].steps), std::tuple(1066, 0));  // the first flew, the last waited
  int waiting = 0;
  for (std::size_t k = 1; k < w->SObjs.size(); ++k) waiting += w->SObjs[k].removed == kFalse && w->SObjs[k].age == 0;
  EXPECT_EQ(waiting, 1500 - frame_budget::kExplosions);  // the others blasted and are gone
  Frames(*w, 1);
  EXPECT_EQ(LastIndex(w->SObjs), 0);
  // Outside the movers' frame nothing is counted.
  EXPECT_FALSE(w->Budget.active);
}

// Both worms fire one weapon of the shipped file without pause (ammunition
// and reloading as in a game), for every weapon: the longest each array gets
// stays under a tenth of its bound, so an honest game never reclaims.
TEST(EntityBounds, ShippedWeaponsStayFarBelowTheBounds) {
  Match m(std::string(KREL_SOURCE_DIR) + "/data", 7);
  World& w = m.world();
  const std::array<const std::vector<Entity>*, 3> tables = {&w.Shots, &w.Objs, &w.SObjs};
  const std::array<int, 3> bounds = {kMaxShots, kMaxObjs, kMaxSObjs};
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
      for (std::size_t k = 0; k < 3; ++k) peak[k] = std::max(peak[k], tables[k]->size() - 1);
    }
  }
  std::cout << "longest arrays: " << peak[0] << " shots, " << peak[1] << " objects, " << peak[2]
            << " special objects\n";
  for (std::size_t k = 0; k < 3; ++k) EXPECT_LT(peak[k], static_cast<std::size_t>(bounds[k] / 10)) << k;
}

}  // namespace
}  // namespace krel
