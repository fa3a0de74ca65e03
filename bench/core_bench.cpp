// The game core's own costs. Targets: the frame loop's bookkeeping (pacing
// checks, keyboard read, controls, timing) well under 0.1 ms of the 40 ms
// frame; the level checksum of a dump under 5 ms; saving all settings when
// the menu quits under 100 ms; reading a krel.ini of one section of 80,000
// values (1.3 MB) in time proportional to its size (under 0.2 s).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "client/app/game.h"
#include "client/frontend/game_settings.h"
#include "client/simulation/report/dump.h"
#include "client/simulation/terrain/level.h"
#include "client/simulation/worms/input.h"
#include "platform/headless/headless_platform.h"
#include "platform/keycodes.h"
#include "platform/settings.h"

namespace krel {
namespace {

// Frames of a whole game on the headless platform with every later phase a
// stand-in: what is measured is the loop itself. Each frame waits 41 ms of
// the headless clock, which the pacing loop advances by 1 ms per check.
void BM_FrameLoop(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  const std::string old_dir = std::filesystem::current_path();
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("krel-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);  // performance.log goes here
  class Escaping : public HeadlessPlatform {
   public:
    int reads = 0;
    int frames = 0;
    void ReadKeyboard(std::uint8_t s[256]) override {
      SetKey(DIK_ESCAPE, ++reads >= frames);
      HeadlessPlatform::ReadKeyboard(s);
    }
  } platform;
  platform.frames = frames;
  auto w = std::make_unique<World>();
  w->platform = &platform;
  w->RegenerateLevel = kFalse;
  w->FixedSeed = 1;
  SetDefaultKeys(*w);
  for (auto _ : state) {
    platform.reads = 0;
    platform.ReleaseAllKeys();
    benchmark::DoNotOptimize(Game(*w));
  }
  state.SetItemsProcessed(state.iterations() * frames);
  std::filesystem::current_path(old_dir);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_FrameLoop)->Arg(250)->Unit(benchmark::kMillisecond);

void BM_KeyboardReadAndControls(benchmark::State& state) {
  HeadlessPlatform platform;
  World w;
  w.platform = &platform;
  SetDefaultKeys(w);
  platform.SetKey(DIK_LEFT, true);
  platform.SetKey(DIK_J, true);
  for (auto _ : state) {
    ReadKeyboardState(w);
    ReadControls(w);
    benchmark::DoNotOptimize(NewlyPressed(w, 1, kShoot));
  }
}
BENCHMARK(BM_KeyboardReadAndControls);

void BM_LevelChecksum(benchmark::State& state) {
  auto w = std::make_unique<World>();
  for (int i = 0; i < 256; ++i) w->PaletteColors[static_cast<std::size_t>(i)] = i * 251 + 3;
  BuildMaterialTable(*w);
  w->LevelSurface = Surface(504, 350);
  std::mt19937 rng(3);
  for (int y = 0; y < 350; ++y) {
    for (int x = 0; x < 504; ++x) w->LevelSurface.At(x, y) = static_cast<Pixel>(rng());
  }
  for (auto _ : state) benchmark::DoNotOptimize(LevelChecksum(*w));
  state.SetItemsProcessed(state.iterations() * 504 * 350);
}
BENCHMARK(BM_LevelChecksum)->Unit(benchmark::kMillisecond);

// What the menu does when the player quits: 22 values, each saved safely.
void BM_SaveAllSettings(benchmark::State& state) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("krel-bench-ini-" + std::to_string(getpid()));
  IniSettingsStore store((dir / "krel.ini").string());
  World w;
  w.settings = &store;
  LoadSettings(w);
  for (auto _ : state) SaveSettings(w);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SaveAllSettings)->Unit(benchmark::kMillisecond);

// Start-up reading a hand-grown krel.ini: N values in one section. The time
// per value stays the same from 10,000 to 80,000 values.
void BM_LoadLargeSettings(benchmark::State& state) {
  std::string text = "[General Settings]\n";
  for (int k = 0; k < state.range(0); ++k)
    text += "\"Value " + std::to_string(k) + "\"=\"" + std::to_string(k) + "\"\n";
  for (auto _ : state) {
    IniSettingsStore store("");
    store.Parse(text, "krel.ini");
    benchmark::DoNotOptimize(store.GetSetting("General Settings", "Value 7", ""));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LoadLargeSettings)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace krel
