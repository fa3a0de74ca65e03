// The display set-up's sheet build runs at every game start, when the
// display comes back and when a network game's configuration arrives; with
// seventeen players it should still cost well under one 40 ms frame.
#include <benchmark/benchmark.h>

#include "client/present/display.h"
#include "client/present/display_state.h"
#include "client/present/sound.h"
#include "client/state/world.h"

namespace {

void BM_InitSurfaces(benchmark::State& state) {
  krel::World w;
  w.NumPlayers = static_cast<krel::int16>(state.range(0));
  for (int j = 1; j <= w.NumPlayers; ++j) w.Players[j].Color = static_cast<krel::int16>(j * 21);
  for (auto _ : state) {
    krel::RebuildSurfaces(w);
    benchmark::DoNotOptimize(DisplayOf(w).WormSheets[1].pixels().data());
  }
}
BENCHMARK(BM_InitSurfaces)->Arg(2)->Arg(17)->Unit(benchmark::kMillisecond);

void BM_BuildWormSheet(benchmark::State& state) {
  krel::World w;
  krel::RebuildSurfaces(w);
  w.Players[1].Color = 200;
  for (auto _ : state) {
    krel::BuildWormSheet(w, 1);
    benchmark::DoNotOptimize(DisplayOf(w).WormSheets[1].pixels().data());
  }
}
BENCHMARK(BM_BuildWormSheet)->Unit(benchmark::kMicrosecond);

void BM_PlaySoundFrame(benchmark::State& state) {
  krel::World w;  // no platform: measures the ring and the budget alone
  for (auto _ : state) {
    SoundOf(w).soundsThisFrame = 0;
    for (krel::int16 n = 1; n <= 8; ++n) krel::PlaySound(w, n);
    benchmark::DoNotOptimize(SoundOf(w).soundVoiceNext);
  }
}
BENCHMARK(BM_PlaySoundFrame);

}  // namespace
