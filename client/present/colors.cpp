#include "client/present/colors.h"
#include "client/present/display_state.h"

namespace krel {

int32 SurfaceColor(const Surface& surf, int r, int g, int b) {
  return static_cast<int32>(PixelFromRgb(surf.Format(), r, g, b));
}

int32 CreateHLSColor(const World& w, const PaletteEntry& palent, int16 newcolor) {
  int hue = newcolor;
  if (hue < 0 || hue > 360) hue = (hue % 360 + 360) % 360;
  // The model holds no state between calls beyond the colour set here, so a
  // fresh instance serves every call.
  ColorModel model;
  model.SetRed(palent.red);
  model.SetGreen(palent.green);
  model.SetBlue(palent.blue);
  const int16 l = model.Lightness();
  const int16 s = model.Saturation();
  model.SetHLS(static_cast<int16>(hue), static_cast<int16>(100 - l), s);
  return SurfaceColor(DisplayOf(w).Back, model.Red(), model.Green(), model.Blue());
}

bool ReplaceColour(Surface& surfdest, const Surface& surfsrc, int xdest, int ydest, int xsrc, int ysrc, int wsrc,
                   int hsrc, int32 colvon, int32 colto) {
  if (!surfsrc.PlaceInside(xsrc, ysrc, wsrc, hsrc)) return false;
  if (!surfdest.PlaceInside(xdest, ydest, wsrc, hsrc)) return false;
  const Rect src_rect{xsrc, ysrc, xsrc + wsrc, ysrc + hsrc};

  if (&surfdest == &surfsrc) {
    // Read everything before writing anything, as if through a temporary.
    Surface copy(wsrc, hsrc);
    copy.Blit(0, 0, surfsrc, src_rect, false);
    if (surfsrc.HasColorKey()) copy.SetColorKey(surfsrc.ColorKey());
    return ReplaceColour(surfdest, copy, xdest, ydest, 0, 0, wsrc, hsrc, colvon, colto);
  }

  const bool keyed = surfsrc.HasColorKey();
  const Pixel key = surfsrc.ColorKey();
  const Pixel to = static_cast<Pixel>(colto);
  for (int j = 0; j < hsrc; ++j) {
    const Pixel* s = surfsrc.row(ysrc + j) + xsrc;
    Pixel* d = surfdest.row(ydest + j) + xdest;
    for (int i = 0; i < wsrc; ++i) {
      const Pixel p = static_cast<int32>(s[i]) == colvon ? to : s[i];
      if (keyed && p == key) continue;
      d[i] = p;
    }
  }
  return true;
}

}  // namespace krel
