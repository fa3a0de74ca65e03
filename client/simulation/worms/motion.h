// The motion model shared by worms, shots, objects, drawing and the computer
// players' foresight: its constants (speeds, the worm's size, where shots
// start), the acceleration rule, the aim angle table, the compass angle and
// the sub-step count of shots and objects.
#pragma once

#include <array>
#include <type_traits>

#include "protocol/base/numbers.h"

namespace krel {

// The speed of an instant weapon (a beam), which crosses the level within
// one frame; no shot or object moves faster.
inline constexpr int kBeamSpeed = 32000;

// Every kSpeedPerStep of a shot's or object's speed is one more movement
// sub-step per frame.
inline constexpr int kSpeedPerStep = 30;

// A shot's downward acceleration per frame for its weapon's GRAVITY.
constexpr double ShotGravity(int gravity) { return gravity / 200.0; }

// A worm's size as motion sees it: it moves only where the points
// kWormHalfWidth to either side and kWormHalfHeight above or below its
// centre are free, it needs room kWormHalfHeight above it to jump, and it
// stands when there is ground kWormFeet below its centre.
inline constexpr int kWormHalfWidth = 2;
inline constexpr int kWormHalfHeight = 4;
inline constexpr int kWormFeet = 5;

// Each of a worm's Speed sub-steps a frame moves it by its direction over
// kWormStepDivisor.
inline constexpr int kWormStepDivisor = 10;

// A shot starts kMuzzleDistance pixels from the worm's centre along the aim,
// moved on by the worm's own motion in that frame. A weapon that carries the
// worm's motion adds the worm's direction over kCarryDivisor to the shot's.
inline constexpr int kMuzzleDistance = 9;
inline constexpr int kCarryDivisor = 3;

// Aim steps 0..kAimSteps-1 in whole degrees from straight up, clockwise for
// a worm facing right.
inline constexpr int kAimSteps = 19;
inline constexpr std::array<int, kAimSteps> AimDegrees{140, 135, 128, 122, 115, 107, 99, 90, 84, 77,
                                                       70,  62,  53,  45,  38,  32,  25, 12, 0};

// The same steps in radians rounded to 1/10000, measured from straight up,
// clockwise for a worm facing right.
extern const std::array<fixed, kAimSteps> AimAngles;

// Adds the acceleration (ax, ay) to the velocity (dirx, diry) * speed. The
// new direction is the velocity divided by its length, or by kSpeedPerStep
// when it is shorter; unless keepspeed, speed becomes that divisor (never
// below kSpeedPerStep).
//
// One rule for two kinds of number: the game's fixed-point numbers, whose
// length is taken in single precision as every client must, and the doubles
// of the computer players' flight look-ahead, whose length is taken in
// double precision. Both are instantiated in motion.cpp.
template <typename Number>
void AddAcceleration(Number& dirx, Number& diry, Number& speed, std::type_identity_t<Number> ax,
                     std::type_identity_t<Number> ay, bool keepspeed);

// AimAngles[step]; 0 for any step outside the table.
fixed AimAngle(int step);

// Compass direction of (-x, -Y) in whole degrees clockwise from straight up
// (Y grows downwards), with quirks that recordings and network games rely on: (0.008, 1) gives 180.
int16 atan2(double x, double Y);

// Movement sub-steps of a shot or object: spd (capped at kBeamSpeed in
// place) rounded half to even, divided by kSpeedPerStep, truncated. For
// fixed (the game) and double (the flight look-ahead).
template <typename Number>
int32 MoveSubSteps(Number& spd);

}  // namespace krel
