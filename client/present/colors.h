// Colour services of the presentation: turning RGB into screen pixels, the
// player-colour rule and the copy that swaps one colour for another (used to
// recolour the font strips and the worm sheets).
#pragma once

#include "client/present/color_model.h"
#include "client/state/world.h"
#include "gfx/palette.h"
#include "gfx/surface.h"

namespace krel {

// The pixel value of (r, g, b) in surf's pixel format; each channel is
// clamped to 0..255 first.
int32 SurfaceColor(const Surface& surf, int r, int g, int b);

// A worm colour: the palette entry's saturation is kept, its lightness
// mirrored (100 - L) and its hue replaced by newcolor (the hue scale of
// ColorModel). The result is in Back's format. A grey entry stays a grey
// whatever the hue. Hues outside 0..360 (a hand-edited settings file) are
// taken modulo 360 rather than failing: hue is an angle.
int32 CreateHLSColor(const World& w, const PaletteEntry& palent, int16 newcolor);

// Copies the rectangle (xsrc, ysrc, wsrc, hsrc) of surfsrc to (xdest, ydest)
// on surfdest, replacing every pixel equal to colvon by colto. Pixels equal
// to surfsrc's colour key (after the replacement) are left out, so a
// transparent sprite stays transparent; a source without a key has no
// transparent pixels. surfsrc and surfdest may be the same surface, and
// surfsrc is not changed. Like every copy, it draws nothing when either
// rectangle is empty or not wholly inside its surface; returns whether it
// drew.
bool ReplaceColour(Surface& surfdest, const Surface& surfsrc, int xdest, int ydest, int xsrc, int ysrc, int wsrc,
                   int hsrc, int32 colvon, int32 colto);

}  // namespace krel
