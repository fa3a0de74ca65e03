#include "client/frontend/game_settings.h"

#include <algorithm>
#include <optional>
#include <string>

#include "client/present/display_state.h"
#include "client/simulation/worms/input.h"
#include "platform/platform.h"
#include "platform/settings.h"

namespace krel {

namespace {

constexpr const char* kGeneral = "General Settings";

std::string Get(World& w, const char* key) {
  return w.settings ? w.settings->GetSetting(kGeneral, key, "") : std::string();
}

int16 NumberIn(World& w, const char* key, int16 lo, int16 hi, int16 def) {
  std::optional<int16> v = ParseStoredInt16(Get(w, key));
  return (v && *v >= lo && *v <= hi) ? *v : def;
}

// "1" is on and "0" off; anything else cannot be read and takes the
// default, on.
flag Switch(World& w, const char* key) { return ToFlag(Get(w, key) != "0"); }

}  // namespace

void LoadGeneralSettings(World& w) {
  // The menu's arrows keep lives within 1..50; loading steps by 5 from
  // whatever it was, never below 1 and at most 504.
  w.LivesSetting = NumberIn(w, "Lives", 1, 50, 15);
  w.LoadingSetting = NumberIn(w, "Loading", 1, 504, 100);
  w.LoadAndChange = Switch(w, "LAndC");
  w.RegenerateLevel = Switch(w, "Regenerate");
  SetVolume(w, NumberIn(w, "Volume", 0, 100, 100));
}

bool RemembersFullscreen(World& w) { return Switch(w, "Fullscreen") != kFalse; }

void SetVolume(World& w, int percent) {
  SoundOf(w).volume = std::clamp(percent, 0, 100);
  if (w.platform != nullptr) w.platform->SetVolume(SoundOf(w).volume);
}

void SaveGeneralSettings(World& w) {
  if (w.settings == nullptr) return;
  w.settings->SaveSetting(kGeneral, "Lives", std::to_string(w.LivesSetting));
  w.settings->SaveSetting(kGeneral, "Loading", std::to_string(w.LoadingSetting));
  w.settings->SaveSetting(kGeneral, "LAndC", w.LoadAndChange != kFalse ? "1" : "0");
  w.settings->SaveSetting(kGeneral, "Regenerate", w.RegenerateLevel != kFalse ? "1" : "0");
  // Added after the keys above, which keep their place and bytes.
  w.settings->SaveSetting(kGeneral, "Fullscreen", w.Fullscreen != kFalse ? "1" : "0");
  w.settings->SaveSetting(kGeneral, "Volume", std::to_string(SoundOf(w).volume));
}

void LoadSettings(World& w) {
  LoadGeneralSettings(w);
  LoadPlayerSettings(w);
}

void SaveSettings(World& w) {
  // Saved in the menu's order, written to disk once.
  SaveSequence sequence(w.settings);
  SaveGeneralSettings(w);
  SavePlayerSettings(w);
}

}  // namespace krel
