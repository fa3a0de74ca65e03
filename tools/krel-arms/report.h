// What krel-arms prints about a weapon file that loaded: the counts of its
// check line and the JSON dump of the three tables.
#pragma once

#include <string>

#include "client/state/definitions.h"

namespace krel {

// Slots in use (a name or any non-zero value) of each table. Weapons are
// counted in slots 1..41; slot 0, the bonus item, is reported apart.
// Objects and special objects are counted in slots 1..30 and 1..20.
struct ArmsCounts {
  int weapons = 0;
  bool bonus_item = false;
  int objects = 0;
  int special_objects = 0;
};
ArmsCounts CountArms(const WeaponTable& weapons, const ObjTable& objs, const SObjTable& sobjs);

// The three tables as one JSON object {"WeaponDefs": {"0": {...}, ...},
// "ObjDefs": ..., "SObjDefs": ...}: every slot, keyed by its number, with the
// fields named and ordered as the file's keys. NAME is read in the game's
// code page and written with \uXXXX escapes outside printable ASCII, so the
// output is plain ASCII whatever the file held.
std::string ArmsJson(const WeaponTable& weapons, const ObjTable& objs, const SObjTable& sobjs);

}  // namespace krel
