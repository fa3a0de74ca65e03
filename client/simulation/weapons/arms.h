// Reading the weapon file into the three definition tables.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "client/state/world.h"

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
// condition; the tables are then all zero. Besides the file's own rules, a
// file that leaves every weapon 1..41 empty is refused: a game with it
// would start with nothing to shoot.
bool LoadArms(WeaponTable& weapons, ObjTable& objs, SObjTable& sobjs, const std::string& path, ArmsError& error);
inline bool LoadArms(World& w, const std::string& path, ArmsError& error) {
  return LoadArms(w.WeaponDefs, w.ObjDefs, w.SObjDefs, path, error);
}

// The file's rules applied to its bytes; name is used in messages. Unlike
// LoadArms this accepts a file that defines no weapon.
bool LoadArmsFromBytes(WeaponTable& weapons, ObjTable& objs, SObjTable& sobjs, std::string_view bytes,
                       const std::string& name, ArmsError& error);

// One line of a weapon file: its text without the line end, and its number
// (1-based). A line ends at CR LF, CR or LF.
struct ArmsLine {
  std::string_view text;
  int number = 0;
};
std::vector<ArmsLine> SplitArmsLines(std::string_view bytes);

// How messages and documents number the weapons: weapon n is the one the
// file's ORDER:n line starts, so WeaponDefs[n] (1-41). The game's own number
// for it (in the players' slots and on the wire) is n - 1; messages never use
// it. Entry 0 holds the keys before the first ORDER line, which describe the
// bonus crates. "weapon 5", or "the bonus crates" for 0.
std::string WeaponLabel(int n);

// True when the slot holds anything: a name or any non-zero value.
bool SlotInUse(const WeaponDef& d);
bool SlotInUse(const ObjDef& d);
bool SlotInUse(const SObjDef& d);

// True when bytes hold a line feed not preceded by a carriage return (a file
// saved with LF line ends; it loads all the same).
bool HasLoneLineFeed(std::string_view bytes);

}  // namespace krel
