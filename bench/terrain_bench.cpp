// The passability test and digging: IsPassable runs dozens of times per worm and
// over a thousand times per beam every frame; dig of radius 12 is a typical
// explosion.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "client/simulation/terrain/level.h"

namespace krel {
namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 350;

std::unique_ptr<World> MakeLevel() {
  auto w = std::make_unique<World>();
  for (int i = 0; i < 256; ++i) w->PaletteColors[i] = i * 200 + 7;
  BuildMaterialTable(*w);
  w->LevelSurface = Surface(kWidth, kHeight);
  w->LevelWidth = kWidth;
  w->LevelHeight = kHeight;
  std::mt19937 rng(1);
  const int colours[] = {12, 13, 20, 97, 159, 160, 161, 162, 5};
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      w->LevelSurface.At(x, y) = static_cast<Pixel>(w->PaletteColors[colours[rng() % std::size(colours)]]);
  w->Seed(2);
  return w;
}

void BM_IsPassable(benchmark::State& state) {
  auto w = MakeLevel();
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> xs(-5.0, kWidth + 5.0), ys(-5.0, 350.0);
  std::vector<std::pair<double, double>> points(4096);
  for (auto& p : points) p = {xs(rng), ys(rng)};
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& p = points[i++ & 4095];
    benchmark::DoNotOptimize(IsPassable(*w, p.first, p.second));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IsPassable);

// Digging (positive radius) and filling with soil (negative radius).
void BM_dig(benchmark::State& state) {
  auto w = MakeLevel();
  const auto radius = static_cast<int16>(state.range(0));
  int16 x = 20;
  for (auto _ : state) {
    Dig(*w, x, 150, radius, 0, Origin::kLocal);
    x = static_cast<int16>(x >= kWidth - 20 ? 20 : x + 7);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_dig)->Arg(12)->Arg(-12);

}  // namespace
}  // namespace krel
