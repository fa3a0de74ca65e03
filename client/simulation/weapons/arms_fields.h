// The keys of the weapon file: for each record, its field names in file
// order, where each is stored and in which value form. The loader and the
// JSON dump both walk these lists, so a key cannot be read by one and missed
// by the other.
#pragma once

#include <array>
#include <string_view>

#include "client/simulation/weapons/arms_values.h"
#include "client/state/definitions.h"

namespace krel {

template <typename Def>
struct FieldSpec {
  std::string_view key;
  int16 Def::*member;
  ValueForm form;
};

namespace arms_forms {
inline constexpr ValueForm kI = ValueForm::kInteger;
inline constexpr ValueForm kH = ValueForm::kHalved;
inline constexpr ValueForm kH1 = ValueForm::kHalvedPlusOne;
inline constexpr ValueForm kL = ValueForm::kLenient;
}  // namespace arms_forms

// NAME (text) is handled apart; these are the 46 numbers after it.
inline constexpr std::array<FieldSpec<WeaponDef>, 46> kWeaponFields = {{
    {"ACCADD", &WeaponDef::ACCADD, arms_forms::kI},
    {"WORMAFFECT", &WeaponDef::WORMAFFECT, arms_forms::kI},
    {"AMMO", &WeaponDef::AMMO, arms_forms::kI},
    {"BLOOD", &WeaponDef::BLOOD, arms_forms::kI},
    {"BLOW", &WeaponDef::BLOW, arms_forms::kI},
    {"BULLETCOLOR", &WeaponDef::BULLETCOLOR, arms_forms::kI},
    {"SHOTDELAY", &WeaponDef::SHOTDELAY, arms_forms::kH},
    {"WORMREMOVE", &WeaponDef::WORMREMOVE, arms_forms::kI},
    {"GROUNDEXPLODE", &WeaponDef::GROUNDEXPLODE, arms_forms::kI},
    {"OBJECTCOLLIDE", &WeaponDef::OBJECTCOLLIDE, arms_forms::kI},
    {"DISTRIBUTION", &WeaponDef::DISTRIBUTION, arms_forms::kI},
    {"EXPLODEAFFECT", &WeaponDef::EXPLODEAFFECT, arms_forms::kI},
    {"WORMDETECTRANGE", &WeaponDef::WORMDETECTRANGE, arms_forms::kI},
    {"WORMEXPLODE", &WeaponDef::WORMEXPLODE, arms_forms::kI},
    {"SOUNDEXPLODE", &WeaponDef::SOUNDEXPLODE, arms_forms::kI},
    {"FIRECONE", &WeaponDef::FIRECONE, arms_forms::kI},
    {"GRAVITY", &WeaponDef::GRAVITY, arms_forms::kI},
    {"HITDAMAGE", &WeaponDef::HITDAMAGE, arms_forms::kI},
    {"CREATEONHIT", &WeaponDef::CREATEONHIT, arms_forms::kI},
    {"MAPCHANGE", &WeaponDef::MAPCHANGE, arms_forms::kL},
    {"PTRAILDELAY", &WeaponDef::PTRAILDELAY, arms_forms::kH1},
    {"PTRAILPTYPE", &WeaponDef::PTRAILPTYPE, arms_forms::kI},
    {"PTRAILTYPE", &WeaponDef::PTRAILTYPE, arms_forms::kI},
    {"LASERSIGHT", &WeaponDef::LASERSIGHT, arms_forms::kI},
    {"SOUNDLAUNCH", &WeaponDef::SOUNDLAUNCH, arms_forms::kI},
    {"LEAVESHELLS", &WeaponDef::LEAVESHELLS, arms_forms::kI},
    {"LOADINGTIME", &WeaponDef::LOADINGTIME, arms_forms::kH},
    {"ANIMLOOP", &WeaponDef::ANIMLOOP, arms_forms::kI},
    {"SOUNDLOOP", &WeaponDef::SOUNDLOOP, arms_forms::kI},
    {"ANIMFRAMES", &WeaponDef::ANIMFRAMES, arms_forms::kI},
    {"NUMOBJECTS", &WeaponDef::NUMOBJECTS, arms_forms::kI},
    {"RECOIL", &WeaponDef::RECOIL, arms_forms::kI},
    {"SHOTTYPE", &WeaponDef::SHOTTYPE, arms_forms::kI},
    {"OTRAILDELAY", &WeaponDef::OTRAILDELAY, arms_forms::kH1},
    {"OTRAILTYPE", &WeaponDef::OTRAILTYPE, arms_forms::kI},
    {"SPEED", &WeaponDef::SPEED, arms_forms::kI},
    {"ACCMULTIPLY", &WeaponDef::ACCMULTIPLY, arms_forms::kI},
    {"BOUNCE", &WeaponDef::BOUNCE, arms_forms::kI},
    {"SPLINTERAMOUNT", &WeaponDef::SPLINTERAMOUNT, arms_forms::kI},
    {"SPLINTERCOLOR", &WeaponDef::SPLINTERCOLOR, arms_forms::kI},
    {"SPLINTERSTYPE", &WeaponDef::SPLINTERSTYPE, arms_forms::kI},
    {"SPLINTERTYPE", &WeaponDef::SPLINTERTYPE, arms_forms::kI},
    {"ANIMSFRAME", &WeaponDef::ANIMSFRAME, arms_forms::kI},
    {"TIMETOEXPLODE", &WeaponDef::TIMETOEXPLODE, arms_forms::kH},
    {"TIMETOEXPLODEV", &WeaponDef::TIMETOEXPLODEV, arms_forms::kH},
    {"SHADOW", &WeaponDef::SHADOW, arms_forms::kI},
}};

inline constexpr std::array<FieldSpec<ObjDef>, 27> kObjFields = {{
    {"BLOOD", &ObjDef::BLOOD, arms_forms::kI},
    {"BLOW", &ObjDef::BLOW, arms_forms::kI},
    {"BULLETCOLOR", &ObjDef::BULLETCOLOR, arms_forms::kI},
    {"CREATEONHIT", &ObjDef::CREATEONHIT, arms_forms::kI},
    {"WORMREMOVE", &ObjDef::WORMREMOVE, arms_forms::kI},
    {"GROUNDREMOVE", &ObjDef::GROUNDREMOVE, arms_forms::kI},
    {"DISTRIBUTION", &ObjDef::DISTRIBUTION, arms_forms::kI},
    {"DRAWOBJECT", &ObjDef::DRAWOBJECT, arms_forms::kI},
    {"WORMDETECTRANGE", &ObjDef::WORMDETECTRANGE, arms_forms::kI},
    {"WORMEXPLODE", &ObjDef::WORMEXPLODE, arms_forms::kI},
    {"GRAVITY", &ObjDef::GRAVITY, arms_forms::kI},
    {"HITDAMAGE", &ObjDef::HITDAMAGE, arms_forms::kI},
    {"BTRAILDELAY", &ObjDef::BTRAILDELAY, arms_forms::kH1},
    {"BTRAIL", &ObjDef::BTRAIL, arms_forms::kI},
    {"OTRAILTYPE", &ObjDef::OTRAILTYPE, arms_forms::kI},
    {"OTRAILDELAY", &ObjDef::OTRAILDELAY, arms_forms::kH1},
    {"MAPCHANGE", &ObjDef::MAPCHANGE, arms_forms::kL},
    {"ANIMFRAMES", &ObjDef::ANIMFRAMES, arms_forms::kI},
    {"SPEED", &ObjDef::SPEED, arms_forms::kI},
    {"BOUNCE", &ObjDef::BOUNCE, arms_forms::kI},
    {"SPEEDV", &ObjDef::SPEEDV, arms_forms::kI},
    {"SPLINTERAMOUNT", &ObjDef::SPLINTERAMOUNT, arms_forms::kI},
    {"SPLINTERCOLOR", &ObjDef::SPLINTERCOLOR, arms_forms::kI},
    {"SPLINTERTYPE", &ObjDef::SPLINTERTYPE, arms_forms::kI},
    {"ANIMSFRAME", &ObjDef::ANIMSFRAME, arms_forms::kI},
    {"TIMETOEXPLODE", &ObjDef::TIMETOEXPLODE, arms_forms::kH},
    {"TIMETOEXPLODEV", &ObjDef::TIMETOEXPLODEV, arms_forms::kH},
}};

inline constexpr std::array<FieldSpec<SObjDef>, 9> kSObjFields = {{
    {"WORMDETECTRANGE", &SObjDef::WORMDETECTRANGE, arms_forms::kI},
    {"DAMAGE", &SObjDef::DAMAGE, arms_forms::kI},
    {"BLOWAWAY", &SObjDef::BLOWAWAY, arms_forms::kI},
    {"FIRSTSOUND", &SObjDef::FIRSTSOUND, arms_forms::kI},
    {"NUMSOUNDS", &SObjDef::NUMSOUNDS, arms_forms::kI},
    {"ANIMSFRAME", &SObjDef::ANIMSFRAME, arms_forms::kI},
    {"ANIMFRAMES", &SObjDef::ANIMFRAMES, arms_forms::kI},
    {"ANIMDELAY", &SObjDef::ANIMDELAY, arms_forms::kH},
    {"MAPCHANGE", &SObjDef::MAPCHANGE, arms_forms::kI},
}};

// The entry for key in fields, or nullptr. Keys match exactly: case
// matters and no blanks are trimmed.
template <typename Def, std::size_t N>
const FieldSpec<Def>* FindField(const std::array<FieldSpec<Def>, N>& fields, std::string_view key) {
  for (const FieldSpec<Def>& f : fields)
    if (f.key == key) return &f;
  return nullptr;
}

}  // namespace krel
