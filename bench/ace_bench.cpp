// The ace computer player's cost: two ace worms fight on the shipped level
// and weapon file, and only the computer players' step of each frame is
// timed. Target: under 0.2 ms per frame for both worms together (of the
// 40 ms frame).
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
BENCHMARK(BM_AceTwoWorms)->Iterations(3000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace krel
