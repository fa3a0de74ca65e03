// Definition records of weapons, particle objects and special objects, as
// read from the weapon file. The field names are the file's keys; every value
// is a 16-bit integer in its stored form (some keys are stored halved).
#pragma once

#include <array>
#include <string>

#include "protocol/base/numbers.h"

namespace krel {

// One weapon: a name and 46 values. Slot w + 1 describes weapon number w;
// slot 0 is the pseudo-weapon of bonus items.
struct WeaponDef {
  std::string NAME;
  int16 ACCADD = 0;
  int16 WORMAFFECT = 0;
  int16 AMMO = 0;
  int16 BLOOD = 0;
  int16 BLOW = 0;
  int16 BULLETCOLOR = 0;
  int16 SHOTDELAY = 0;
  int16 WORMREMOVE = 0;
  int16 GROUNDEXPLODE = 0;
  int16 OBJECTCOLLIDE = 0;
  int16 DISTRIBUTION = 0;
  int16 EXPLODEAFFECT = 0;
  int16 WORMDETECTRANGE = 0;
  int16 WORMEXPLODE = 0;
  int16 SOUNDEXPLODE = 0;
  int16 FIRECONE = 0;
  int16 GRAVITY = 0;
  int16 HITDAMAGE = 0;
  int16 CREATEONHIT = 0;
  int16 MAPCHANGE = 0;
  int16 PTRAILDELAY = 0;
  int16 PTRAILPTYPE = 0;
  int16 PTRAILTYPE = 0;
  int16 LASERSIGHT = 0;
  int16 SOUNDLAUNCH = 0;
  int16 LEAVESHELLS = 0;
  int16 LOADINGTIME = 0;
  int16 ANIMLOOP = 0;
  int16 SOUNDLOOP = 0;
  int16 ANIMFRAMES = 0;
  int16 NUMOBJECTS = 0;
  int16 RECOIL = 0;
  int16 SHOTTYPE = 0;
  int16 OTRAILDELAY = 0;
  int16 OTRAILTYPE = 0;
  int16 SPEED = 0;
  int16 ACCMULTIPLY = 0;
  int16 BOUNCE = 0;
  int16 SPLINTERAMOUNT = 0;
  int16 SPLINTERCOLOR = 0;
  int16 SPLINTERSTYPE = 0;
  int16 SPLINTERTYPE = 0;
  int16 ANIMSFRAME = 0;
  int16 TIMETOEXPLODE = 0;
  int16 TIMETOEXPLODEV = 0;
  int16 SHADOW = 0;
};

// One kind of particle object (splinters, trail particles, shells, remains).
struct ObjDef {
  int16 BLOOD = 0;
  int16 BLOW = 0;
  int16 BULLETCOLOR = 0;
  int16 CREATEONHIT = 0;
  int16 WORMREMOVE = 0;
  int16 GROUNDREMOVE = 0;
  int16 DISTRIBUTION = 0;
  int16 DRAWOBJECT = 0;
  int16 WORMDETECTRANGE = 0;
  int16 WORMEXPLODE = 0;
  int16 GRAVITY = 0;
  int16 HITDAMAGE = 0;
  int16 BTRAILDELAY = 0;
  int16 BTRAIL = 0;
  int16 OTRAILTYPE = 0;
  int16 OTRAILDELAY = 0;
  int16 MAPCHANGE = 0;
  int16 ANIMFRAMES = 0;
  int16 SPEED = 0;
  int16 BOUNCE = 0;
  int16 SPEEDV = 0;
  int16 SPLINTERAMOUNT = 0;
  int16 SPLINTERCOLOR = 0;
  int16 SPLINTERTYPE = 0;
  int16 ANIMSFRAME = 0;
  int16 TIMETOEXPLODE = 0;
  int16 TIMETOEXPLODEV = 0;
};

// One kind of special object (blasts, smoke): stationary, animated.
struct SObjDef {
  int16 WORMDETECTRANGE = 0;
  int16 DAMAGE = 0;
  int16 BLOWAWAY = 0;
  int16 FIRSTSOUND = 0;
  int16 NUMSOUNDS = 0;
  int16 ANIMSFRAME = 0;
  int16 ANIMFRAMES = 0;
  int16 ANIMDELAY = 0;
  int16 MAPCHANGE = 0;
};

inline constexpr int kWeaponSlots = 42;  // 0..41
inline constexpr int kObjSlots = 31;     // 0..30
inline constexpr int kSObjSlots = 21;    // 0..20

using WeaponTable = std::array<WeaponDef, kWeaponSlots>;
using ObjTable = std::array<ObjDef, kObjSlots>;
using SObjTable = std::array<SObjDef, kSObjSlots>;

}  // namespace krel
