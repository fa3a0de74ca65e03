// The copies every frame is made of: sprites (keyed 16x16), the two views
// (159x190 plain) and presenting the frame (320x240 stretched to 640x480).
#include <benchmark/benchmark.h>

#include <random>

#include "gfx/surface.h"

namespace krel {
namespace {

constexpr Pixel kKey = 0xF81F;

Surface Noise(int w, int h, unsigned seed) {
  Surface s(w, h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.At(x, y) = static_cast<Pixel>(rng());
  return s;
}

void BM_KeyedSprite16(benchmark::State& state) {
  // A sprite cell about half transparent, as the worm and effect cells are.
  Surface sheet = Noise(1760, 16, 1);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 1760; ++x)
      if ((x * 7 + y * 3) % 5 < 2) sheet.At(x, y) = kKey;
  sheet.SetColorKey(kKey);
  Surface world = Noise(504, 350, 2);
  int i = 0;
  for (auto _ : state) {
    const int cell = i % 110;
    benchmark::DoNotOptimize(world.BltFast(40 + (i % 400), 100, sheet, Rect{16 * cell, 0, 16 * cell + 16, 16}, true));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeyedSprite16);

void BM_ViewCopy159x190(benchmark::State& state) {
  Surface world = Noise(504, 350, 3);
  Surface back(320, 240);
  for (auto _ : state) {
    benchmark::DoNotOptimize(back.BltFast(0, 0, world, Rect{100, 80, 259, 270}, false));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 159 * 190 * 2);
}
BENCHMARK(BM_ViewCopy159x190);

void BM_Stretch320x240To640x480(benchmark::State& state) {
  Surface back = Noise(320, 240, 4);
  Surface screen(640, 480);
  for (auto _ : state) {
    benchmark::DoNotOptimize(screen.Blt(Rect{0, 0, 640, 480}, back, Rect{0, 0, 320, 240}));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 640 * 480 * 2);
}
BENCHMARK(BM_Stretch320x240To640x480);

void BM_MinimapShrink(benchmark::State& state) {
  Surface level = Noise(504, 350, 5);
  Surface back(320, 240);
  for (auto _ : state) {
    benchmark::DoNotOptimize(back.Blt(Rect{124, 190, 196, 240}, level, Rect{0, 0, 504, 350}));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MinimapShrink);

}  // namespace
}  // namespace krel
