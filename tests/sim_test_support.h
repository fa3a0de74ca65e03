// A small hand-made world for the simulation tests: a level of free space
// with ground and walls painted in, a weapon table of the test's own, and
// worms placed by hand. No display, no sound device, no files.
#pragma once

#include <memory>

#include "client/simulation/terrain/level.h"
#include "client/simulation/worms/input.h"
#include "client/state/world.h"

namespace krel::testing {

// Distinct pixel values for the 256 colour numbers.
inline Pixel SimColour(int n) { return static_cast<Pixel>(n * 200 + 7); }

inline constexpr int kFreeColour = 160;
inline constexpr int kSoilColour = 12;
inline constexpr int kRockColour = 20;

// A level of the given size filled with colour number `fill`.
inline std::unique_ptr<World> MakeSimWorld(int width = 200, int height = 150, int fill = kFreeColour) {
  auto w = std::make_unique<World>();
  for (int i = 0; i < 256; ++i) w->PaletteColors[static_cast<std::size_t>(i)] = SimColour(i);
  BuildMaterialTable(*w);
  w->LevelSurface = Surface(width, height);
  w->LevelSurface.Clear(SimColour(fill));
  w->LevelWidth = width;
  w->LevelHeight = height;
  w->Seed(99);
  SetDefaultKeys(*w);
  return w;
}

// Paints the rectangle [x0, x1) x [y0, y1) with colour number c.
inline void Fill(World& w, int x0, int y0, int x1, int y1, int c) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) w.LevelSurface.At(x, y) = SimColour(c);
}

inline bool IsFree(const World& w, int x, int y) { return MaterialOf(w, w.LevelSurface.At(x, y)) == kFree; }

// A living worm at (x, y), at rest.
inline Player& PlaceWorm(World& w, int p, double x, double y) {
  Player& pl = w.Players[static_cast<std::size_t>(p)];
  pl.X = fixed(x);
  pl.Y = fixed(y);
  pl.Alive = kTrue;
  pl.Health = 100;
  pl.Speed = 0;
  pl.DirX = pl.DirY = 0;
  return pl;
}

}  // namespace krel::testing
