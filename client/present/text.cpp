#include "client/present/text.h"

#include "client/present/display_state.h"
#include "gfx/codepage.h"

namespace krel {

namespace {

constexpr int kFirstCode = 2;
constexpr int kLastCode = 251;
constexpr int kQuestionMark = '?';

// True when the cell of code c in strip holds any ink.
bool HasGlyph(const Surface& strip, int c) {
  for (int y = 8 * c - 16; y < 8 * c - 8; ++y)
    for (int x = 1; x <= 6; ++x)
      if (strip.Contains(x, y) && (!strip.HasColorKey() || strip.At(x, y) != strip.ColorKey())) return true;
  return false;
}

void BuildFontCells(World& w) {
  const Surface& font = DisplayOf(w).Fonts[0];
  for (int b = 0; b < 256; ++b) {
    const int c = Cp437FromCp1252(static_cast<unsigned char>(b));
    const bool shown = c == ' ' || (c >= kFirstCode && c <= kLastCode && HasGlyph(font, c));
    DisplayOf(w).FontCells[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(shown ? c : kQuestionMark);
  }
  DisplayOf(w).FontCellsReady = true;
}

void Draw(World& w, Surface& surf, std::string_view text, int x, int y, int col, bool shadow) {
  if (col < 0 || col >= kFontColours) return;
  // A line wholly above or below the surface cannot show; this also keeps
  // the shadow's y + 1 away from the integer limit.
  if (y < -9 || y >= surf.height()) return;
  if (!DisplayOf(w).FontCellsReady) BuildFontCells(w);
  const Surface& ink = DisplayOf(w).Fonts[col];
  const Surface& dark = DisplayOf(w).Fonts[0];
  for (const char ch : text) {
    if (x >= surf.width()) break;  // nothing further along can be drawn
    const int c = DisplayOf(w).FontCells[static_cast<unsigned char>(ch)];
    if (c >= kFirstCode && c <= kLastCode) {
      const Rect glyph{1, 8 * c - 16, 7, 8 * c - 8};
      if (shadow) surf.Blit(x + 1, y + 1, dark, glyph, true);
      surf.Blit(x, y, ink, glyph, true);
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
