#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "client/frontend/game_settings.h"
#include "client/simulation/worms/input.h"
#include "platform/headless/headless_platform.h"
#include "platform/keycodes.h"
#include "platform/settings.h"

namespace krel {
namespace {

struct Rig {
  HeadlessPlatform platform;
  IniSettingsStore store{""};  // no file: kept in memory
  World w;
  Rig() {
    w.platform = &platform;
    w.settings = &store;
    SetDefaultKeys(w);
  }
};

// How held keys become controls and fresh presses is checked by the pad
// tests and every shipped recording; here what those never meet.
TEST(Keyboard, NoKeyOutsideTheTableAndLastKeyTheLowestDown) {
  Rig r;
  // Scan code 0 is no key, even when a platform reports it down, and a
  // hand-edited binding outside the table is no key either.
  r.platform.SetKey(0, true);
  std::tie(r.w.KeyMap[1][kJump], r.w.KeyMap[1][kUp], r.w.KeyMap[1][kDown]) = std::tuple(0, 300, -5);
  ReadKeyboardState(r.w);
  ReadControls(r.w);
  const auto& ctrl = r.w.Players[1].Ctrl;
  EXPECT_EQ(std::tuple(r.w.KeyState[0], ctrl[kJump], ctrl[kUp], ctrl[kDown]), std::tuple(0, 0, 0, 0));
  // A worm driven from elsewhere (network, computer) has no keys: its Ctrl
  // alone decides, for every slot up to 17, and nothing beyond the tables.
  r.w.Players[17].Ctrl[kShoot] = 1;
  EXPECT_TRUE(NewlyPressed(r.w, 17, kShoot));
  EXPECT_FALSE(NewlyPressed(r.w, 18, kShoot) || NewlyPressed(r.w, 1, 8));
  // A key-down event sets LastKey to the lowest code down, or leaves it.
  r.w.LastKey = 99;
  for (const auto& [down, last] : std::initializer_list<std::pair<std::vector<int>, int>>{
           {{}, 99}, {{DIK_LEFT, DIK_A}, DIK_A}, {{DIK_LEFT}, DIK_LEFT}}) {
    r.platform.ReleaseAllKeys();
    for (int k : down) r.platform.SetKey(k, true);
    KeyPressed(r.w);
    EXPECT_EQ(r.w.LastKey, last);
  }
  initkeys(r.w);  // the names shown for keys are the platform's
  EXPECT_EQ(r.w.KeyNames[DIK_LEFT] + "|" + r.w.KeyNames[0x54], "Left Arrow|");
}

TEST(Keyboard, StoredNumbersRoundHalfToEven) {
  const std::pair<const char*, std::optional<int16>> cases[] = {
      {" 42 ", 42}, {"2.5", 2},    {"3.5", 4},  {"-2.5", -2}, {"1e2", 100},    {"32767.4", 32767}, {"-32768", -32768},
      {"  ", {}},   {"12abc", {}}, {"inf", {}}, {"1e", {}},   {"32767.5", {}}, {"+", {}}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParseStoredInt16(text), expected) << '"' << text << '"';
}

TEST(Keyboard, PlayerSettingsLoadWithTheirExactNames) {
  Rig r;
  const std::tuple<const char*, const char*, const char*> stored[] = {
      {"Player 1 Settings", "Right ", "57"},  {"Player 1 Settings", "Right", "99"},  // the other's name
      {"Player 2 Settings", "Right", "17.5"}, {"Player 2 Settings", "Right ", "98"},
      {"Player 1 Settings", "Up", "abc"},     {"Player 1 Settings", "Down", "256"},  // default
      {"Player 2 Settings", "Jump", "-1"},    {"Player 2 Settings", "Shoot", "0"},   // 0: unbound
      {"Player 1 Settings", "Name", "Alice"}, {"Player 1 Settings", "Color", "360"},
      {"Player 2 Settings", "Color", "999"},  // not a hue: a random one
      {"Player 1 Settings", "Computer", "2"}, {"Player 1 Settings", "Strength", "3"},
      {"Player 2 Settings", "Computer", "1"}, {"Player 2 Settings", "Strength", "6"}};  // not a strength: 5
  for (const auto& [section, key, value] : stored) r.store.SaveSetting(section, key, value);
  LoadPlayerSettings(r.w);
  EXPECT_EQ(r.w.KeyMap[1], (std::array<int16, 8>{0, 203, 57, 200, 208, 36, 37, 38}));
  EXPECT_EQ(r.w.KeyMap[2], (std::array<int16, 8>{0, 31, 18, 18, 32, 0, 45, 46}));
  EXPECT_EQ(std::tuple(r.w.MenuName[1], r.w.MenuName[2], r.w.MenuColor[1]), std::tuple("Alice", "Player 2", 360));
  EXPECT_EQ(std::tuple(r.w.MenuComputer[1], r.w.MenuAceStrength[1], r.w.MenuComputer[2], r.w.MenuAceStrength[2]),
            std::tuple(kControllerAce, 3, kControllerCpu, 5));
  // The controller choice is saved and comes back in the next run.
  r.w.MenuComputer = {kFalse, kControllerHuman, kControllerAce};
  r.w.MenuAceStrength[2] = 2;
  SavePlayerSettings(r.w);
  World next;
  next.settings = r.w.settings;
  LoadPlayerSettings(next);
  EXPECT_EQ(std::tuple(next.MenuComputer[1], next.MenuComputer[2], next.MenuAceStrength[2]),
            std::tuple(kControllerHuman, kControllerAce, 2));
  // A missing colour is a fresh random hue 0..359 each time the default is
  // used, at least 90 degrees round the hue circle from the other worm's,
  // whether that one was drawn too or stored (for either player).
  auto apart = [](int a, int b) { return std::min((a - b + 720) % 360, (b - a + 720) % 360) >= 90; };
  EXPECT_TRUE(apart(r.w.MenuColor[1], r.w.MenuColor[2])) << r.w.MenuColor[2];
  std::set<int> hues;
  World fresh;
  Rig second;
  second.store.SaveSetting("Player 2 Settings", "Color", "10");
  for (int i = 0; i < 40; ++i) {
    LoadPlayerSettings(fresh);
    hues.insert({fresh.MenuColor[1], fresh.MenuColor[2]});
    EXPECT_TRUE(apart(fresh.MenuColor[1], fresh.MenuColor[2])) << fresh.MenuColor[1] << " " << fresh.MenuColor[2];
    LoadPlayerSettings(second.w);
    EXPECT_TRUE(second.w.MenuColor[2] == 10 && apart(second.w.MenuColor[1], 10)) << second.w.MenuColor[1];
  }
  EXPECT_TRUE(hues.size() > 20 && *hues.begin() >= 0 && *hues.rbegin() <= 359) << hues.size();
}

TEST(Keyboard, GeneralSettingsKeepToWhatTheMenuCanSet) {
  const char* keys[] = {"Lives", "Loading", "LAndC", "Regenerate", "Volume", "Fullscreen"};
  // As stored (nullptr: missing) and as loaded.
  const std::pair<std::array<const char*, 6>, std::array<int, 6>> cases[] = {
      {{"50", "504", "0", "yes", "0", "0"}, {50, 504, 0, 1, 0, 0}},  // neither "0" nor "1": the default
      {{"1", "1", " 0", "off", "100", "x"}, {1, 1, 1, 1, 100, 1}},
      {{"0", "505", nullptr, nullptr, "101", nullptr}, {15, 100, 1, 1, 100, 1}},  // just outside on either side
      {{"51", "0", "1", "1", "-1", "1"}, {15, 100, 1, 1, 100, 1}}};
  for (const auto& [stored, loaded] : cases) {
    Rig r;
    for (int i = 0; i < 6; ++i)
      if (stored[i] != nullptr) r.store.SaveSetting("General Settings", keys[i], stored[i]);
    LoadGeneralSettings(r.w);
    EXPECT_EQ((std::array<int, 6>{r.w.LivesSetting, r.w.LoadingSetting, r.w.LoadAndChange != kFalse,
                                  r.w.RegenerateLevel != kFalse, r.platform.volume(), RemembersFullscreen(r.w)}),
              loaded);
  }
  // Saved and read back: the volume and whether the display is full screen.
  Rig r;
  SetVolume(r.w, 30);
  r.w.Fullscreen = kFalse;
  SaveGeneralSettings(r.w);
  Rig again;
  again.w.settings = &r.store;
  LoadGeneralSettings(again.w);
  EXPECT_EQ(std::tuple(again.platform.volume(), RemembersFullscreen(again.w), again.w.LivesSetting),
            std::tuple(30, false, 15));
  World none;  // without a store everything still has its default
  LoadSettings(none);
  EXPECT_EQ(std::tuple(none.LivesSetting, none.LoadingSetting, none.LoadAndChange, none.KeyMap[1][kRight]),
            std::tuple(15, 100, kTrue, 205));
}

}  // namespace
}  // namespace krel
