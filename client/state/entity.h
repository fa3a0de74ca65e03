// The record shared by shots, particle objects and special objects.
#pragma once

#include "protocol/base/numbers.h"

namespace krel {

// A shot, particle object or special object; the three live arrays share it.
struct Entity {
  int16 ty = 0;
  int16 owner = 0;
  fixed x, Y;
  fixed dx, dy;
  int16 age = 0;
  fixed speed;
  flag removed = kFalse;
  int16 color = 0;
  int32 steps = 0;
};
using Shot = Entity;
using Obj = Entity;
using SObj = Entity;

}  // namespace krel
