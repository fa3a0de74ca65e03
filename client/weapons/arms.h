// Reading the weapon file into the three definition tables.
#pragma once

#include <string>
#include <string_view>

#include "client/core/world.h"

namespace krel {

// What stopped a weapon file from loading: the file, the line (1-based, 0
// when the file itself could not be read), the key and what was wrong.
struct ArmsError {
  std::string file;
  int line = 0;
  std::string key;
  std::string what;
  // One message a modder can act on, in the form editors jump to, e.g.
  // arms.dat:12: SPEED: "fast" is not a number
  std::string Message() const;
};

// Fills WeaponDefs, ObjDefs and SObjDefs from the file at path. Every field
// the file does not set is 0. Returns false and fills error on any fatal
// condition; the tables are then all zero.
bool LoadArms(WeaponTable& weapons, ObjTable& objs, SObjTable& sobjs, const std::string& path,
              ArmsError& error);
inline bool LoadArms(World& w, const std::string& path, ArmsError& error) {
  return LoadArms(w.WeaponDefs, w.ObjDefs, w.SObjDefs, path, error);
}

// The same rules applied to the file's bytes; name is used in messages.
bool LoadArmsFromBytes(WeaponTable& weapons, ObjTable& objs, SObjTable& sobjs, std::string_view bytes,
                       const std::string& name, ArmsError& error);

}  // namespace krel
