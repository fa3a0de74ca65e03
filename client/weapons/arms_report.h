// What the krel-arms tool prints for people who write weapon files: a check
// summary and a JSON dump of the three tables.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "client/weapons/defs.h"

namespace krel {

// Non-empty slots (a name or any non-zero value) of each table. Weapons are
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
// fields named and ordered as the file's keys. Bytes of NAME outside ASCII
// are written as the code points U+0080..U+00FF, so the output is plain
// ASCII whatever the file held.
std::string ArmsJson(const WeaponTable& weapons, const ObjTable& objs, const SObjTable& sobjs);

// The command line of krel-arms without the program name: "check FILE" or
// "dump FILE". Returns the exit status: 0 success, 1 the file did not load,
// 2 a usage error.
int RunArmsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace krel
