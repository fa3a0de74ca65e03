// The ace computer player's cost: two strongest ace worms fight a whole
// game on the shipped level, with the shipped weapon file and with two
// hostile variants of it, and only the computer players' step of each frame
// is timed. Targets: under 0.2 ms per frame on average for both worms
// together (of the 40 ms frame) with the shipped file, and no single frame
// over 1 ms with any file.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>
#include <stdexcept>

#include "client/ai/ace.h"
#include "client/app/game.h"
#include "client/present/display.h"
#include "client/present/render.h"
#include "client/simulation/weapons/arms.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "client/simulation/worms/worms.h"
#include "platform/headless/headless_platform.h"

namespace krel {
namespace {

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

enum Variant { kShipped, kBouncing, kManySlow };

// Weapon files the checker accepts that make the look-ahead work hardest:
// shots that never explode and bounce for ever, and 40 slow shots a pull.
void Harden(World& w, Variant v) {
  for (std::size_t n = 1; n <= 40; ++n) {
    WeaponDef& W = w.WeaponDefs[n];
    if (v == kBouncing) {
      W.GROUNDEXPLODE = 0;
      W.WORMEXPLODE = 0;
      W.TIMETOEXPLODE = 0;
      W.WORMREMOVE = 1;
      W.HITDAMAGE = std::max<int16>(W.HITDAMAGE, 5);
      W.BOUNCE = 100;
      W.ACCADD = 0;
      W.ACCMULTIPLY = 100;
    } else if (v == kManySlow) {
      W.NUMOBJECTS = 40;
      W.SPEED = std::min<int16>(W.SPEED, 60);
      W.SHOTDELAY = std::min<int16>(W.SHOTDELAY, 5);
    }
  }
}

void BM_AceTwoWorms(benchmark::State& state) {
  HeadlessPlatform platform;
  auto owned = std::make_unique<World>();
  World& w = *owned;
  w.platform = &platform;
  const std::string dir = std::string(KREL_SOURCE_DIR) + "/data";
  w.ProgramDir = dir;
  std::string error;
  if (!InitDisplay(w, dir, error)) throw std::runtime_error(error);
  ArmsError armsError;
  if (!LoadArms(w.WeaponDefs, w.ObjDefs, w.SObjDefs, dir + "/arms.dat", armsError))
    throw std::runtime_error(armsError.Message());
  Harden(w, static_cast<Variant>(state.range(0)));
  w.Seed(7);
  w.LivesSetting = 9999;
  w.MenuComputer = {kFalse, kControllerAce, kControllerAce};
  // A mixed set: bullets, a rocket, a lobbed grenade, a beam, a mortar.
  for (int p = 1; p <= 2; ++p) w.Players[static_cast<std::size_t>(p)].WeaponSlots = {0, 4, 6, 9, 28};
  w.ResetEntityTables();
  InitGame(w);
  double aiSeconds = 0, worst = 0;
  for (auto _ : state) {
    PlayerAction(w);
    MoveShots(w);
    ParticleMove(w);
    SObjMove(w);
    ShowAll(w);
    BonusDrop(w);
    // CPU time of this thread: on a busy machine the wall clock also counts
    // the time other programs had the core.
    const double t0 = ThreadSeconds();
    RunComputerPlayers(w);
    const double spent = ThreadSeconds() - t0;
    aiSeconds += spent;
    worst = std::max(worst, spent);
  }
  state.counters["ai_ms"] = benchmark::Counter(aiSeconds * 1000, benchmark::Counter::kAvgIterations);
  state.counters["ai_worst_ms"] = worst * 1000;
}
// A whole game of each: shipped, bouncing, many slow shots.
BENCHMARK(BM_AceTwoWorms)
    ->Arg(kShipped)
    ->Arg(kBouncing)
    ->Arg(kManySlow)
    ->Iterations(4500)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace krel
