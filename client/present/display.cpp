// Display set-up: opens the window, creates the frame surfaces, and turns the
// embedded bitmaps into the screen-format sheets and colour tables.
#include "client/present/display.h"

#include <algorithm>
#include <cstdio>

#include "client/present/colors.h"
#include "client/present/display_state.h"
#include "client/present/resources.h"
#include "client/simulation/terrain/level.h"
#include "gfx/bmp.h"
#include "platform/platform.h"

namespace krel {
namespace {

constexpr int kFontWidth = 8, kFontHeight = 2000;
constexpr int kWormSheetWidth = 672, kWormSheetHeight = 16;
constexpr int kWormFramesX = 256, kWormFramesWidth = 336;  // GFX16 cells 16..36

// Font strips 1..7: the ink (colour number 7) becomes these colour numbers;
// strip 1 is black, given as the pixel value 0 itself.
constexpr int kFontInk = 7;
constexpr int kFontColourNumbers[8] = {-1, -1, 28, 60, 47, 146, 5, 68};

const char* const kBitmaps[] = {"PAL", "FONT", "GFX16", "GFX8", "GFX4"};

bool DecodeResource(const char* name, BmpImage& image, std::string& error) {
  const std::span<const std::uint8_t> bytes = FindResource(name);
  if (bytes.empty()) {
    error = std::string("the built-in bitmap ") + name + " is missing";
    return false;
  }
  std::string why;
  if (!DecodeBmp(bytes, image, why)) {
    error = std::string("the built-in bitmap ") + name + " is damaged: " + why;
    return false;
  }
  return true;
}

// A sheet from a resource, keyed with the transparent colour. A resource
// that cannot be read leaves an empty sheet (which draws nothing) and a note
// on standard error; InitDisplay has already refused to start without them.
Surface KeyedSheet(const World& w, const char* name, BmpImage* keep = nullptr) {
  BmpImage image;
  std::string error;
  if (!DecodeResource(name, image, error)) {
    std::fprintf(stderr, "krel: %s\n", error.c_str());
    return Surface();
  }
  Surface s = SurfaceFromBmp(image);
  s.SetColorKey(DisplayOf(w).ColourKey);
  if (keep != nullptr) *keep = std::move(image);
  return s;
}

Surface BlankKeyed(const World& w, int width, int height) {
  Surface s(width, height);
  s.Clear(DisplayOf(w).ColourKey);
  s.SetColorKey(DisplayOf(w).ColourKey);
  return s;
}

void BuildFontStrips(World& w) {
  DisplayOf(w).Fonts[0] = KeyedSheet(w, "FONT");
  DisplayOf(w).FontCellsReady = false;
  for (int k = 1; k < 11; ++k) DisplayOf(w).Fonts[static_cast<std::size_t>(k)] = BlankKeyed(w, kFontWidth, kFontHeight);
  for (int k = 1; k <= 7; ++k) {
    const int32 to = k == 1 ? 0 : w.PaletteColors[static_cast<std::size_t>(kFontColourNumbers[k])];
    ReplaceColour(DisplayOf(w).Fonts[static_cast<std::size_t>(k)], DisplayOf(w).Fonts[0], 0, 0, 0, 0, kFontWidth,
                  kFontHeight, w.PaletteColors[kFontInk], to);
  }
}

}  // namespace

void BuildWormSheet(World& w, int j) {
  Surface& sheet = DisplayOf(w).WormSheets[static_cast<std::size_t>(j)];
  Surface& a = DisplayOf(w).WormSheets[17];
  Surface& b = DisplayOf(w).WormSheets[18];
  const int16 hue = w.Players[static_cast<std::size_t>(j)].Color;
  auto shade = [&w, hue](int k) { return CreateHLSColor(w, DisplayOf(w).Palette[static_cast<std::size_t>(k)], hue); };
  auto from = [&w](int k) { return w.PaletteColors[static_cast<std::size_t>(k)]; };

  // Each copy swaps one of the blue shades for the player's; the pixel value
  // of colour number k (palette index k + 1) gets the shade derived from
  // palette entry k. Two scratch sheets take turns.
  sheet.Clear(DisplayOf(w).ColourKey);
  b.Clear(DisplayOf(w).ColourKey);
  ReplaceColour(b, w.Tiles16, 0, 0, kWormFramesX, 0, kWormFramesWidth, 16, from(29), shade(29));
  a.Clear(DisplayOf(w).ColourKey);
  ReplaceColour(a, b, 0, 0, 0, 0, kWormFramesWidth, 16, from(30), shade(30));
  b.Clear(DisplayOf(w).ColourKey);
  ReplaceColour(b, a, 0, 0, 0, 0, kWormFramesWidth, 16, from(31), shade(31));
  a.Clear(DisplayOf(w).ColourKey);
  ReplaceColour(a, b, 0, 0, 0, 0, kWormFramesWidth, 16, from(32), shade(32));
  // For player 17 the sheet is scratch sheet a itself; the copy onto itself
  // is still the last colour swap.
  ReplaceColour(sheet, a, 0, 0, 0, 0, kWormFramesWidth, 16, from(33), shade(33));

  // Facing left: the right half holds the mirror image, frame f at
  // x = 672 - 16 (f + 1).
  for (int c = 0; c < kWormFramesWidth; ++c)
    sheet.Blit(kWormSheetWidth - 1 - c, 0, sheet, Rect{c, 0, c + 1, kWormSheetHeight}, false);
}

bool InitDisplay(World& w, const std::string& dir, std::string& error) {
  // Refuse to start on a broken build before anything is opened.
  for (const char* name : kBitmaps) {
    BmpImage image;
    if (!DecodeResource(name, image, error)) {
      error = "Krel cannot start: " + error + ".";
      return false;
    }
  }
  if (w.platform != nullptr) {
    std::string why;
    if (!w.platform->OpenDisplay(w.Fullscreen != kFalse, why)) {
      // A window helps when full screen failed, never when there is no
      // screen at all: then the reason itself says what helps.
      const bool no_screen = why.rfind("no display", 0) == 0;
      error = "Krel cannot open its display: " + (why.empty() ? std::string("no reason given") : why) +
              (w.Fullscreen != kFalse && !no_screen ? ". Try starting it with /window." : ".");
      return false;
    }
  }
  // The window scales every frame itself; there is no screen rectangle.
  DisplayOf(w).WindowRect = Rect{};
  DisplayOf(w).Back = Surface(320, 240);
  DisplayOf(w).SavedBack = Surface(320, 240);
  // The pixel values the level is read with must exist before the level.
  RebuildSurfaces(w);
  if (!loadlevel(w, dir, error)) return false;
  DisplayOf(w).WorldView = Surface(w.LevelWidth, w.LevelHeight);
  return true;
}

void RebuildSurfaces(World& w) {
  const PixelFormat& format = DisplayOf(w).Back.Format();
  DisplayOf(w).ColourKey = static_cast<Pixel>(format.red_mask | format.blue_mask);

  // Colour numbers: pixel i + 1 of the PAL strip is colour number i. The
  // strip has no pixel for 255; it takes the value of colour number 0
  // (black), so that a stray 255 draws dark rather than transparent.
  BmpImage pal;
  std::string error;
  if (DecodeResource("PAL", pal, error)) {
    DisplayOf(w).PaletteStrip = SurfaceFromBmp(pal);
    for (int i = 0; i <= 254; ++i)
      w.PaletteColors[static_cast<std::size_t>(i)] = DisplayOf(w).PaletteStrip.PixelAt(i + 1, 0);
    w.PaletteColors[255] = w.PaletteColors[0];
    // The level is classified through a table made from these values; keep
    // it in step whenever they are rebuilt.
    BuildMaterialTable(w);
  } else {
    std::fprintf(stderr, "krel: %s\n", error.c_str());
  }

  BmpImage font;
  BuildFontStrips(w);
  // The palette entries come straight from the FONT bitmap's colour table,
  // entry k being palette index k. They are read before the worm sheets,
  // which derive the player shades from them (on the very first build there
  // would otherwise be nothing to derive from).
  if (DecodeResource("FONT", font, error)) {
    for (int k = 0; k < 256; ++k) {
      PaletteEntry e = font.palette[static_cast<std::size_t>(k)];
      e.flags = 0;
      DisplayOf(w).Palette[static_cast<std::size_t>(k)] = e;
    }
  }

  w.Tiles16 = KeyedSheet(w, "GFX16");
  for (int j = 1; j <= 18; ++j)
    DisplayOf(w).WormSheets[static_cast<std::size_t>(j)] = BlankKeyed(w, kWormSheetWidth, kWormSheetHeight);
  const int players = std::min<int>(w.NumPlayers, kMaxNetPlayers);
  for (int j = 1; j <= players; ++j) BuildWormSheet(w, j);

  w.Tiles8 = KeyedSheet(w, "GFX8");
  w.Tiles4 = KeyedSheet(w, "GFX4");
}

}  // namespace krel
