// The copies every frame is made of: sprites (keyed 16x16), the two views
// (159x190 plain) and presenting the frame (320x240 stretched to 640x480);
// and the drawing of a whole busy frame, whose target is well under 1 ms of
// the 40 ms frame.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

#include "client/app/game.h"
#include "client/present/display.h"
#include "client/present/render.h"
#include "client/simulation/terrain/level.h"
#include "client/simulation/weapons/arms.h"
#include "gfx/surface.h"
#include "platform/headless/headless_platform.h"

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
    benchmark::DoNotOptimize(world.Blit(40 + (i % 400), 100, sheet, Rect{16 * cell, 0, 16 * cell + 16, 16}, true));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeyedSprite16);

void BM_ViewCopy159x190(benchmark::State& state) {
  Surface world = Noise(504, 350, 3);
  Surface back(320, 240);
  for (auto _ : state) {
    benchmark::DoNotOptimize(back.Blit(0, 0, world, Rect{100, 80, 259, 270}, false));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 159 * 190 * 2);
}
BENCHMARK(BM_ViewCopy159x190);

void BM_Stretch320x240To640x480(benchmark::State& state) {
  Surface back = Noise(320, 240, 4);
  Surface screen(640, 480);
  for (auto _ : state) {
    benchmark::DoNotOptimize(screen.BlitStretched(Rect{0, 0, 640, 480}, back, Rect{0, 0, 320, 240}));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 640 * 480 * 2);
}
BENCHMARK(BM_Stretch320x240To640x480);

void BM_MinimapShrink(benchmark::State& state) {
  Surface level = Noise(504, 350, 5);
  Surface back(320, 240);
  for (auto _ : state) {
    benchmark::DoNotOptimize(back.BlitStretched(Rect{124, 190, 196, 240}, level, Rect{0, 0, 504, 350}));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MinimapShrink);

// A busy frame of a real game on the shipped level: both worms in play,
// one with a rope and a laser sight, state.range(0) shots of every kind that
// lives longer than a frame, as many particle objects, a fifth as many
// effects, and a full chat.
void BM_ShowAllBusyFrame(benchmark::State& state) {
  const std::string data = KREL_SOURCE_DIR "/data";
  HeadlessPlatform platform;
  auto w = std::make_unique<World>();
  w->platform = &platform;
  w->ProgramDir = data;
  std::string error;
  ArmsError arms_error;
  if (!InitDisplay(*w, data, error) || !LoadArms(*w, data + "/arms.dat", arms_error)) {
    state.SkipWithError("cannot load the shipped data");
    return;
  }
  w->ResetEntityTables();
  InitGame(*w);

  std::mt19937 rng(9);
  auto free_spot = [&](fixed& x, fixed& y) {
    do {
      x = fixed(static_cast<int>(rng() % static_cast<unsigned>(w->LevelWidth)));
      y = fixed(static_cast<int>(rng() % static_cast<unsigned>(w->LevelHeight)));
    } while (!IsPassable(*w, x.ToDouble(), y.ToDouble()));
  };
  int laser = 0;
  for (int n = 0; n <= 40; ++n)
    if (w->WeaponDefs[n + 1].LASERSIGHT != 0) laser = n;
  for (int i = 1; i <= 2; ++i) {
    Player& p = w->Players[i];
    free_spot(p.X, p.Y);
    p.Alive = kTrue;
    p.Aim = static_cast<int16>(6 + 4 * i);
    p.FacingRight = ToFlag(i == 1);
    p.ViewX = static_cast<int16>(std::clamp(p.X.ToInt32() - 80, 0, w->LevelWidth - 160));
    p.ViewY = static_cast<int16>(std::clamp(p.Y.ToInt32() - 100, 0, w->LevelHeight - 190));
  }
  w->Players[1].WeaponSlots[0] = static_cast<int16>(laser);
  w->Players[2].RopeState = 1;
  w->Players[2].RopeX = w->Players[2].X + fixed(30);
  w->Players[2].RopeY = w->Players[2].Y - fixed(40);

  const int n = static_cast<int>(state.range(0));
  for (int k = 0; k < n; ++k) {
    Shot s;
    int ty = static_cast<int>(rng() % 42) - 1;
    const WeaponDef& wd = w->WeaponDefs[ty + 1];
    if (wd.SHOTTYPE == 4 && wd.SHADOW == 0) ty = -1;  // beams vanish after one frame
    s.ty = static_cast<int16>(ty);
    s.owner = 1;
    s.color = static_cast<int16>(static_cast<int>(rng() % 81) - 40);
    s.age = static_cast<int16>(rng() % 50);
    s.dx = fixed(static_cast<double>(rng() % 200) / 100 - 1);
    s.dy = fixed(static_cast<double>(rng() % 200) / 100 - 1);
    free_spot(s.x, s.Y);
    w->Shots.push_back(s);
    Obj o;
    o.ty = static_cast<int16>(rng() % kObjSlots);
    o.age = static_cast<int16>(rng() % 50);
    free_spot(o.x, o.Y);
    w->Objs.push_back(o);
    if (k % 5 == 0) {
      SObj e;
      e.ty = static_cast<int16>(rng() % kSObjSlots);
      free_spot(e.x, e.Y);
      w->SObjs.push_back(e);
    }
  }
  for (int j = 1; j <= 10; ++j) {
    w->ChatLines[j] = "a chat line of some forty characters....";
    w->ChatTimes[j] = 1000000;  // never expires while measured
  }

  for (auto _ : state) ShowAll(*w);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShowAllBusyFrame)->Arg(100)->Arg(300)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace krel
