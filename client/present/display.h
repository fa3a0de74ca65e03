// Display set-up: the window, every drawing surface, the sprite sheets and
// the colour tables built from the embedded bitmaps.
#pragma once

#include <string>

#include "client/state/world.h"

namespace krel {

// Opens the display through w.platform, creates Back and SavedBack,
// builds the colour tables and sheets (RebuildSurfaces), then loads the level
// from dir (its materials are read with those colours) and creates
// WorldView. On failure error holds the message to show and the program ends.
bool InitDisplay(World& w, const std::string& dir, std::string& error);

// (Re)builds the palette tables, font strips, sprite sheets and worm sheets.
void RebuildSurfaces(World& w);

// Builds WormSheets(j) from the worm frames of Tiles16 in player j's colour,
// with the mirrored frames in its right half (uses WormSheets(17) and (18) as
// scratch). RebuildSurfaces calls it for players 1..NumPlayers.
void BuildWormSheet(World& w, int j);

}  // namespace krel
