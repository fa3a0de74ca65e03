// What the presentation keeps beside the game object: the picture's surfaces
// and colour tables, and the sound player's counters.
#pragma once

#include <array>
#include <cstdint>

#include "client/present/display_state.h"
#include "client/state/world.h"
#include "gfx/palette.h"
#include "gfx/surface.h"

namespace krel {

struct Display {
  Pixel ColourKey = 0xF81F;
  Rect WindowRect{};
  Surface Back{320, 240};
  Surface SavedBack{320, 240};
  Surface WorldView;
  Surface PaletteStrip;
  std::array<Surface, 11> Fonts{};
  // The font cell drawn for each byte of text (client/present/text.h),
  // worked out from Fonts(0) by the first text drawn after it changed.
  std::array<std::uint8_t, 256> FontCells{};
  bool FontCellsReady = false;
  std::array<Surface, 19> WormSheets{};  // 1..18
  std::array<PaletteEntry, 256> Palette{};
  std::array<Pixel, 3> LaserColours{};
};

struct SoundState {
  int32 soundsThisFrame = 0;
  int soundVoiceNext = 0;
  // No sound device: the game plays silently; the first game says so once.
  bool SoundMissing = false;
  bool SoundMissingSaid = false;
  int volume = 100;  // percent, the player's choice; 0 is no sound
};

// The world's display and sound state, made on first use.
inline Display& DisplayOf(World& w) { return w.display.GetOrMake(); }
inline SoundState& SoundOf(World& w) { return w.sound.GetOrMake(); }
// A world that never had a display reads as a blank one.
inline const Display& DisplayOf(const World& w) {
  static const Display blank;
  return w.display.get() != nullptr ? *w.display.get() : blank;
}
inline const SoundState& SoundOf(const World& w) {
  static const SoundState blank;
  return w.sound.get() != nullptr ? *w.sound.get() : blank;
}

}  // namespace krel
