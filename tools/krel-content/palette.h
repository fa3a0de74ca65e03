// The one 256-colour palette shared by every bitmap of the game.
//
// Palette index 0 is the transparent magenta. The game addresses colours by
// colour number n, which is palette index n + 1; the constants below are
// palette indices. The level's materials are decided by colour number (soil,
// rock, free space), so those ranges are fixed, and so are the colours that
// the display set-up and the status panel pick by number.
#pragma once

#include <string>
#include <vector>

#include "tools/krel-content/image.h"

namespace krel::content {

inline constexpr int kTransparent = 0;
inline constexpr int kBlack = 1;
inline constexpr int kInk = 8;  // font ink: dark grey, the text shadow as loaded

// Materials, as palette index ranges (colour number + 1).
inline constexpr int kSoilA0 = 13, kSoilA1 = 19;        // colour numbers 12..18
inline constexpr int kSoilB0 = 95, kSoilB1 = 104;       // 94..103
inline constexpr int kSoilC0 = 176, kSoilC1 = 181;      // 175..180
inline constexpr int kRock0 = 20, kRock1 = 29;          // 19..28 (29 is never used)
inline constexpr int kFree0 = 160, kFree1 = 168;        // 159..167
inline constexpr int kFreeDug0 = 160, kFreeDug1 = 163;  // what digging writes
inline constexpr int kFreeStain0 = 167;                 // dark red stains, still free

// Worm: the four blue shades the player colour replaces, and grey details.
inline constexpr int kWormOutline = 30;
inline constexpr int kWormLight = 31;
inline constexpr int kWormBody = 32;
inline constexpr int kWormShade = 33;
inline constexpr int kWormDark = 36;
inline constexpr int kWormMetal = 37;
inline constexpr int kWormWhite = 38;

// Named colours picked by number elsewhere in the game.
inline constexpr int kLightRed = 6, kLightGrey = 29, kLightBlue = 48, kSeparator = 51;
inline constexpr int kSand = 61, kWhite = 69, kPaleBlueWhite = 147;
inline constexpr int kHealth0 = 234, kHealth1 = 244;  // colour numbers 233..243
inline constexpr int kAmmo0 = 244, kAmmo1 = 254;      // 243..253

// Ramps for effect art, dark to light unless noted.
inline constexpr int kReds0 = 2;        // 2..7
inline constexpr int kFireHot0 = 9;     // 9..12, pale yellow to dark orange
inline constexpr int kBlue0 = 39;       // 39..48
inline constexpr int kSandRamp0 = 54;   // 54..61
inline constexpr int kGreyWhite0 = 62;  // 62..69 light grey to white
inline constexpr int kFire0 = 70;       // 70..79 white-hot to ember (light to dark)
inline constexpr int kSmoke0 = 80;      // 80..89 light to dark
inline constexpr int kGrass0 = 90;      // 90..94
inline constexpr int kGreen0 = 105;     // 105..114
inline constexpr int kPurple0 = 115;    // 115..124
inline constexpr int kCyan0 = 125;      // 125..134
inline constexpr int kFlesh0 = 135;     // 135..144 blood dark to flesh pink
inline constexpr int kBone0 = 145, kBone1 = 146, kBone2 = 148, kBone3 = 149, kBone4 = 150;
inline constexpr int kSteel0 = 151;   // 151..159
inline constexpr int kGold0 = 169;    // 169..175
inline constexpr int kOrange0 = 182;  // 182..191
inline constexpr int kYellow0 = 192;  // 192..201
inline constexpr int kTeal0 = 202;    // 202..211
inline constexpr int kRed0 = 212;     // 212..221
inline constexpr int kGrey0 = 222;    // 222..233 neutral greys

// Material of a colour number as the level classifies it.
enum class Material { kSoil, kRock, kFree, kOther };
Material MaterialOfColourNumber(int n);

Palette BuildPalette();

// How an 8-bit channel may become 5 or 6 bits in the 16-bit screen format:
// by scaling down (v * max / 255, truncated), by dropping low bits, or by
// rounding. The game's 2D layer uses one of these; the palette must work
// under each.
enum class Conversion { kScaleFloor, kShift, kScaleRound };
std::uint16_t ToRgb565(const Rgb& c, Conversion how);

// Checks that no two colour numbers of different materials give the same
// 16-bit screen value under any conversion, that no colour number gives the
// transparent magenta, and the fixed entries the game relies on. Returns the
// problems found (empty when the palette is sound).
std::vector<std::string> CheckPalette(const Palette& palette);

}  // namespace krel::content
