#include "client/frontend/screen.h"

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
  for (const TextLine& l : lines) DrawText(w, DisplayOf(w).Back, l.text, l.x, l.y, l.col);
}

void PresentScreen(World& w) {
  if (w.platform != nullptr) w.platform->Present(DisplayOf(w).Back);
  ProcessWindowEvents(w);
}

}  // namespace krel
