// Sound effects: the thirty embedded effects, loaded once, and a ring of ten
// voices with at most five starts per frame.
#include "client/present/sound.h"

#include <cstdio>

#include "client/present/display_state.h"
#include "client/present/resources.h"
#include "platform/platform.h"

namespace krel {
namespace {

constexpr int kSounds = 30;
constexpr int kVoices = 10;
constexpr int kStartsPerFrame = 5;

constexpr const char* kSoundNames[kSounds + 1] = {
    "",      "SHOTGUN", "SHOT",     "RIFLE",    "BAZOOKA", "BLASTER",  "THROW",  "PLASMA", "EXP3A", "EXP3B", "EXP2",
    "EXP3",  "EXP4",    "EXP5",     "DIRT",     "BUMP",    "DEATH1",   "DEATH2", "DEATH3", "HURT1", "HURT2", "HURT3",
    "ALIVE", "BEGIN",   "DROPSHEL", "RELOADED", "MOVEUP",  "MOVEDOWN", "SELECT", "BOING",  "BURNER"};

}  // namespace

const char* SoundName(int n) { return n >= 1 && n <= kSounds ? kSoundNames[n] : ""; }

bool InitSound(World& w, std::string& error) {
  std::string why;
  SoundOf(w).SoundMissing = w.platform == nullptr || !w.platform->OpenAudio(why);
  if (SoundOf(w).SoundMissing) {
    // Said once here and once in the first game; every effect is then a
    // silent request that still counts against the frame's budget.
    std::fprintf(stderr, "krel: %s%s%s; playing on without sound\n", kNoSoundDevice, why.empty() ? "" : ": ",
                 why.c_str());
    return true;
  }
  for (int n = 1; n <= kSounds; ++n) {
    const std::span<const std::uint8_t> wav = FindResource(kSoundNames[n]);
    if (wav.empty()) {
      error = std::string("Krel cannot start: the built-in sound effect ") + kSoundNames[n] + " is missing.";
      return false;
    }
    why.clear();
    if (!w.platform->LoadSound(n, wav, why)) {
      error = std::string("Krel cannot start: the sound effect ") + kSoundNames[n] + " (number " + std::to_string(n) +
              ") cannot be loaded: " + why;
      return false;
    }
  }
  SoundOf(w).soundVoiceNext = 0;
  SoundOf(w).soundsThisFrame = 0;
  return true;
}

void PlaySound(World& w, int16 n) {
  // A number that names no effect (a weapon file may say anything) is not a
  // request at all: it neither plays nor uses up the frame's budget.
  if (n < 1 || n > kSounds) return;
  SoundOf(w).soundsThisFrame += 1;
  if (SoundOf(w).soundsThisFrame > kStartsPerFrame) return;
  // The eleventh start takes the voice of the first, cutting it off.
  SoundOf(w).soundVoiceNext = (SoundOf(w).soundVoiceNext + 1) % kVoices;
  if (w.platform != nullptr) w.platform->PlayOnVoice(SoundOf(w).soundVoiceNext, n);
}

}  // namespace krel
