// Placeholder until the display set-up lands: lets the game loop link.
#include "client/present/display.h"

#include "platform/platform.h"

namespace krel {

bool InitDDraw(World& w, const std::string&, std::string& error) {
  if (w.platform != nullptr && !w.platform->OpenDisplay(w.Fullscreen != kFalse, error)) return false;
  w.surfBack = Surface(320, 240);
  w.surfBack2 = Surface(320, 240);
  return true;
}

void initsurfaces(World&) {}

}  // namespace krel
