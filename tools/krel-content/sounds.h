// The thirty sound effects, by number 1..30 under their resource names.
#pragma once

#include <cstdint>
#include <vector>

namespace krel::content {

inline constexpr int kSoundCount = 30;

// Resource name of effect n (1..30).
const char* SoundName(int n);

// Unsigned 8-bit mono samples at 22050 Hz of effect n (1..30).
std::vector<std::uint8_t> SynthesiseSound(int n);

}  // namespace krel::content
