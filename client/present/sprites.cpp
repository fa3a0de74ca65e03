#include "client/present/sprites.h"

#include "client/present/display_state.h"

namespace krel {

void DrawPlayer(World& w, Surface& surf, int play, int anim, int16 x, int16 Y, bool facingRight) {
  // A frame number off the 21 frames would land in the other half of the
  // sheet and show a wrong, mirrored frame; it draws nothing instead.
  if (play < 1 || play >= static_cast<int>(DisplayOf(w).WormSheets.size()) || anim < 0 || anim > 20) return;
  const Surface& sheet = DisplayOf(w).WormSheets[static_cast<std::size_t>(play)];
  const int sx = facingRight ? 16 * anim : 672 - 16 * (anim + 1);
  surf.Blit(x, Y, sheet, MakeRect(sx, 0, 16, 16), true);
}

}  // namespace krel
