// Drawing one frame. The world (terrain for now; worms, shots, objects and
// effects join it as they are built) is drawn once at level size onto
// surfWorld and cut twice into the players' views, which is cheaper than
// drawing each view on its own.
#include "client/present/render.h"

#include "platform/platform.h"

namespace krel {

namespace {

// Frame layout on the 320x240 back buffer.
constexpr int kViewWidth = 159;
constexpr int kViewHeight = 190;
constexpr int kRightViewX = 161;

}  // namespace

void ShowAll(World& w) {
  w.surfBack.BltColorFill(makerect(0, 0, 320, 240), 0);

  const Rect whole = makerect(0, 0, w.LevelWidth, w.LevelHeight);
  w.surfWorld.BltFast(0, 0, w.LevelSurface, whole, false);
  // The minimap shows the whole level, scaled into 72x50.
  w.surfBack.Blt(makerect(124, 190, 72, 50), w.LevelSurface, whole, false);

  // A view rectangle partly outside the world is refused and stays black,
  // as the frame's other copies are.
  const Player& p1 = w.Players[1];
  const Player& p2 = w.Players[2];
  w.surfBack.BltFast(0, 0, w.surfWorld, makerect(p1.ViewX, p1.ViewY, kViewWidth, kViewHeight), false);
  w.surfBack.BltFast(kRightViewX, 0, w.surfWorld, makerect(p2.ViewX, p2.ViewY, kViewWidth, kViewHeight), false);

  w.surfBack.BltColorFill(makerect(0, 190, 320, 1), static_cast<Pixel>(w.PaletteColors[50]));

  if (w.platform != nullptr) w.platform->Present(w.surfBack);
}

}  // namespace krel
