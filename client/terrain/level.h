// The level: one bitmap whose pixel colours are its materials.
#pragma once

#include <string>

#include "client/core/world.h"

namespace krel {

enum Material : int16 { kSoil = 1, kRock = 2, kFree = 3, kOther = 4 };

// Replaces LevelSurface, LevelWidth and LevelHeight with level.bmp from dir
// (the program's own directory). On failure the level is unchanged and error
// names the file and the reason.
bool loadlevel(World& w, const std::string& dir, std::string& error);

// Material 1..4 of a screen pixel value.
int16 typ(World& w, int32 color);

// True when the point is free space.
bool gehbar(const World& w, double x, double Y);

// Removes (radius > 0) or adds soil (radius <= 0) in a disc.
void dig(World& w, int16 x, int16 y, int16 radius, int16 owner, bool bywinsock);

}  // namespace krel
