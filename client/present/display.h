// Display set-up: the window, every drawing surface, the sprite sheets and
// the colour tables built from the embedded bitmaps.
#pragma once

#include <string>

#include "client/core/world.h"

namespace krel {

// Opens the display through w.platform, creates surfBack, surfBack2, loads the
// level from dir, creates surfWorld and calls initsurfaces. On failure error
// holds the message to show and the program ends.
bool InitDDraw(World& w, const std::string& dir, std::string& error);

// (Re)builds the palette tables, font strips, sprite sheets and worm sheets.
void initsurfaces(World& w);

}  // namespace krel
