// SDL's physical key numbering (scancodes) to DirectInput scan codes.
#pragma once

#include <SDL.h>

namespace krel {

// The DirectInput scan code of an SDL scancode; 0 for keys DirectInput has
// no code for. Several SDL keys may share one code (the ISO and ANSI
// backslash keys, the two mute keys).
int DikFromSdlScancode(SDL_Scancode sc);

}  // namespace krel
