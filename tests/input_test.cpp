#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "client/core/game_settings.h"
#include "client/worms/input.h"
#include "platform/headless/headless_platform.h"
#include "platform/keycodes.h"
#include "platform/settings.h"

namespace krel {
namespace {

// A settings store in memory that remembers the order of saves.
class MemoryStore : public SettingsStore {
 public:
  std::string GetSetting(const std::string& section, const std::string& key, const std::string& def) override {
    auto it = values.find({section, key});
    return it == values.end() ? def : it->second;
  }
  void SaveSetting(const std::string& section, const std::string& key, const std::string& value) override {
    values[{section, key}] = value;
    saved.emplace_back(section, key);
  }
  std::map<std::pair<std::string, std::string>, std::string> values;
  std::vector<std::pair<std::string, std::string>> saved;
};

struct Rig {
  HeadlessPlatform platform;
  MemoryStore store;
  World w;
  Rig() {
    w.platform = &platform;
    w.settings = &store;
    SetDefaultKeys(w);
  }
  // One frame's keyboard steps.
  void Frame() {
    ReadKeyboardState(w);
    ReadControls(w);
  }
};

TEST(Keyboard, DefaultKeyTable) {
  World w;
  SetDefaultKeys(w);
  const std::array<int16, 8> p1{0, 203, 205, 200, 208, 36, 37, 38};
  const std::array<int16, 8> p2{0, 31, 33, 18, 32, 21, 45, 46};
  EXPECT_EQ(w.KeyMap[1], p1);
  EXPECT_EQ(w.KeyMap[2], p2);
  for (int p : {0, 3, 16}) {
    for (int j = 0; j < 8; ++j) EXPECT_EQ(w.KeyMap[static_cast<std::size_t>(p)][static_cast<std::size_t>(j)], 0);
  }
}

TEST(Keyboard, HeldAndNewlyPressedControls) {
  Rig r;
  r.platform.SetKey(DIK_J, true);      // player 1 shoot
  r.platform.SetKey(DIK_S, true);      // player 2 left, at the same time
  r.Frame();
  EXPECT_EQ(r.w.Players[1].Ctrl[kShoot], 1);
  EXPECT_EQ(r.w.Players[2].Ctrl[kLeft], 1);
  EXPECT_EQ(r.w.Players[1].Ctrl[kLeft], 0);
  EXPECT_TRUE(NewlyPressed(r.w, 1, kShoot));
  EXPECT_TRUE(NewlyPressed(r.w, 2, kLeft));
  EXPECT_FALSE(NewlyPressed(r.w, 1, kLeft));
  r.Frame();  // still held
  EXPECT_EQ(r.w.Players[1].Ctrl[kShoot], 1);
  EXPECT_FALSE(NewlyPressed(r.w, 1, kShoot));
  EXPECT_FALSE(NewlyPressed(r.w, 2, kLeft));
  r.platform.SetKey(DIK_J, false);
  r.Frame();
  EXPECT_EQ(r.w.Players[1].Ctrl[kShoot], 0);
  EXPECT_EQ(r.w.OldKeyState[DIK_J], 1);
  EXPECT_EQ(r.w.KeyState[DIK_J], 0);
  r.platform.SetKey(DIK_J, true);
  r.Frame();
  EXPECT_TRUE(NewlyPressed(r.w, 1, kShoot));
  // Only bit 7 of a state byte means down.
  r.platform.ReleaseAllKeys();
  r.Frame();
  EXPECT_EQ(r.w.KeyState[DIK_J], 0);
}

TEST(Keyboard, ScanCodeZeroAndPlayersWithoutKeysNeverPress) {
  // A platform that (wrongly) reports byte 0 as down.
  class Noisy : public HeadlessPlatform {
   public:
    void ReadKeyboard(std::uint8_t state[256]) override {
      HeadlessPlatform::ReadKeyboard(state);
      state[0] = 0x80;
    }
  } noisy;
  World w;
  w.platform = &noisy;
  SetDefaultKeys(w);
  w.KeyMap[1][kJump] = 0;  // player 1 bound jump to nothing
  ReadKeyboardState(w);
  ReadControls(w);
  EXPECT_EQ(w.KeyState[0], 0);
  EXPECT_EQ(w.Players[1].Ctrl[kJump], 0);
  EXPECT_FALSE(NewlyPressed(w, 1, kJump));
  // A worm driven from elsewhere (network, computer) has no keys: its Ctrl
  // alone decides, for every slot up to 17.
  for (int p : {3, 16, 17}) {
    w.Players[static_cast<std::size_t>(p)].Ctrl[kShoot] = 1;
    EXPECT_TRUE(NewlyPressed(w, p, kShoot)) << p;
    w.Players[static_cast<std::size_t>(p)].Ctrl[kShoot] = 0;
    EXPECT_FALSE(NewlyPressed(w, p, kShoot)) << p;
  }
  EXPECT_FALSE(NewlyPressed(w, 18, kShoot));
  EXPECT_FALSE(NewlyPressed(w, 1, 8));
  // A binding outside the table (hand-edited) is no key, not a crash.
  w.KeyMap[1][kUp] = 300;
  w.KeyMap[1][kDown] = -5;
  ReadControls(w);
  EXPECT_EQ(w.Players[1].Ctrl[kUp], 0);
  EXPECT_EQ(w.Players[1].Ctrl[kDown], 0);
}

TEST(Keyboard, LastKeyTypedTextAndKeyNames) {
  Rig r;
  r.w.LastKey = 99;
  Form_KeyDown(r.w);  // nothing down: unchanged
  EXPECT_EQ(r.w.LastKey, 99);
  r.platform.SetKey(DIK_LEFT, true);
  r.platform.SetKey(DIK_A, true);
  Form_KeyDown(r.w);
  EXPECT_EQ(r.w.LastKey, DIK_A);  // the lower of the two codes
  r.platform.SetKey(DIK_A, false);
  Form_KeyDown(r.w);
  EXPECT_EQ(r.w.LastKey, DIK_LEFT);
  Form_KeyPress(r.w, 'h');
  Form_KeyPress(r.w, 0xFC);
  Form_KeyPress(r.w, 8);
  EXPECT_EQ(r.w.TypedText, "h\xFC\b");

  initkeys(r.w);
  EXPECT_EQ(r.w.KeyNames[DIK_LEFT], "Left Arrow");
  EXPECT_EQ(r.w.KeyNames[DIK_NUMPAD5], "Num 5");
  EXPECT_EQ(r.w.KeyNames[0], "");
  EXPECT_EQ(r.w.KeyNames[0x54], "");
}

TEST(Keyboard, StoredNumbersRoundHalfToEven) {
  EXPECT_EQ(ParseStoredInt16("42"), 42);
  EXPECT_EQ(ParseStoredInt16(" 42 "), 42);
  EXPECT_EQ(ParseStoredInt16("2.5"), 2);
  EXPECT_EQ(ParseStoredInt16("3.5"), 4);
  EXPECT_EQ(ParseStoredInt16("-2.5"), -2);
  EXPECT_EQ(ParseStoredInt16("1e2"), 100);
  EXPECT_EQ(ParseStoredInt16("32767.4"), 32767);
  EXPECT_EQ(ParseStoredInt16("-32768"), -32768);
  for (const char* bad : {"", "  ", "abc", "12abc", "0x10", "inf", "nan", "1e", "32767.5", "-32769", "1,5", "+"}) {
    EXPECT_FALSE(ParseStoredInt16(bad).has_value()) << "\"" << bad << "\"";
  }
}

TEST(Keyboard, PlayerSettingsLoadWithTheirExactNames) {
  Rig r;
  auto& v = r.store.values;
  v[{"Player 1 Settings", "Right "}] = "57";
  v[{"Player 1 Settings", "Right"}] = "99";   // not player 1's name: ignored
  v[{"Player 2 Settings", "Right"}] = "17.5";  // rounds to 18
  v[{"Player 2 Settings", "Right "}] = "98";  // not player 2's name: ignored
  v[{"Player 1 Settings", "Up"}] = "abc";     // damaged: default
  v[{"Player 1 Settings", "Down"}] = "256";   // no such scan code: default
  v[{"Player 2 Settings", "Jump"}] = "-1";    // default
  v[{"Player 2 Settings", "Shoot"}] = "0";    // unbound is allowed
  v[{"Player 1 Settings", "Name"}] = "Alice";
  v[{"Player 1 Settings", "Color"}] = "120";
  v[{"Player 2 Settings", "Color"}] = "999";  // not a hue: a random one
  LoadPlayerSettings(r.w);
  EXPECT_EQ(r.w.KeyMap[1][kRight], 57);
  EXPECT_EQ(r.w.KeyMap[2][kRight], 18);
  EXPECT_EQ(r.w.KeyMap[1][kUp], 200);
  EXPECT_EQ(r.w.KeyMap[1][kDown], 208);
  EXPECT_EQ(r.w.KeyMap[1][kLeft], 203);
  EXPECT_EQ(r.w.KeyMap[2][kJump], 45);
  EXPECT_EQ(r.w.KeyMap[2][kShoot], 0);
  EXPECT_EQ(r.w.MenuName[1], "Alice");
  EXPECT_EQ(r.w.MenuName[2], "Player 2");
  EXPECT_EQ(r.w.MenuColor[1], 120);
  EXPECT_GE(r.w.MenuColor[2], 0);
  EXPECT_LE(r.w.MenuColor[2], 359);

  // A missing colour is a fresh random hue each time the default is used.
  std::set<int> hues;
  World fresh;
  fresh.Seed(12345);
  for (int i = 0; i < 20; ++i) {
    LoadPlayerSettings(fresh);
    for (int p = 1; p <= 2; ++p) {
      int h = fresh.MenuColor[static_cast<std::size_t>(p)];
      EXPECT_GE(h, 0);
      EXPECT_LE(h, 359);
      hues.insert(h);
    }
  }
  EXPECT_GT(hues.size(), 10u);
  EXPECT_EQ(fresh.MenuName[1], "Player 1");
}

TEST(Keyboard, PlayerSettingsSaveInTheMenusOrder) {
  Rig r;
  r.w.MenuName[1] = "Alice";
  r.w.MenuName[2] = "Bob";
  r.w.MenuColor[1] = 10;
  r.w.MenuColor[2] = 300;
  r.w.KeyMap[1][kRight] = 77;
  SavePlayerSettings(r.w);
  const std::vector<std::string> order{"Name", "Color", "Down", "Up", "Left", "Right ", "Shoot", "Jump", "Select"};
  ASSERT_EQ(r.store.saved.size(), 18u);
  for (std::size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(r.store.saved[i], std::make_pair(std::string("Player 1 Settings"), order[i]));
    std::string p2 = order[i] == "Right " ? "Right" : order[i];
    EXPECT_EQ(r.store.saved[9 + i], std::make_pair(std::string("Player 2 Settings"), p2));
  }
  EXPECT_EQ((r.store.values[{"Player 1 Settings", "Right "}]), "77");
  EXPECT_EQ((r.store.values[{"Player 2 Settings", "Color"}]), "300");
  EXPECT_EQ((r.store.values[{"Player 1 Settings", "Down"}]), "208");

  // Loading what was saved gives the same tables back.
  World back;
  back.settings = &r.store;
  LoadPlayerSettings(back);
  EXPECT_EQ(back.KeyMap, r.w.KeyMap);
  EXPECT_EQ(back.MenuName[2], "Bob");
  EXPECT_EQ(back.MenuColor[1], 10);
}

TEST(Keyboard, GeneralSettings) {
  Rig r;
  // An empty store: the first-start values.
  r.w.LivesSetting = 3;
  r.w.LoadAndChange = kFalse;
  LoadGeneralSettings(r.w);
  EXPECT_EQ(r.w.LivesSetting, 15);
  EXPECT_EQ(r.w.LoadingSetting, 100);
  EXPECT_EQ(r.w.LoadAndChange, kTrue);
  EXPECT_EQ(r.w.RegenerateLevel, kTrue);

  auto& v = r.store.values;
  v[{"General Settings", "Lives"}] = "50";
  v[{"General Settings", "Loading"}] = "5";
  v[{"General Settings", "LAndC"}] = "0";
  v[{"General Settings", "Regenerate"}] = "yes";  // anything but "1" is off
  LoadGeneralSettings(r.w);
  EXPECT_EQ(r.w.LivesSetting, 50);
  EXPECT_EQ(r.w.LoadingSetting, 5);
  EXPECT_EQ(r.w.LoadAndChange, kFalse);
  EXPECT_EQ(r.w.RegenerateLevel, kFalse);

  // Values the menu could never set take their defaults.
  v[{"General Settings", "Lives"}] = "0";
  v[{"General Settings", "Loading"}] = "9999";
  LoadGeneralSettings(r.w);
  EXPECT_EQ(r.w.LivesSetting, 15);
  EXPECT_EQ(r.w.LoadingSetting, 100);
  v[{"General Settings", "Lives"}] = "51";
  v[{"General Settings", "Loading"}] = "x";
  LoadGeneralSettings(r.w);
  EXPECT_EQ(r.w.LivesSetting, 15);
  EXPECT_EQ(r.w.LoadingSetting, 100);

  r.store.saved.clear();
  r.w.LivesSetting = 7;
  r.w.LoadingSetting = 250;
  r.w.LoadAndChange = kTrue;
  r.w.RegenerateLevel = kFalse;
  SaveSettings(r.w);
  ASSERT_EQ(r.store.saved.size(), 4u + 18u);
  EXPECT_EQ(r.store.saved[0].second, "Lives");
  EXPECT_EQ(r.store.saved[1].second, "Loading");
  EXPECT_EQ(r.store.saved[2].second, "LAndC");
  EXPECT_EQ(r.store.saved[3].second, "Regenerate");
  EXPECT_EQ(r.store.saved[4].first, "Player 1 Settings");
  EXPECT_EQ((v[{"General Settings", "Lives"}]), "7");
  EXPECT_EQ((v[{"General Settings", "Loading"}]), "250");
  EXPECT_EQ((v[{"General Settings", "LAndC"}]), "1");
  EXPECT_EQ((v[{"General Settings", "Regenerate"}]), "0");

  // Without a store everything still has its default.
  World none;
  LoadSettings(none);
  EXPECT_EQ(none.LivesSetting, 15);
  EXPECT_EQ(none.KeyMap[1][kRight], 205);
  SaveSettings(none);
}

}  // namespace
}  // namespace krel
