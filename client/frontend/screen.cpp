#include "client/frontend/screen.h"

#include <algorithm>

#include "client/frontend/window_events.h"
#include "client/present/display_state.h"
#include "client/present/text.h"
#include "platform/platform.h"

namespace krel {

KeySnapshot KeySnapshot::Read(World& w) {
  KeySnapshot s;
  if (w.platform != nullptr) w.platform->ReadKeyboard(s.bytes_.data());
  return s;
}

void KeySnapshot::Set(int code, bool down) {
  if (code >= 0 && code < 256) bytes_[static_cast<std::size_t>(code)] = down ? 0x80 : 0;
}

bool ScreenPacer::Next(World& w) {
  // PumpWindowEvents also waits out a minimised window and rebuilds the graphics.
  PumpWindowEvents(w);
  while (started_ && !w.QuitRequested && TickCount(w) - last_ < min_ms_) {
    if (w.platform != nullptr) w.platform->Delay(1);
    PumpWindowEvents(w);
  }
  if (w.QuitRequested) return false;
  started_ = true;
  last_ = TickCount(w);
  // Menu sounds count against the same per-frame budget as the game's.
  SoundOf(w).soundsThisFrame = 0;
  return true;
}

void DrawLines(World& w, const std::vector<TextLine>& lines) {
  constexpr int kBlack = 0, kWhite = 7;
  Surface& back = DisplayOf(w).Back;
  for (const TextLine& l : lines) {
    if (!l.chosen) continue;
    // Kept inside the screen: a fill that sticks out would be refused whole.
    const int left = std::max(0, l.x - kCursorIndent - 1);
    const int right = std::min(back.width(), l.x + 1 + kGlyphAdvance * static_cast<int>(l.text.size()));
    if (right > left) back.FillRect(MakeRect(left, l.y - 1, right - left, 10), kBlack);
  }
  for (const TextLine& l : lines) {
    DrawText(w, back, l.text, l.x, l.y, l.col);
    if (l.chosen) DrawText(w, back, kCursorArrow, l.x - kCursorIndent, l.y, kWhite);
  }
}

void DrawFooter(World& w, const std::string& text) { DrawText(w, DisplayOf(w).Back, text, 10, kFooterY, 5); }

void PresentScreen(World& w) {
  if (w.platform != nullptr) w.platform->Present(DisplayOf(w).Back);
  ProcessWindowEvents(w);
}

}  // namespace krel
