// The small numeric routines shared by worms, shots, objects and drawing:
// the acceleration rule of the motion model, the aim angle table, the compass
// angle and the sub-step count of shots and objects.
#pragma once

#include <array>

#include "protocol/base/numbers.h"

namespace krel {

// Aim steps 0..18 in whole degrees from straight up, clockwise for a worm
// facing right.
inline constexpr std::array<int, 19> AimDegrees{140, 135, 128, 122, 115, 107, 99, 90, 84, 77,
                                                70,  62,  53,  45,  38,  32,  25, 12, 0};

// The same steps in radians rounded to 1/10000, measured from straight up,
// clockwise for a worm facing right.
extern const std::array<fixed, 19> AimAngles;

// Adds the acceleration (ax, ay) to the velocity (dirx, diry) * speed. The
// new direction is the velocity divided by its length, or by 30 when it is
// shorter; unless keepspeed, speed becomes that divisor (never below 30).
void AddAcceleration(fixed& dirx, fixed& diry, fixed& speed, fixed ax, fixed ay, bool keepspeed);

// AimAngles(richt); 0 for any step outside 0..18.
fixed AimAngle(int richt);

// Compass direction of (-x, -Y) in whole degrees clockwise from straight up
// (Y grows downwards), with its historic quirks kept: (0.008, 1) gives 180.
int16 atan2(double x, double Y);

// Movement sub-steps of a shot or object: spd (capped at 32000 in place)
// rounded half to even, divided by 30, truncated.
int32 calcspeed(fixed& spd);

}  // namespace krel
