#include "client/present/text.h"

namespace krel {

namespace {

constexpr int kFirstCode = 2;
constexpr int kLastCode = 251;

void Draw(World& w, Surface& surf, std::string_view text, int x, int y, int col, bool shadow) {
  if (col < 0 || col >= kFontColours) return;
  // A line wholly above or below the surface cannot show; this also keeps
  // the shadow's y + 1 away from the integer limit.
  if (y < -9 || y >= surf.height()) return;
  const Surface& ink = w.surfFont[col];
  const Surface& dark = w.surfFont[0];
  for (const char ch : text) {
    if (x >= surf.width()) break;  // nothing further along can be drawn
    const int c = static_cast<unsigned char>(ch);
    if (c >= kFirstCode && c <= kLastCode) {
      const Rect glyph{1, 8 * c - 16, 7, 8 * c - 8};
      if (shadow) surf.BltFast(x + 1, y + 1, dark, glyph, true);
      surf.BltFast(x, y, ink, glyph, true);
    }
    x += kGlyphAdvance;
  }
}

}  // namespace

void DrawText(World& w, Surface& surf, std::string_view txt, int x, int Y, int col) {
  Draw(w, surf, txt, x, Y, col, true);
}

void DrawText2(World& w, Surface& surf, std::string_view text, int x, int Y, int col) {
  Draw(w, surf, text, x, Y, col, false);
}

}  // namespace krel
