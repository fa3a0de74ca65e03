// The window's events, taken between frames and on every screen: keys, typed
// characters, the close button, and socket notifications, which run on the
// same thread.
#pragma once

#include "client/state/world.h"

namespace krel {

// Processes pending window events. When the window is minimised (or the
// display otherwise unusable) waits until it is back, rebuilds the graphics
// and returns true; otherwise returns false. Returns false at once when the
// window was closed.
bool PumpWindowEvents(World& w);

// Processes pending window events only (key-down, typed characters, close).
void ProcessWindowEvents(World& w);

}  // namespace krel
