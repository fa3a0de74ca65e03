// What the menu screens share: the keyboard snapshot each screen takes once
// per pass, the pacing of a screen's passes, and drawing and presenting a
// screen's lines of text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "client/state/world.h"

namespace krel {

// All 256 keys as the keyboard reports them at one moment; a key is down
// while bit 7 of its byte is set. Scan code 0 is no key and codes outside
// 0..255 (a hand-edited binding) name none, so neither is ever down.
class KeySnapshot {
 public:
  // A fresh reading of the keyboard (no key without a platform).
  static KeySnapshot Read(World& w);

  bool Down(int code) const { return code > 0 && code < 256 && (bytes_[static_cast<std::size_t>(code)] & 0x80) != 0; }
  void Set(int code, bool down);

 private:
  std::array<std::uint8_t, 256> bytes_{};
};

// Paces a screen's passes by the platform clock.
class ScreenPacer {
 public:
  explicit ScreenPacer(std::uint32_t min_ms) : min_ms_(min_ms) {}
  // Lets window events run until at least min_ms have passed since the
  // previous pass began (the first pass begins at once), then starts the
  // pass: the frame's sound budget is fresh. False when the window was
  // closed meanwhile: the screen must end.
  bool Next(World& w);

 private:
  std::uint32_t min_ms_;
  std::uint32_t last_ = 0;
  bool started_ = false;
};

// One line of a screen: text drawn with its shadow at (x, y) in a font colour.
// The chosen line of a screen (the cursor) stands on a dark bar with an
// arrow before it, in every pass: a blinking colour alone vanishes in a still
// frame and is hard to see on pale items.
struct TextLine {
  std::string text;
  int x = 0;
  int y = 0;
  int col = 0;
  bool chosen = false;
  friend bool operator==(const TextLine&, const TextLine&) = default;
};

// The cursor's arrow, drawn this far left of the chosen line.
inline constexpr const char* kCursorArrow = ">";
inline constexpr int kCursorIndent = 8;

// Draws the bars of the chosen lines, then every line (and the arrows).
void DrawLines(World& w, const std::vector<TextLine>& lines);

// The line at the bottom of a screen (10, 182) that says how to work it.
inline constexpr int kFooterY = 182;
void DrawFooter(World& w, const std::string& text);

// Shows Back and lets pending window events run.
void PresentScreen(World& w);

}  // namespace krel
