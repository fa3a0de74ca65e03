// The bitmap font: 250 cells of 8x8 stacked in one 8x2000 strip, the cell of
// character code c (code page 437) at y = 8c - 16. Each glyph uses columns
// 1..6 of its cell (text advances 6 pixels) and is drawn in the font ink on
// transparent ground.
#pragma once

#include <string>
#include <vector>

#include "tools/krel-content/image.h"

namespace krel::content {

inline constexpr int kFontWidth = 8;
inline constexpr int kFontHeight = 2000;

// One row block of the glyph art: the characters it shows, left to right,
// and eight rows in which each glyph takes six characters ('#' ink,
// '.' blank) followed by one separating blank.
struct GlyphBlock {
  const char* chars;
  const char* rows[8];
};
const std::vector<GlyphBlock>& FontGlyphBlocks();

// Builds the strip from the glyph art. Problems in the art (wrong row
// length, stray characters, a character defined twice) are reported in
// errors and the offending glyph is left out.
IndexedImage BuildFont(const std::vector<GlyphBlock>& blocks, std::vector<std::string>& errors);

// Draws text with the strip onto an image (palette or true colour), for
// labels in the contact sheet. Advances 6 pixels per character.
template <typename Target, typename Colour>
void DrawLabel(Target& target, const IndexedImage& font, const std::string& text, int x, int y, Colour colour) {
  for (unsigned char c : text) {
    if (c >= 2 && c <= 251)
      for (int r = 0; r < 8; ++r)
        for (int col = 0; col < 6; ++col)
          if (font.get(1 + col, 8 * c - 16 + r) != 0) target.set(x + col, y + r, colour);
    x += 6;
  }
}

}  // namespace krel::content
