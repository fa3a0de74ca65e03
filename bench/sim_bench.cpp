// The simulation of a match of two computer worms on the shipped level and
// weapon file, without pacing: milliseconds per frame for worms, shots,
// objects, special objects and drawing. The frame budget is 40 ms; the
// simulation of a busy frame (hundreds of particles alive) should stay well
// under 1 ms.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cmath>

#include "client/terrain/level.h"
#include "client/weapons/objects.h"
#include "tests/match_rig.h"

namespace krel {
namespace {

// Keeps at least `particles` objects of random types flying in free space.
void KeepBusy(World& w, std::size_t particles) {
  while (w.Objs.size() <= particles) {
    const double x = std::floor(w.Rand() * w.LevelWidth), y = std::floor(w.Rand() * 320);
    if (!gehbar(w, x, y)) continue;
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
      seconds[static_cast<std::size_t>(phase)] += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
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

}  // namespace
}  // namespace krel
