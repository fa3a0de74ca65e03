// Warnings for weapon files that load but hold likely mistakes: a key the
// game ignores because it is misspelt, and values the game accepts but cannot
// use (a sprite cell without a picture, a sound number that does not exist,
// a trail or splinter type that names an empty slot).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "client/state/definitions.h"

namespace krel {

// bytes is the file that filled the three tables. Each warning starts with
// "line N: " where the file names a line for it.
std::vector<std::string> LintArms(std::string_view bytes, const WeaponTable& weapons, const ObjTable& objs,
                                  const SObjTable& sobjs);

}  // namespace krel
