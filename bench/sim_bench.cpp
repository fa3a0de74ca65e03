// The simulation of a match of two computer worms on the shipped level and
// weapon file, without pacing: milliseconds per frame for worms, shots,
// objects, special objects and drawing. The frame budget is 40 ms; the
// simulation of a busy frame (hundreds of particles alive) should stay well
// under 1 ms. A weapon file that fills the object tables to their bounds
// costs far more per frame, but a finite amount.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cmath>
#include <tuple>

#include "client/simulation/terrain/level.h"
#include "client/simulation/weapons/objects.h"
#include "client/simulation/weapons/shots.h"
#include "tests/match_rig.h"
#include "tests/sim_test_support.h"

namespace krel {
namespace {

// Keeps at least `particles` objects of random types flying in free space.
void KeepBusy(World& w, std::size_t particles) {
  while (w.Objs.size() <= particles) {
    const double x = std::floor(w.Rand() * w.LevelWidth), y = std::floor(w.Rand() * 320);
    if (!IsPassable(w, x, y)) continue;
    AddObj(w, fixed(x), fixed(y), fixed(w.Rand() - 0.5), fixed(w.Rand() - 0.5), 0,
           static_cast<int16>(3 + w.Rand() * 27), 0);
  }
}

void BM_Match(benchmark::State& state) {
  const auto particles = static_cast<std::size_t>(state.range(0));
  testing::Match m(std::string(KREL_SOURCE_DIR) + "/data", 4242);
  for (int i = 0; i < 300; ++i) m.Frame();
  std::array<double, 5> seconds{};
  for (auto _ : state) {
    if (particles > 0) {
      state.PauseTiming();
      KeepBusy(m.world(), particles);
      state.ResumeTiming();
    }
    m.Frame([&](int phase, auto&& step) {
      const auto t0 = std::chrono::steady_clock::now();
      step();
      seconds[static_cast<std::size_t>(phase)] +=
          std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    });
  }
  const char* names[] = {"worms_ms", "shots_ms", "objs_ms", "sobjs_ms", "draw_ms"};
  double sim = 0;
  for (std::size_t k = 0; k < seconds.size(); ++k) {
    state.counters[names[k]] = benchmark::Counter(seconds[k] * 1000, benchmark::Counter::kAvgIterations);
    if (k < 4) sim += seconds[k];
  }
  state.counters["sim_ms"] = benchmark::Counter(sim * 1000, benchmark::Counter::kAvgIterations);
  state.counters["objects"] = static_cast<double>(m.world().Objs.size());
}
BENCHMARK(BM_Match)->Arg(0)->Arg(400)->Unit(benchmark::kMillisecond);

// The worst a weapon file can do to the live arrays: an object that
// explodes into three copies of itself on the frame after its birth, each
// explosion leaving a blast. The object and special-object arrays stay at
// their bounds; this is one frame's cost there (the game slows down, but
// plays on).
void BM_TablesAtTheirBounds(benchmark::State& state) {
  auto w = testing::MakeSimWorld(300, 200);
  testing::Fill(*w, 0, 150, 300, 200, testing::kRockColour);
  ObjDef& o = w->ObjDefs[1];
  std::tie(o.TIMETOEXPLODE, o.SPLINTERAMOUNT, o.SPLINTERTYPE, o.CREATEONHIT, o.SPEED, o.BOUNCE) =
      std::tuple(1, 3, 1, 1, 60, 50);
  w->SObjDefs[1].ANIMFRAMES = 1;
  w->SObjDefs[1].ANIMDELAY = 3;
  AddObj(*w, 150, 100, 0, 0, 1, 1, 0);
  auto frame = [&] {
    MoveShots(*w);
    ParticleMove(*w);
    SObjMove(*w);
  };
  for (int f = 0; f < 60; ++f) frame();
  for (auto _ : state) frame();
  state.counters["objects"] = static_cast<double>(w->Objs.size() - 1);
  state.counters["special_objects"] = static_cast<double>(w->SObjs.size() - 1);
}
BENCHMARK(BM_TablesAtTheirBounds)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace krel
