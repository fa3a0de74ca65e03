// Placeholder until the weapon-file loader lands: lets the game loop link.
#include "client/weapons/arms.h"

namespace krel {

std::string ArmsError::Message() const { return file + ": " + what; }

bool LoadArms(WeaponTable& weapons, ObjTable& objs, SObjTable& sobjs, const std::string& path,
              ArmsError& error) {
  weapons = {};
  objs = {};
  sobjs = {};
  error.file = path;
  error.what = "the weapon-file loader is not built yet";
  return false;
}

}  // namespace krel
