// The simulation of a match of two computer worms on the shipped level and
// weapon file, without pacing: milliseconds per frame for worms, shots,
// objects, special objects and drawing. The frame budget is 40 ms; the
// simulation of a busy frame (hundreds of particles alive) should stay well
// under 1 ms. A weapon file that fills the object tables to their bounds
// costs far more per frame, but a finite amount.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <tuple>

#include "client/simulation/terrain/level.h"
#include "client/simulation/weapons/arms.h"
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

// An object that explodes into three copies of itself on the frame after
// its birth, each explosion leaving a blast: the special-object array stays
// at its bound, the frame's budget (client/simulation/weapons/
// frame_budget.h) keeps the objects below theirs; one frame's cost there.
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

// Matches under hostile weapon files. The simulation of one frame (worms,
// shots, objects, special objects; drawing apart) must stay under 20 ms of
// one core's time whatever a weapon file that `krel-arms check` accepts asks
// for: sim_ms is the average, worst_ms the slowest frame measured.
//  0: bench/data/splinter_storm.dat: every shot explodes into 50 splinter
//     storms, and each storm explodes into 50 copies of itself, with a blast
//     that digs, every 2 frames;
//  1: the same file, but the storm never explodes: it flies at the highest
//     speed, touching for worms at every step, leaving a digging blast every
//     5 steps, so the object array fills with the costliest objects;
//  2: every trigger pull fires 1,000 shots that never explode, fly fast,
//     push each other and leave a storm every 5 steps.
void BM_HostileFile(benchmark::State& state) {
  testing::Match m(std::string(KREL_SOURCE_DIR) + "/data", 4242);
  World& w = m.world();
  ArmsError error;
  if (!LoadArms(w.WeaponDefs, w.ObjDefs, w.SObjDefs, std::string(KREL_SOURCE_DIR) + "/bench/data/splinter_storm.dat",
                error)) {
    state.SkipWithError(error.Message().c_str());
    return;
  }
  ObjDef& storm = w.ObjDefs[30];
  if (state.range(0) == 1) {
    std::tie(storm.TIMETOEXPLODE, storm.SPEED, storm.GRAVITY, storm.BOUNCE, storm.WORMREMOVE, storm.OTRAILTYPE,
             storm.OTRAILDELAY) = std::tuple(0, 32000, 0, 100, 1, 1, 1);
    w.SObjDefs[1].MAPCHANGE = 1;
  }
  if (state.range(0) == 2) {
    for (WeaponDef& d : w.WeaponDefs) {
      std::tie(d.NUMOBJECTS, d.SPEED, d.ACCMULTIPLY, d.BOUNCE, d.GROUNDEXPLODE, d.TIMETOEXPLODE, d.OBJECTCOLLIDE,
               d.WORMDETECTRANGE, d.PTRAILPTYPE, d.PTRAILDELAY) = std::tuple(1000, 3000, 100, 100, 0, 0, 1, 30, 30, 1);
    }
  }
  m.NewGame();
  for (int i = 0; i < 100; ++i) m.Frame();  // the first shots have gone off
  // Processor time of this thread, not the wall clock: the machine may be
  // shared, and the bound is on what one core spends.
  auto cpu_seconds = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  };
  double sim = 0, worst = 0;
  std::array<double, 4> phases{}, worst_phase{};
  for (auto _ : state) {
    double frame = 0;
    m.Frame([&](int phase, auto&& step) {
      const double t0 = cpu_seconds();
      step();
      if (phase >= 4) return;
      const double spent = cpu_seconds() - t0;
      frame += spent;
      phases[static_cast<std::size_t>(phase)] += spent;
      worst_phase[static_cast<std::size_t>(phase)] = std::max(worst_phase[static_cast<std::size_t>(phase)], spent);
    });
    sim += frame;
    worst = std::max(worst, frame);
  }
  state.counters["sim_ms"] = benchmark::Counter(sim * 1000, benchmark::Counter::kAvgIterations);
  state.counters["worst_ms"] = worst * 1000;
  const char* names[] = {"worms_ms", "shots_ms", "objs_ms", "sobjs_ms"};
  for (std::size_t k = 0; k < phases.size(); ++k)
    state.counters[names[k]] = benchmark::Counter(phases[k] * 1000, benchmark::Counter::kAvgIterations);
  for (std::size_t k = 0; k < phases.size(); ++k)
    state.counters[std::string("worst_") + names[k]] = worst_phase[k] * 1000;
  state.counters["shots"] = static_cast<double>(w.Shots.size() - 1);
  state.counters["objects"] = static_cast<double>(w.Objs.size() - 1);
  state.counters["special_objects"] = static_cast<double>(w.SObjs.size() - 1);
}
BENCHMARK(BM_HostileFile)->Arg(0)->Arg(1)->Arg(2)->Iterations(200)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace krel
