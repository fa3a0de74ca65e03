// The world stage of a frame: everything that lives in the level, drawn
// once at level size onto WorldView. ShowAll calls these in this order;
// later drawings cover earlier ones.
#pragma once

#include <string_view>

#include "client/state/world.h"

namespace krel {

// Per living worm: rope and hook, the worm, its crosshair and laser sight.
// A rope that holds a worm takes that worm's position as its hook position.
void DrawWorms(World& w);

// Every live shot by its weapon's shot type. Beams are drawn as a line to
// their owner and removed: they show for exactly one frame.
void DrawShots(World& w);

// Particle objects (dots and sprites) and special objects (16x16 effects).
void DrawObjects(World& w);
void DrawSpecialObjects(World& w);

// The current weapon's name above each living worm that holds its change
// control.
void DrawWeaponLabels(World& w);

// A name in the 4x4 capital letters, centred on cx, top at y. Every
// character takes 4 pixels; only A..Z have a picture.
void DrawLabel(World& w, Surface& surf, std::string_view name, double cx, double y);

// The text without the blanks around it.
std::string_view Trim(std::string_view text);

}  // namespace krel
