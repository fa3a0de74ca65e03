// Sound effects by number 1..30.
#pragma once

#include <string>

#include "client/present/display_state.h"
#include "client/state/world.h"

namespace krel {

// Opens the sound device through w.platform and loads the thirty effects.
// Without a sound device it says so on stderr, sets SoundOf(w).SoundMissing and
// returns true: the game plays on silently (the first game also says it in
// a chat line). False only when a built-in effect cannot be loaded; error
// then holds the message to show and the program ends.
bool InitSound(World& w, std::string& error);

// What Krel says when there is no sound device.
inline constexpr const char* kNoSoundDevice = "No sound device found";

// Starts effect n (1..30) once; at most five starts per frame (the frame loop
// resets soundsThisFrame), ten voices in a ring.
void PlaySound(World& w, int16 n);

// Resource name of effect n (1..30), e.g. 1 "SHOTGUN"; empty for others.
const char* SoundName(int n);

}  // namespace krel
