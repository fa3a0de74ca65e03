// Long matches of two computer worms with random weapons on the shipped
// level and weapon file: the tables stay valid, health stays in bounds, and
// a fixed seed plays the same match twice.
#include <gtest/gtest.h>

#include <cmath>

#include "client/simulation/terrain/level.h"
#include "match_rig.h"

namespace krel {
namespace {

using namespace krel::testing;

const std::string kData = std::string(KREL_SOURCE_DIR) + "/data";

template <typename T>
void Mix(std::uint64_t& h, T v) {
  h = (h ^ static_cast<std::uint64_t>(v)) * 1099511628211ull;
}

std::uint64_t Digest(const World& w) {
  std::uint64_t h = 14695981039346656037ull;
  for (int p = 1; p <= 2; ++p) {
    const Player& pl = w.Players[static_cast<std::size_t>(p)];
    for (auto v : {pl.X.raw(), pl.Y.raw(), pl.DirX.raw(), pl.DirY.raw(), pl.Speed.raw()}) Mix(h, v);
    for (int v : {int{pl.Health}, int{pl.Lives}, int{pl.Kills}, int{pl.Aim}, int{pl.Alive}}) Mix(h, v);
  }
  for (const auto* table : {&w.Shots, &w.Objs, &w.SObjs}) Mix(h, table->size());
  for (Pixel px : w.LevelSurface.pixels()) Mix(h, px);
  return h;
}

TEST(SimulationSoak, LongMatchKeepsEveryInvariant) {
  Match m(kData, 20261206);
  World& w = m.world();
  int respawns = 0;
  std::array<int16, 3> lives{0, w.Players[1].Lives, w.Players[2].Lives};
  std::size_t peakObjs = 0;
  for (int frame = 0; frame < 20000; ++frame) {
    const int games = m.games();
    if (frame > 0) m.Frame();
    // Every element before the last may be dead, the last never is.
    for (const auto* table : {&w.Shots, &w.Objs, &w.SObjs})
      ASSERT_TRUE(!table->empty() && (table->size() == 1 || table->back().removed == kFalse)) << frame;
    peakObjs = std::max(peakObjs, w.Objs.size());
    for (int p = 1; p <= 2; ++p) {
      const Player& pl = w.Players[static_cast<std::size_t>(p)];
      ASSERT_LE(pl.Health, 100) << frame;
      ASSERT_TRUE(pl.Aim >= 0 && pl.Aim <= 18 && pl.CurWeapon >= 0 && pl.CurWeapon <= 4) << frame;
      ASSERT_TRUE(std::abs(pl.X.ToDouble()) < 10000 && std::abs(pl.Y.ToDouble()) < 10000) << frame;
      // A worm that just lost a life, or was placed for a new game (after the
      // level was reloaded), waits on a free pixel of the respawn area.
      const bool placed = m.games() != games || frame == 0;
      if (placed || pl.Lives < lives[static_cast<std::size_t>(p)]) {
        ++respawns;
        ASSERT_TRUE((placed || pl.Alive == kFalse) && IsPassable(w, pl.X.ToDouble(), pl.Y.ToDouble()) &&
                    pl.X < fixed(490) && pl.Y < fixed(320))
            << frame;
      }
      lives[static_cast<std::size_t>(p)] = pl.Lives;
    }
  }
  // The match was a real one: worms died and particles flew.
  EXPECT_GT(respawns, 5);
  EXPECT_GT(peakObjs, 30u);
}

TEST(SimulationSoak, FixedSeedPlaysTheSameMatchTwice) {
  std::vector<std::uint64_t> runs;
  for (std::uint64_t seed : {77u, 77u, 78u}) {
    Match m(kData, seed);
    std::uint64_t h = 0;
    for (int frame = 0; frame < 3000; ++frame) {
      m.Frame();
      if (frame % 100 == 0) Mix(h, Digest(m.world()));
    }
    runs.push_back(h);
  }
  EXPECT_EQ(runs[0], runs[1]);
  EXPECT_NE(runs[0], runs[2]);
}

}  // namespace
}  // namespace krel
