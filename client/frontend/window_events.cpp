#include "client/frontend/window_events.h"

#include "client/net/net_client.h"
#include "client/present/display.h"
#include "client/simulation/worms/input.h"
#include "client/state/chat.h"
#include "platform/platform.h"

namespace krel {

namespace {

// Window events of the game window, delivered while events are processed.
class WindowEvents : public EventSink {
 public:
  explicit WindowEvents(World& w) : w_(w) {}
  void OnKeyDown() override { KeyPressed(w_); }
  void OnKeyPress(unsigned char ch) override { CharacterTyped(w_, ch); }
  void OnClose() override { w_.QuitRequested = true; }
  // Shown to this player only, never sent to the other players.
  void OnNotice(const std::string& text) override { ShowChatLine(w_, text); }

 private:
  World& w_;
};

}  // namespace

void ProcessWindowEvents(World& w) {
  // Socket notifications run here too, like every other event.
  NetYield(w);
  if (w.platform == nullptr) return;
  WindowEvents sink(w);
  w.platform->ProcessEvents(sink);
}

bool PumpWindowEvents(World& w) {
  ProcessWindowEvents(w);
  if (w.platform == nullptr || w.platform->DisplayUsable()) return false;
  // Minimised: the game stands still until the window is back.
  while (!w.QuitRequested) {
    w.platform->Delay(10);
    ProcessWindowEvents(w);
    if (w.platform->DisplayUsable()) {
      // The software surfaces survive; what depends on the display is
      // rebuilt. Enter has no pending key-press state to discard here: the
      // keyboard is only ever read as a whole table.
      RebuildSurfaces(w);
      return true;
    }
  }
  return false;
}

}  // namespace krel
