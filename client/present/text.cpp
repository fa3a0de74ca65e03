#include "client/present/text.h"

#include <utility>

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

enum class Backing { kNone, kShadow, kOutline };

void Draw(World& w, Surface& surf, std::string_view text, int x, int y, int col, Backing backing) {
  if (col < 0 || col >= kFontColours) return;
  // A line wholly above or below the surface cannot show; this also keeps
  // the shadow's y + 1 away from the integer limit.
  if (y < -9 || y >= surf.height()) return;
  if (!DisplayOf(w).FontCellsReady) BuildFontCells(w);
  const Surface& ink = DisplayOf(w).Fonts[col];
  const Surface& dark = DisplayOf(w).Fonts[0];
  const Surface& black = DisplayOf(w).Fonts[1];
  // Each glyph's cell and its place, drawn by `draw`.
  const auto each_glyph = [&](const auto& draw) {
    int pen = x;
    for (const char ch : text) {
      if (pen >= surf.width()) break;  // nothing further along can be drawn
      const int c = DisplayOf(w).FontCells[static_cast<unsigned char>(ch)];
      if (c >= kFirstCode && c <= kLastCode) draw(pen, Rect{1, 8 * c - 16, 7, 8 * c - 8});
      pen += kGlyphAdvance;
    }
  };
  // The outline goes under the whole line first, so that it never covers a
  // neighbouring glyph.
  if (backing == Backing::kOutline)
    each_glyph([&](int px, const Rect& glyph) {
      for (const auto& [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {1, 1}})
        surf.Blit(px + dx, y + dy, black, glyph, true);
    });
  each_glyph([&](int px, const Rect& glyph) {
    if (backing == Backing::kShadow) surf.Blit(px + 1, y + 1, dark, glyph, true);
    surf.Blit(px, y, ink, glyph, true);
  });
}

}  // namespace

void DrawText(World& w, Surface& surf, std::string_view txt, int x, int Y, int col) {
  Draw(w, surf, txt, x, Y, col, Backing::kShadow);
}

void DrawText2(World& w, Surface& surf, std::string_view text, int x, int Y, int col) {
  Draw(w, surf, text, x, Y, col, Backing::kNone);
}

void DrawTextOutlined(World& w, Surface& surf, std::string_view text, int x, int Y, int col) {
  Draw(w, surf, text, x, Y, col, Backing::kOutline);
}

std::string KeyLabel(const World& w, int code) {
  if (code <= 0 || code >= 256) return "";
  std::string label = Cp1252Upper(w.KeyNames[static_cast<std::size_t>(code)]);
  if (const std::size_t at = label.find(" ARROW"); at != std::string::npos) label.erase(at, 6);
  return label;
}

}  // namespace krel
