#include "client/simulation/terrain/tiles.h"

namespace krel {

namespace {

struct Sheet {
  const Surface* surf;
  int cell;
  int width;
  int height;
  int cells;  // cells the sheet holds
};

// The sheet and cell of a sprite number, or a sheet of nullptr when the
// number has no cell.
Sheet Locate(const World& w, std::int64_t nr) {
  if (nr < 0) return {nullptr, 0, 0, 0, 0};
  if (nr < 200) return {&w.Tiles16, static_cast<int>(nr), 16, 16, w.Tiles16.width() / 16};
  if (nr < 400) return {&w.Tiles8, static_cast<int>(nr - 200), 7, 8, w.Tiles8.width() / 7};
  if (nr - 400 > 1000000) return {nullptr, 0, 0, 0, 0};
  return {&w.Tiles4, static_cast<int>(nr - 400), 4, 4, w.Tiles4.width() / 4};
}

}  // namespace

void DrawTile(World& w, Surface& surf, double nr, double x, double Y, bool) {
  const Sheet s = Locate(w, ToInt32(nr));
  if (s.surf == nullptr || s.cell >= s.cells) return;
  const Rect src = MakeRect(static_cast<double>(s.cell) * s.width, 0, s.width, s.height);
  // A place partly outside the target is refused by the copy itself.
  surf.Blit(ToInt32(x), ToInt32(Y), *s.surf, src, true);
}

void DrawIntoLevel(World& w, int32 tile, double x, double Y, int16 owner, Origin origin) {
  if (w.NetStats.RelayDrawings && w.Networked() && origin == Origin::kLocal) {
    if (owner == 1 || owner == 2) w.Events().SendDrawing(tile, ToInt32(x), ToInt32(Y));
    return;
  }
  DrawTile(w, w.LevelSurface, tile, x, Y, false);
}

}  // namespace krel
