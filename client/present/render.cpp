// Placeholder until frame rendering lands: presents a black frame so that the
// window shows that the game runs.
#include "client/present/render.h"

#include "platform/platform.h"

namespace krel {

void ShowAll(World& w) {
  w.surfBack.Clear(0);
  if (w.platform != nullptr) w.platform->Present(w.surfBack);
}

}  // namespace krel
