// Text in the bitmap font. The font strips Fonts(0..10) hold one 8x8
// cell per character code 2..251 (code c at y = 8c - 16); a glyph is the
// six columns 1..6 of its cell and the pen advances 6 pixels per character.
// Text is a byte string in the game's single-byte code page (Windows-1252);
// each byte is drawn with the cell of the same character in code page 437
// ("ä" is byte 228, cell 132), and a character the font has no glyph for
// (no such character in code page 437, an empty cell, a control byte) is
// drawn as "?".
#pragma once

#include <string>
#include <string_view>

#include "client/state/world.h"

namespace krel {

inline constexpr int kFontColours = 11;  // font colour numbers 0..10
inline constexpr int kGlyphAdvance = 6;

// Draws txt at (x, Y) in font colour col, each glyph over its dark grey
// shadow (strip 0) one pixel right and down. A glyph
// that would stick out of surf is left out, like any copy. A colour number
// outside 0..10 draws nothing.
void DrawText(World& w, Surface& surf, std::string_view txt, int x, int Y, int col);

// The same without the shadow (in-game text).
void DrawText2(World& w, Surface& surf, std::string_view text, int x, int Y, int col);

// The same with a black outline all round each glyph, for text over the
// level where a one-sided shadow is lost on rock and soil.
void DrawTextOutlined(World& w, Surface& surf, std::string_view text, int x, int Y, int col);

// A key as short help texts name it: the keyboard's name in capitals, the
// arrow keys without "ARROW" ("LEFT", "K", "RIGHT SHIFT"); empty for no key.
std::string KeyLabel(const World& w, int code);

}  // namespace krel
