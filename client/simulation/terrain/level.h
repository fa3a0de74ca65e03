// The level: one bitmap whose pixel colours are its materials.
#pragma once

#include <string>

#include "client/state/world.h"
#include "gfx/bmp.h"

namespace krel {

enum Material : int16 { kSoil = 1, kRock = 2, kFree = 3, kOther = 4 };

// The bottom of the passable band: points at or below this row are never
// free, however tall the level is.
inline constexpr int kPassableBottom = 342;

// Replaces LevelSurface, LevelWidth and LevelHeight with level.bmp from dir
// (the program's own directory) and rebuilds the material table. On failure
// the level is unchanged and error names the file and the reason.
bool loadlevel(World& w, const std::string& dir, std::string& error);

// The first half of loadlevel: reads and checks the level file at path (a
// server checks the level it names with it). On failure error names the
// file and the reason.
bool ReadLevelImage(const std::string& path, BmpImage& image, std::string& error);

// The second half of loadlevel: makes a decoded bitmap the level; path is
// used in messages.
bool UseLevelImage(World& w, const BmpImage& image, const std::string& path, std::string& error);

// The game is made for levels of about 504x350: worms reappear only at
// x 0..489, y 0..319, and nothing from row 342 down is passable. For a level
// far from that size (smaller than the respawn area, or more than a tenth
// larger either way) a one-line notice saying so; empty otherwise.
std::string LevelSizeNotice(int width, int height);

// Rebuilds w.MaterialTable from w.PaletteColors: soil ranges first, then
// rock, then free, so a value in two ranges keeps the first. Call it after
// every change of PaletteColors.
void BuildMaterialTable(World& w);

// Material 1..4 of a screen pixel value, compared with PaletteColors in the
// order soil, rock, free; a value matching none gives 4. The slow reference
// for MaterialOf's table.
int16 LookUpMaterial(const World& w, int32 color);

// The same classification from the material table, without side effects.
int16 MaterialOf(const World& w, int32 color);

// True when the point is free space: inside x > 0, Y > 0, x < LevelWidth,
// Y < 342, and the pixel at the point rounded half to even lies inside the
// bitmap and is free. Reads nothing outside that window.
bool IsPassable(const World& w, double x, double Y);

// Removes (radius > 0) or adds soil (radius <= 0) in the disc of points
// nearer than |radius| to (x, y). A disc that does not fit inside the level
// changes nothing; rock, row 0 and column 0 never change. In a network game
// a local request (Origin::kLocal) is handed to the server and not applied.
void Dig(World& w, int16 x, int16 y, int16 radius, int16 owner, Origin origin);

}  // namespace krel
