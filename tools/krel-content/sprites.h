// The three sprite sheets: GFX16 (110 cells of 16x16), GFX8 (130 cells of
// 7x8) and GFX4 (30 cells of 4x4). The cell numbers below are what the
// weapon file refers to; data/README.md lists them for modders.
#pragma once

#include <string>
#include <vector>

#include "tools/krel-content/image.h"

namespace krel::content {

// --- GFX16: special objects (drawn centred) and the worm -------------------
inline constexpr int kGfx16Cells = 110;
inline constexpr int kPuff16 = 0;          // 0..3    bullet impact puff
inline constexpr int kExplodeSmall = 4;    // 4..9    small explosion
inline constexpr int kFlame16 = 10;        // 10..15  flame
inline constexpr int kWormFrames = 16;     // 16..36  worm: phase * 7 + aim direction
inline constexpr int kExplodeMedium = 37;  // 37..44  medium explosion
inline constexpr int kExplodeLarge = 45;   // 45..54  large explosion
inline constexpr int kSmoke16 = 55;        // 55..62  smoke cloud
inline constexpr int kDirt16 = 63;         // 63..68  dirt spray
inline constexpr int kSparkle16 = 69;      // 69..74  sparkle
inline constexpr int kPlasma16 = 75;       // 75..80  plasma burst
inline constexpr int kBlood16 = 81;        // 81..86  blood splash
inline constexpr int kRing16 = 87;         // 87..92  shock ring
inline constexpr int kZap16 = 93;          // 93..98  electric zap
inline constexpr int kBones16 = 99;        // 99..102 flying bones
inline constexpr int kBurner16 = 103;      // 103..109 burner flame

// --- GFX8: shots and objects (drawn with their centre at (4, 4)) ----------
inline constexpr int kGfx8Cells = 130;
inline constexpr int kMissile = 0;   // 0..16   17 rotations (steered)
inline constexpr int kRocket = 17;   // 17..31  15 rotations
inline constexpr int kArrow = 32;    // 32..46  15 rotations
inline constexpr int kBolt = 47;     // 47..61  15 rotations
inline constexpr int kGrenade = 62;  // 62..65  blinking fuse
inline constexpr int kCluster = 66;  // 66..69  spinning bomblet
inline constexpr int kMine = 70;     // 70..73  blinking mine
inline constexpr int kBulletSmall = 74;
inline constexpr int kBulletBig = 75;
inline constexpr int kFireball = 76;  // 76..79
inline constexpr int kBall = 80;      // 80..83  rolling ball
// Objects: a base picture (left in the level when drawn there) followed by
// four frames of flight.
inline constexpr int kShell = 84;  // 84..88  empty shell
inline constexpr int kBone = 89;   // 89..93  bone (base: blood stain)
inline constexpr int kGib = 94;    // 94..98  flesh (base: blood stain)
inline constexpr int kCrate = 100;
inline constexpr int kHealthPack = 101;
inline constexpr int kClod = 102;       // 102..106 dirt clod (base: soil lump)
inline constexpr int kSpark = 107;      // 107..111
inline constexpr int kSmokeBit = 112;   // 112..116
inline constexpr int kRockChunk = 117;  // 117..121
inline constexpr int kNapalm = 122;     // 122..126 (base: scorch, free space)
inline constexpr int kSkull = 127;
inline constexpr int kEyeball = 128;
inline constexpr int kRib = 129;
// Cell 99 is a spare soil lump, bigger than the clod's.
inline constexpr int kSoilLump = 99;

// Worm aim directions 0..6 as angles in degrees clockwise from straight up,
// the middle of each group of three aim steps.
inline constexpr double kWormAimDegrees[7] = {134, 115, 90, 70, 45, 22, 0};

IndexedImage BuildGfx16();
IndexedImage BuildGfx8();
IndexedImage BuildGfx4(std::vector<std::string>& errors);

// Pieces of GFX16, drawn into the sheet at cell positions.
void DrawWormFrames(IndexedImage& sheet);
void DrawEffects16(IndexedImage& sheet);

}  // namespace krel::content
